// The Theta method of the M3 competition (Assimakopoulos and Nikolopoulos 2000) in the form shown
// equivalent to it by Hyndman and Billah (2003): simple exponential smoothing with a drift of half
// the slope of the least-squares line, on data seasonally adjusted by a classical multiplicative
// decomposition when a test finds seasonality.
#ifndef VORDEX_AUTO_THETA_H
#define VORDEX_AUTO_THETA_H

#include <span>
#include <vector>

#include "auto/outcome.h"
#include "vordex/forecast.hpp"

namespace vordex::automatic {

struct ThetaSettings {
  int period = 1;    // seasonal frequency m (1: non-seasonal data)
  int horizon = 10;  // forecasts for times n+1 .. n+horizon (0: none)
  // Coverages of the prediction limits in percent, each in (0, 100).
  std::vector<double> levels = {80.0, 95.0};
  double seasonality_level = 0.90;  // level of the seasonality test, in (0, 1)
};

struct ThetaResult {
  bool seasonal = false;                 // the series was seasonally adjusted
  std::vector<double> seasonal_indices;  // with seasonal: the m indices of times 1..m (mean 1)
  double alpha = 0.0;             // smoothing parameter of the SES fit to the adjusted series
  double initial_level = 0.0;     // its l_0
  double final_level = 0.0;       // its l_n, which the forecasts continue from
  double drift = 0.0;             // half the least-squares slope of the adjusted series, per period
  double sigma2 = 0.0;            // SES one-step error variance: sum of squares / (n - 2)
  std::vector<double> fitted;     // n one-step SES forecasts, reseasonalised (no drift)
  std::vector<double> residuals;  // y - fitted
  std::vector<double> forecasts;  // horizon values
  std::vector<Limits> limits;     // the prediction limits of each level, in order
};

// Forecasts y[0..n-1] as R's forecast::thetaf does, with these rules:
// - Seasonality: SeasonalByAutocorrelation(y, period, seasonality_level); when seasonal and every
//   value is positive, y is divided by the indices of a classical multiplicative decomposition
//   (centred moving average of length m, 2 x m for even m; indices averaged by position in the
//   cycle, scaled to mean 1). Indices below 1e-4 in magnitude leave the series unadjusted, as in
//   thetaf.
// - The adjusted series x is fitted by FitSes; b is the slope of the least-squares line through
//   (t, x_t); drift = b / 2.
// - Forecast at step h: (l_n + drift ((h - 1) + (1 - (1 - alpha)^n) / alpha)) times the index of
//   time n + h.
// - Limits of each level: forecast -+ z sqrt(sigma2 (1 + (h - 1) alpha^2)) times the index of time
//   n + h, z the normal quantile of (1 + level / 100) / 2: the h-step variance of the SES
//   state-space model (Hyndman et al. 2008, class 1), the same as thetaf's except that thetaf
//   leaves its limits' width unseasonalised.
// Fails for fewer than 3 values, a non-finite value, period < 1, horizon < 0, or a level out of
// range.
Outcome<ThetaResult> Theta(const ThetaSettings& settings, std::span<const double> y);

// The forecasts and limits of a fitted model (its seasonal indices with `period`, alpha, final
// level, drift and sigma2) for times n+1 .. n+horizon of a series of n values, by Theta's rules
// above: what Theta returns, from the fitted values alone. Levels in (0, 100), checked by the
// caller.
void ThetaForecasts(const ThetaResult& fit, int period, std::size_t n, int horizon,
                    const std::vector<double>& levels, std::vector<double>& forecasts,
                    std::vector<Limits>& limits);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_THETA_H
