// Typed C++ interface to the ARIMA method: seasonal ARIMA(p,d,q)(P,D,Q)s models on the raw, log
// or square-root scale, estimated by exact maximum likelihood, with forecasts and limits.
//
// vordex::arima::Fit runs the engine's checks and driver, the same entry point that the Arimadll
// export uses, so both give identical numbers.
#ifndef VORDEX_ARIMA_HPP
#define VORDEX_ARIMA_HPP

#include <optional>
#include <span>
#include <vector>

#include "vordex/error.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/transform.hpp"

namespace vordex::arima {

// The model and the forecasts asked for; the defaults are the airline model
// ARIMA(0,1,1)(0,1,1)12 on the log scale. Lag polynomials use the Box-Jenkins signs:
// 1 - phi(1) B - ... for AR and 1 - theta(1) B - ... for MA operators.
struct Settings {
  int period = 12;                // seasonal frequency s, 1..24 (1: non-seasonal data)
  int horizon = kDefaultHorizon;  // forecast horizon, 0..120 (0: no forecasts)
  int p = 0;                      // nonseasonal AR order, 0..12 (p < s with a seasonal ARMA part)
  int d = 1;                      // nonseasonal differences, 0..2
  int q = 1;                      // nonseasonal MA order, 0..12 (q < s with a seasonal ARMA part)
  int P = 0;                      // seasonal AR order, 0..3
  int D = 1;                      // seasonal differences at lag s, 0..2
  int Q = 1;                      // seasonal MA order, 0..3
  // A constant in the differenced model: the mean of the differenced series is removed and the
  // constant reported.
  bool constant = false;
  Transform transform = Transform::kLog;
  BoxCox box_cox = {};  // with Transform::kBoxCox
  // Coverages of the limits in percent, each in (0, 100): each limit lies the normal quantile of
  // (1 + level/100)/2 standard errors from the forecast on the transformed scale.
  std::vector<double> levels = kDefaultLevels;
  // Instead of the levels: one pair of limits this many standard errors from the forecast (its
  // level is the normal coverage of that distance).
  std::optional<double> critical_value = {};
  // Estimate from several starts (the default estimate, the conditional-sum-of-squares
  // estimate, zero coefficients) and keep the best optimum, the constant (when asked for) at its
  // maximum-likelihood value: the log-likelihood is never below the default's, at a few times its
  // cost. False: the Arimadll export's estimation, from the Hannan-Rissanen starting values with
  // the sample mean removed.
  bool thorough = false;
};

// A fitted model. aic, aicc and bic count the coefficients, the constant and sigma2, over the
// n - lost values that the differenced model explains (as R's Arima).
struct Result : Forecast {
  int period = 1;
  int p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0;
  Transform transform = Transform::kNone;
  int lost = 0;                          // leading observations lost to differencing, d + D s
  std::vector<double> series = {};       // the working series: transformed, differenced, the mean
                                         // removed; NaN for the values lost to differencing
  std::vector<double> ar = {};           // phi(1..p)
  std::vector<double> ma = {};           // theta(1..q)
  std::vector<double> seasonal_ar = {};  // Phi(1..P)
  std::vector<double> seasonal_ma = {};  // Theta(1..Q)
  std::optional<double> constant =
      {};  // the constant term of the differenced model, when asked for
};

// Fits the model to the observations (in time order, at most 1000) and forecasts. Throws
// vordex::Error with the checker's status (kArima...), kInvalidSettings for a level out of range,
// or kEngineFailed with the text the export would return, and every message raised. Messages are
// collected, not shown.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_HPP
