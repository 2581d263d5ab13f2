// Starting values for the exact likelihood of a multiplicative seasonal ARMA model: the
// conditional-sum-of-squares estimate and the Hannan-Rissanen estimate, which the ARIMA and ARMAX
// engines try among their starts (the likelihood of models with AR and MA factors can have
// several local maxima, and the one a minimiser climbs depends on where it starts).
//
// Conventions as in arma/likelihood.h: integers by reference, par holds the p AR, q MA, P
// seasonal AR and Q seasonal MA coefficients in the Box-Jenkins sign convention, w[0] is w(1).
// Nothing here shows a message: the minimiser's and the solvers' are silenced.
#ifndef VORDEX_ARMA_STARTS_H
#define VORDEX_ARMA_STARTS_H

#include "numerics/powell.h"

namespace vordex::arma {

// The mean squared conditional residual of w (n doubles) at par: with the full operators of
// degrees np = p + s P and nq = q + s Q, e(t) = w(t) - sum phi_i w(t-i) + sum theta_j e(t-j) for
// t = np+1..n, every e before np+1 taken as 0, and the value sum e(t)^2 / (n - np). Returns
// kObjectiveRejected when ArmaInadmissible is true, when n <= np, when the orders are inconsistent
// with s, or when the value is not finite.
double ArmaCss(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
               const double* par, const double* w);

// The conditional-sum-of-squares estimate: minimises ArmaCss over the admissible region by
// Powell's direction sets (relative tolerance 1e-10) from zero coefficients. par (p + q + P + Q
// doubles) receives the end point. Returns false when no point with a finite criterion was found
// (par is then zeros); with no coefficients par is untouched and the result is true.
bool CssEstimate(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
                 const double* w, double* par);

// The Hannan-Rissanen estimate (Hannan and Rissanen 1982): the residuals of a Yule-Walker
// autoregression of order m = max(np, nq) (autocovariances about 0, divisor n; Durbin-Levinson)
// stand in for the innovations, and the least-squares regression of w(t) on w(t-1..t-np) and
// those residuals at lags 1..nq, over t = nq + m + 1..n, gives the full operators; the factor
// coefficients are read at the lags where each factor acts alone (phi_j at lag j, Phi_k at lag
// k s, likewise for the MA factors). Without an MA part the Yule-Walker fit of order np is the
// estimate. Returns false when the series is too short for the regression, a system is singular,
// or the estimate is not admissible (ArmaInadmissible); par (p + q + P + Q doubles) is written only
// on success.
bool HannanRissanenEstimate(const int& n, const int& p, const int& q, const int& s, const int& P,
                            const int& Q, const double* w, double* par);

// Minimises criterion (a function of the coefficients par[1..k], 1-based, k = p + q + P + Q) by
// Powell's direction sets (relative tolerance 1e-10) over the partial autocorrelations of its
// four lag polynomials, each r = tanh(u) for an unbounded u (Jones 1980; Monahan 1984): the
// coefficients 1 - c_1 z - ... - c_m z^m follow from r_1..r_m by the Durbin-Levinson recursion,
// and every u gives roots outside the unit circle. Where the optimum lies on the edge of the
// admissible region (a unit root), the edge is a face u_j -> infinity of the new coordinates, so
// the search slides along it instead of stalling against the criterion's rejection of points
// beyond it, as a search over the coefficients themselves can. par holds the start on entry
// (each polynomial's partial autocorrelations capped at 1 - 1e-6 in magnitude) and the end point
// on return when the end value is below the start's; returns the criterion's value at par.
double MinimiseOverPartialAutocorrelations(int p, int q, int P, int Q,
                                           numerics::Criterion criterion, double* par);

// The thorough search shared by the ARIMA and ARMAX engines: minimises criterion (a function of
// par[1..k], 1-based, k = p + q + P + Q, returning kObjectiveRejected outside its region) from
// several starts and keeps the lowest end point. par holds the incumbent on entry (the engine's
// default estimate, whose criterion value is `incumbent`) and the best end point on return. The
// starts, in order: the incumbent itself (when `refine_incumbent`), the conditional-sum-of-squares
// estimate, the Hannan-Rissanen estimate (0.05 for every coefficient when it has none) and zero
// coefficients (the white-noise model), the estimates taken from the n doubles w; each is
// minimised by Powell's direction sets over the coefficients (relative tolerance 1e-10), and the
// best end point once more by MinimiseOverPartialAutocorrelations (an optimum near a unit root
// lies along the edge of the admissible region). A start replaces the best so far only when it
// lowers the criterion by more than `gain`, so on ties the earliest stands. Returns the best
// value (`incumbent` when nothing replaced it, par then untouched). Messages are silenced.
double MinimiseFromStarts(const int& n, const int& p, const int& q, const int& s, const int& P,
                          const int& Q, const double* w, numerics::Criterion criterion,
                          double incumbent, bool refine_incumbent, double gain, double* par);

}  // namespace vordex::arma

#endif  // VORDEX_ARMA_STARTS_H
