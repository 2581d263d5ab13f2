// Typed C++ interface to the ARMAX method: a constant plus a seasonal ARMA(p,q)(P,Q)s process
// for a log- or square-root-transformed and differenced series, estimated by exact maximum
// likelihood with a quasi-Newton minimiser, with forecasts and limits; series with missing values
// through the ARIMA method's Kalman filter.
//
// vordex::armax::Fit runs the engine's checks and driver, the same entry point that the Armaxdll
// export uses, so both give identical numbers.
#ifndef VORDEX_ARMAX_HPP
#define VORDEX_ARMAX_HPP

#include <optional>
#include <span>
#include <vector>

#include "vordex/error.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/transform.hpp"

namespace vordex::armax {

// The model and the forecasts asked for; the defaults are the airline model
// ARIMA(0,1,1)(0,1,1)12 on the log scale. Lag polynomials use the Box-Jenkins signs.
struct Settings {
  int period = 12;  // seasonal frequency; below 2 the seasonal orders P and Q are dropped
  int horizon = kDefaultHorizon;  // forecast horizon (0: no forecasts)
  int p = 0;                      // nonseasonal AR order (p < s when s > 1)
  int d = 1;                      // nonseasonal differences
  int q = 1;                      // nonseasonal MA order (q < s when s > 1)
  int P = 0;                      // seasonal AR order
  int D = 1;                      // seasonal differences
  int Q = 1;                      // seasonal MA order
  bool constant = false;          // estimate a constant (the mean of the modelled series)
  Transform transform = Transform::kLog;
  BoxCox box_cox = {};  // with Transform::kBoxCox
  // Coverages of the limits in percent, as arima::Settings::levels.
  std::vector<double> levels = kDefaultLevels;
  // Instead of the levels: one pair of limits this many standard errors from the forecast.
  std::optional<double> critical_value = {};
  // Estimate from several starts (the default estimate, the conditional-sum-of-squares and
  // Hannan-Rissanen estimates, zero coefficients) and keep the best optimum: the log-likelihood
  // is never below the default's, at a few times its cost. False: the Armaxdll export's
  // estimation, by a quasi-Newton method from 0.01 for every coefficient.
  bool thorough = false;
};

// A fitted model. The working series and residuals have n = N - lost values (NaN before them
// in residuals, which follow the observations); aic, aicc and bic count the coefficients, the
// constant and sigma2.
struct Result : Forecast {
  int period = 1;
  int p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0;
  Transform transform = Transform::kNone;
  int lost = 0;                          // leading observations lost to differencing, d + D s
  std::vector<double> series = {};       // the transformed and differenced observations (N - lost)
  std::vector<double> ar = {};           // p coefficients
  std::vector<double> ma = {};           // q coefficients
  std::vector<double> seasonal_ar = {};  // P coefficients
  std::vector<double> seasonal_ma = {};  // Q coefficients
  std::optional<double> constant = {};   // the estimated mean, when asked for
  double sum_of_squares = 0.0;           // sum of squared one-step prediction errors
  bool bias_adjusted = false;            // Box-Cox forecasts as means (BoxCox::bias_adjusted)
  // What Predict continues from, on the transformed scale: the last p + sP + d + sD transformed
  // observations and the last q + sQ one-step errors (all of them when fewer), and n, the length
  // of the working series (the limits' variance is sum_of_squares / n). Empty after a fit through
  // the state space route, which Predict cannot continue.
  struct Continuation {
    std::vector<double> history = {};
    std::vector<double> innovations = {};
    int n = 0;
  } continuation = {};
};

// Fits the model to the observations (in time order; NaN for a missing value) and forecasts.
//
// A complete series is estimated as the Armaxdll export estimates it. A series with missing
// values, or one longer than the export's storage takes (the engine's "too much data for common
// storage", with a constant beyond 1000 values), is estimated by arima::Fit's state space route
// instead: the same model, ARIMA(p,d,q)(P,D,Q)s with the constant as the mean of the differenced
// series (R's Arima(include.mean = TRUE) for d = D = 0), by exact maximum likelihood over the
// observed values. Its result means the same, with fitted values at missing times the one-step
// predictions, residuals there NaN, `missing` counted, and sum_of_squares over the residuals
// observed; a constant then needs d + D <= 1.
//
// Throws vordex::Error with the checker's status (kArmax...), kInvalidSettings for a level out of
// range, or kEngineFailed with the text the export would return, and every message raised; on
// the state space route, as arima::Fit throws.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// The fit with forecasts `horizon` (0 or more) steps after its last observation and limits at
// `levels` (percent), from its continuation with its estimates, by the recursion Fit forecasts
// with: for the fit's own horizon and levels, its forecasts bit for bit. Throws vordex::Error
// kInvalidSettings for a negative horizon, a level out of range, or a fit without a continuation
// (the state space route).
VORDEX_CPP_API Result Predict(const Result& fit, int horizon,
                              const std::vector<double>& levels = kDefaultLevels);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_HPP
