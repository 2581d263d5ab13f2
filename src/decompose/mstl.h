// MSTL: decomposition into a trend, several seasonal components and a remainder by iterated STL
// (Bandara, Hyndman and Bergmeir 2021, "MSTL: a seasonal-trend decomposition algorithm for time
// series with multiple seasonal patterns"), and the pieces an STL or MSTL forecaster needs.
#ifndef VORDEX_DECOMPOSE_MSTL_H
#define VORDEX_DECOMPOSE_MSTL_H

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

struct MstlSettings {
  // Passes over the periods. 0: as R's mstl, 1 when one period is given (R's ts) and 2 when
  // several are (R's msts).
  int iterate = 0;
  // STL seasonal windows of the kept periods in ascending order. Empty: 7 + 4 i for the i-th
  // (i = 1, 2, ...: 11, 15, 19, ...); one value: that window for every period; otherwise at least
  // one per kept period.
  std::vector<int> seasonal_windows;
  int trend_window = 0;          // STL trend window (0: STL's default from the period)
  bool robust = false;           // STL robustness passes (R's robust = TRUE: inner 1, outer 15)
  std::optional<double> lambda;  // Box-Cox parameter; the components are then on that scale
};

struct MstlResult {
  std::vector<double> periods;                // the periods kept, ascending
  std::vector<double> trend;                  // n values
  std::vector<std::vector<double>> seasonal;  // one component of n values per kept period
  std::vector<double> remainder;  // n values: adjusted data - trend; NaN where y was missing
  std::size_t missing = 0;        // number of missing (NaN) values of y
};

// Decomposes y[0..n-1] as R's forecast::mstl(y, lambda, iterate, s.window, t.window, robust):
// - periods below 2 and periods of n / 2 or more (fewer than two full cycles) are dropped, the
//   rest sorted ascending;
// - missing values (NaN) are filled by InterpolateMissing(y, kept periods, lambda) first, and the
//   remainder is NaN at their times;
// - with lambda, the filled series is Box-Cox transformed;
// - for each pass and each period in turn: the period's last seasonal component is added back,
//   STL (with that period's window) is applied, and its seasonal component taken out again; the
//   trend is that of the last STL;
// - with no period left, the trend is SuperSmoother(1..n, y) (R's supsmu) and there is no
//   seasonal component. (R fails instead when every period of a multi-seasonal series is dropped,
//   and it stops in stl for a single period with fewer than two cycles.)
// A non-integer period (52.18, 365.25) is handled as Stl handles it. Time and memory O(k n) for k
// kept periods.
// Fails when y is empty, a period or lambda is not finite, iterate < 0, there are fewer windows
// than kept periods, or an STL fails (a window out of range).
Outcome<MstlResult> Mstl(std::span<const double> y, std::span<const double> periods,
                         const MstlSettings& settings = {});

// The seasonally adjusted series as R's seasadj of an mstl fit: trend + remainder, which is the
// (filled, transformed) data minus every seasonal component; NaN where y was missing.
std::vector<double> SeasonallyAdjusted(const MstlResult& fit);

// The sum of the seasonal components at each time (zeros when there are none).
std::vector<double> SeasonalSum(const MstlResult& fit);

// The seasonal-naive future of one seasonal component: its last floor(period) values repeated,
// for times n+1 .. n+horizon (R's forecast.stl and forecast.mstl: lastseas). Empty when the
// component is shorter than floor(period) or period < 1.
std::vector<double> RepeatLastCycle(std::span<const double> seasonal, double period,
                                    std::size_t horizon);

// The sum over the components of RepeatLastCycle: the seasonal part of an STL or MSTL forecast,
// to be added to the forecasts of SeasonallyAdjusted(fit). (For a non-integer period R's
// forecast.mstl repeats trunc(1 + (h - 1) / m) cycles of floor(m) values, too few for some
// horizons, and gives NA at the last steps; here every step gets a value.)
std::vector<double> SeasonalForecast(const MstlResult& fit, std::size_t horizon);

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_MSTL_H
