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
#include "vordex/transform.hpp"

namespace vordex::arima {

// The model and the forecasts asked for; the defaults are the airline model
// ARIMA(0,1,1)(0,1,1)12 on the log scale with two years of monthly forecasts. Lag polynomials use
// the Box-Jenkins signs: 1 - phi(1) B - ... for AR and 1 - theta(1) B - ... for MA operators.
struct Settings {
  int period = 12;    // seasonal frequency s, 1..24 (1: non-seasonal data)
  int horizon = 24;   // forecast horizon, 0..120 (0: no forecasts)
  int p = 0;          // nonseasonal AR order, 0..12 (p < s with a seasonal ARMA part)
  int d = 1;          // nonseasonal differences, 0..2
  int q = 1;          // nonseasonal MA order, 0..12 (q < s with a seasonal ARMA part)
  int P = 0;          // seasonal AR order, 0..3
  int D = 1;          // seasonal differences at lag s, 0..2
  int Q = 1;          // seasonal MA order, 0..3
  bool mean = false;  // remove the mean of the differenced series and estimate a constant
  Transform transform = Transform::kLog;
  double critical_value = 1.96;  // each limit lies this many standard errors from the forecast
                                 // on the transformed scale (<= 0 or NaN: 1.96)
  // Estimate from several starts (the default estimate, the conditional-sum-of-squares
  // estimate, zero coefficients) and keep the best optimum, the mean (when asked for) at its
  // maximum-likelihood value: the log-likelihood is never below the default's, at a few times its
  // cost. False: the Arimadll export's estimation, from the Hannan-Rissanen starting values with
  // the sample mean removed.
  bool thorough = false;
};

// A fitted model. The series, fitted values and residuals have N values each, on the transformed
// scale; the first `missing` = d + D s of each, lost to differencing, are NaN.
struct Result {
  int missing = 0;
  std::vector<double> series;       // transformed, differenced, mean-corrected observations
  std::vector<double> fitted;       // one-step predictions: series - residuals
  std::vector<double> residuals;    // one-step prediction errors
  std::vector<double> forecasts;    // times N+1 .. N+h, on the scale of the observations
  std::vector<double> lower;        // lower limits, same scale
  std::vector<double> upper;        // upper limits
  std::vector<double> ar;           // phi(1..p)
  std::vector<double> ma;           // theta(1..q)
  std::vector<double> seasonal_ar;  // Phi(1..P)
  std::vector<double> seasonal_ma;  // Theta(1..Q)
  double sigma2 = 0.0;              // innovation variance (transformed scale)
  double log_likelihood = 0.0;      // maximised log-likelihood (transformed scale)
  double aic = 0.0;                 // -2 log L + 2 (number of coefficients + mean)
  std::optional<double> constant;   // constant term, with the mean
  std::vector<Message> warnings;    // messages raised by a successful request
};

// Fits the model to the observations (in time order, at most 1000) and forecasts. Throws
// vordex::Error with the checker's status (kArima...) or kEngineFailed with the text the export
// would return, and every message raised. Messages are collected, not shown.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_HPP
