// Data files made for the Automation tests: three records of every file
// kind, filled field by field from the layout tables with plausible values
// (text in Windows-1252 with umlauts, "€" and padding, signed integers,
// currency with fractions, floats, truth values), plus a partial record in
// the tariff file. Deterministic, so a failure can be reproduced.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nelvo::testing {

struct TestFile {
    std::string kind;  // as nelvo-data names it: user, bda, ... tarif
    std::string name;  // file name inside the directory
};

// The files write_test_files creates, in member order.
const std::vector<TestFile>& test_files();

void write_test_files(const std::filesystem::path& dir);

// `size` bytes of random data, zero and control bytes included.
void write_random_file(const std::filesystem::path& file, std::size_t size, unsigned seed);

}  // namespace nelvo::testing
