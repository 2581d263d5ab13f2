// Tests for seasonality: the STL seasonal strength and the seasonal differences it asks for (the
// automatic ARIMA), and the lag-m autocorrelation test of the Theta method.
#ifndef VORDEX_AUTO_SEASONALITY_H
#define VORDEX_AUTO_SEASONALITY_H

#include <span>

#include "auto/outcome.h"

namespace vordex::automatic {

// The seasonal strength of Wang, Smith and Hyndman (2006) from an STL decomposition with the
// defaults of decompose::StlSettings: max(0, 1 - Var(remainder) / Var(seasonal + remainder)), at most 1, as
// R's forecast:::seas.heuristic computes it. Fails as Stl does (period < 2, n <= 2 period, a
// value that is not finite).
Outcome<double> SeasonalStrength(std::span<const double> y, int period);

struct SeasonalDifferencingSettings {
  double threshold = 0.64;  // difference when the seasonal strength exceeds this
  int max_D = 1;            // at most this many seasonal differences
};

// The number of seasonal differences D as R's forecast::nsdiffs(y, test = "seas") finds it: while
// the seasonal strength of the D-times seasonally differenced series exceeds the threshold and
// D < max_D, difference at lag period once more; a constant series, a series of no more than
// period values, and a series too short for the decomposition count as needing none (a series
// that becomes constant stops the count). Fails for period < 2, an empty series, a non-finite
// value or max_D < 0.
Outcome<int> NumberOfSeasonalDifferences(std::span<const double> y, int period,
                                         const SeasonalDifferencingSettings& settings = {});

// The seasonality test of the Theta method as R's forecast::thetaf applies it: with r_k the
// sample autocorrelations (mean removed, divisor n), the series counts as seasonal when
// |r_m| / sqrt((1 + 2 sum_{k<m} r_k^2) / n) exceeds the two-sided normal critical value of the
// given level (0.90: 1.645). Series that are constant, non-seasonal (period < 2) or no longer than
// two periods are not seasonal. Fails for a value that is not finite or a level outside (0, 1).
Outcome<bool> SeasonalByAutocorrelation(std::span<const double> y, int period, double level = 0.90);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_SEASONALITY_H
