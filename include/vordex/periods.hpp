// The seasonal periods of a sampling interval: how many observations one cycle of the calendar
// holds (a day of hourly data, a year of weekly data), for the methods that take several periods.
#ifndef VORDEX_PERIODS_HPP
#define VORDEX_PERIODS_HPP

#include <vector>

#include "vordex/export.hpp"

namespace vordex {

// The time between two observations (names: names.hpp, "half_hourly", "hourly", ...).
enum class Interval : int {
  kHalfHourly = 0,
  kHourly = 1,
  kDaily = 2,
  kWeekly = 3,
  kMonthly = 4,
  kQuarterly = 5,
  kYearly = 6,
};

// The usual seasonal periods of data sampled at `interval`, ascending (Hyndman and
// Athanasopoulos, Forecasting: principles and practice, 3rd ed., sec. 2.1 and 12.1): half-hourly
// 48 (a day) and 336 (a week); hourly 24 and 168; daily 7 and 365.25 (a year of days); weekly
// 52.18 (365.25 / 7, rounded as R users write it); monthly 12; quarterly 4; yearly none. The last
// cycles of hourly and half-hourly data (8766 and 17532 for a year) are left out: a series rarely
// spans the two years a decomposition needs, and the methods drop a period with fewer than two
// cycles anyway. An interval outside the enumeration gives none.
VORDEX_CPP_API std::vector<double> SeasonalPeriods(Interval interval);

}  // namespace vordex

#endif  // VORDEX_PERIODS_HPP
