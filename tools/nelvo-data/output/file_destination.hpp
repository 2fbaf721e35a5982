// A file named on the command line, or standard output for "-".
#pragma once

#include <cstdio>
#include <string>

#include "nelvo-data/output/destination.hpp"

namespace nelvo::tool {

class FileDestination final : public Destination {
public:
    // `path` in UTF-8 as given; "-" is standard output. The file is created
    // on the first write, so an export that fails before writing anything
    // leaves no empty file behind.
    explicit FileDestination(std::string path);
    ~FileDestination() override;
    FileDestination(const FileDestination&) = delete;
    FileDestination& operator=(const FileDestination&) = delete;

    std::string name() const override;
    WriteStatus write(std::string_view bytes) override;
    WriteStatus commit() override;
    void abandon() noexcept override;

private:
    void close() noexcept;

    std::string path_;
    std::FILE* f_ = nullptr;
};

}  // namespace nelvo::tool
