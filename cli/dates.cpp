#include "dates.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace vordex::cli {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// 1970-01-05 was a Monday: week ordinals count Mondays from there.
constexpr std::int64_t kFirstMonday = 4;

// The value of the digits s spells (no sign), or nothing.
std::optional<std::int64_t> Digits(std::string_view s) {
  if (s.empty() || s.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.front() == '-' || s.front() == '+')
    return std::nullopt;
  return value;
}

std::int64_t DayOrdinal(int y, unsigned m, unsigned d) {
  return sys_days(year_month_day{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}})
      .time_since_epoch()
      .count();
}

year_month_day DayOf(std::int64_t ordinal) {
  return year_month_day{sys_days{days{ordinal}}};
}

// The day ordinal of the Monday of ISO week 1 of year y: the week holding 4 January.
std::int64_t IsoWeekOne(int y) {
  const std::int64_t jan4 = DayOrdinal(y, 1, 4);
  const std::int64_t weekday = ((jan4 - kFirstMonday) % 7 + 7) % 7;  // 0 for Monday
  return jan4 - weekday;
}

// The ISO year of the week starting on Monday `monday`: the year of its Thursday.
int IsoYear(std::int64_t monday) {
  return static_cast<int>(DayOf(monday + 3).year());
}

std::string Pad(std::int64_t value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
  return buffer;
}

// Floor division: months and quarters of years before year 0 stay consistent.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

std::optional<Time> ParseTime(std::string_view cell) {
  if (cell.empty()) return std::nullopt;
  bool negative = cell.front() == '-';
  if (negative || cell.front() == '+') {
    // A signed cell can only be a count.
    const auto v = Digits(cell.substr(1));
    if (!v) return std::nullopt;
    return Time{Calendar::kCount, negative ? -*v : *v};
  }
  if (const auto count = Digits(cell)) return Time{Calendar::kCount, *count};
  // Every date form starts with a four-digit year and a dash.
  if (cell.size() < 7 || cell[4] != '-') return std::nullopt;
  const auto year = Digits(cell.substr(0, 4));
  if (!year) return std::nullopt;
  const int y = static_cast<int>(*year);
  const std::string_view rest = cell.substr(5);
  if (rest.size() == 2 && (rest[0] == 'Q' || rest[0] == 'q')) {
    const auto q = Digits(rest.substr(1));
    if (!q || *q < 1 || *q > 4) return std::nullopt;
    return Time{Calendar::kQuarter, *year * 4 + (*q - 1)};
  }
  if (rest.size() == 3 && (rest[0] == 'W' || rest[0] == 'w')) {
    const auto w = Digits(rest.substr(1));
    if (!w || *w < 1) return std::nullopt;
    const std::int64_t monday = IsoWeekOne(y) + (*w - 1) * 7;
    if (IsoYear(monday) != y) return std::nullopt;  // week 53 of a 52-week year
    return Time{Calendar::kWeek, (monday - kFirstMonday) / 7};
  }
  const auto month = Digits(rest.substr(0, 2));
  if (!month || *month < 1 || *month > 12) return std::nullopt;
  if (rest.size() == 2) return Time{Calendar::kMonth, *year * 12 + (*month - 1)};
  // An hour: "HH:00" or "HH:00:00" after the date and a blank or a T.
  std::optional<std::int64_t> hour;
  bool half = false;
  if (rest.size() > 5 && (rest[5] == ' ' || rest[5] == 'T')) {
    const std::string_view clock = rest.substr(6);
    if ((clock.size() != 5 && clock.size() != 8) || clock[2] != ':' ||
        (clock.substr(3, 2) != "00" && clock.substr(3, 2) != "30") ||
        (clock.size() == 8 && clock.substr(5) != ":00"))
      return std::nullopt;
    hour = Digits(clock.substr(0, 2));
    if (!hour || *hour > 23) return std::nullopt;
    half = clock.substr(3, 2) == "30";
  }
  if ((rest.size() != 5 && !hour) || rest[2] != '-') return std::nullopt;
  const auto day = Digits(rest.substr(3, 2));
  if (!day) return std::nullopt;
  const year_month_day date{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(*month)},
                            std::chrono::day{static_cast<unsigned>(*day)}};
  if (!date.ok()) return std::nullopt;
  const std::int64_t ordinal = sys_days(date).time_since_epoch().count();
  if (half) return Time{Calendar::kHalfHour, 48 * ordinal + 2 * *hour + 1};
  if (hour) return Time{Calendar::kHour, 24 * ordinal + *hour};
  return Time{Calendar::kDay, ordinal};
}

std::string FormatTime(const Time& time) {
  switch (time.calendar) {
    case Calendar::kCount:
      return std::to_string(time.ordinal);
    case Calendar::kQuarter:
      return Pad(FloorDiv(time.ordinal, 4), 4) + "-Q" +
             std::to_string(time.ordinal - 4 * FloorDiv(time.ordinal, 4) + 1);
    case Calendar::kMonth:
      return Pad(FloorDiv(time.ordinal, 12), 4) + "-" +
             Pad(time.ordinal - 12 * FloorDiv(time.ordinal, 12) + 1, 2);
    case Calendar::kWeek: {
      const std::int64_t monday = kFirstMonday + 7 * time.ordinal;
      const int y = IsoYear(monday);
      return Pad(y, 4) + "-W" + Pad((monday - IsoWeekOne(y)) / 7 + 1, 2);
    }
    case Calendar::kDay: {
      const year_month_day date = DayOf(time.ordinal);
      return Pad(static_cast<int>(date.year()), 4) + "-" +
             Pad(static_cast<unsigned>(date.month()), 2) + "-" +
             Pad(static_cast<unsigned>(date.day()), 2);
    }
    case Calendar::kHour: {
      const std::int64_t day = FloorDiv(time.ordinal, 24);
      return FormatTime(Time{Calendar::kDay, day}) + " " + Pad(time.ordinal - 24 * day, 2) + ":00";
    }
    case Calendar::kHalfHour: {
      const std::int64_t day = FloorDiv(time.ordinal, 48);
      const std::int64_t half = time.ordinal - 48 * day;
      return FormatTime(Time{Calendar::kDay, day}) + " " + Pad(half / 2, 2) +
             (half % 2 == 0 ? ":00" : ":30");
    }
  }
  return {};
}

Time OnClockOf(const Time& time, Calendar calendar) {
  if (time.calendar == Calendar::kHour && calendar == Calendar::kHalfHour)
    return Time{Calendar::kHalfHour, 2 * time.ordinal};
  return time;
}

int CalendarPeriod(Calendar calendar) {
  switch (calendar) {
    case Calendar::kQuarter:
      return 4;
    case Calendar::kMonth:
      return 12;
    case Calendar::kDay:
      return 7;
    case Calendar::kHour:
      return 24;
    case Calendar::kHalfHour:
      return 48;
    case Calendar::kCount:
    case Calendar::kWeek:
      return 1;
  }
  return 1;
}

const char* CalendarName(Calendar calendar) {
  switch (calendar) {
    case Calendar::kCount:
      return "count";
    case Calendar::kQuarter:
      return "quarter";
    case Calendar::kMonth:
      return "month";
    case Calendar::kWeek:
      return "week";
    case Calendar::kDay:
      return "day";
    case Calendar::kHour:
      return "hour";
    case Calendar::kHalfHour:
      return "half-hour";
  }
  return "";
}

}  // namespace vordex::cli
