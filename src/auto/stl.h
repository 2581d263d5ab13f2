// Seasonal-trend decomposition by loess (STL), for the seasonal-strength measure of the automatic
// ARIMA.
#ifndef VORDEX_AUTO_STL_H
#define VORDEX_AUTO_STL_H

#include <span>
#include <vector>

#include "auto/outcome.h"

namespace vordex::automatic {

// Windows, degrees and jumps of the loess smoothers. The defaults are those of R's
// stats::stl(x, s.window = 11) as forecast::mstl calls it for one seasonal period: seasonal
// degree 0, trend window the next odd integer from ceiling(1.5 period / (1 - 1.5 / s_window)),
// low-pass window the next odd integer from the period, trend and low-pass degree 1, jumps
// ceiling(window / 10), two inner passes and no robustness passes.
struct StlSettings {
  int seasonal_window = 11;
  int seasonal_degree = 0;
  int trend_window = 0;  // 0: the default above
  int trend_degree = 1;
  int lowpass_window = 0;  // 0: the default above
  int lowpass_degree = 1;
  int inner = 2;
  int outer = 0;  // robustness iterations (bisquare weights of the remainder)
};

struct StlResult {
  std::vector<double> seasonal;
  std::vector<double> trend;
  std::vector<double> remainder;  // y - seasonal - trend
};

// Decomposes y[0..n-1] with the given period (Cleveland, Cleveland, McRae and Terpenning 1990,
// "STL: a seasonal-trend decomposition procedure based on loess", Journal of Official Statistics
// 6(1)); the steps follow their Fortran reference implementation, which R's stats::stl also
// runs. Fails when period < 2, n <= 2 period, a value is not finite, or a window or degree is out
// of range (seasonal window at least 2, other windows at least 0, degrees 0 or 1, inner at least 1,
// outer at least 0).
Outcome<StlResult> Stl(std::span<const double> y, int period, const StlSettings& settings = {});

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_STL_H
