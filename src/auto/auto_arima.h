// Automatic ARIMA: the orders of a seasonal ARIMA model chosen by the stepwise search of Hyndman
// and Khandakar (2008, "Automatic time series forecasting: the forecast package for R", Journal
// of Statistical Software 27(3)), as R's forecast::auto.arima runs it, each candidate fitted by
// the ARIMA engine's exact maximum likelihood.
#ifndef VORDEX_AUTO_AUTO_ARIMA_H
#define VORDEX_AUTO_AUTO_ARIMA_H

#include <span>
#include <string>
#include <vector>

#include "arima/run.h"
#include "auto/outcome.h"

namespace vordex::automatic {

struct AutoArimaSettings {
  // Seasonal frequency m (1: non-seasonal). Seasonal models only for 2..24, the engine's range;
  // a longer period gives the non-seasonal search.
  int period = 1;
  int horizon = 10;  // forecasts for times n+1 .. n+horizon, 0..120
  // Coverages of the prediction limits in percent, each in (0, 100).
  std::vector<double> levels = {80.0, 95.0};
  int d = -1, D = -1;  // differences; -1: chosen by the tests (KPSS for d, seasonal strength for D)
  // Bounds of the search; the engine's own limits cap them (p, q <= 12; P, Q <= 3; d, D <= 2).
  // max_order bounds p + q + P + Q in the search over every model only, as in auto.arima.
  int max_p = 5, max_q = 5, max_P = 2, max_Q = 2, max_order = 5, max_d = 2, max_D = 1;
  bool stepwise = true;  // false: every model within the bounds
  bool allow_constant = true;
  // After the search, the three candidates of lowest AICc are re-estimated from several
  // starting points (the engine's thorough estimation) and the best of them is chosen.
  bool thorough = false;
  // Regression with ARIMA errors: the regressors' names, their n values and their h = horizon
  // future values (by columns; not owned), kept in every candidate; the search is over the
  // errors' model.
  std::span<const std::string> names = {};
  std::span<const double> xreg = {}, future = {};
  // With d + D = 1 the constant is a drift (R's allowdrift); false: no constant then.
  bool drift = true;
  // Rank the candidates by conditional sums of squares and fit exactly only the best of them (R's
  // approximation, its default above 150 values); a series with missing values is searched
  // exactly all the same.
  bool approximation = false;
};

// One model of the search, with the criterion it scored.
struct ArimaCandidate {
  int p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0;
  bool constant = false;
  double aicc = 0.0;  // +infinity when the fit failed or was not admissible
  std::string note;   // empty, or why the candidate was set aside
};

struct AutoArimaResult {
  arima::Request model;              // the chosen model: orders, period, mean flag, horizon, limits
  arima::Estimates fit;              // its fit by the engine
  double aicc = 0.0, bic = 0.0;      // its criteria, counted as R's Arima counts them
  std::vector<ArimaCandidate> path;  // every candidate fitted, in the order of the search
};

// Chooses and fits a model for y[0..n-1] (n <= kMaxObservations; NaN for a missing value):
// 1. The differencing tests run on the series, or with regressors on the residuals of its
//    least-squares regression on them and an intercept (over the observed values), as R's
//    auto.arima; with gaps, on the copy decompose::InterpolateMissing fills (R's na.interp).
//    D: 0 without a seasonal period; else the given value, or for n > 2 m
//    NumberOfSeasonalDifferences (seasonal strength above 0.64, at most max_D), else 0 (one
//    less when it leaves a regressor constant). d: the given value, or NumberOfDifferences (KPSS
//    at level 0.05, at most max_d) of the D times seasonally differenced series (one less when
//    it leaves a regressor constant).
// 2. A constant (the mean of the differenced series) is tried only when allow_constant and
//    d + D = 0, or d + D = 1 with drift. The bounds shrink as auto.arima's: p, q <= n / 3;
//    P, Q <= n / (3 m); with a seasonal AR (MA) part allowed, p (q) <= m - 1 (n the observed
//    values).
// 3. Stepwise: the models (2,d,2)(1,D,1), (0,d,0)(0,D,0), (1,d,0)(1,D,0), (0,d,1)(0,D,1) with
//    the constant when allowed, then (0,d,0)(0,D,0) without it (seasonal parts only for m > 1;
//    below 10 values the first is (1,d,1)); then from the best model the moves of auto.arima in
//    its order, P and Q by one, both together, p and q by one, both together, and the constant
//    switched, taking the first move that lowers the AICc and starting again from there, until no
//    move improves or 94 models have been fitted. Without stepwise: every (p, q, P, Q) within the
//    bounds with p + q + P + Q <= max_order, with and without the constant. A series that is
//    constant after differencing gets (0,d,0)(0,D,0) alone, as in auto.arima.
// 4. With the approximation (and no missing value), every candidate of the search is fitted by
//    arima::EstimateCss and scored by R's approximate AIC, offset + n* ln sigma2_CSS + 2 k, with
//    offset = -2 log L - n ln sigma2 of the exact fit of (0,d,0)(0,D,0) with the regressors (and
//    the constant when d + D = 0); the candidates are then fitted exactly in the order of their
//    approximate AICc, the first whose exact fit is admissible being the choice, as auto.arima
//    does. The thorough estimation is not made then.
// 5. Criterion: AICc = AIC + 2 k (k + 1) / (n* - k - 1) and BIC = AIC + k (ln n* - 2), with
//    k = p + q + P + Q + constant + regressors + 1 (sigma counted), n* = the observed values less
//    d + D m, and AIC = -2 log L + 2 k. A candidate is set aside (AICc +infinity, with a note)
//    when the engine fails, when n* <= k + 1, or when a root of one of its AR or MA polynomials
//    (regular or seasonal) has modulus below 1.01 (auto.arima's guard against near unit roots).
//    Orders the engine's checker refuses are not tried; no model is fitted twice.
// The chosen model ends as a typed fit does, with its filter state and standard errors.
// The limits of each level lie z standard errors from the forecasts, z the normal quantile of
// (1 + level / 100) / 2 (fit.bands, in the order of the levels). Messages raised by the engine
// during the search do not reach the caller's handler. Fails for fewer than 3 observed or more
// than kMaxObservations values, an infinite value, period < 1, a horizon outside
// 0..kMaxObservations, a level outside (0, 100), d or D outside -1..2, a negative bound,
// regressors the engine refuses (with its reason), or when no candidate could be fitted.
Outcome<AutoArimaResult> AutoArima(const AutoArimaSettings& settings, std::span<const double> y);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_AUTO_ARIMA_H
