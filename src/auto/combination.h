// The combination of several methods' forecasts into one.
#ifndef VORDEX_AUTO_COMBINATION_H
#define VORDEX_AUTO_COMBINATION_H

#include <span>
#include <vector>

#include "auto/outcome.h"
#include "vordex/forecast.hpp"

namespace vordex::automatic {

// One method's forecasts, limits (the same levels in the same order for every part) and fitted
// values over the same times.
struct Forecasts {
  std::vector<double> mean;
  std::vector<Limits> limits;
  std::vector<double> fitted;
};

// The equal-weight combination: forecasts and limits are the means, horizon by horizon, of the
// parts' (the limits of a combination have no closed form; the mean of the parts' limits is the
// rule of Hyndman's forecastHybrid with equal weights, and keeps each limit between the parts').
// A fitted value is the mean of the parts that have one at that time (NaN when none has).
// Fails when there is no part, when the parts' horizons, levels or fitted lengths differ, or when
// a forecast or limit is not finite.
Outcome<Forecasts> Combine(std::span<const Forecasts> parts);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_COMBINATION_H
