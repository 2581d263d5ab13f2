// Admissibility of the ARIMA coefficients and their exact maximum-likelihood estimation.
#ifndef VORDEX_ARIMA_ESTIMATE_H
#define VORDEX_ARIMA_ESTIMATE_H

#include "arima/state.h"

namespace vordex::arima {

// The coefficient value from which the estimation starts when the Hannan-Rissanen values are
// unusable.
inline constexpr double kFallbackStart = 0.05;

// A start of the thorough estimation replaces the best end point so far only when it lowers the
// criterion (-2 log L up to a constant) by more than this: far above the rounding of the
// criterion, far below any difference between two optima worth choosing.
inline constexpr double kThoroughGain = 1e-6;

// 1 when each of the four factor polynomials of st (phi, Phi in B^s as a polynomial of
// degree s P, theta, Theta likewise) has every root of modulus 1.0 or more (roots from ZRoots
// with polishing); 0 when some root lies inside the unit circle or a root search fails (the
// search's own box is shown then).
int Arimaadmissible(ArimaStateRecord& st);

// Estimates the p + q + P + Q factor coefficients of st by exact maximum likelihood:
// minimises Arimaobjective with Minimise (relative tolerance 1e-10) from the current factor
// coefficients, stores the estimates, evaluates ArmaLogLikelihood there for the log-likelihood, the
// residuals e[nd+1..N] (e[1..nd] get the marker) and sigma2, expands the total polynomials and
// sets AIC = -2 log L + 2 (k + mean flag).
// When the kernel rejects the starting point outright (its value is the rejection value), the
// search starts from 0.05 for every coefficient instead. With no coefficients (k = 0) nothing is
// minimised.
// Returns 0; -1 after a box: "Error in Arima function MaxLik()" / "Vector allocation failure",
// the minimiser's failure, or the kernel's box when the optimum is inadmissible (the request then
// fails instead of returning a log-likelihood of -999).
int MaxLik(ArimaStateRecord& st);

// The thorough estimation: the best of several exact maximum-likelihood estimates.
//   1. MaxLik's own minimisation from the current factor coefficients (the driver's starting
//      values), with MaxLik's messages: the default estimate.
// For at most 12 coefficients, Powell's direction sets (relative tolerance 1e-10, messages
// silenced) then minimise a criterion that, with the mean flag, profiles the mean out by
// generalised least squares (without it, Arimaobjective), from
//   2. the default estimate (with the mean flag only),
//   3. the conditional-sum-of-squares estimate (arma::CssEstimate), when it has one,
//   4. zero coefficients, the white-noise model,
//   5. the best end point so far, over the partial autocorrelations (along the edge of the
//      admissible region; arma::MinimiseOverPartialAutocorrelations).
// A start replaces the best so far only when it lowers the criterion by more than 1e-6 (the
// default's value counts with the sample mean removed), so an unreplaced default ends exactly as
// MaxLik and the log-likelihood is never below MaxLik's. When a start wins with the mean flag, the
// driver's mean moves to the maximum-likelihood mean and the working series with it. Then as
// MaxLik: the log-likelihood, residuals, sigma2, total polynomials and AIC.
// Returns 0; -1 after a box, as MaxLik.
int MaxLikThorough(ArimaStateRecord& st);

// The criterion of MaxLik: ArmaObjective over w[nd+1..N] at the factor coefficients par[1..k]
// (phi, theta, Phi, Theta). Reads st; keeps no state.
double Arimaobjective(ArimaStateRecord& st, double* par);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_ESTIMATE_H
