#include "nelvo-data/output/temporary_file.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace nelvo::tool {

WriteStatus TemporaryFile::create(const std::string& target)
{
    remove();
    target_ = target;
    std::random_device rd;
    for (int attempt = 0;; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
        const std::string candidate = target + suffix;
        errno = 0;
        // "x": fails rather than open a file that exists.
        std::FILE* f = std::fopen(candidate.c_str(), "wbx");
        if (f != nullptr) {
            std::fclose(f);
            path_ = candidate;
            return std::nullopt;
        }
        if (errno != EEXIST || attempt == 100) return output_failure(target, errno);
    }
}

WriteStatus TemporaryFile::replace_target()
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::u8path(path_), std::filesystem::u8path(target_), ec);
    if (ec) return output_failure(target_, ec.value());
    path_.clear();
    return std::nullopt;
}

void TemporaryFile::remove() noexcept
{
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path_), ec);
    path_.clear();
}

}  // namespace nelvo::tool
