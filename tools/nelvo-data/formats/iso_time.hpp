// Times as the database and the workbook show them: ISO 8601 in UTC,
// "2025-06-30T14:05:09Z", which sorts as text and which SQLite's date
// functions read.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace nelvo::tool {

inline std::string iso_time(std::chrono::sys_seconds t)
{
    using namespace std::chrono;
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char s[40];
    std::snprintf(s, sizeof s, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return s;
}

inline std::string iso_time_now()
{
    return iso_time(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
}

}  // namespace nelvo::tool
