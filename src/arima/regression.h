// The ARIMA engine's state space route and the end of every typed fit.
//
// A typed request whose series has missing values (NaN), or which has regressors or a drift, is
// estimated through the model's state space form (arma/state_space.h): regression with seasonal
// ARIMA errors,
//   y(t) = x(t)' b + n(t),  phi(B) Phi(B^s) (1 - B)^d (1 - B^s)^D n(t) = theta(B) Theta(B^s) a(t),
// on the transformed (not scaled) observations, by the exact likelihood of the observed values,
// b profiled out by generalised least squares. A typed fit of either route then carries the
// Kalman filter's state after its last time and the standard errors of its coefficients.
//
// The model's regressors, in this order: the constant's column c (with the mean flag), the
// solution of (1 - B)^d (1 - B^s)^D c(t) = 1 with c(t) = 0 before time 1 (1 without differencing,
// t for d = 1, ceil(t / s) for D = 1), whose coefficient is the mean mu of the differenced series;
// the drift t; then the request's own. With s = 1 the seasonal differences are taken at lag 1.
#ifndef VORDEX_ARIMA_REGRESSION_H
#define VORDEX_ARIMA_REGRESSION_H

#include <span>
#include <string>
#include <vector>

#include "arima/run.h"
#include "arma/state_space.h"

namespace vordex::arima {

// Why a typed request's data are refused: kOk, or the status and the text.
struct Refusal {
  Status status = Status::kOk;
  std::string text;
};

// The checks of a typed request on the observations y (after the checker's rules), in order,
// stopping at the first that fails:
//   kInvalidSettings: a drift with d + D >= 2 (R fits none); constant and drift with d + D = 1
//     (the same term); a constant with d + D >= 2 on the state space route;
//   kInvalidData: regressors whose values are not n (future: h) rows of the named columns; an
//     empty or repeated name; a regressor value that is not a finite number (named, with its
//     time); a constant column; an observation that is infinite or outside the transform's
//     domain (log: positive, square root: not negative; with its time);
//   kTooFewObservations: fewer observed values than d + D s + the coefficients + the regression
//     coefficients + 1, with both numbers in the text;
//   kInvalidData: a regressor that differencing removes, or one within 1e-8 (relative) of the span
//     of the ones before it after differencing, named with those it depends on.
Refusal CheckData(const Request& r, std::span<const double> y);

// True when a typed request takes the state space route: a missing value, regressors, drift or a
// start of its own.
bool UsesStateSpace(const Request& r, std::span<const double> y);

// The names of the model's regressors: "mean" (mean flag), "drift", then r.names.
std::vector<std::string> RegressorNames(const Request& r);

// The model's regressors (see above) at the times first .. first + count - 1 (1-based), by
// columns: count rows, the request's own taken from `own` (count by k, by columns, k =
// r.names.size()). The constant's column is computed from time 1 on, so the cost is
// O((first + count) (d + s D)); its values are integers, exact below 2^53.
std::vector<double> RegressorMatrix(const Request& r, long first, long count,
                                    std::span<const double> own);

// The state space form of the request's model, with its diffuse start.
arma::RegArimaModel StateSpaceModel(const Request& r);

// x on the model's scale: the log, the square root, or x itself (NaN stays NaN).
double TransformValue(Transform transform, double x);

// Fits a request that CheckData passed by the state space route:
//   1. starting values: the least-squares regression of the differenced, linearly interpolated
//      series on the differenced regressors, and the Hannan-Rissanen estimate
//      (arma::HannanRissanenEstimate) on its residuals (0.05 for every coefficient when it has
//      none; zeros when the likelihood rejects that too);
//   2. Powell's direction sets (relative tolerance 1e-8) on arma::RegArimaObjective; with the
//      thorough flag, arma::MinimiseFromStarts from there;
//   3. Newton steps on the numerical gradient and Hessian, each kept when it lowers the objective;
//   4. the full evaluation at the estimates: b, sigma2, the log-likelihood, the one-step
//      predictions (fitted values, on the observations' scale; NaN while the diffuse part is
//      unresolved), residuals (transformed scale; NaN at missing times and diffuse steps), the
//      working series (the differenced regression errors), the filter state, the standard errors
//      (as Finish; with the model state only) and the forecasts and limits from the state, with
//      the future regressors.
// The AIC counts the coefficients and b. Fails (kEngineFailed, kFailureText) when no admissible
// point is reached or the minimiser fails.
Outcome EstimateStateSpace(const Request& r, std::span<const double> y);

// The conditional-sum-of-squares fit of a request on a complete series (R's arima(method =
// "CSS")), to rank candidate models quickly: the residuals of the differenced series, its
// regressors' coefficients profiled out by least squares, from the ARMA recursion started with
// zero residuals after the first p + P s differenced values, minimised over the coefficients by
// Levenberg-Marquardt from zeros, unconstrained. sigma2 is the sum of squares over the number of
// residuals. ok is false (with a note) when no residual is left or none is finite.
struct CssFit {
  bool ok = false;
  double sigma2 = 0.0;
  std::vector<double> phi, theta, Phi, Theta;  // the engine's signs
  std::string note;
};
CssFit EstimateCss(const Request& r, std::span<const double> y);

// Completes a fit of the request on y (of either route) with the filter state after the last
// time (the Kalman filter at the estimates from the request's diffuse start, b fixed at the fit's,
// the mean mu being the coefficient of the constant's column) and the standard errors. Standard
// errors come from the inverse of the central-difference Hessian of -log L (sigma2 concentrated)
// in the coefficients and b, with steps of c standard errors, c = (eps U)^(1/4) (U the
// innovations counted), that balance the truncation error (c^2) and the rounding of the
// likelihood (eps U / c^2); the standard errors stood in are 1 / sqrt(U) for an ARMA coefficient
// (its largest value) and b's generalised least-squares standard errors. They are NaN when a step
// leaves the admissible region or the Hessian is not positive definite; has_state stays false
// when the filter cannot run.
void Finish(const Request& r, std::span<const double> y, Estimates& fit);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_REGRESSION_H
