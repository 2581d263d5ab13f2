// The combination of several methods' forecasts into one.
#ifndef VORDEX_AUTO_COMBINATION_H
#define VORDEX_AUTO_COMBINATION_H

#include <span>
#include <vector>

#include "auto/outcome.h"

namespace vordex::automatic {

// One method's forecasts and limits over the same horizons.
struct Forecasts {
  std::vector<double> mean;
  std::vector<double> lower;
  std::vector<double> upper;
};

// The equal-weight combination: forecasts and limits are the means, horizon by horizon, of the
// parts' (the limits of a combination have no closed form; the mean of the parts' limits is the
// rule of Hyndman's forecastHybrid with equal weights, and keeps each limit between the parts').
// Fails when there is no part, when the parts' lengths differ, or when a value is not finite.
Outcome<Forecasts> Combine(std::span<const Forecasts> parts);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_COMBINATION_H
