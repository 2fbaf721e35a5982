#include "nelvo-data/base/suggestions.hpp"

#include <algorithm>

#include "text/ascii_case.hpp"

namespace nelvo::tool::cli {
namespace {

std::size_t distance(std::string_view a, std::string_view b)
{
    // Optimal string alignment distance, rows of the usual table.
    std::vector<std::size_t> before(b.size() + 1), prev(b.size() + 1), cur(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) prev[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = text::ascii_lower(a[i - 1]) == text::ascii_lower(b[j - 1]);
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && text::ascii_lower(a[i - 1]) == text::ascii_lower(b[j - 2]) && text::ascii_lower(a[i - 2]) == text::ascii_lower(b[j - 1]))
                cur[j] = std::min(cur[j], before[j - 2] + 1);
        }
        before.swap(prev);
        prev.swap(cur);
    }
    return prev[b.size()];
}

}  // namespace

std::vector<std::string> closest(std::string_view word, const std::vector<std::string>& names, std::size_t n)
{
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const auto& name : names) scored.emplace_back(distance(word, name), name);
    std::stable_sort(scored.begin(), scored.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (std::size_t i = 0; i < scored.size() && i < n; ++i) out.push_back(scored[i].second);
    return out;
}

std::string either(const std::vector<std::string>& names)
{
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) s += i + 1 == names.size() ? " or " : ", ";
        s += names[i];
    }
    return s;
}

std::string unknown_name(std::string_view what, std::string_view word, const std::vector<std::string>& names)
{
    std::string w(what);
    w[0] = text::ascii_upper(w[0]);
    return "unknown " + std::string(what) + " '" + std::string(word) + "'; did you mean " + closest(word, names)[0] +
           "? " + w + "s: " + either(names);
}

}  // namespace nelvo::tool::cli
