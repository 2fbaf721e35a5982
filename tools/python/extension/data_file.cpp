#include "data_file.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>

#include <nelvo/records/stored.hpp>

#include "component/file_kind.hpp"
#include "nelvo-data/identify/layout_rule.hpp"
#include "nelvo-data/identify/verdict.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "sources.hpp"
#include "text/numbers.hpp"
#include "text/utf.hpp"

namespace nelvo::python {
namespace {

// Records read and decoded at a time: large enough that a read costs little
// per record, small enough to stay in the cache while it is taken apart.
constexpr std::size_t chunk_bytes = std::size_t{1} << 18;

std::string kind_names()
{
    std::string s;
    for (const auto& k : file_kinds) s += (s.empty() ? "" : ", ") + std::string(k.name);
    return s;
}

FileKind parse_kind(const std::string& name)
{
    auto k = file_kind_from_name(name);
    if (!k) throw py::value_error("unknown kind '" + name + "': one of " + kind_names());
    return *k;
}

PersonnelLayout parse_layout(FileKind kind, const std::optional<std::string>& layout)
{
    if (!layout) return PersonnelLayout::PathRule;
    if (kind != FileKind::User) throw py::value_error("layout= applies to kind 'user' only");
    if (*layout == "1920") return PersonnelLayout::Records1920;
    if (*layout == "1513") return PersonnelLayout::Records1513;
    throw py::value_error("layout must be '1920' or '1513', not '" + *layout + "'");
}

PersonnelLayout layout_of(const tool::Candidate& c)
{
    if (c.kind != FileKind::User) return PersonnelLayout::PathRule;
    return c.layout->size == 1920 ? PersonnelLayout::Records1920 : PersonnelLayout::Records1513;
}

// The one way of reading the bytes that fits, as identify judges them.
tool::Candidate identify(const tool::Sample& sample, const std::string& name, std::uint64_t size)
{
    Result<std::vector<tool::Evidence>> ranked = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        ranked = tool::rank_candidates(sample);
    }
    if (!ranked) raise_error(ranked.error());
    std::vector<const tool::Evidence*> fitting;
    for (const auto& e : *ranked)
        if (tool::verdict_of(e) == tool::Verdict::Fits) fitting.push_back(&e);
    if (fitting.size() == 1) return fitting.front()->candidate;
    std::string why = fitting.empty() ? "no kind fits" : "several fit: ";
    for (std::size_t i = 0; i < fitting.size(); ++i) why += (i ? ", " : "") + fitting[i]->candidate.name();
    throw py::value_error("cannot tell the kind of " + name + " from its bytes (" + why +
                          "); name it with kind= (and layout= for user):\n" +
                          tool::identify_report(name, size, *ranked));
}

// The double nearest the exact amount: one rounding where the scaled
// integer is exact as a double, the decimal text read back otherwise.
double currency_double(std::int64_t scaled)
{
    constexpr std::int64_t exact = std::int64_t{1} << 53;
    if (scaled >= -exact && scaled <= exact) return static_cast<double>(scaled) / 10000.0;
    char buf[text::max_currency_chars + 2];
    char* end = text::write_currency(buf, scaled, std::string_view("."));
    double v = 0;
    std::from_chars(buf, end, v);
    return v;
}

enum class Out : std::uint8_t { Copy16, Copy32, Copy64, Double, Text, Bytes, Decimal };

struct Target {
    const tool::Column* column;
    Out out;
    py::array array;
    unsigned char* data;
};

template <std::size_t W>
void copy_strided(unsigned char* dst, const unsigned char* src, std::size_t n, std::size_t stride) noexcept
{
    for (std::size_t i = 0; i < n; ++i) std::memcpy(dst + i * W, src + i * stride, W);
}

// The numbers of `n` records into rows row0.. of their arrays; no Python.
void decode_numbers(const std::vector<Target>& targets, const unsigned char* chunk, std::size_t n,
                    std::size_t size, std::size_t row0) noexcept
{
    for (const Target& t : targets) {
        const unsigned char* src = chunk + t.column->offset;
        switch (t.out) {
        case Out::Copy16: copy_strided<2>(t.data + row0 * 2, src, n, size); break;
        case Out::Copy32: copy_strided<4>(t.data + row0 * 4, src, n, size); break;
        case Out::Copy64: copy_strided<8>(t.data + row0 * 8, src, n, size); break;
        case Out::Double: {
            auto* d = reinterpret_cast<double*>(t.data) + row0;
            for (std::size_t i = 0; i < n; ++i) d[i] = currency_double(records::load<std::int64_t>(src + i * size));
            break;
        }
        default: break;
        }
    }
}

// Texts repeat down a column (blanks, codes, a department's name): equal
// texts share one immutable object, found by a few bytes' hash among the
// column's recent ones. It saves the object and its memory per record.
class TextCache {
public:
    TextCache() = default;
    TextCache(const TextCache&) = delete;
    TextCache& operator=(const TextCache&) = delete;
    ~TextCache()
    {
        for (PyObject* o : slots_) Py_XDECREF(o);
    }

    // A new reference to the str (Latin-1 alike bytes) or bytes object of
    // `t`, from the cache or made and kept.
    PyObject* get(std::string_view t, bool as_bytes)
    {
        PyObject*& slot = slots_[hash(t)];
        if (slot != nullptr && same(slot, t, as_bytes)) {
            Py_INCREF(slot);
            return slot;
        }
        PyObject* o = as_bytes ? PyBytes_FromStringAndSize(t.data(), static_cast<Py_ssize_t>(t.size()))
                               : PyUnicode_FromKindAndData(PyUnicode_1BYTE_KIND, t.data(),
                                                           static_cast<Py_ssize_t>(t.size()));
        if (o == nullptr) return nullptr;
        Py_XDECREF(slot);
        Py_INCREF(o);
        slot = o;
        return o;
    }

private:
    static constexpr std::size_t slots = 64;  // hash() gives 6 bits

    // The first and last eight bytes and the length, one multiply each;
    // the top bits of the products pick the slot.
    static std::size_t hash(std::string_view t)
    {
        const std::size_t n = t.size();
        std::uint64_t head = 0, tail = 0;
        std::memcpy(&head, t.data(), std::min<std::size_t>(n, 8));
        if (n > 8) std::memcpy(&tail, t.data() + n - 8, 8);
        const std::uint64_t h =
            head * 0x9E3779B97F4A7C15ull ^ tail * 0xC2B2AE3D27D4EB4Full ^ n * 0x165667B19E3779F9ull;
        return static_cast<std::size_t>(h >> 58);
    }

    static bool same(PyObject* o, std::string_view t, bool as_bytes)
    {
        if (as_bytes)
            return static_cast<std::size_t>(PyBytes_GET_SIZE(o)) == t.size() &&
                   std::memcmp(PyBytes_AS_STRING(o), t.data(), t.size()) == 0;
        return PyUnicode_KIND(o) == PyUnicode_1BYTE_KIND && static_cast<std::size_t>(PyUnicode_GET_LENGTH(o)) == t.size() &&
               std::memcmp(PyUnicode_1BYTE_DATA(o), t.data(), t.size()) == 0;
    }

    PyObject* slots_[slots] = {};
};

// Value::trimmed_bytes eight bytes at a time: texts are mostly padding.
std::string_view trimmed(std::string_view s)
{
    constexpr std::uint64_t spaces = 0x2020202020202020ull;
    const char* b = s.data();
    const char* e = b + s.size();
    while (e - b >= 8 && records::load<std::uint64_t>(reinterpret_cast<const unsigned char*>(e - 8)) == spaces) e -= 8;
    while (e != b && e[-1] == ' ') --e;
    while (e - b >= 8 && records::load<std::uint64_t>(reinterpret_cast<const unsigned char*>(b)) == spaces) b += 8;
    while (b != e && *b == ' ') ++b;
    return {b, static_cast<std::size_t>(e - b)};
}

// A text as the CSV shows it: spaces trimmed, decoded from Windows-1252.
// Bytes below 0x80 and from 0xA0 are the same characters in Latin-1, so
// most texts become a str without a decoding step.
PyObject* text_object(const Value& v, PyObject* empty, TextCache& cache)
{
    const std::string_view t = trimmed(v.text_bytes());
    if (t.empty()) {
        Py_INCREF(empty);
        return empty;
    }
    const bool c1 = std::any_of(t.begin(), t.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x80 && b < 0xA0;
    });
    if (!c1) return cache.get(t, false);
    std::u16string wide(t.size(), u'\0');
    const char16_t* end = decode_text(t, wide.data());
    return PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, wide.data(), end - wide.data());
}

void put(PyObject** slot, PyObject* o)
{
    if (o == nullptr) throw py::error_already_set();
    PyObject* old = *slot;
    *slot = o;
    Py_XDECREF(old);
}

// The objects of `n` records: texts, raw bytes, exact amounts. With the GIL.
void make_objects(const std::vector<Target>& targets, std::vector<TextCache>& caches, const unsigned char* chunk,
                  std::size_t n, std::size_t size, std::size_t row0, const py::object& decimal, const py::str& empty)
{
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const Target& t = targets[k];
        if (t.out != Out::Text && t.out != Out::Bytes && t.out != Out::Decimal) continue;
        auto** slots = reinterpret_cast<PyObject**>(t.data) + row0;
        const records::Field& f = *t.column->field;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char* p = chunk + i * size + t.column->offset;
            switch (t.out) {
            case Out::Text: put(slots + i, text_object(Value(f, p), empty.ptr(), caches[k])); break;
            case Out::Bytes:
                put(slots + i, caches[k].get({reinterpret_cast<const char*>(p), f.element_width}, true));
                break;
            case Out::Decimal: {
                char buf[text::max_currency_chars + 2];
                char* end = text::write_currency(buf, records::load<std::int64_t>(p), std::string_view("."));
                put(slots + i, decimal(py::str(buf, static_cast<std::size_t>(end - buf))).release().ptr());
                break;
            }
            default: break;
            }
        }
    }
}

Target make_target(const tool::Column& c, std::size_t n, Currency currency, bool raw_text)
{
    auto numeric = [&](py::dtype dt, Out out) {
        py::array a(dt, std::vector<py::ssize_t>{static_cast<py::ssize_t>(n)});
        return Target{&c, out, a, static_cast<unsigned char*>(a.mutable_data())};
    };
    switch (c.field->stored) {
    case records::Stored::Int16:
    case records::Stored::Bool16: return numeric(py::dtype::of<std::int16_t>(), Out::Copy16);
    case records::Stored::Int32: return numeric(py::dtype::of<std::int32_t>(), Out::Copy32);
    case records::Stored::Single: return numeric(py::dtype::of<float>(), Out::Copy32);
    case records::Stored::Currency:
        switch (currency) {
        case Currency::Float: return numeric(py::dtype::of<double>(), Out::Double);
        case Currency::Scaled: return numeric(py::dtype::of<std::int64_t>(), Out::Copy64);
        case Currency::Decimal: return numeric(py::dtype("O"), Out::Decimal);
        }
        break;
    case records::Stored::Text: return numeric(py::dtype("O"), raw_text ? Out::Bytes : Out::Text);
    }
    throw std::logic_error("stored type");
}

}  // namespace

void raise_error(RuntimeError e, const std::string& more)
{
    std::string message(e.description());
    if (!more.empty()) message += " (" + more + ")";
    throw Failure(e.number, message);
}

DataFile::DataFile(std::shared_ptr<RecordReader> reader, const StreamSource* stream)
    : reader_(std::move(reader)), stream_(stream), kind_(reader_->kind()), layout_(&reader_->layout()),
      columns_(tool::columns_of(*layout_))
{
}

DataFile DataFile::open_path(const std::string& path, const std::optional<std::string>& kind_name,
                             const std::optional<std::string>& layout)
{
    FileKind kind{};
    PersonnelLayout personnel = PersonnelLayout::PathRule;
    if (kind_name) {
        kind = parse_kind(*kind_name);
        personnel = parse_layout(kind, layout);
    } else {
        if (layout) throw py::value_error("layout= needs kind='user'");
        // Opened as any kind: the sample reads bytes, whatever the layout.
        Result<RecordReader> file = RuntimeError{error::device_io};
        std::uint64_t size = 0;
        Status failed;
        {
            py::gil_scoped_release nogil;
            file = RecordReader::open(FileKind::Tarif, std::string_view(path));
            if (!file) failed = file.error();
            if (failed) {
                auto n = file->size();
                if (n) size = *n;
                else failed = n.error();
            }
        }
        if (!failed) raise_error(failed.error());
        const tool::Candidate c = identify(tool::Sample::of_file(*file, size), path, size);
        kind = c.kind;
        personnel = layout_of(c);
    }
    Result<RecordReader> r = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        r = RecordReader::open(kind, std::string_view(path), personnel);
    }
    if (!r) raise_error(r.error());
    DataFile f(std::make_shared<RecordReader>(std::move(*r)), nullptr);
    if (kind_name && !layout) f.note_ = tool::layout_rule_note(kind, path);
    return f;
}

DataFile DataFile::open_object(py::object source, bool stream, const std::optional<std::string>& kind_name,
                               const std::optional<std::string>& layout)
{
    std::unique_ptr<ByteSource> bytes;
    StreamSource* s = nullptr;
    if (stream) {
        auto owned = std::make_unique<StreamSource>(std::move(source));
        s = owned.get();
        bytes = std::move(owned);
    } else {
        bytes = std::make_unique<BufferSource>(source);
    }
    auto failed = [&](const char* what) { raise_error(RuntimeError{error::device_io}, s ? s->last_failure() : what); };
    FileKind kind{};
    PersonnelLayout personnel = PersonnelLayout::PathRule;
    if (kind_name) {
        kind = parse_kind(*kind_name);
        personnel = parse_layout(kind, layout);
        if (kind == FileKind::User && !layout)
            throw py::value_error("personnel records from bytes or a file object need layout='1920' or '1513' "
                                  "(the layout rule reads a path)");
    } else {
        if (layout) throw py::value_error("layout= needs kind='user'");
        std::uint64_t size = 0;
        bool sized = false;
        {
            py::gil_scoped_release nogil;
            sized = bytes->size(size);
        }
        if (!sized) failed("size");
        tool::Sample sample;
        sample.size = size;
        sample.readable = size;
        const ByteSource* b = bytes.get();
        sample.read = [b](std::int64_t number, std::uint32_t length, unsigned char* out) -> Status {
            if (!b->read_at(static_cast<std::uint64_t>(number - 1) * length, out, length))
                return RuntimeError{error::device_io};
            return {};
        };
        const tool::Candidate c = identify(sample, stream ? "the file object" : "the bytes", size);
        kind = c.kind;
        personnel = layout_of(c);
    }
    const records::Layout& l = layout_for(kind, u"", personnel);
    auto reader = std::make_shared<RecordReader>(RecordReader::over(kind, l, std::move(bytes)));
    return DataFile(std::move(reader), s);
}

std::shared_ptr<RecordReader> DataFile::open_reader() const
{
    if (!reader_) throw py::value_error("the data file is closed");
    return reader_;
}

void DataFile::raise(RuntimeError e, const std::string& more) const
{
    raise_error(e, stream_ && more.empty() && e.number == error::device_io ? stream_->last_failure() : more);
}

std::int32_t DataFile::count() const
{
    auto r = open_reader();
    Result<std::int32_t> n = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        n = r->count();
    }
    if (!n) raise(n.error());
    return *n;
}

std::uint64_t DataFile::size() const
{
    auto r = open_reader();
    Result<std::uint64_t> n = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        n = r->size();
    }
    if (!n) raise(n.error());
    return *n;
}

void DataFile::check_record(const RecordReader&, std::int64_t n) const
{
    if (n < 1) throw py::index_error("record numbers start at 1, not " + std::to_string(n));
    const std::int32_t c = count();
    if (n > c)
        throw py::index_error("record " + std::to_string(n) + " is past the end: the file has " + std::to_string(c) +
                              (c == 1 ? " record" : " records"));
}

std::string DataFile::record_text(std::int64_t n, const std::optional<std::string>& decimal_separator) const
{
    auto r = open_reader();
    check_record(*r, n);
    const records::Layout& l = r->layout();
    std::vector<unsigned char> record(l.size);
    Status failed;
    {
        py::gil_scoped_release nogil;
        failed = r->read(n, 1, record.data());
    }
    if (!failed.ok()) raise(failed.error());
    // The separator as the class chooses it: only looked up where a value needs it.
    std::string separator;
    if (records::uses_separator(l))
        separator = decimal_separator ? *decimal_separator : text::utf16_to_utf8(platform::user_decimal_separator());
    const text::Style<char> style{separator, platform::system_ansi_decoder()};
    std::string out;
    {
        text::Sink<char> sink(out);
        records::render(l, record.data(), static_cast<std::int32_t>(n),
                        kind_ == FileKind::Tarif ? records::LineForm::Bare : records::LineForm::Described, style,
                        sink);
    }
    return out;
}

py::bytes DataFile::raw(std::int64_t n) const
{
    auto r = open_reader();
    check_record(*r, n);
    std::string record(r->layout().size, '\0');
    Status failed;
    {
        py::gil_scoped_release nogil;
        failed = r->read(n, 1, reinterpret_cast<unsigned char*>(record.data()));
    }
    if (!failed.ok()) raise(failed.error());
    return py::bytes(record);
}

py::dict DataFile::to_numpy(const std::optional<std::vector<std::string>>& names, std::int64_t first,
                            std::optional<std::int64_t> last, Currency currency, bool raw_text) const
{
    auto r = open_reader();
    // The columns asked for: element names, or field names for all their elements.
    std::vector<const tool::Column*> chosen;
    if (!names) {
        for (const auto& c : columns_) chosen.push_back(&c);
    } else {
        for (const auto& name : *names) {
            const auto before = chosen.size();
            for (const auto& c : columns_)
                if (c.name == name) chosen.push_back(&c);
            if (chosen.size() == before)
                for (const auto& c : columns_)
                    if (c.field->name() == name) chosen.push_back(&c);
            if (chosen.size() == before)
                throw py::key_error(std::string(layout_->record) + " has no column or field '" + name + "'");
        }
        for (std::size_t i = 0; i < chosen.size(); ++i)
            if (std::find(chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(i), chosen[i]) !=
                chosen.begin() + static_cast<std::ptrdiff_t>(i))
                throw py::value_error("column '" + chosen[i]->name + "' is asked for twice");
    }

    if (first < 1) throw py::value_error("first must be 1 or more, not " + std::to_string(first));
    Result<std::int32_t> counted = RuntimeError{error::device_io};
    Result<std::uint64_t> size_at_start = RuntimeError{error::device_io};
    {
        py::gil_scoped_release nogil;
        size_at_start = r->size();
        if (size_at_start) counted = r->count();
    }
    if (!size_at_start) raise(size_at_start.error());
    if (!counted) raise(counted.error());
    const std::int64_t count = *counted;
    const std::int64_t end = last ? *last : count;
    if (end < first - 1)
        throw py::value_error("last (" + std::to_string(end) + ") lies before first (" + std::to_string(first) + ")");
    if (end > count)
        throw py::index_error("record " + std::to_string(end) + " is past the end: the file has " +
                              std::to_string(count) + (count == 1 ? " record" : " records"));
    const auto n = static_cast<std::size_t>(end - first + 1);

    std::vector<Target> targets;
    targets.reserve(chosen.size());
    bool objects = false;
    for (const tool::Column* c : chosen) {
        targets.push_back(make_target(*c, n, currency, raw_text));
        objects = objects || targets.back().out == Out::Text || targets.back().out == Out::Bytes ||
                  targets.back().out == Out::Decimal;
    }
    py::object decimal = py::none();
    if (currency == Currency::Decimal) decimal = py::module_::import("decimal").attr("Decimal");
    const py::str empty("");
    std::vector<TextCache> caches(objects ? targets.size() : 0);

    const std::size_t size = layout_->size;
    const std::size_t per_chunk = std::max<std::size_t>(1, chunk_bytes / size);
    std::vector<unsigned char> chunk(std::min(per_chunk, std::max<std::size_t>(n, 1)) * size);
    Status failed;
    bool shrank = false;
    std::uint64_t shrunk_to = 0;
    // Reads and decodes the records done.. of the next chunk, without Python.
    auto next_chunk = [&](std::size_t done, std::size_t k) {
        const std::int64_t at = first + static_cast<std::int64_t>(done);
        failed = r->read(at, k, chunk.data());
        if (!failed.ok()) return false;
        // A file cut short while it is read would leave zeros where
        // records were counted: refused, not passed off as data.
        auto now = r->size();
        if (!now) {
            failed = now.error();
            return false;
        }
        const std::uint64_t chunk_end = static_cast<std::uint64_t>(at - 1 + static_cast<std::int64_t>(k)) * size;
        if (*now < std::min(chunk_end, *size_at_start)) {
            shrank = true;
            shrunk_to = *now;
            failed = RuntimeError{error::device_io};
            return false;
        }
        decode_numbers(targets, chunk.data(), k, size, done);
        return true;
    };
    auto raise_failure = [&] {
        if (shrank)
            raise_error(failed.error(), "the file shrank from " + std::to_string(*size_at_start) + " to " +
                                     std::to_string(shrunk_to) + " bytes while it was read");
        if (!failed.ok()) raise(failed.error());
    };
    if (!objects) {
        // Numbers only: the whole range without the GIL, so other threads
        // never wait for this one, nor this one for them, between chunks.
        {
            py::gil_scoped_release nogil;
            for (std::size_t done = 0; done < n;) {
                const std::size_t k = std::min(per_chunk, n - done);
                if (!next_chunk(done, k)) break;
                done += k;
            }
        }
        raise_failure();
    } else {
        for (std::size_t done = 0; done < n;) {
            const std::size_t k = std::min(per_chunk, n - done);
            bool ok = false;
            {
                py::gil_scoped_release nogil;
                ok = next_chunk(done, k);
            }
            if (!ok) raise_failure();
            make_objects(targets, caches, chunk.data(), k, size, done, decimal, empty);
            done += k;
        }
    }

    py::dict out;
    for (const Target& t : targets) out[py::str(t.column->name)] = t.array;
    return out;
}

}  // namespace nelvo::python
