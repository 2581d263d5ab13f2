// Admissibility of the ARIMA coefficients and their exact maximum-likelihood estimation.
#ifndef VORDEX_ARIMA_ESTIMATE_H
#define VORDEX_ARIMA_ESTIMATE_H

#include "arima/state.h"

namespace vordex::arima {

// The coefficient value from which the estimation starts when the Hannan-Rissanen values are
// unusable.
inline constexpr double kFallbackStart = 0.05;

// 1 when each of the four factor polynomials of ArimaState (phi, Phi in B^s as a polynomial of
// degree s P, theta, Theta likewise) has every root of modulus 1.0 or more (roots from ZRoots
// with polishing); 0 when some root lies inside the unit circle or a root search fails (the
// search's own box is shown then).
int Arimaadmissible(ArimaStateRecord& st);

// Estimates the p + q + P + Q factor coefficients of ArimaState by exact maximum likelihood:
// minimises Arimaobjective with Minimise (relative tolerance 1e-10) from the current factor
// coefficients, stores the estimates, evaluates Armaxcomp there for the log-likelihood, the
// residuals e[nd+1..N] (e[1..nd] get the marker) and sigma2, expands the total polynomials and
// sets AIC = -2 log L + 2 (k + mean flag).
// When the kernel rejects the starting point outright (its value is the rejection value), the
// search starts from 0.05 for every coefficient instead. With no coefficients (k = 0) nothing is
// minimised.
// Returns 0; -1 after a box: "Error in Arima function MaxLik()" / "Vector allocation failure",
// the minimiser's failure, or the kernel's box when the optimum is inadmissible (the request then
// fails instead of returning a log-likelihood of -999).
int MaxLik(ArimaStateRecord& st);

// The thorough estimation: the best of several exact maximum-likelihood estimates. With the
// mean flag the criterion profiles the mean out by generalised least squares (the mean removed
// by the driver is then shifted to the maximum-likelihood mean, and the working series with it);
// without it the criterion is Arimaobjective. Powell's direction sets (relative tolerance 1e-10)
// start from:
//   1. the end point of MaxLik's own minimisation from the current factor coefficients (the
//      driver's starting values), the default estimate;
//   2. zero coefficients, the white-noise model;
//   3. the conditional-sum-of-squares estimate (arma::CssEstimate), when it has one;
// and once more from the best end point with fresh directions. The lowest criterion value wins;
// every point the criterion accepts is admissible by the kernel's test. The minimisers' messages
// are silenced. Then as MaxLik: the log-likelihood, residuals, sigma2, total polynomials and AIC.
// The result is never below MaxLik's: its end point is a start, and profiling the mean only
// raises the likelihood.
// Returns 0; -1 after a box: "Error in Arima function MaxLik()" / "No admissible optimum was
// found from any start", or the kernel's box as MaxLik.
int MaxLikThorough(ArimaStateRecord& st);

// The criterion of MaxLik: ArmaObjective over w[nd+1..N] at the factor coefficients par[1..k]
// (phi, theta, Phi, Theta). Reads ArimaState; keeps no state.
double Arimaobjective(ArimaStateRecord& st, double* par);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_ESTIMATE_H
