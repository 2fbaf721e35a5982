// An output is whole or absent: the staged file replaces its target only on
// commit, keeps an existing target's permissions and symbolic link, and
// leaves nothing behind when abandoned.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "nelvo-data/output/file_destination.hpp"
#include "nelvo-data/output/staged_file.hpp"
#include "tool_test_support.hpp"

namespace {

using namespace nelvo;
namespace fs = std::filesystem;

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t entries(const std::string& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(StagedFile, CommitReplacesAbandonLeavesAsItWas)
{
    test::ScratchDir dir;
    const std::string target = dir.file("out.csv", {'o', 'l', 'd'});
    for (const bool commit : {false, true}) {
        tool::FileDestination out(target);
        ASSERT_FALSE(out.check().has_value());
        ASSERT_FALSE(out.write("new bytes").has_value());
        EXPECT_EQ(contents(target), "old");  // untouched until the rename
        EXPECT_EQ(entries(dir.path("")), 2u);  // the target and the temporary file beside it
        if (commit) {
            ASSERT_FALSE(out.commit().has_value());
            EXPECT_EQ(contents(target), "new bytes");
        } else {
            out.abandon();
            EXPECT_EQ(contents(target), "old");
        }
        EXPECT_EQ(entries(dir.path("")), 1u);
    }
    // Destroyed without either: as abandoned.
    {
        tool::FileDestination out(dir.path("fresh.csv"));
        ASSERT_FALSE(out.write("x").has_value());
    }
    EXPECT_FALSE(fs::exists(dir.path("fresh.csv")));
    EXPECT_EQ(entries(dir.path("")), 1u);
}

#ifndef _WIN32
TEST(StagedFile, KeepsPermissionsAndSymbolicLinks)
{
    test::ScratchDir dir;
    const std::string real = dir.file("real.json", {'o'});
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string link = dir.path("link.json");
    fs::create_symlink(real, link);

    tool::StagedFile f(link);
    ASSERT_FALSE(f.create().has_value());
    EXPECT_EQ(fs::path(f.path()).parent_path(), fs::path(real).parent_path());
    std::ofstream(f.path(), std::ios::binary) << "[]";
    ASSERT_FALSE(f.commit().has_value());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(real), "[]");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST(StagedFile, TargetsThatCannotBeWrittenFailBeforeAnythingIsCreated)
{
    test::ScratchDir dir;
    fs::create_directories(dir.path("a-directory"));
    const auto is_dir = tool::StagedFile::check(dir.path("a-directory"));
    ASSERT_TRUE(is_dir.has_value());
    EXPECT_EQ(is_dir->words, std::make_error_code(std::errc::is_a_directory).message());
    const auto no_dir = tool::StagedFile::check(dir.path("nowhere/out.csv"));
    ASSERT_TRUE(no_dir.has_value());
    EXPECT_EQ(no_dir->words, std::make_error_code(std::errc::no_such_file_or_directory).message());
    EXPECT_EQ(entries(dir.path("")), 1u);
}

}  // namespace
