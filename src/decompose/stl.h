// Seasonal-trend decomposition by loess (STL): the seasonal strength of the automatic methods,
// each pass of MSTL and the robust gap filling.
#ifndef VORDEX_DECOMPOSE_STL_H
#define VORDEX_DECOMPOSE_STL_H

#include <span>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

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
// runs. A non-integer period (52.18 for weekly data) sets the default windows and the length check
// as given and is truncated for the cycle-subseries, as R's stl does. R's robust = TRUE is
// {.inner = 1, .outer = 15}. Time and memory are linear in n (five work arrays of n + 2 period).
// Fails when period < 2 (or not a number), n <= 2 period, n > INT_MAX / 4, a value is not finite,
// or a window or degree is out of range (seasonal window at least 2, other windows at least 0,
// degrees 0 or 1, inner at least 1, outer at least 0).
Outcome<StlResult> Stl(std::span<const double> y, double period, const StlSettings& settings = {});

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_STL_H
