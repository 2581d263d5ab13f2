// Typed C++ interface to the ARMAX method: a constant plus a seasonal ARMA(p,q)(P,Q)s process
// for a log- or square-root-transformed and differenced series, estimated by exact maximum
// likelihood with a quasi-Newton minimiser, with forecasts and limits.
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
#include "vordex/transform.hpp"

namespace vordex::armax {

// The model and the forecasts asked for; the defaults are the airline model
// ARIMA(0,1,1)(0,1,1)12 on the log scale with two years of monthly forecasts. Lag polynomials use
// the Box-Jenkins signs: 1 - phi(1) B - ... for AR and 1 - theta(1) B - ... for MA operators.
struct Settings {
  int period = 12;        // seasonal frequency; below 2 the seasonal orders P and Q are dropped
  int horizon = 24;       // forecast horizon (0: no forecasts)
  int p = 0;              // nonseasonal AR order (p < s when s > 1)
  int d = 1;              // nonseasonal differences
  int q = 1;              // nonseasonal MA order (q < s when s > 1)
  int P = 0;              // seasonal AR order
  int D = 1;              // seasonal differences
  int Q = 1;              // seasonal MA order
  bool constant = false;  // estimate a constant (the mean of the modelled series)
  Transform transform = Transform::kLog;
  double critical_value = 1.96;  // each limit lies this many standard errors from the forecast
  // Estimate from several starts (the default estimate, the conditional-sum-of-squares and
  // Hannan-Rissanen estimates, zero coefficients) and keep the best optimum: the log-likelihood
  // is never below the default's, at a few times its cost. False: the Armaxdll export's
  // estimation, by a quasi-Newton method from 0.01 for every coefficient.
  bool thorough = false;
};

// A fitted model. The series and residuals have n = N - d - s*D values.
struct Result {
  std::vector<double> series;       // the transformed and differenced observations
  std::vector<double> residuals;    // one-step prediction errors of the fitted model
  std::vector<double> forecasts;    // times N+1 .. N+h, on the scale of the observations
  std::vector<double> lower;        // lower limits
  std::vector<double> upper;        // upper limits
  std::vector<double> ar;           // p coefficients
  std::vector<double> ma;           // q coefficients
  std::vector<double> seasonal_ar;  // P coefficients
  std::vector<double> seasonal_ma;  // Q coefficients
  std::optional<double> constant;   // the estimated mean, when asked for
  double sum_of_squares = 0.0;      // sum of squared one-step prediction errors
  double sigma2 = 0.0;              // innovation variance estimate
  double log_likelihood = 0.0;      // the maximised log-likelihood
  double aic = 0.0;                 // -2 log L + 2 (number of coefficients + constant)
  std::vector<Message> warnings;    // messages raised by a successful request
};

// Fits the model to the observations (in time order) and forecasts. Throws vordex::Error with
// the checker's status (kArmax...) or kEngineFailed with the text the export would return, and
// every message raised. Messages are collected, not shown.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_HPP
