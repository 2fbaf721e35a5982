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

// The test files in a fresh directory below the temporary folder (its name
// made unique by time and chance, since Wine reuses process ids), removed
// with everything in it when the object goes.
class ScratchTestFiles {
public:
    explicit ScratchTestFiles(const std::string& name);
    ScratchTestFiles(const ScratchTestFiles&) = delete;
    ScratchTestFiles& operator=(const ScratchTestFiles&) = delete;
    ~ScratchTestFiles();
    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// `size` bytes of random data, zero and control bytes included.
void write_random_file(const std::filesystem::path& file, std::size_t size, unsigned seed);

}  // namespace nelvo::testing
