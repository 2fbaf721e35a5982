// Paths for Windows' file functions past MAX_PATH (260 characters, the
// terminating zero included): absolute and normalized, behind the prefix
// "\\?\" that lifts the limit. What the tool hands SQLite and
// libxlsxwriter goes through here; shorter paths, paths that have a prefix
// already, and every path on other systems stay as they are.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace nelvo::tool {

// Directories end 12 characters earlier (room for an 8.3 name inside).
inline constexpr std::size_t long_path_from = 260 - 12;

inline std::filesystem::path long_path(const std::filesystem::path& p)
{
#ifdef _WIN32
    const std::wstring& given = p.native();
    if (given.size() < long_path_from && p.is_absolute()) return p;
    if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) return p;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(p, ec);
    if (ec) return p;
    // The prefix turns off Windows' own clean-up of the name: no "." or
    // "..", no forward slashes.
    full = full.lexically_normal();
    full.make_preferred();
    std::wstring w = full.native();
    if (w.size() < long_path_from) return p;
    if (w.starts_with(L"\\\\")) return std::filesystem::path(L"\\\\?\\UNC\\" + w.substr(2));  // \\server\share
    return std::filesystem::path(L"\\\\?\\" + w);
#else
    return p;
#endif
}

// The same for a path in UTF-8.
inline std::string long_path_utf8(const std::string& path)
{
#ifdef _WIN32
    const auto u = long_path(std::filesystem::u8path(path)).u8string();
    return {u.begin(), u.end()};
#else
    return path;
#endif
}

}  // namespace nelvo::tool
