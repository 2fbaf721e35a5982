// Paths for Windows' file functions past MAX_PATH (260 characters, the
// terminating zero included): absolute and normalized, behind the prefix
// "\\?\" that lifts the limit. What the tool hands SQLite and
// libxlsxwriter goes through here; shorter paths, paths that have a prefix
// already, and every path on other systems stay as they are.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace nelvo::tool {

// Directories end 12 characters earlier (room for an 8.3 name inside).
inline constexpr std::size_t long_path_from = 260 - 12;

inline std::filesystem::path long_path(const std::filesystem::path& p)
{
#ifdef _WIN32
    std::wstring given = p.native();
    if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) return p;
    for (auto& c : given)
        if (c == L'/') c = L'\\';
    // The prefix turns off Windows' own clean-up of the name: no "." or
    // "..", no forward slashes.
    std::wstring full;
    if (given.starts_with(L"\\\\")) {  // \\server\share\...: absolute already
        if (given.size() < long_path_from) return p;
        full = L"UNC\\" + std::filesystem::path(given.substr(2)).lexically_normal().native();
    } else {
        if (given.size() < long_path_from && p.is_absolute()) return p;
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(p, ec);
        if (ec) return p;
        full = absolute.lexically_normal().make_preferred().native();
        if (full.size() < long_path_from) return p;
    }
    return std::filesystem::path(L"\\\\?\\" + full);
#else
    return p;
#endif
}

// The same for a path in UTF-8.
inline std::string long_path_utf8(const std::string& path)
{
#ifdef _WIN32
    const auto u = long_path(std::filesystem::u8path(path)).u8string();
    return {u.begin(), u.end()};
#else
    return path;
#endif
}

}  // namespace nelvo::tool
