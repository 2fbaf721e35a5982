#include "nelvo-data/output/staged_file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>

#include "nelvo-data/system/io.hpp"
#include "nelvo-data/system/signals.hpp"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace nelvo::tool {
namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& p)
{
    const auto u = p.u8string();
    return {u.begin(), u.end()};
}

ExportFailure failure_in_words(const std::string& name, const std::error_code& ec)
{
    ExportFailure f = output_failure(name, 0);
    f.words = ec.message();
    f.errno_value = ec.default_error_condition().value();
    return f;
}

// Opens `path` for writing, creating it; fails when it exists. Returns the
// descriptor, or -1 with errno set.
int create_exclusive(const fs::path& path, int mode)
{
#ifdef _WIN32
    (void)mode;
    return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    // The permissions an existing target had, not the defaults.
    if (fd >= 0 && mode >= 0) (void)::fchmod(fd, static_cast<mode_t>(mode));
    return fd;
#endif
}

void close_descriptor(int fd)
{
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
}

std::FILE* open_stream(int fd)
{
#ifdef _WIN32
    return ::_fdopen(fd, "wb");
#else
    return ::fdopen(fd, "wb");
#endif
}

}  // namespace

StagedFile::StagedFile(std::string target) : target_(std::move(target)) {}

StagedFile::~StagedFile() { abandon(); }

WriteStatus StagedFile::check(const std::string& target)
{
    const fs::path p = fs::u8path(target);
    std::error_code ec;
    const auto st = fs::status(p, ec);
    if (fs::is_directory(st)) return failure_in_words(target, std::make_error_code(std::errc::is_a_directory));
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const auto dir_st = fs::status(dir, ec);
    if (!fs::exists(dir_st))
        return failure_in_words(target, std::make_error_code(std::errc::no_such_file_or_directory));
    if (!fs::is_directory(dir_st)) return failure_in_words(target, std::make_error_code(std::errc::not_a_directory));
    return std::nullopt;
}

WriteStatus StagedFile::create(std::FILE** stream)
{
    if (auto f = check(target_)) return f;
    std::error_code ec;
    fs::path to = fs::u8path(target_);
    // A symbolic link stays one: what it points to is replaced.
    if (fs::is_symlink(fs::symlink_status(to, ec)) && fs::exists(to, ec)) to = fs::canonical(to, ec);
    int mode = -1;
#ifndef _WIN32
    struct stat st {};
    if (::stat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = static_cast<int>(st.st_mode & 07777);
#endif
    const fs::path dir = to.has_parent_path() ? to.parent_path() : fs::path();
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";  // hidden where a leading dot hides: ".out.csv.123456789.part"
        name += utf8(to.filename());
        name += '.';
        name += std::to_string(rd() % 1000000000u);
        name += ".part";
        const fs::path temp = dir / fs::u8path(name);
        const int fd = create_exclusive(temp, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            const int e = errno;
            return failure_in_words(target_, std::error_code(e, std::generic_category()));
        }
        temp_ = utf8(temp);
        renamed_ = utf8(to);
        abort_handle_ = signals::remove_on_abort(temp_);
        if (stream == nullptr) {
            close_descriptor(fd);
            return std::nullopt;
        }
        *stream = open_stream(fd);
        if (*stream == nullptr) {
            const int e = errno;
            close_descriptor(fd);  // not the stream's yet
            abandon();
            return failure_in_words(target_, std::error_code(e, std::generic_category()));
        }
        return std::nullopt;
    }
    return failure_in_words(target_, std::make_error_code(std::errc::file_exists));
}

WriteStatus StagedFile::finish()
{
    if (temp_.empty() || finished_) return std::nullopt;
    if (const std::error_code ec = io::sync_file(temp_)) {
        abandon();
        return failure_in_words(target_, ec);
    }
    finished_ = true;
    return std::nullopt;
}

WriteStatus StagedFile::commit()
{
    if (temp_.empty()) return std::nullopt;
    // On the disk before its name is: a power loss after the rename must
    // not leave an empty or partial file under the target's name.
    if (auto f = finish()) return f;
    if (const std::error_code ec = io::replace_file(temp_, renamed_)) {
        abandon();
        return failure_in_words(target_, ec);
    }
    temp_.clear();
    signals::forget(abort_handle_);
    abort_handle_ = -1;
    return std::nullopt;
}

void StagedFile::abandon() noexcept
{
    if (temp_.empty()) return;
    std::error_code ec;
    fs::remove(fs::u8path(temp_), ec);
    temp_.clear();
    finished_ = false;
    signals::forget(abort_handle_);
    abort_handle_ = -1;
}

}  // namespace nelvo::tool
