#include "nelvo-data/output/file_destination.hpp"

#include <cerrno>
#include <filesystem>

#include "nelvo-data/system/io.hpp"
#include "platform/console.hpp"

namespace nelvo::tool {
namespace {

// Devices, pipes and sockets are written straight: they cannot be renamed
// over, and what reads them sees the bytes as they come anyway.
bool written_straight(const std::string& path)
{
    if (io::is_device_name(path)) return true;
    std::error_code ec;
    const auto st = std::filesystem::status(io::long_path(std::filesystem::u8path(path)), ec);
    return std::filesystem::exists(st) && !std::filesystem::is_regular_file(st) && !std::filesystem::is_directory(st);
}

}  // namespace

FileDestination::FileDestination(std::string path) : path_(std::move(path)) {}

FileDestination::~FileDestination() { abandon(); }

std::string FileDestination::name() const { return path_ == "-" ? "standard output" : path_; }

bool FileDestination::whole_or_absent() const { return path_ != "-" && !written_straight(path_); }

WriteStatus FileDestination::check() const
{
    if (path_ == "-" || written_straight(path_)) return std::nullopt;
    return StagedFile::check(path_);
}

WriteStatus FileDestination::open()
{
    errno = 0;
    if (written_straight(path_)) {
        f_ = io::open_for_writing(path_);
        if (f_ == nullptr) return output_failure(name(), errno);
        return std::nullopt;
    }
    staged_.emplace(path_);
    return staged_->create(&f_);
}

WriteStatus FileDestination::write(std::string_view bytes)
{
    // Standard output through the platform's writer, a console included.
    if (path_ == "-") {
        errno = 0;
        if (!platform::write_text(platform::Stream::out, bytes)) return output_failure(name(), errno);
        bytes_ += bytes.size();
        return std::nullopt;
    }
    if (f_ == nullptr)
        if (auto f = open()) return f;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) return output_failure(name(), errno);
    bytes_ += bytes.size();
    return std::nullopt;
}

WriteStatus FileDestination::finish()
{
    if (path_ == "-" || finished_) return std::nullopt;  // each write to standard output was flushed
    if (f_ == nullptr)
        if (auto f = open()) return f;  // an export of nothing still makes its (empty) file
    errno = 0;
    if (std::fflush(f_) != 0 || std::ferror(f_)) return output_failure(name(), errno);
    std::FILE* f = f_;
    f_ = nullptr;
    // Some file systems report a failed write only when the file is closed.
    if (std::fclose(f) != 0) return output_failure(name(), errno);
    if (staged_)
        if (auto failed = staged_->finish()) return failed;
    finished_ = true;
    return std::nullopt;
}

WriteStatus FileDestination::commit()
{
    if (auto f = finish()) return f;
    if (staged_) return staged_->commit();
    return std::nullopt;
}

void FileDestination::abandon() noexcept
{
    close();
    if (staged_) staged_->abandon();
}

void FileDestination::close() noexcept
{
    if (f_ != nullptr) std::fclose(f_);
    f_ = nullptr;
}

}  // namespace nelvo::tool
