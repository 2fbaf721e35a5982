// What the failure-path tests (the server's code linked into one program)
// share: their data files and the per-user registration keys they look for.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nelvo::testing {

// The test files, written once for the program.
const std::filesystem::path& failure_data_dir();

// Which of the keys a per-user registration writes exist now, below
// HKEY_CURRENT_USER\Software\Classes (both views' places).
std::vector<std::wstring> registered_keys();

}  // namespace nelvo::testing
