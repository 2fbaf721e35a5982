#include "make-samples/synthesize.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "records/layout.hpp"
#include "text/ascii_case.hpp"

namespace nelvo::tool {
namespace {

// SplitMix64: small, fast and good enough for made-up data.
class Random {
public:
    explicit Random(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::int64_t between(std::int64_t lo, std::int64_t hi)  // inclusive
    {
        return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& a)
    {
        return a[next() % N];
    }

private:
    std::uint64_t s_;
};

// Words in Windows-1252 (\xE4 = ä, \xF6 = ö, \xFC = ü, \xDF = ß, \xDC = Ü).
constexpr std::array<std::string_view, 12> surnames = {
    "Mustermann", "Musterfrau", "Beispiel",    "Probst",     "M\xFC" "hlendemo", "Sch\xF6nprobe",
    "Exempel",    "Fiktiv",     "Platzhalter", "Demo",       "Stichprobe",      "Gro\xDF" "test",
};
constexpr std::array<std::string_view, 12> first_names = {
    "Erika", "Max", "J\xFCrgen", "Anna", "Lena", "Tom", "B\xE4rbel", "Otto", "Ida", "Paul", "Greta", "Kai",
};
constexpr std::array<std::string_view, 14> phrases = {
    "Erholungsurlaub",        "Dienstreise Musterstadt", "Fortbildung",        "Jahressonderzahlung",
    "Zulage Schichtdienst",   "\xDC" "berstunden Mai",   "Sonderurlaub",       "Krankheit mit Attest",
    "Stadtverwaltung Beispielstadt", "Kreisverwaltung Musterkreis", "AOK Musterland", "Betriebskrankenkasse Demo",
    "Entgeltgruppe 9a Stufe 3", "Tarifvertrag \xF6" "ffentlicher Dienst",
};

void put_text(unsigned char* p, std::size_t width, std::string_view s)
{
    std::memset(p, ' ', width);
    std::memcpy(p, s.data(), std::min(width, s.size()));
}

std::string lower(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = text::ascii_lower(c);
    return r;
}

bool has(const std::string& name, std::string_view part) { return name.find(part) != std::string::npos; }

std::string date(Random& rnd, int from_year, int to_year)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", static_cast<int>(rnd.between(1, 28)),
                  static_cast<int>(rnd.between(1, 12)), static_cast<int>(rnd.between(from_year, to_year)));
    return buf;
}

std::string digits(Random& rnd, std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('0' + rnd.between(0, 9));
    return s;
}

std::string some_text(Random& rnd, const std::string& name, std::size_t width, std::int64_t recno)
{
    if (has(name, "datum") || has(name, "tag") || has(name, "geburt") || (has(name, "aufstieg") && width == 10))
        return has(name, "geburt") ? date(rnd, 1960, 2004) : date(rnd, 2020, 2026);
    if (has(name, "iban")) return "DE" + digits(rnd, 20);
    if (has(name, "bic")) return "TESTDEFFXXX";
    if (has(name, "blz")) return digits(rnd, 8);
    if (has(name, "konto")) return digits(rnd, 10);
    if (has(name, "persnr")) return std::to_string(100000 + recno);
    if (has(name, "svnummer")) return digits(rnd, 6);
    if (width == 1) return std::string(1, "JN12 "[rnd.between(0, 4)]);
    if (width <= 8) return digits(rnd, static_cast<std::size_t>(rnd.between(1, static_cast<std::int64_t>(width))));
    if (width <= 12) return std::string(rnd.pick(surnames)).substr(0, width);
    if (width <= 30) return std::string(rnd.pick(first_names)) + " " + std::string(rnd.pick(surnames));
    return std::string(rnd.pick(phrases));
}

std::int64_t some_integer(Random& rnd, const std::string& name, bool wide)
{
    if (has(name, "monat") || name == "mon") return rnd.between(1, 12);
    if (has(name, "jahr") || has(name, "beginn")) return rnd.between(2005, 2026);
    if (has(name, "farbe")) return rnd.between(0, 15);
    if (has(name, "stunden")) return rnd.chance(40) ? 0 : rnd.between(1, 60);
    if (rnd.chance(35)) return 0;
    return wide ? rnd.between(1, 450000) : rnd.between(1, 99);
}

float leave_days(Random& rnd, const std::string& name)
{
    if (has(name, "tagewoche")) return rnd.chance(80) ? 5.0f : 4.5f;
    if (has(name, "zwölftel")) return static_cast<float>(rnd.between(0, 12)) / 12.0f;
    if (rnd.chance(25)) return 0.0f;
    return static_cast<float>(rnd.between(1, 60)) / 2.0f;
}

}  // namespace

void synthesize_record(const records::Layout& l, std::uint64_t seed, std::int64_t recno, unsigned char* record)
{
    Random rnd(seed * 0x100000001B3ull + static_cast<std::uint64_t>(recno));
    std::memset(record, 0, l.size);
    for (const auto& f : l.fields) {
        const std::string name = lower(f.name());
        // Arrays hold a few entries and blanks after them, as the payroll
        // application leaves unused slots.
        const std::uint32_t used = f.elements() == 1 ? 1 : static_cast<std::uint32_t>(rnd.between(1, f.elements()));
        std::uint32_t k = 0;
        for (std::uint32_t c = 0; c < f.columns; ++c)
            for (std::uint32_t r = 0; r < f.rows; ++r, ++k) {
                unsigned char* p = record + f.element_offset(r, c);
                const bool blank = k >= used;
                switch (f.stored) {
                case records::Stored::Text:
                    put_text(p, f.element_width, blank ? std::string() : some_text(rnd, name, f.element_width, recno));
                    break;
                case records::Stored::Int16: {
                    const auto v = static_cast<std::int16_t>(blank ? 0 : some_integer(rnd, name, false));
                    std::memcpy(p, &v, 2);
                    break;
                }
                case records::Stored::Int32: {
                    const auto v = static_cast<std::int32_t>(blank ? 0 : some_integer(rnd, name, true));
                    std::memcpy(p, &v, 4);
                    break;
                }
                case records::Stored::Bool16: {
                    const std::int16_t v = (!blank && rnd.chance(40)) ? -1 : 0;
                    std::memcpy(p, &v, 2);
                    break;
                }
                case records::Stored::Currency: {
                    // Amounts in euros and cents, stored in ten-thousandths.
                    std::int64_t v = blank || rnd.chance(30) ? 0 : rnd.between(0, 650000) * 100;
                    if (f.rendering == records::Rendering::CurrencyFlagText) v = rnd.chance(50) ? -10000 : 0;
                    std::memcpy(p, &v, 8);
                    break;
                }
                case records::Stored::Single: {
                    const float v = blank ? 0.0f : leave_days(rnd, name);
                    std::memcpy(p, &v, 4);
                    break;
                }
                }
            }
    }
}

}  // namespace nelvo::tool
