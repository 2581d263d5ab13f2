// Autoregression fitted by least squares with its order chosen by AIC: the non-seasonal model of
// a seasonally adjusted series that follows its short-term dynamics (R's stlm(x, modelfunction =
// ar) in the least-squares form).
#ifndef VORDEX_AUTO_AUTOREGRESSION_H
#define VORDEX_AUTO_AUTOREGRESSION_H

#include <span>
#include <vector>

#include "auto/outcome.h"
#include "vordex/forecast.hpp"

namespace vordex::automatic {

struct AutoregressionSettings {
  int horizon = 10;  // forecasts for times n+1 .. n+horizon (0: none)
  // Coverages of the prediction limits in percent, each in (0, 100).
  std::vector<double> levels = {80.0, 95.0};
  // The highest order tried; negative: R's default min(n - 1, floor(10 log10 n)).
  int max_order = -1;
};

struct AutoregressionResult {
  int order = 0;                  // p
  double mean = 0.0;              // the sample mean, removed before the fit
  double intercept = 0.0;         // the fitted constant of the demeaned series
  std::vector<double> ar;         // phi_1 .. phi_p
  double sigma2 = 0.0;            // residual sum of squares / (n - p)
  double aic = 0.0;               // n log(sigma2) + 2 (p + 1) of the chosen order
  std::vector<double> fitted;     // n values, NaN for the first p
  std::vector<double> residuals;  // x - fitted
  std::vector<double> forecasts;  // horizon values
  std::vector<Limits> limits;     // the prediction limits of each level, in order
};

// Fits x[0..n-1] as R's stats::ar.ols(x, aic = TRUE, order.max, demean = TRUE, intercept = TRUE):
// with z the deviations from the sample mean, each order p = 0 .. max_order is fitted by least
// squares on its own sample z_t = c + phi_1 z_{t-1} + ... + phi_p z_{t-p} + e_t, t = p+1 .. n,
// sigma2_p = SSE_p / (n - p), and the order of least n log(sigma2_p) + 2 (p + 1) is kept (the
// lowest on a tie); the orders stop below the first whose regressors are linearly dependent, as
// R's do. Forecasts follow the recursion with z_{n+h} = 0 + ...; the standard error at step h is
// sqrt(sigma2 sum_{j<h} psi_j^2) with psi the MA(infinity) weights of the fitted polynomial (R's
// predict.ar), and the limits of each level lie z of them from the forecast, z the normal quantile
// of (1 + level / 100) / 2. Time O(n max_order^3 / 3), memory O(n max_order).
// Fails for fewer than 3 values, a value that is not finite, a horizon below 0, a level outside
// (0, 100), or max_order >= n.
Outcome<AutoregressionResult> Autoregression(const AutoregressionSettings& settings,
                                             std::span<const double> x);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_AUTOREGRESSION_H
