#include <nelvo/getuser_data.hpp>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

#include "component/file_kind.hpp"
#include "component/record_file.hpp"
#include "platform/locale.hpp"
#include "records/renderer.hpp"
#include "text/utf.hpp"

namespace nelvo {
namespace {

// The separator in the output encoding; only read from the user's settings
// when the layout renders currency or floats.
template <class Char>
std::basic_string<Char> separator_for(const records::Layout& l, const std::optional<Text>& chosen)
{
    if (!records::uses_separator(l)) return {};
    const Text sep = chosen ? *chosen : platform::user_decimal_separator();
    if constexpr (sizeof(Char) == 1) return text::utf16_to_utf8(sep);
    else return sep;
}

// Runs `work`, turning allocation failures into "Out of memory".
template <class T, class F>
Result<T> guarded(F&& work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return RuntimeError{error::out_of_memory};
    } catch (const std::length_error&) {
        return RuntimeError{error::out_of_memory};
    }
}

// Smallest text of one tariff line: "1;" 27 one-digit values, 26 ";", CR LF.
constexpr std::size_t min_tariff_line_chars = 2 + 27 + 26 + 2;
// Records read at once in a tariff range.
constexpr std::size_t tariff_chunk_records = 512;

}  // namespace

template <class Char>
Result<std::basic_string<Char>> getuser_data::record_text(FileKind kind, const Text& hsdatei,
                                                          const std::int32_t& hssatz, PersonnelLayout personnel)
{
    using String = std::basic_string<Char>;
    eigdat_ = hsdatei;
    const records::Layout& layout = layout_for(kind, hsdatei, personnel);
    RecordFile file;
    if (auto e = file.open(hsdatei); !e) return e.error();
    unsigned char record[records::largest_record];
    if (auto e = file.read(hssatz, layout.size, record); !e) return e.error();
    file = RecordFile{};  // closed before rendering: nothing else needs it

    return guarded<String>([&]() -> Result<String> {
        const String sep = separator_for<Char>(layout, separator_);
        const text::Style<Char> style{sep, platform::system_ansi_decoder()};
        String out;
        {
            text::Sink<Char> sink(out);
            records::render(layout, record, hssatz,
                            kind == FileKind::Tarif ? records::LineForm::Bare : records::LineForm::Described, style,
                            sink);
        }
        return out;
    });
}

template <class Char>
Result<std::basic_string<Char>> getuser_data::tariff_range_text(const Text& hsdatei, const std::int32_t& hssatzvon,
                                                                std::int32_t& hssatzbis)
{
    using String = std::basic_string<Char>;
    eigdat_ = hsdatei;
    const records::Layout& layout = records::personen2;
    RecordFile file;
    if (auto e = file.open(hsdatei); !e) return e.error();
    auto counted = file.count(layout.size);
    if (!counted) return counted.error();
    const std::int32_t count = *counted;
    if (count < hssatzbis) hssatzbis = count;
    if (count < 1) return String{};

    const std::int64_t first = hssatzvon;
    const std::int64_t last = hssatzbis;
    if (first > last) return String{};
    if (first < 1) return RuntimeError{error::bad_record_number};
    const auto records_wanted = static_cast<std::uint64_t>(last - first + 1);
    if (records_wanted > max_text_chars / min_tariff_line_chars) return RuntimeError{error::out_of_memory};

    return guarded<String>([&]() -> Result<String> {
        const text::Style<Char> style{{}, platform::system_ansi_decoder()};
        std::vector<unsigned char> chunk(tariff_chunk_records * layout.size);
        String out;
        {
            text::Sink<Char> sink(out);
            for (std::int64_t at = first; at <= last;) {
                const auto n = static_cast<std::size_t>(
                    std::min<std::int64_t>(last - at + 1, static_cast<std::int64_t>(tariff_chunk_records)));
                if (auto e = file.read(at, layout.size, chunk.data(), n); !e) return e.error();
                for (std::size_t i = 0; i < n; ++i, ++at)
                    records::render(layout, chunk.data() + i * layout.size, static_cast<std::int32_t>(at),
                                    records::LineForm::Numbered, style, sink);
                if (sink.size() > max_text_chars) return RuntimeError{error::out_of_memory};
            }
        }
        return out;
    });
}

Result<std::int32_t> getuser_data::count(FileKind kind, const Text& hsdatei)
{
    eigdat_ = hsdatei;
    const records::Layout& layout = layout_for(kind, hsdatei);
    RecordFile file;
    if (auto e = file.open(hsdatei); !e) return e.error();
    return file.count(layout.size);
}

template Result<std::string> getuser_data::record_text<char>(FileKind, const Text&, const std::int32_t&,
                                                             PersonnelLayout);
template Result<std::u16string> getuser_data::record_text<char16_t>(FileKind, const Text&, const std::int32_t&,
                                                                    PersonnelLayout);
template Result<std::string> getuser_data::tariff_range_text<char>(const Text&, const std::int32_t&, std::int32_t&);
template Result<std::u16string> getuser_data::tariff_range_text<char16_t>(const Text&, const std::int32_t&,
                                                                          std::int32_t&);

// ---- the named members ----

Result<Text> getuser_data::tarife_holen(const Text& hsdatei, const std::int32_t& hssatzvon, std::int32_t& hssatzbis)
{
    return tariff_range_text<char16_t>(hsdatei, hssatzvon, hssatzbis);
}
Result<Text> getuser_data::userdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::User, hsdatei, hssatz);
}
Result<Text> getuser_data::tarifsatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::Tarif, hsdatei, hssatz);
}
Result<std::int32_t> getuser_data::getsatzanzahl(const Text& hsdatei) { return count(FileKind::Tarif, hsdatei); }
Result<std::int32_t> getuser_data::getusersatzanzahl(const Text& hsdatei) { return count(FileKind::User, hsdatei); }
Result<std::int32_t> getuser_data::getJDAsatzanzahl(const Text& hsdatei) { return count(FileKind::JDA, hsdatei); }
Result<std::int32_t> getuser_data::getBDAsatzanzahl(const Text& hsdatei) { return count(FileKind::BDA, hsdatei); }
Result<std::int32_t> getuser_data::getZUSCHLAGsatzanzahl(const Text& hsdatei)
{
    return count(FileKind::Zuschlag, hsdatei);
}
Result<std::int32_t> getuser_data::getSOZVERSsatzanzahl(const Text& hsdatei)
{
    return count(FileKind::Sozvers, hsdatei);
}
Result<std::int32_t> getuser_data::getURLAUBsatzanzahl(const Text& hsdatei)
{
    return count(FileKind::Urlaub, hsdatei);
}
Result<std::int32_t> getuser_data::getKALENDERsatzanzahl(const Text& hsdatei)
{
    return count(FileKind::Kalender, hsdatei);
}
Result<Text> getuser_data::BDAdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::BDA, hsdatei, hssatz);
}
Result<Text> getuser_data::JDAdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::JDA, hsdatei, hssatz);
}
Result<Text> getuser_data::Zuschlägedatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::Zuschlag, hsdatei, hssatz);
}
Result<Text> getuser_data::SOZVERSdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::Sozvers, hsdatei, hssatz);
}
Result<Text> getuser_data::URLAUBdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::Urlaub, hsdatei, hssatz);
}
Result<Text> getuser_data::KALENDERdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
{
    return record_text<char16_t>(FileKind::Kalender, hsdatei, hssatz);
}

}  // namespace nelvo
