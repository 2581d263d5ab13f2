// Typed C++ interface to the ARMAX method: seasonal ARMA with an optional constant for a log- or
// square-root-transformed and differenced series, by exact maximum likelihood.
//
// vordex::armax::Fit runs the same option checks, engine and packing as the Armaxdll export and
// reads the packed cells back into named fields, so both give identical numbers.
#ifndef VORDEX_ARMAX_HPP
#define VORDEX_ARMAX_HPP

#include <optional>
#include <span>
#include <vector>

#include "vordex/error.hpp"

namespace vordex::armax {

// The transform applied to the observations before differencing.
enum class Transform : int { kNone = 0, kLog = 1, kSquareRoot = 2 };

// The model and the forecasts asked for. Lag polynomials use the Box-Jenkins signs:
// 1 - phi(1) B - ... for AR and 1 - theta(1) B - ... for MA operators.
struct Settings {
  int s = 1;              // seasonal frequency; with s < 2 the seasonal orders P and Q are dropped
  int h = 0;              // forecast horizon (0: no forecasts)
  int p = 0;              // nonseasonal AR order (p < s when s > 1)
  int d = 0;              // nonseasonal differences
  int q = 0;              // nonseasonal MA order (q < s when s > 1)
  int P = 0;              // seasonal AR order
  int D = 0;              // seasonal differences
  int Q = 0;              // seasonal MA order
  bool constant = false;  // estimate a constant (the mean of the modelled series)
  Transform transform = Transform::kNone;
  double critical_value = 1.96;  // each limit lies this many standard errors from the forecast
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
  double log_likelihood = 0.0;      // the maximised log-likelihood
  double sigma2 = 0.0;              // innovation variance estimate
  std::vector<Message> warnings;    // messages raised by a successful request
};

// Fits the model to the observations (in time order) and forecasts. Throws vordex::Error with
// the status code or text that the export would return, and the messages raised; also when a
// setting or the number of observations does not fit the export's 16-bit options.
Result Fit(std::span<const double> observations, const Settings& settings);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_HPP
