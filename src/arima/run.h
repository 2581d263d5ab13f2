// The ARIMA engine's typed entry point: settings and observations in, the fitted model with
// forecasts and limits (or the failure, with every message raised) out.
//
// Run is the one way into the engine for every surface: the Arimadll export translates its option
// codes into Request and packs the outcome into cells; the typed C++ API, the batch layer and
// the command-line tool build Request directly. So the numbers agree by construction.
#ifndef VORDEX_ARIMA_RUN_H
#define VORDEX_ARIMA_RUN_H

#include <span>
#include <string>
#include <vector>

#include "arima/state.h"
#include "arma/state_space.h"
#include "vordex/forecast.hpp"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"
#include "vordex/transform.hpp"

namespace vordex::arima {

// The model (p,d,q)(P,D,Q)s, the forecasts and their limits. Orders are plain integers so that
// the checker can refuse any value with its code.
struct Request {
  int period = 1;   // s, 1..24 (1: non-seasonal)
  int horizon = 0;  // h, 0..120
  int p = 0, d = 0, q = 0;
  int P = 0, D = 0, Q = 0;
  // Non-zero: remove the mean of the differenced series and report a constant. The value is
  // counted in the AIC's number of parameters as given (the export passes its flag through).
  int mean = 0;
  Transform transform = Transform::kNone;
  double critical = 0.0;  // each limit lies this many standard errors away; <= 0 or NaN: 1.96
  // Limits of further coverages: each gives one pair of limits `critical` standard errors from
  // the forecasts on the transformed scale, labelled `level`. Empty: the one pair of `critical`.
  struct Band {
    double level = 0.0;
    double critical = 0.0;
  };
  std::vector<Band> bands;
  // Keep the best of several estimates (MaxLikThorough) instead of the one from the
  // Hannan-Rissanen start with the sample mean removed (the export's estimation).
  bool thorough = false;

  // The Arimadll export's request: the checker's limits MAXN and MAXH, any missing value a
  // failure of the driver, and nothing computed beyond the export's cells. Otherwise (a typed
  // request) series and horizons up to kMaxObservations, missing values (NaN), regressors and
  // drift are taken (CheckData), and the fit carries its filter state and standard errors
  // (with model_state).
  bool export_request = false;
  // Regression with ARIMA errors: the k regressors' names, their n values (by columns) and their h
  // future values (by columns). Not owned: they must outlive the request's run.
  std::span<const std::string> names;
  std::span<const double> xreg;
  std::span<const double> future;
  // The regressor t = 1..n (n+1..n+h in the forecasts), named "drift".
  bool drift = false;
  // Coefficients (p, q, P, Q in this order, the engine's signs) offered as a start beside the
  // engine's own (a typed request with one takes the state space route): the search starts from
  // whichever has the lower objective. Empty: none. Sized otherwise or not admissible: not used.
  std::vector<double> start;
  // The diffuse start of the state space route (regression.h): the exact one, or R's large kappa
  // (for comparisons with R's numbers).
  arma::DiffuseStart diffuse = arma::DiffuseStart::kExact;
  // A typed fit finishes with the filter state after the last time and the standard errors
  // (Finish); a search that compares many candidates leaves them to its choice.
  bool model_state = true;
};

// A fitted model: everything the export packs. The series have N values, the first nd = d + D s
// of each the missing-value marker kMissing, on the transformed scale; forecasts and limits on
// the scale of the observations.
struct Estimates {
  std::vector<double> series = {};     // working series: transformed, differenced, mean removed
  std::vector<double> fitted = {};     // one-step predictions
  std::vector<double> residuals = {};  // one-step prediction errors
  std::vector<double> forecasts = {};  // h values
  std::vector<double> lower = {};      // the limits of `critical`
  std::vector<double> upper = {};
  std::vector<Limits> bands = {};  // the limits of each band asked for, in order
  // One-step predictions of the observations on their own scale (kMissing for the values lost
  // to differencing).
  std::vector<double> predictions = {};
  std::vector<double> phi = {}, theta = {}, Phi = {},
                      Theta = {};  // p, q, P, Q coefficients (Box-Jenkins signs)
  double sigma2 = 0.0;             // innovation variance (transformed scale)
  double log_likelihood = 0.0;
  double aic = 0.0;
  double constant = 0.0;  // 0 without the mean

  // Beyond the export's cells (typed requests), on the transformed scale.
  int missing = 0;  // observations that are NaN
  // The regression part: "mean" (the constant's regressor, with the mean flag), "drift", then the
  // request's regressors, with their coefficients and standard errors.
  std::vector<std::string> names = {};
  std::vector<double> beta = {}, beta_se = {};
  std::vector<double> phi_se = {}, theta_se = {}, Phi_se = {},
                      Theta_se = {};  // standard errors of the coefficients
  // The Kalman filter after the last time at the estimates (with has_state).
  bool has_state = false;
  arma::FilterState state = {};
};

// A request's outcome: the fit, or the failure (the checker's status with its message as the
// text, or kEngineFailed with kFailureText), with every message raised during the request in
// order. The messages are recorded, not shown.
using Outcome = vordex::Outcome<Estimates>;

// Title of the checker's messages, and the text of an engine failure.
inline constexpr const char* kCheckTitle = "Arima Error";
inline constexpr const char* kFailureText = "Failure in Arimamain:\nModel could not be estimated";

// The checker's 15 rules over the settings for n observations, in order (upper limits before
// lower limits; the seasonal rules only for a seasonal ARMA part): the first that fails shows its
// message in a warning box titled kCheckTitle and returns its status (kArimaTooMuchData ..
// kArimaOrderNotBelowPeriod); kOk when all pass. The limits of the first and third rules (MAXN
// observations, a horizon of MAXH) hold for an export request; a typed request is refused
// beyond kMaxObservations observations (kTooManyObservations, "Too much data: more than
// 10000000 observations") or that horizon (kArimaHorizonTooLarge).
Status Check(const Request& settings, long n);

// Fits checked settings to y. A typed request is first checked by CheckData; a complete series
// without regressors or drift goes to the driver (Arimamain), anything else to the state space
// route (EstimateStateSpace, regression.h); a typed fit then gets its filter state and standard
// errors (Finish) when the request asks for the model state. Storage that cannot be obtained
// fails the request (kEngineFailed, "Not enough memory for the request").
Outcome Execute(const Request& settings, std::span<const double> y);

// Check, then Execute.
Outcome Run(const Request& settings, std::span<const double> y);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_RUN_H
