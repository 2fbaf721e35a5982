// Data files are read, never written and never created, whatever is called;
// and objects on different threads never disturb each other.
#include <gtest/gtest.h>

#include <map>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <nelvo/getuser_data.hpp>

#include "support/temp_files.hpp"

namespace {
using nelvo::FileKind;
using nelvo::getuser_data;
using nelvo::Text;
using nelvo::testing::TempDir;
using nelvo::testing::u16;

struct Snapshot {
    std::string bytes;
    long long size;
    long long mtime_ns;
    unsigned mode;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

std::map<std::string, Snapshot> snapshot(const std::filesystem::path& dir)
{
    std::map<std::string, Snapshot> all;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
#ifndef _WIN32
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        Snapshot s{{}, st.st_size, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec, st.st_mode};
#else
        std::error_code ec;
        const auto st = e.symlink_status();
        Snapshot s{{},
                   e.is_regular_file() ? static_cast<long long>(e.file_size()) : 0,
                   static_cast<long long>(std::filesystem::last_write_time(e.path(), ec).time_since_epoch().count()),
                   static_cast<unsigned>(st.permissions()) | static_cast<unsigned>(st.type()) << 16};
#endif
        if (e.is_regular_file()) {
            std::ifstream f(e.path(), std::ios::binary);
            s.bytes.assign(std::istreambuf_iterator<char>(f), {});
        }
        all[e.path().string()] = s;
    }
    return all;
}

std::vector<unsigned char> noise(std::size_t n, unsigned seed)
{
    std::vector<unsigned char> b(n);
    for (auto& c : b) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<unsigned char>(seed >> 16);
    }
    return b;
}

// Every member on every file, including calls that fail; returns all results
// as text so that runs can be compared.
std::string exercise(getuser_data& o, const std::vector<Text>& files)
{
    std::string log;
    auto note = [&](auto r) {
        if (r.ok()) {
            if constexpr (std::is_same_v<std::decay_t<decltype(*r)>, Text>) log += std::to_string(r->size()) + ":";
            log += "ok;";
        } else {
            log += "err" + std::to_string(r.error().number) + ";";
        }
    };
    for (const Text& f : files) {
        for (std::int32_t n : {1, 2, 3, 0, 500}) {
            note(o.userdatensatz_holen(f, n));
            note(o.BDAdatensatz_holen(f, n));
            note(o.JDAdatensatz_holen(f, n));
            note(o.Zuschlägedatensatz_holen(f, n));
            note(o.SOZVERSdatensatz_holen(f, n));
            note(o.URLAUBdatensatz_holen(f, n));
            note(o.KALENDERdatensatz_holen(f, n));
            note(o.tarifsatz_holen(f, n));
            std::int32_t bis = n + 5;
            note(o.tarife_holen(f, n, bis));
            log += std::to_string(bis) + ";";
        }
        for (FileKind k : {FileKind::User, FileKind::BDA, FileKind::JDA, FileKind::Zuschlag, FileKind::Sozvers,
                           FileKind::Urlaub, FileKind::Kalender, FileKind::Tarif}) {
            note(o.count(k, f));
            auto text = o.record_text<char>(k, f, 2);
            if (text.ok()) log += *text;
        }
    }
    return log;
}

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        files_ = {
            u16(dir_.write("personal.13", noise(1920 * 3 + 700, 1))),
            u16(dir_.write("personal.dat", noise(1513 * 2, 2))),
            u16(dir_.write("side", noise(5000, 3))),
            u16(dir_.write("empty.dat", {})),
            u16(dir_.write("sub.dir/tarif", noise(108 * 4 + 60, 4))),
            u16(dir_ / "missing.dat"),
            u16(dir_ / "nodir" / "x.dat"),
            u16(dir_ / "sub.dir"),
        };
        auto ro = dir_.write("readonly.dat", noise(1100, 5));
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
        files_.push_back(u16(ro));
    }
    TempDir dir_;
    std::vector<Text> files_;
};

TEST_F(DataFiles, NoCallWritesOrCreatesAnything)
{
    const auto before = snapshot(dir_.path());
    getuser_data o;
    const std::string log = exercise(o, files_);
    EXPECT_NE(log.find("err63"), std::string::npos);  // failures were exercised too
    EXPECT_NE(log.find("err76"), std::string::npos);
    EXPECT_EQ(snapshot(dir_.path()), before);
}

TEST_F(DataFiles, ReadOnlyFileCanBeRead)
{
    getuser_data o;
    EXPECT_EQ(o.getKALENDERsatzanzahl(files_.back()).value(), 1);
    EXPECT_TRUE(o.KALENDERdatensatz_holen(files_.back(), 1).ok());
}

TEST_F(DataFiles, ThreadsWithTheirOwnObjectsAgreeWithOneThread)
{
    getuser_data single;
    const std::string expected = exercise(single, files_);
    constexpr int threads = 4;
    std::vector<std::string> got(threads);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            getuser_data own;
            own.eigdat(u"thread " + Text(1, static_cast<char16_t>(u'0' + t)));
            for (int round = 0; round < 3; ++round) got[t] = exercise(own, files_);
        });
    for (auto& th : pool) th.join();
    for (const auto& g : got) EXPECT_EQ(g, expected);
}

}  // namespace
