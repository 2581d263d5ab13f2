// Model polynomials, conditional residuals and starting values of the ARIMA engine.
//
// All routines work on the state record st: the working series w[1..N] with nd leading markers, the
// residuals e, the factor coefficients phi, theta, Phi, Theta, the total coefficients phistar,
// thetastar and the orders. Because p < s and q < s whenever a seasonal factor is present, the
// products phi(B) Phi(B^s) and theta(B) Theta(B^s) have no overlapping terms.
#ifndef VORDEX_ARIMA_POLYNOMIALS_H
#define VORDEX_ARIMA_POLYNOMIALS_H

#include "arima/state.h"

namespace vordex::arima {

// Multiplies out the factors: phistar[0] = thetastar[0] = 1, phistar[j] = phi[j] (j <= p),
// phistar[ks] = Phi[k], phistar[ks + j] = -phi[j] Phi[k], likewise thetastar; every other element
// of 1..84 is 0. With s <= 1 the seasonal factors are ignored.
void Arimaexpand(ArimaStateRecord& st);

// Reads the factor coefficients off the total ones at the lags where each factor acts alone:
// phi[j] = phistar[j] (j <= p), Phi[k] = phistar[ks] (k <= P), likewise theta and Theta. Element 0
// of each factor is set to 1.0 and every coefficient beyond its order to 0.
void Arimafactors(ArimaStateRecord& st);

// The conditional one-step prediction of w(t), sum phistar_i w(t-i) - sum thetastar_i e(t-i)
// over i = 1..pp and 1..qq; 0 when t <= max(pp, qq) + nd (no complete past).
double Arimapredict(ArimaStateRecord& st, int t);

// Conditional residuals with zero presample values: e[1..nd + qq] = 0, then for t = nd+1..N in
// order e(t) = w(t) - Arimapredict(t). Sets sigma2 = sum e(t)^2 / (N - nd) and returns N - nd
// (N - nd must be at least 1).
int Arimaresid(ArimaStateRecord& st);

// The Yule-Walker autoregression of order k on w[nd+1..N] (autocovariances about 0 with divisor
// N - nd): out[1..k] receives the AR coefficients, solved by inverting the Toeplitz matrix of
// autocorrelations (the autocovariances divided by the lag-0 value, so that the inversion's
// singularity test does not depend on the scale of w); k = 0
// only sets out[0] = 1.0. out must hold indices 0..k. Returns 0; -1 after a warning box:
//   "Error in Arimalib" / "invaild AR order in yule-walker estimation"  k < 0;
//   "Error in Arima function Yulew()" / "Vector allocation failure" or "Matrix allocation
//   failure"; or the boxes of ACF and MatInverse when those fail.
int Yulew(ArimaStateRecord& st, int k, double* out);

// Hannan-Rissanen starting values: a long Yule-Walker autoregression of order
// m = max(pp, qq) supplies residuals, and the least-squares regression of w(t) on w(t-1..t-pp)
// and e(t-1..t-qq), over t = nd + qq + m + 1..N, gives the total coefficients, from which the
// factor coefficients are read (Arimafactors). With qq = 0 the Yule-Walker fit of order pp is
// used directly. The regression runs on w and e divided by the root mean square of w (same
// coefficients, normal equations independent of the data's scale).
// When the series is too short for the regression (fewer rows than the pp + qq coefficients), or
// the Yule-Walker or regression system cannot be solved (after the solver's own box, if any),
// every factor coefficient starts at 0.05, the driver's start for unusable starting values, and
// the total coefficients are expanded from them.
// Returns 0 (factor and total coefficients set); -1 after a warning box "Error in Arimalib" /
// "Matrix allocation failure in Hannan()" or "Vector allocation failure in Hannan()".
int Hannan(ArimaStateRecord& st);

// Sets every factor coefficient phi[1..p], theta[1..q], Phi[1..P], Theta[1..Q] to value.
void SetFactorCoefficients(ArimaStateRecord& st, double value);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_POLYNOMIALS_H
