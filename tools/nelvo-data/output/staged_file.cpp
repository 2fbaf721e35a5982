#include "nelvo-data/output/staged_file.hpp"

#include <filesystem>
#include <random>
#include <system_error>

#include "nelvo-data/system/io.hpp"
#include "nelvo-data/system/signals.hpp"

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

}  // namespace

StagedFile::StagedFile(std::string target) : target_(std::move(target)) {}

StagedFile::~StagedFile() { abandon(); }

WriteStatus StagedFile::check(const std::string& target)
{
    const fs::path p = io::long_path(fs::u8path(target));
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
    if (const fs::path named = io::long_path(to); fs::is_symlink(fs::symlink_status(named, ec)) && fs::exists(named, ec))
        to = fs::canonical(named, ec);
    const fs::path dir = to.has_parent_path() ? to.parent_path() : fs::path();
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";  // hidden where a leading dot hides: ".out.csv.123456789.part"
        name += utf8(to.filename());
        name += '.';
        name += std::to_string(rd() % 1000000000u);
        name += ".part";
        const std::string temp = utf8(dir / fs::u8path(name));
        if (const std::error_code ec = io::create_new_file(temp, utf8(to), stream)) {
            if (ec == std::errc::file_exists) continue;
            return failure_in_words(target_, ec);
        }
        temp_ = temp;
        renamed_ = utf8(to);
        abort_handle_ = signals::remove_on_abort(temp_);
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
    io::remove_path(temp_);
    temp_.clear();
    finished_ = false;
    signals::forget(abort_handle_);
    abort_handle_ = -1;
}

}  // namespace nelvo::tool
