#include "nelvo-data/output/file_destination.hpp"

#include <cerrno>
#include <filesystem>

#include "platform/console.hpp"

namespace nelvo::tool {

FileDestination::FileDestination(std::string path) : path_(std::move(path)) {}

FileDestination::~FileDestination() { close(); }

std::string FileDestination::name() const { return path_ == "-" ? "standard output" : path_; }

WriteStatus FileDestination::write(std::string_view bytes)
{
    // Standard output through the platform's writer, a console included.
    if (path_ == "-") {
        errno = 0;
        if (!platform::write_text(platform::Stream::out, bytes)) return output_failure(name(), errno);
        return std::nullopt;
    }
    if (f_ == nullptr) {
        errno = 0;
#ifdef _WIN32
        f_ = path_ == "-" ? stdout : _wfopen(std::filesystem::u8path(path_).c_str(), L"wb");
#else
        f_ = path_ == "-" ? stdout : std::fopen(path_.c_str(), "wb");
#endif
        if (f_ == nullptr) return output_failure(name(), errno);
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) return output_failure(name(), errno);
    return std::nullopt;
}

WriteStatus FileDestination::commit()
{
    if (f_ == nullptr) return std::nullopt;
    errno = 0;
    if (std::fflush(f_) != 0 || std::ferror(f_)) return output_failure(name(), errno);
    if (f_ != stdout) {
        std::FILE* f = f_;
        f_ = nullptr;
        // Some file systems report a failed write only when the file is closed.
        if (std::fclose(f) != 0) return output_failure(name(), errno);
    }
    return std::nullopt;
}

void FileDestination::abandon() noexcept { close(); }

void FileDestination::close() noexcept
{
    if (f_ != nullptr && f_ != stdout) std::fclose(f_);
    f_ = nullptr;
}

}  // namespace nelvo::tool
