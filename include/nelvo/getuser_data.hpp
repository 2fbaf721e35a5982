// The component's class: the property `eigdat` and the seventeen members.
// Every member opens its file, does its work and closes it again on every
// path out, success or failure; nothing is ever created or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include <nelvo/file_kind.hpp>
#include <nelvo/runtime_error.hpp>

namespace nelvo {

using Text = std::u16string;  // an Automation-style UTF-16 string

class getuser_data {
public:
    // ---- property ----
    const Text& eigdat() const noexcept { return eigdat_; }
    void eigdat(Text value) { eigdat_ = std::move(value); }

    // ---- members, in the order the class declares them ----
    // Lowers `hssatzbis` to the record count when it is greater.
    Result<Text> tarife_holen(const Text& hsdatei, const std::int32_t& hssatzvon, std::int32_t& hssatzbis);
    Result<Text> userdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<Text> tarifsatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<std::int32_t> getsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getusersatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getJDAsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getBDAsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getZUSCHLAGsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getSOZVERSsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getURLAUBsatzanzahl(const Text& hsdatei);
    Result<std::int32_t> getKALENDERsatzanzahl(const Text& hsdatei);
    Result<Text> BDAdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<Text> JDAdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<Text> Zuschlägedatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    // The same under an ASCII name, for sources and tools that cannot spell "ä".
    Result<Text> Zuschlaegedatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz)
    {
        return Zuschlägedatensatz_holen(hsdatei, hssatz);
    }
    Result<Text> SOZVERSdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<Text> URLAUBdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);
    Result<Text> KALENDERdatensatz_holen(const Text& hsdatei, const std::int32_t& hssatz);

    // ---- the same work by file kind, in either output encoding ----
    // Char = char16_t renders UTF-16, Char = char renders UTF-8, straight.
    // For FileKind::Tarif this is tarifsatz_holen. For User, `personnel`
    // may name the layout outright instead of the rule on the path.
    template <class Char>
    Result<std::basic_string<Char>> record_text(FileKind kind, const Text& hsdatei, const std::int32_t& hssatz,
                                                PersonnelLayout personnel = PersonnelLayout::PathRule);
    template <class Char>
    Result<std::basic_string<Char>> tariff_range_text(const Text& hsdatei, const std::int32_t& hssatzvon,
                                                      std::int32_t& hssatzbis);
    Result<std::int32_t> count(FileKind kind, const Text& hsdatei);

    // The decimal separator of currency and single text. Unset (the default)
    // reads the user's setting at every call.
    void decimal_separator(std::optional<Text> separator) { separator_ = std::move(separator); }
    const std::optional<Text>& decimal_separator() const noexcept { return separator_; }

    // Longest text one call may return, in characters; a tariff range that
    // would be longer fails with "Out of memory" before it is rendered.
    static constexpr std::size_t max_text_chars = std::size_t{1} << 30;

private:
    Text eigdat_;
    std::optional<Text> separator_;
};

}  // namespace nelvo
