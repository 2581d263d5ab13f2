// Times of observations as the tool reads them from a time column, and the times that continue
// them into the forecasts.
#ifndef VORDEX_CLI_DATES_H
#define VORDEX_CLI_DATES_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vordex::cli {

// The forms a time cell may take. Each numbers its times by consecutive integers (ordinals), so
// that the next observation's time is the ordinal plus one.
enum class Calendar {
  kCount,     // an integer: a year (YYYY) or any other count
  kQuarter,   // YYYY-Qn
  kMonth,     // YYYY-MM
  kWeek,      // YYYY-Www, an ISO 8601 week
  kDay,       // YYYY-MM-DD
  kHour,      // YYYY-MM-DD HH:00 (or with a T, or with :00 seconds)
  kHalfHour,  // YYYY-MM-DD HH:30, and HH:00 among half-hours (see OnClockOf)
};

// A time: its calendar and ordinal (years and counts: the integer; quarters and months: counted
// from year 0; weeks and days: counted from 1970-01-05 and 1970-01-01; hours and half-hours from
// 1970-01-01 00:00).
struct Time {
  Calendar calendar = Calendar::kCount;
  std::int64_t ordinal = 0;
};

// The time that cell spells exactly (no blanks), or nothing. Dates must exist (2021-02-29 does
// not; neither does week 53 of a year with 52).
std::optional<Time> ParseTime(std::string_view cell);

// The cell that spells `time` (ParseTime's inverse).
std::string FormatTime(const Time& time);

// Hours and half-hours are one clock: a cell on the hour reads as an hour, and becomes a
// half-hour among half-hours. An hour `time` as a half-hour when `calendar` is the half-hours'
// (the hour h is the half-hour 2 h), else `time` unchanged.
Time OnClockOf(const Time& time, Calendar calendar);

// The seasonal period a calendar implies: 12 for months, 4 for quarters, 7 for days (the week),
// 24 for hours and 48 for half-hours (the day), and 1 for counts and weeks (a year of 52.18 weeks
// is beyond every method's period limit).
int CalendarPeriod(Calendar calendar);

// "count", "quarter", "month", "week", "day", "hour" or "half-hour".
const char* CalendarName(Calendar calendar);

// The forms ParseTime accepts, for messages.
inline constexpr const char* kTimeForms =
    "YYYY (or another integer), YYYY-Qn, YYYY-MM, YYYY-Www, YYYY-MM-DD, YYYY-MM-DD HH:00 or HH:30";

}  // namespace vordex::cli

#endif  // VORDEX_CLI_DATES_H
