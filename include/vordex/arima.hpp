// Typed C++ interface to the ARIMA method: seasonal ARIMA(p,d,q)(P,D,Q)s models on the raw, log
// or square-root scale, estimated by exact maximum likelihood, with forecasts and limits; series
// of any length up to ten million values, with missing values (NaN), and regression with ARIMA
// errors.
//
// vordex::arima::Fit runs the engine's checks and driver, the same entry point that the Arimadll
// export uses, so both give identical numbers on what the export takes (complete series of at
// most 1000 values, no regressors). A series with missing values, regressors or a drift is
// estimated through the model's state space form instead (see Fit).
//
// A fit keeps the state of its Kalman filter after the last observation, so that Predict
// forecasts again and Update takes new observations without estimating again.
#ifndef VORDEX_ARIMA_HPP
#define VORDEX_ARIMA_HPP

#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vordex/error.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/regressors.hpp"
#include "vordex/transform.hpp"

namespace vordex::arima {

// The model and the forecasts asked for; the defaults are the airline model
// ARIMA(0,1,1)(0,1,1)12 on the log scale. Lag polynomials use the Box-Jenkins signs:
// 1 - phi(1) B - ... for AR and 1 - theta(1) B - ... for MA operators.
struct Settings {
  int period = 12;  // seasonal frequency s, 1..24 (1: non-seasonal data)
  // Forecast horizon, 0..10,000,000 (0: no forecasts); with regressors the number of rows of
  // `future`, which replaces it.
  int horizon = kDefaultHorizon;
  int p = 0;  // nonseasonal AR order, 0..12 (p < s with a seasonal ARMA part)
  int d = 1;  // nonseasonal differences, 0..2
  int q = 1;  // nonseasonal MA order, 0..12 (q < s with a seasonal ARMA part)
  int P = 0;  // seasonal AR order, 0..3
  int D = 1;  // seasonal differences at lag s, 0..2
  int Q = 1;  // seasonal MA order, 0..3
  // A constant in the differenced model: the differenced series has a mean mu, reported as the
  // regression coefficient "mean", and the constant c = mu (1 - phi(1) Phi(1)) of the differenced
  // model is reported as Result::constant. On a complete series without regressors or drift
  // (the export's estimation) mu is the sample mean of the differenced series; otherwise it is
  // estimated by maximum likelihood (generalised least squares) with the other coefficients, as
  // the coefficient of a regressor whose differences are 1: the intercept (1) when d + D = 0, the
  // time t when d = 1, the season's count ceil(t / s) when D = 1 (R's intercept for d + D = 0,
  // R's drift for d = 1, s times R's drift for D = 1). That route takes it only for d + D <= 1.
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
  // Regression with ARIMA errors, y(t) = b' x(t) + n(t) with n(t) the seasonal ARIMA process above
  // (on the transformed scale): the regressors' values at times 1..n (n rows, by columns).
  // Differencing applies to y and x alike; b and the ARMA coefficients are estimated jointly by
  // exact maximum likelihood. No column may be constant (see `constant`) or a linear combination
  // of the others after differencing.
  Regressors regressors = {};
  // The regressors' values at times n+1..n+h, with the same names in the same order (h rows: the
  // horizon). Needed for forecasts when there are regressors.
  Regressors future = {};
  // A linear trend: the regressor t = 1..n (n+1.. in the forecasts), reported as "drift" (R's
  // include.drift). For d + D <= 1; with d + D = 1 it takes the constant's place, and asking for
  // both is refused.
  bool drift = false;
};

// One coefficient of the regression part, on the transformed scale.
struct Coefficient {
  std::string name = {};
  double estimate = 0.0;
  // From the inverse of the numerical Hessian of the log-likelihood in every coefficient (NaN
  // when the Hessian cannot be inverted or a step leaves the admissible region).
  double standard_error = std::numeric_limits<double>::quiet_NaN();
};

// Standard errors of the ARMA coefficients, in the order of Result's coefficients.
struct StandardErrors {
  std::vector<double> ar = {}, ma = {}, seasonal_ar = {}, seasonal_ma = {};
};

// The Kalman filter of the fitted model's state space form after the last time filtered, on the
// transformed scale (the state of R's makeARIMA: the ARMA state of dimension r = max(p + s P,
// q + s Q + 1), then the last d + s D errors of the regression). What Predict and Update continue
// from; its fields are for this library's use.
struct FilterState {
  std::vector<double> mean = {};        // the predicted state (m = r + d + s D values)
  std::vector<double> covariance = {};  // m by m by columns, relative to sigma2
  std::vector<double> diffuse = {};     // m by m: the part of unbounded variance (0 once resolved)
  int diffuse_left = 0;                 // observations still needed to resolve it
  int quiet = 0;                        // steps the covariance has not moved
  bool steady = false;                  // the covariance has settled
  long times = 0;                       // values filtered (observed or missing)
  long used = 0;                        // innovations counted in the likelihood
  double sum_of_squares = 0.0;          // their sum of squares over their variance ratios
  double sum_log_ratios = 0.0;          // the sum of the logarithms of those ratios
};

// A fitted model. aic, aicc and bic count the coefficients, the regression coefficients (the
// constant's among them) and sigma2, over the observed values less the `lost` ones that the
// differencing takes (as R's Arima).
struct Result : Forecast {
  int period = 1;
  int p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0;
  Transform transform = Transform::kNone;
  int lost = 0;  // leading observations lost to differencing, d + D s
  // The working series: transformed, differenced, the mean (the regression) removed; NaN for the
  // values lost to differencing and where a value it is formed from is missing.
  std::vector<double> series = {};
  std::vector<double> ar = {};           // phi(1..p)
  std::vector<double> ma = {};           // theta(1..q)
  std::vector<double> seasonal_ar = {};  // Phi(1..P)
  std::vector<double> seasonal_ma = {};  // Theta(1..Q)
  std::optional<double> constant =
      {};              // the constant term of the differenced model, when asked for
  bool drift = false;  // the drift regressor t is in the model
  // The regression part, in this order: "mean" (with the constant), "drift", then the regressors
  // in the order given. Forecast limits count the ARMA errors only, b treated as known (as R's
  // predict.Arima): they do not widen for b's uncertainty.
  std::vector<Coefficient> regression = {};
  StandardErrors standard_errors = {};
  bool bias_adjusted = false;  // Box-Cox forecasts are means (BoxCox::bias_adjusted)
  FilterState state = {};
};

// Fits the model to the observations (in time order, at most 10,000,000; NaN for a missing
// value) and forecasts.
//
// A complete series without regressors or drift is estimated as the Arimadll export estimates
// it (exact likelihood of the differenced series, Powell's direction sets from Hannan-Rissanen
// starting values). Otherwise the exact likelihood of the observed values comes from the Kalman
// filter of the state space form with the differencing in the state and Koopman's exact diffuse
// start, the regression coefficients profiled out by generalised least squares: starting values
// from the least-squares regression of the differenced, linearly interpolated series on the
// differenced regressors and the Hannan-Rissanen estimate on its residuals, Powell's direction
// sets, then Newton steps on the numerical Hessian. R's Arima(method = "ML") differs from it by
// its approximate diffuse start (variance 1e6), about 1e-5 of the log-likelihood for the airline
// model. Fitted values at missing times are the one-step predictions, residuals there NaN;
// forecasts and limits come from the filter after the last time.
//
// aic, aicc and bic count the coefficients, the regression coefficients and sigma2 over the
// observed values less d + D s (as R). Every fit carries its filter state and the standard
// errors, from the numerical Hessian of the log-likelihood in all coefficients with central
// differences of (eps U)^(1/4) standard errors (U the innovations counted), which balances their
// truncation and rounding errors.
//
// Throws vordex::Error with
//   the checker's status (kArima...) for orders out of range;
//   kTooManyObservations beyond 10,000,000 values;
//   kInvalidSettings for a level out of range, a drift with d + D >= 2, constant and drift with
//     d + D = 1, a constant with d + D >= 2 on a series with gaps or regressors;
//   kInvalidData for an infinite observation, one that the transform cannot take, regressors
//     with missing or non-finite values, constant or collinear columns (named), future values
//     with other names or fewer rows than the horizon, or regressors of another length;
//   kTooFewObservations when fewer values are observed than the model needs (d + D s, the
//     coefficients and one more), saying how many there are and are needed;
//   kEngineFailed with the text the export would return;
// with every message raised. Messages are collected, not shown.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// Forecasts `horizon` steps from the end of `fit` (its filter state) with the same estimates, the
// limits of each level (percent); `future` gives the regressors' values at those times (the fit's
// names, at least horizon rows). Returns fit with mean and limits replaced. Equals the forecasts
// of Fit for the state space route; for the export's route they differ by what the exact filter
// adds to its truncated recursion (vanishing as the filter settles). Throws vordex::Error
// kInvalidSettings (a negative horizon, a level out of range, a fit without a filter state) or
// kInvalidData (future values missing, with other names or too few rows).
VORDEX_CPP_API Result Predict(const Result& fit, int horizon,
                              const std::vector<double>& levels = kDefaultLevels,
                              const Regressors& future = {});

// Filters new observations (the times after the fit's last; NaN for a missing value) through the
// model with the same estimates: fitted values and residuals extended by the new times, the
// filter state, log-likelihood (at the estimates, sigma2 included) and information criteria
// updated, `missing` counted again, and forecasts of the fit's horizon and levels from the new end
// (with regressors: of the rows of `future`; none without it). `new_regressors` gives the
// regressors' values at the new times (the fit's names, one row per new observation). The working
// series `series` is left as estimated. Updating in parts gives what filtering all the new values
// at once gives, to rounding. Throws vordex::Error as Predict, and kInvalidData for an
// observation the transform cannot take.
VORDEX_CPP_API Result Update(const Result& fit, std::span<const double> new_observations,
                             const Regressors& new_regressors = {}, const Regressors& future = {});

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_HPP
