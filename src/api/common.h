// What the typed API's methods share: the levels asked for as the engines' bands, the information
// criteria counted as R's forecast package counts them, and the threads of a request.
#ifndef VORDEX_API_COMMON_H
#define VORDEX_API_COMMON_H

#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "arima/run.h"
#include "arma/state_space.h"
#include "vordex/arima.hpp"
#include "vordex/forecast.hpp"

namespace vordex::api {

// One pair of limits: its coverage in percent and its distance from the forecast in standard
// errors of a Gaussian forecast distribution.
struct Band {
  double level = 0.0;
  double critical = 0.0;
};

// The bands of `levels` (each the normal quantile of (1 + level/100)/2), or, with a critical
// value, the one band at that distance (its level the normal coverage 100 erf(c / sqrt 2)).
// Throws vordex::Error kInvalidSettings, naming `method`, for a level outside (0, 100) or a
// critical value that is not a positive number.
std::vector<Band> Bands(std::string_view method, const std::vector<double>& levels,
                        std::optional<double> critical = std::nullopt);

// Throws vordex::Error kInvalidSettings, naming `method`, for a level outside (0, 100).
void CheckLevels(std::string_view method, const std::vector<double>& levels);

// aic, aicc and bic of `result` from its log-likelihood, k estimated parameters (sigma2 among
// them) and n observations: AIC = -2 log L + 2k, AICc = AIC + 2k(k + 1)/(n - k - 1) (+infinity
// when n <= k + 1), BIC = AIC + k (ln n - 2).
void SetInformationCriteria(Forecast& result, double k, double n);

// The request's worker threads: the count when positive, else every hardware thread.
int Threads(int requested);

// The series an engine fits: the observations, Box-Cox transformed when the settings ask for it
// (with lambda given, or Guerrero's for the period), in which case the engine itself is asked for
// no transform. For a method whose engine has no transforms of its own (engine_transforms false)
// the log and square root are the Box-Cox transforms of lambda 0 and 1/2.
struct Prepared {
  std::vector<double> transformed;  // the transformed copy (Box-Cox only)
  std::span<const double> values;   // what the engine fits
  std::optional<double> lambda;     // the Box-Cox parameter used
  Transform engine_transform = Transform::kNone;
};

// Throws vordex::Error kInvalidData when lambda <= 0 meets an observation that is not positive,
// kInvalidSettings for a lambda that is not a finite number.
Prepared Prepare(std::string_view method, std::span<const double> observations, Transform transform,
                 const BoxCox& box_cox, int period, bool engine_transforms = true);

// The result of a Box-Cox prepared series back on the observations' scale: forecasts, limits and
// fitted values through the inverse transform (forecasts and fitted values as means with
// bias_adjusted, the variance of a forecast taken from the first level's limits as R's forecast
// does, that of a fitted value from sigma2); residuals stay on the transformed scale. Records
// lambda. Nothing changes without Box-Cox.
void Restore(Forecast& result, const Prepared& prepared, const BoxCox& box_cox);

// `fit` with the forecasts and limits `f` made on its transformed scale, taken back through its
// Box-Cox transform as Restore takes a fit's (the fitted values stay as they are).
template <class Result>
Result WithForecasts(const Result& fit, Forecast f) {
  Prepared prepared;
  prepared.lambda = fit.lambda;
  Restore(f, prepared, {.lambda = fit.lambda, .bias_adjusted = fit.bias_adjusted});
  Result r = fit;
  r.mean = std::move(f.mean);
  r.limits = std::move(f.limits);
  return r;
}

// The number of NaN values of a series.
int CountMissing(std::span<const double> observations);

// The ARIMA engine's estimates of a request on n observations as the typed result: its
// coefficients, the regression part with the standard errors (NaN where the fit has none), the
// filter state, and the information criteria counting the coefficients, b and sigma2 over the
// observed values less those lost to differencing.
arima::Result ToResult(const arima::Request& request, arima::Estimates fit, std::size_t n,
                       std::vector<Message> messages);

// The filter state of the likelihood's kernel in the public form, and back.
arima::FilterState ToPublic(arma::FilterState state);
arma::FilterState ToKernel(const arima::FilterState& state);

}  // namespace vordex::api

#endif  // VORDEX_API_COMMON_H
