// Failures of the file system that a test cannot cause on demand (or not as
// root): a permission refused, too many open files, an I/O error halfway
// through a read, an interrupted call, a short read, the user's locale that
// cannot be read. This program links its own open, fstat, pread, newlocale,
// nl_langinfo_l and operator new in front of the C library's: they pass
// through until a test arms a fault, which the next calls consume. Each
// failure must reach the caller as its run-time error, never as a record of
// zeros, a wrong count or an exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <new>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <nelvo/nelvo_data.hpp>

#include "support/temp_files.hpp"

namespace {

// One scripted result of a system call: fail with `error`, or (error 0)
// succeed, moving at most `most` bytes where the call moves bytes.
struct Step {
    int error = 0;
    std::size_t most = static_cast<std::size_t>(-1);
};

struct Faults {
    std::vector<Step> open, fstat, pread;
    std::int64_t fstat_size = -1;  // >= 0: the size fstat reports
    bool newlocale_fails = false;
    const char* radix = nullptr;  // what nl_langinfo_l answers for RADIXCHAR
} faults;

// Apart, and constant-initialized: operator new runs before the objects
// above are built.
constinit long allocations_left = -1;  // >= 0: allocations before the one that fails
constinit bool allocation_failed = false;

template <class F>
F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// The next scripted step of `script`, or a plain pass-through.
Step take(std::vector<Step>& script)
{
    if (script.empty()) return {};
    Step s = script.front();
    script.erase(script.begin());
    return s;
}

}  // namespace

extern "C" int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, unsigned));
        va_end(ap);
    }
    if (Step s = take(faults.open); s.error != 0) {
        errno = s.error;
        return -1;
    }
    static auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

extern "C" int fstat(int fd, struct stat* st) noexcept
{
    if (Step s = take(faults.fstat); s.error != 0) {
        errno = s.error;
        return -1;
    }
    static auto real = next<int (*)(int, struct stat*)>("fstat");
    const int r = real(fd, st);
    if (r == 0 && faults.fstat_size >= 0 && S_ISREG(st->st_mode)) st->st_size = faults.fstat_size;
    return r;
}

extern "C" ssize_t pread(int fd, void* buf, size_t n, off_t offset)
{
    const Step s = take(faults.pread);
    if (s.error != 0) {
        errno = s.error;
        return -1;
    }
    static auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return real(fd, buf, std::min(n, s.most), offset);
}

extern "C" locale_t newlocale(int mask, const char* name, locale_t base) noexcept
{
    if (faults.newlocale_fails) {
        errno = ENOENT;
        return static_cast<locale_t>(nullptr);
    }
    static auto real = next<locale_t (*)(int, const char*, locale_t)>("newlocale");
    return real(mask, name, base);
}

extern "C" char* nl_langinfo_l(nl_item item, locale_t loc)
{
    if (faults.radix != nullptr && item == RADIXCHAR) return const_cast<char*>(faults.radix);
    static auto real = next<char* (*)(nl_item, locale_t)>("nl_langinfo_l");
    return real(item, loc);
}

void* operator new(std::size_t n)
{
    if (allocations_left == 0) {
        allocations_left = -1;
        allocation_failed = true;
        throw std::bad_alloc();
    }
    if (allocations_left > 0) --allocations_left;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {
using nelvo::FileKind;
using nelvo::getuser_data;
using nelvo::RecordReader;
using nelvo::testing::TempDir;
using nelvo::testing::u16;
namespace error = nelvo::error;

// Every test leaves the system calls as it found them.
class FileFaults : public ::testing::Test {
protected:
    void TearDown() override { faults = {}; }

    // A file of `records` Sozvers records, record r filled with the byte r.
    std::u16string data_file(int records, const std::string& name = "sozvers.dat")
    {
        std::vector<unsigned char> bytes;
        for (int r = 1; r <= records; ++r) bytes.insert(bytes.end(), sozvers.size, static_cast<unsigned char>(r));
        return u16(dir_.write(name, bytes));
    }

    const nelvo::records::Layout& sozvers = nelvo::layout_for(FileKind::Sozvers, u"");
    TempDir dir_;
};

// The open's errno as the caller's run-time error, for the typed reader and
// the Automation members alike.
TEST_F(FileFaults, OpenFailuresBecomeTheirRuntimeErrors)
{
    const struct {
        int errno_value;
        std::int32_t error;
    } cases[] = {
        {EACCES, error::permission_denied}, {EPERM, error::permission_denied},   {ETXTBSY, error::permission_denied},
        {ENAMETOOLONG, error::bad_file_name}, {EINVAL, error::bad_file_name},    {EILSEQ, error::bad_file_name},
        {EISDIR, error::path_file_access},  {ENXIO, error::path_file_access},    {ENODEV, error::path_file_access},
        {ELOOP, error::path_file_access},   {EOVERFLOW, error::path_file_access}, {EOPNOTSUPP, error::path_file_access},
        {EMFILE, error::too_many_files},    {ENFILE, error::too_many_files},     {ENOTDIR, error::path_not_found},
        {EIO, error::device_io},            {ENOSPC, error::device_io},
    };
    const auto path = data_file(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errno_value);
        faults.open = {{c.errno_value}};
        auto reader = RecordReader::open(FileKind::Sozvers, path);
        ASSERT_FALSE(reader);
        EXPECT_EQ(reader.error().number, c.error);

        getuser_data o;
        faults.open = {{c.errno_value}};
        auto count = o.getSOZVERSsatzanzahl(path);
        ASSERT_FALSE(count);
        EXPECT_EQ(count.error().number, c.error);
        faults.open = {{c.errno_value}};
        auto text = o.SOZVERSdatensatz_holen(path, 1);
        ASSERT_FALSE(text);
        EXPECT_EQ(text.error().number, c.error);
    }
}

// A failed fstat, when opening or when sizing, is an I/O error; a size that
// counts more records than a Long holds overflows; an interrupted open is
// repeated.
TEST_F(FileFaults, SizeFailuresAndInterruptedOpens)
{
    const auto path = data_file(3);
    getuser_data o;

    faults.fstat = {{EIO}};
    auto opened = RecordReader::open(FileKind::Sozvers, path);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().number, error::device_io);

    auto reader = RecordReader::open(FileKind::Sozvers, path);
    ASSERT_TRUE(reader);
    faults.fstat = {{EIO}};
    auto failed_count = reader->count();
    ASSERT_FALSE(failed_count);
    EXPECT_EQ(failed_count.error().number, error::device_io);
    faults.fstat = {{EIO}};
    auto size = reader->size();
    ASSERT_FALSE(size);
    EXPECT_EQ(size.error().number, error::device_io);
    EXPECT_EQ(*reader->count(), 3);

    // Open's own fstat passes; the member's count meets the failure.
    faults.fstat = {{}, {EIO}};
    auto count = o.getSOZVERSsatzanzahl(path);
    ASSERT_FALSE(count);
    EXPECT_EQ(count.error().number, error::device_io);
    faults.fstat = {{}, {EIO}};
    std::int32_t last = 3;
    auto range = o.tarife_holen(path, 1, last);
    ASSERT_FALSE(range);
    EXPECT_EQ(range.error().number, error::device_io);

    faults.fstat_size = std::int64_t{sozvers.size} * (std::int64_t{INT32_MAX} + 1);
    auto huge = o.getSOZVERSsatzanzahl(path);
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error().number, error::overflow);
    faults.fstat_size = -1;

    faults.open = {{EINTR}, {EINTR}};
    auto count_after_interrupts = o.getSOZVERSsatzanzahl(path);
    ASSERT_TRUE(count_after_interrupts);
    EXPECT_EQ(*count_after_interrupts, 3);
}

// Reads: an I/O error fails the call; interrupted and short reads are
// continued; a read the file layer cannot address reads as zeros, like
// a record beyond the end.
TEST_F(FileFaults, ReadFailuresAndPartialReads)
{
    const auto path = data_file(2);
    getuser_data o;
    o.decimal_separator(u",");
    const auto second = o.SOZVERSdatensatz_holen(path, 2);
    // Record 2 of a file that ends before it: zeros.
    const auto beyond = o.SOZVERSdatensatz_holen(data_file(1, "short.dat"), 2);
    ASSERT_TRUE(second && beyond);
    ASSERT_NE(*second, *beyond);

    const struct {
        const char* what;
        std::vector<Step> script;
        const std::u16string* text;  // null: fails with a device I/O error
    } cases[] = {
        {"I/O error", {{EIO}}, nullptr},
        {"I/O error after a short read", {{0, 100}, {EIO}}, nullptr},
        {"interrupted", {{EINTR}, {EINTR}}, &*second},
        {"short reads", {{0, 1}, {0, 7}, {0, 300}}, &*second},
        {"offset beyond the file layer", {{EINVAL}}, &*beyond},
        {"size beyond the file layer", {{EOVERFLOW}}, &*beyond},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        faults.pread = c.script;
        auto text = o.SOZVERSdatensatz_holen(path, 2);
        if (c.text == nullptr) {
            ASSERT_FALSE(text);
            EXPECT_EQ(text.error().number, error::device_io);
        } else {
            ASSERT_TRUE(text);
            EXPECT_EQ(*text, *c.text);
        }

        auto reader = RecordReader::open(FileKind::Sozvers, path);
        ASSERT_TRUE(reader);
        std::vector<unsigned char> record(sozvers.size, 0xEE);
        faults.pread = c.script;
        auto read = reader->read(2, 1, record.data());
        if (c.text == nullptr) {
            ASSERT_FALSE(read.ok());
            EXPECT_EQ(read.error().number, error::device_io);
        } else {
            EXPECT_TRUE(read.ok());
            const unsigned char want = c.text == &*second ? 2 : 0;
            EXPECT_EQ(std::count(record.begin(), record.end(), want), static_cast<std::ptrdiff_t>(record.size()));
        }
    }

    // A tariff range fails when one of its chunks does.
    faults.pread = {{EIO}};
    std::int32_t last = 2;
    auto range = o.tarife_holen(path, 1, last);
    ASSERT_FALSE(range);
    EXPECT_EQ(range.error().number, error::device_io);
}

// The decimal separator when none is chosen: the user's, and "." when the
// locale cannot be read or names none.
TEST_F(FileFaults, UnreadableLocaleFallsBackToThePoint)
{
    std::vector<unsigned char> bytes(sozvers.size, 0);
    const auto field = std::find_if(sozvers.fields.begin(), sozvers.fields.end(),
                                    [](const auto& f) { return f.stored == nelvo::records::Stored::Currency; });
    ASSERT_NE(field, sozvers.fields.end());
    nelvo::testing::put_i64(bytes, field->offset, 15000);  // 1.5
    const auto path = u16(dir_.write("currency.dat", bytes));

    getuser_data chosen;
    chosen.decimal_separator(u"#");
    const auto marked = chosen.SOZVERSdatensatz_holen(path, 1);
    ASSERT_TRUE(marked);
    ASSERT_NE(marked->find(u"1#5"), std::u16string::npos);
    auto with = [&](char16_t sep) {
        auto t = *marked;
        std::replace(t.begin(), t.end(), u'#', sep);
        return t;
    };

    const struct {
        const char* what;
        bool newlocale_fails;
        const char* radix;
        char16_t separator;
    } cases[] = {
        {"no locale", true, nullptr, u'.'},
        {"empty radix", false, "", u'.'},
        {"comma", false, ",", u','},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        faults.newlocale_fails = c.newlocale_fails;
        faults.radix = c.radix;
        getuser_data o;
        auto text = o.SOZVERSdatensatz_holen(path, 1);
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, with(c.separator));
    }
}

// Memory that runs out while a record or a range is read and rendered:
// each call is repeated with its first, second, third ... allocation
// failing until one gets through. A failed run ends as "Out of memory" (or,
// before the work starts, std::bad_alloc to a C++ caller), never as another
// error or a text; and the rendering itself is guarded.
TEST_F(FileFaults, AllocationFailuresAreOutOfMemory)
{
    const auto path = data_file(2);
    getuser_data o;
    o.decimal_separator(u",");
    std::int32_t last = 2;
    const auto whole_record = o.SOZVERSdatensatz_holen(path, 1);
    const auto whole_utf8 = o.record_text<char>(FileKind::Sozvers, path, 1);
    const auto whole_range = o.tarife_holen(path, 1, last);
    ASSERT_TRUE(whole_record && whole_utf8 && whole_range);

    // The outcome of one call: 0 the whole text, -1 a wrong text, else the
    // run-time error.
    auto outcome = [](const auto& got, const auto& whole) -> std::int32_t {
        if (!got) return got.error().number;
        return *got == *whole ? 0 : -1;
    };
    const struct {
        const char* what;
        std::function<std::int32_t()> call;
    } cases[] = {
        {"record", [&] { return outcome(o.SOZVERSdatensatz_holen(path, 1), whole_record); }},
        {"record in UTF-8",
         [&] { return outcome(o.record_text<char>(FileKind::Sozvers, path, 1), whole_utf8); }},
        {"tariff range",
         [&] {
             std::int32_t to = 2;
             return outcome(o.tarife_holen(path, 1, to), whole_range);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int out_of_memory = 0;
        for (long k = 0;; ++k) {
            ASSERT_LT(k, 1000) << "no run got through";
            allocations_left = k;
            allocation_failed = false;
            std::int32_t got = error::out_of_memory;
            bool thrown = false;
            try {
                got = c.call();
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            allocations_left = -1;
            if (!allocation_failed) {
                EXPECT_EQ(got, 0) << "run " << k << " without a failing allocation";
                break;
            }
            if (thrown) continue;
            if (got == 0) continue;  // the failing allocation was one the call could do without
            EXPECT_EQ(got, error::out_of_memory) << "run " << k << ": a wrong text or another error";
            ++out_of_memory;
        }
        EXPECT_GT(out_of_memory, 0) << "no failure reached the guard around the rendering";
    }
}

}  // namespace
