// Unit-root testing for the automatic ARIMA: the KPSS test of level stationarity and the number of
// ordinary differences it asks for.
#ifndef VORDEX_AUTO_UNIT_ROOT_H
#define VORDEX_AUTO_UNIT_ROOT_H

#include <span>

#include "auto/outcome.h"

namespace vordex::automatic {

// Ask Kpss for the lag truncation trunc(3 sqrt(n) / 13), the rule of R's forecast::ndiffs.
inline constexpr int kKpssDefaultLags = -1;

// The KPSS statistic of Kwiatkowski, Phillips, Schmidt and Shin (1992) for the null hypothesis of
// level stationarity: with e the deviations from the mean and S their partial sums,
// eta = sum S_t^2 / n^2 divided by the long-run variance estimate
// s2(l) = (sum e_t^2 + 2 sum_{j=1..l} (1 - j / (l + 1)) sum_t e_t e_{t-j}) / n (Bartlett weights).
struct KpssResult {
  double statistic = 0.0;
  int lags = 0;          // the truncation l actually used
  double p_value = 0.0;  // KpssLevelPValue(statistic)
};

// Tests y[0..n-1]. lags >= 0 is used as given (capped at n - 1); kKpssDefaultLags (any negative
// value) gives trunc(3 sqrt(n) / 13). Fails for an empty or constant series or one with a value
// that is not finite.
Outcome<KpssResult> Kpss(std::span<const double> y, int lags = kKpssDefaultLags);

// The p-value of a level-stationarity statistic, interpolated linearly in the statistic between
// the critical values of Kwiatkowski et al. (1992, Table 1: 0.347, 0.463, 0.574, 0.739 at 10%, 5%,
// 2.5%, 1%) and held at 0.10 below the first and at 0.01 above the last, as R's forecast::ndiffs
// reads urca::ur.kpss.
double KpssLevelPValue(double statistic);

// True when y is constant as R's forecast package decides it (all.equal at its default tolerance):
// sum |y_t - y_1| <= 1.5e-8 sum |y_t|, or every value equal when all are 0. An empty or one-value
// series is constant.
bool IsConstant(std::span<const double> y);

struct DifferencingSettings {
  double alpha = 0.05;  // level of the test, clamped to 0.01 .. 0.10
  int max_d = 2;        // at most this many differences
};

// The number of ordinary differences d as R's forecast::ndiffs(y, test = "kpss") finds it: while
// the KPSS test (default lags) rejects level stationarity of the d-times differenced series at
// level alpha (p-value below alpha) and d < max_d, difference once more; a series that is or
// becomes constant stops the count. Fails for an empty series or one with a non-finite value, or
// max_d < 0.
Outcome<int> NumberOfDifferences(std::span<const double> y,
                                 const DifferencingSettings& settings = {});

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_UNIT_ROOT_H
