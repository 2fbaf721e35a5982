// The names the tool hands SQLite and libxlsxwriter: prefixed past
// MAX_PATH on Windows, untouched elsewhere; on Windows the UTF-8 file
// functions libxlsxwriter is built with; device names; and what the tool
// stages and removes by such names.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "nelvo-data/output/staged_file.hpp"
#include "nelvo-data/system/io.hpp"
#include "platform/file.hpp"
#include "text/utf.hpp"

#ifdef _WIN32
#define NELVO_LIBRARY_FILES_DEFINITIONS
#include <fcntl.h>

#include "nelvo-data/system/windows/library_files.h"
#endif

namespace fs = std::filesystem;
using nelvo::tool::io::long_path;
using nelvo::tool::io::long_path_utf8;

namespace {

// A folder name repeated to `n` characters or more.
std::string deep(std::size_t n, const std::string& sep)
{
    std::string s;
    while (s.size() < n) s += "abcdefghijklmnopqrstuvwxyz" + sep;
    return s;
}

}  // namespace

#ifdef _WIN32

std::string u8(const fs::path& p)
{
    const auto s = p.u8string();
    return {s.begin(), s.end()};
}

TEST(LongPaths, PrefixedOnlyPastTheLimit)
{
    const std::string long_tail = deep(300, "\\");
    struct Case {
        const char* what;
        std::string given;
        std::string want;  // "" for unchanged
    } cases[] = {
        {"short absolute", "C:\\data\\out.db", ""},
        {"short with umlauts", "C:\\Łódź Übersicht\\Gehälter.xlsx", ""},
        {"long absolute", "C:\\" + long_tail + "out.db", "\\\\?\\C:\\" + long_tail + "out.db"},
        {"long, forward slashes and dots", "C:/x/../" + deep(300, "/") + "./out.db",
         "\\\\?\\C:\\" + long_tail + "out.db"},
        {"long with umlauts", "C:\\Łódź\\" + long_tail + "Gehälter.db", "\\\\?\\C:\\Łódź\\" + long_tail + "Gehälter.db"},
        {"long, prefixed already", "\\\\?\\C:\\" + long_tail + "out.db", ""},
        {"long network share", "\\\\server\\share\\" + long_tail + "out.db",
         "\\\\?\\UNC\\server\\share\\" + long_tail + "out.db"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(long_path_utf8(c.given), c.want.empty() ? c.given : c.want);
        EXPECT_EQ(u8(long_path(fs::u8path(c.given))), c.want.empty() ? c.given : c.want);
    }
}

TEST(LongPaths, RelativeNamesBecomeAbsoluteOnlyWhenLong)
{
    EXPECT_EQ(long_path_utf8("out.db"), "out.db");
    const std::string rel = deep(300, "\\") + "out.db";
    const std::string got = long_path_utf8(rel);
    EXPECT_EQ(got.rfind("\\\\?\\", 0), 0u) << got;
    EXPECT_EQ(got, "\\\\?\\" + u8(fs::absolute(fs::u8path(rel)).lexically_normal()));
}

// The functions libxlsxwriter opens its workbook and temporary files with:
// UTF-8 names outside the ANSI code page, past MAX_PATH, and a refusal of
// names that are not UTF-8.
TEST(LibraryFiles, OpenByUtf8NameAlsoPastMaxPath)
{
    // A fresh name per run: Wine reuses process ids.
    const fs::path base = fs::temp_directory_path() /
                          fs::u8path("nelvo-library-files-Łódź-" + std::to_string(std::random_device{}()));
    std::error_code ec;
    const fs::path long_dir = base / fs::u8path(deep(300, "\\"));
    fs::create_directories(long_path(long_dir));
    for (const fs::path& dir : {base, long_dir}) {
        SCOPED_TRACE(u8(dir));
        const fs::path file = dir / fs::u8path("Gehälter.xlsx");
        std::FILE* f = nelvo_library_fopen(u8(file).c_str(), "wb");
        ASSERT_NE(f, nullptr) << errno;
        EXPECT_GE(std::fputs("zip", f), 0);
        EXPECT_EQ(std::fclose(f), 0);
        EXPECT_TRUE(fs::exists(long_path(file)));

        // tmpfileplus: exclusive creation, and whether its folder is one.
        const fs::path temp = dir / fs::u8path("tmp.ß");
        const int fd = nelvo_library_open(u8(temp).c_str(), _O_BINARY | _O_CREAT | _O_EXCL | _O_RDWR, _S_IREAD | _S_IWRITE);
        ASSERT_GE(fd, 0) << errno;
        EXPECT_EQ(_close(fd), 0);
        EXPECT_EQ(nelvo_library_open(u8(temp).c_str(), _O_BINARY | _O_CREAT | _O_EXCL | _O_RDWR, _S_IREAD | _S_IWRITE), -1);
        EXPECT_EQ(errno, EEXIST);
        struct stat st {};
        ASSERT_EQ(nelvo_library_stat(u8(dir).c_str(), &st), 0);
        EXPECT_TRUE(st.st_mode & S_IFDIR);
        ASSERT_EQ(nelvo_library_stat(u8(temp).c_str(), &st), 0);
        EXPECT_FALSE(st.st_mode & S_IFDIR);
        EXPECT_EQ(nelvo_library_stat(u8(dir / "missing").c_str(), &st), -1);
    }
    errno = 0;
    EXPECT_EQ(nelvo_library_fopen("C:\\bad\xff\xfe.xlsx", "wb"), nullptr);
    EXPECT_EQ(errno, EINVAL);
    fs::remove_all(long_path(base), ec);
}

#else

TEST(LongPaths, UnchangedOffWindows)
{
    std::string absolute = "/", relative = deep(300, "/");
    absolute += relative;
    absolute += "out.db";
    relative += "../out.db";
    for (const std::string& p : {std::string("out.db"), std::string("/tmp/Łódź/out.db"), absolute, relative}) {
        EXPECT_EQ(long_path_utf8(p), p);
        EXPECT_EQ(long_path(p), fs::path(p));
    }
}

#endif

// One list for the data files the core refuses and the outputs the tool
// writes straight: reserved names in any folder, letter case, with any
// extension; their look-alikes are files.
TEST(DeviceNames, ReservedNamesAnywhereWithAnyExtension)
{
    const bool windows = fs::path::preferred_separator == '\\';
    const struct {
        const char* path;
        bool device;
    } cases[] = {
        {"NUL", true},           {"nul.tar.gz", true},      {"C:\\out\\Com3.csv", true}, {"out/lpt9", true},
        {"Aux.", true},          {"con .txt", true},        {"CONIN$", true},              {"conout$.log", true},
        {"prn", true},           {"\\\\.\\pipe\\x", true}, {"LPT0", false},               {"COM10", false},
        {"console.csv", false},  {"nul/out.csv", false},   {"aux_data.csv", false},       {"\\\\?\\C:\\x\\out.csv", false},
        {"", false},             {"C:nul", true},            {"COMx", false},
        // The device namespace, and the long-path prefixes whose last name still counts.
        {"//./C:/x/out.csv", false}, {"\\\\?\\unc\\srv\\share\\out.csv", false},
        {"\\\\?\\UNC\\srv\\share\\Nul.txt", true}, {"\\\\?\\1:\\x", true}, {"\\\\?\\UNX\\a", true},
        {"\\\\.\\C:", true},  {"\\\\x\\share\\out.csv", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(nelvo::platform::names_windows_device(nelvo::text::utf8_to_utf16(c.path)), c.device);
        EXPECT_EQ(nelvo::tool::io::is_device_name(c.path), windows && c.device);
    }
}

// A staged output past MAX_PATH is created, committed and abandoned by its
// long name; the one removal takes a file, or a folder with its files.
TEST(LongPaths, StagedFilesAndRemovalPastMaxPath)
{
    namespace io = nelvo::tool::io;
    const fs::path base = fs::temp_directory_path() / fs::u8path("nelvo-long-Łódź-" + std::to_string(std::random_device{}()));
    const fs::path dir = base / fs::u8path(deep(300, std::string(1, static_cast<char>(fs::path::preferred_separator))));
    ASSERT_TRUE(fs::create_directories(long_path(dir)));
    const auto u8 = [](const fs::path& p) {
        const auto s = p.u8string();
        return std::string(s.begin(), s.end());
    };
    const std::string target = u8(dir / fs::u8path("Gehälter.csv"));
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "abandoned");
        nelvo::tool::StagedFile staged(target);
        std::FILE* f = nullptr;
        ASSERT_FALSE(staged.create(&f).has_value());
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(std::fputs("a;b\n", f) >= 0 && std::fclose(f) == 0);
        const std::string temp = staged.path();
        EXPECT_TRUE(fs::exists(long_path(fs::u8path(temp))));
        if (commit) {
            EXPECT_FALSE(staged.commit().has_value());
        } else {
            staged.abandon();
        }
        EXPECT_EQ(fs::exists(long_path(fs::u8path(target))), commit);
        EXPECT_FALSE(fs::exists(long_path(fs::u8path(temp))));  // mingw's directory_iterator cannot list "\\?\" folders
    }

    const fs::path rows = dir / "rows";
    ASSERT_TRUE(fs::create_directory(long_path(rows)));
    for (const char* name : {"a.tmp", "b.tmp"}) {
        std::FILE* made = io::open_for_writing(u8(rows / name));
        ASSERT_NE(made, nullptr) << errno;
        std::fclose(made);
    }
    io::remove_path(u8(rows));
    io::remove_path(target);
    io::remove_path(u8(dir / "missing"));  // nothing to do, no failure
    EXPECT_FALSE(fs::exists(long_path(rows)));
    EXPECT_FALSE(fs::exists(long_path(fs::u8path(target))));
    std::error_code ec;
    fs::remove_all(long_path(base), ec);
}
