// Simple exponential smoothing estimated by least squares with the initial level profiled out
// exactly: the form of R's ses (ets(x, "ANN", opt.crit = "mse")) that the Theta method uses. The
// Pegels engine fits the same model (additive errors, no trend or season) by its own estimation
// rules, which the exports fix; this estimator serves the methods built on top of the engines.
#ifndef VORDEX_SMOOTHING_SES_H
#define VORDEX_SMOOTHING_SES_H

#include <span>
#include <vector>

#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex::smoothing {

// Bounds of the smoothing parameter, those of R's forecast::ses (through ets).
inline constexpr double kSesAlphaLower = 1e-4;
inline constexpr double kSesAlphaUpper = 0.9999;

// The fit of l_t = l_{t-1} + alpha (x_t - l_{t-1}) with one-step forecasts l_{t-1}.
struct SesFit {
  double alpha = 0.0;
  double initial_level = 0.0;  // l_0
  double final_level = 0.0;    // l_n, the forecast of every later value
  double sse = 0.0;            // sum of squared one-step errors
  std::vector<double> fitted;  // l_0 .. l_{n-1}, the one-step forecasts of x_1 .. x_n
};

// Minimises the sum of squared one-step errors over alpha in [kSesAlphaLower, kSesAlphaUpper] and
// l_0 (the criterion of R's ses, ets(x, "ANN", opt.crit = "mse")). The errors are linear in l_0,
// so l_0 is profiled out exactly for each alpha; the profile is scanned on a grid of alpha and
// refined by Brent's method around the best grid point, which finds the global minimum unless it
// lies in a dip narrower than the grid spacing. Fails for fewer than 2 values or a value that is
// not finite.
Outcome<SesFit> FitSes(std::span<const double> x);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_SES_H
