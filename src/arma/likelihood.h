// The exact Gaussian likelihood of a multiplicative seasonal ARMA model.
//
// The model for a (transformed, differenced, possibly mean-corrected) series w(1..n) is
//   phi(B) Phi(B^s) w(t) = theta(B) Theta(B^s) a(t),   a(t) ~ N(0, sigma2),
// with every lag polynomial in the Box-Jenkins sign convention: a coefficient vector c(1..k)
// stands for 1 - c(1) z - ... - c(k) z^k. The parameter vector par holds, in this order, the p AR
// coefficients, the q MA coefficients, the P seasonal AR and the Q seasonal MA coefficients.
//
// The likelihood is computed from the theoretical autocovariances of the process (unit innovation
// variance), which give the standardised one-step prediction errors Z(t) and the product G of the
// prediction-error variance ratios v(0) .. v(n-1). With S = sum Z(t)^2 the innovation variance is
// concentrated out: sigma2 = S / n and
//   -2 log L = n ln(S) + ln(G) + n (1 + ln(2 pi / n)).
// Two exact routes give Z and G: the Durbin-Levinson recursion on the autocovariances
// (WhitenDurbinLevinson, O(n^2)), and the Kalman filter of the model's state space form with its
// covariance recursion in the Chandrasekhar form (WhitenChandrasekhar, O(n r) with r = max(np, nq + 1)),
// which ArmaObjective and ArmaLogLikelihood use.
//
// Conventions of this file (those of the ARMAX engine, which shares it with the ARIMA engine):
// integers are passed by reference; arrays are plain pointers owned by the caller whose FIRST
// position holds the first element named in the contract (par[0] is par(1), w[0] is w(1), phi[0] is
// phi(0), acvf[0] is lag 0); matrices are stored by columns with leading dimension n. No routine
// keeps state between calls. The routines
// without a LikelihoodWorkspace argument size their work arrays from n and the orders and release
// them before they return; those with one take their work storage from it. Nothing here throws,
// exits or prints except through the message reporters of numerics/vectors.h.
#ifndef VORDEX_ARMA_LIKELIHOOD_H
#define VORDEX_ARMA_LIKELIHOOD_H

#include "numerics/vectors.h"

namespace vordex::arma {

// The objective value returned for an inadmissible (or otherwise unusable) parameter vector, so
// that a minimiser steps away from it.
inline constexpr double kObjectiveRejected = 1.0e20;
// The log-likelihood returned by ArmaLogLikelihood when it cannot evaluate the model.
inline constexpr double kLogLikFailed = -999.0;
// Thresholds of the admissibility test: a degree-1 polynomial is rejected when |c(1)| exceeds
// kCoefficientBound; a polynomial of higher degree when a root has modulus below kRootBound.
inline constexpr double kCoefficientBound = 0.9999;
inline constexpr double kRootBound = 1.0001;

// Multiplies out the nonseasonal and seasonal operators.
//   par   p + q + P + Q coefficients (read).
//   phi   np + 1 doubles, np = p + s*P (written): phi[k] is the coefficient of B^k of the full AR
//         operator in the sign convention above; phi[0] is set to 0 and means nothing.
//   theta nq + 1 doubles, nq = q + s*Q (written), likewise for the MA operator.
// With s <= 1 the seasonal coefficients do not enter: beyond lags p and q every element is 0
// (a negative s counts as 0 in the sizes).
// Returns true. The orders must satisfy p < s when P > 0 and q < s when Q > 0, so that the
// seasonal products never overlap the nonseasonal terms; otherwise nothing is written, the stop
// box "Armax error" / "Error in Phithetaplus: NAR >= seasonal frequency" (or "... NMA >= seasonal
// frequency") is shown and false is returned (the request fails; the process goes on).
bool ExpandSeasonalOperators(const int& p, const int& q, const int& s, const int& P, const int& Q,
                  const double* par, double* phi, double* theta);

// True when the polynomial 1 - c(1) z - ... - c(k) z^k is inadmissible (not all roots outside the
// unit circle by the margins above). c points to c(1) and holds k doubles (k >= 0; read only).
// Trailing coefficients that are exactly 0 lower the degree; degree 0 is admissible; degree 1 is
// rejected exactly when |c(1)| > 0.9999; higher degrees are rejected when some root has modulus
// < 1.0001 (a NaN modulus does not count as inside). Roots come from DZPLRC; when that fails
// (kernels::KernelFailed), the stop box "IMSL error" / "Error in THIS_PAR_BAD::DZPLRC" is shown and true is
// returned. Non-finite coefficients are always rejected.
bool PolynomialInadmissible(const double* c, const int& k);

// True when any of the four lag polynomials of par (p + q + P + Q doubles) is inadmissible. Tests,
// stopping at the first failure, the AR, MA, seasonal AR and seasonal MA polynomials, each in its
// own coefficients (the seasonal ones as polynomials in B^s).
bool ArmaInadmissible(const int& p, const int& q, const int& P, const int& Q, const double* par);

// Autocovariances of the ARMA(np, nq) process with full operators phi(0..np), theta(0..nq) (as
// written by ExpandSeasonalOperators; element 0 is not read) and unit innovation variance.
//   acvf  n doubles (written): acvf[k] = gamma(k) for lags k = 0 .. n-1.
// n >= 1. The autocovariances are found from the psi weights and the linear system for
// gamma(0..np) (McLeod's method), solved without pivoting; a stationary AR operator keeps the
// system regular. Lags beyond max(np, nq) follow the AR recursion. Returns true; false (after the
// stop box "Fatal error" of the allocator) when the work storage cannot be obtained or n < 1.
bool ArmaAutocovariances(const int& n, const int& np, const int& nq, const double* phi, const double* theta,
               double* acvf);
// The doubles of work storage that the form of ArmaAutocovariances below needs for n lags of an ARMA(np, nq)
// process (n >= 1, np >= 0, nq >= 0).
long ArmaAutocovariancesWork(const int& n, const int& np, const int& nq);
// ArmaAutocovariances with the caller's work storage (ArmaAutocovariancesWork(n, np, nq) doubles, contents ignored):
// the same numbers, and no storage obtained. Returns false when n < 1, np < 0 or nq < 0.
bool ArmaAutocovariances(const int& n, const int& np, const int& nq, const double* phi, const double* theta,
               double* acvf, double* work);

// Durbin-Levinson whitening of the m columns of X (n by m, by columns, leading dimension n) with
// the autocovariances acvf (lags 0 .. n-1).
//   Z  n by m (written, same layout as X; may not alias X): Z(t, col) is the one-step prediction
//      error of X(t, col) from X(1..t-1, col), divided by its standard deviation.
//   G  (written) the product v(0) v(1) ... v(n-1) of the prediction-error variances (relative to
//      the innovation variance).
//   A  n doubles or nullptr (written when given): A[t-1] = sqrt(v(t-1)).
// n >= 1, m >= 1. A zero or negative gamma(0) or a variance that reaches 0 yields infinities or
// NaNs, which propagate. Returns true; false (after the allocator's stop box) when the work
// storage cannot be obtained or n < 1 or m < 1.
bool WhitenDurbinLevinson(const double* acvf, const double* X, const int& n, const int& m, double* Z,
                 double& G, double* A);

// Work storage of likelihood evaluations, owned by the request that evaluates them: sized once
// for the largest evaluation and reused, so that an evaluation obtains no storage of its own. An
// evaluation that finds it too small enlarges it (the only time it allocates). One workspace
// serves one evaluation at a time; it holds nothing that an evaluation reads.
class LikelihoodWorkspace {
 public:
  LikelihoodWorkspace() = default;
  // A copy starts empty (and an assignment keeps the storage it has): the storage holds nothing
  // an evaluation reads, so records that own a workspace copy as their values do.
  LikelihoodWorkspace(const LikelihoodWorkspace&) {}
  LikelihoodWorkspace& operator=(const LikelihoodWorkspace&) { return *this; }
  LikelihoodWorkspace(LikelihoodWorkspace&&) = default;
  LikelihoodWorkspace& operator=(LikelihoodWorkspace&&) = default;
  // Makes room for ArmaObjective and ArmaLogLikelihood on n values with the orders (p, q)(P, Q)s.
  // Returns false when n < 1, an order is negative or the storage cannot be obtained (after the
  // allocator's stop box "Fatal error"); the storage held before is kept then.
  bool Reserve(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q);
  // Makes room for WhitenChandrasekhar on n values of m columns with full operators of degrees np
  // and nq. Returns false as Reserve (and when m < 1).
  bool ReserveOperators(const int& n, const int& np, const int& nq, const int& m);
  // The number of doubles held (0 before the first reservation).
  long size() const { return size_; }

 private:
  friend double* WorkspaceStorage(LikelihoodWorkspace& ws, long length);
  numerics::Vector block_;
  long size_ = 0;
};

// The one-step prediction errors of the m columns of X (n by m, by columns, leading dimension n)
// under the ARMA(np, nq) process with full operators phi(0..np), theta(0..nq) (as written by
// ExpandSeasonalOperators; element 0 is not read) and unit innovation variance, by the Kalman filter started
// from the stationary state covariance, in the Chandrasekhar form. The outputs are those of
// WhitenDurbinLevinson with the process's autocovariances, to rounding:
//   Z  n by m (written, same layout as X; may not alias X): the errors divided by their standard
//      deviations.
//   G  (written) the product v(0) v(1) ... v(n-1) of the prediction-error variance ratios.
//   A  n doubles or nullptr (written when given): A[t-1] = sqrt(v(t-1)).
// A value costs O(r) per column plus O(r) for the filter, r = max(np, nq + 1), until the filter
// has reached its steady state (late or never for MA roots near the unit circle), and O(r) per
// column afterwards; the argument for the switch to the steady state assumes MA roots of modulus
// 1.0001 or more, as ArmaInadmissible admits. The AR operator must be stationary; otherwise (and for
// a variance that reaches 0) the outputs hold infinities or NaNs. Returns true; false when n < 1,
// m < 1, np < 0, nq < 0 or the work storage cannot be obtained (after the allocator's stop box).
bool WhitenChandrasekhar(const int& n, const int& np, const int& nq, const double* phi, const double* theta,
                 const double* X, const int& m, double* Z, double& G, double* A,
                 LikelihoodWorkspace& ws);
bool WhitenChandrasekhar(const int& n, const int& np, const int& nq, const double* phi, const double* theta,
                 const double* X, const int& m, double* Z, double& G, double* A);

// The concentrated objective n ln(S) + ln(G) of the series w (n doubles) at par, which is
// -2 log L less n (1 + ln(2 pi / n)). Returns kObjectiveRejected (1.0e20, no message) when
// ArmaInadmissible is true, when the evaluation is impossible (n < 1, orders inconsistent with s,
// no storage) or when the value is not finite. The criterion minimised by the ARIMA and ARMAX
// engines. The workspace form takes its storage from ws; the other from a workspace of its own.
double ArmaObjective(const int& n, const int& p, const int& q, const int& s, const int& P,
                     const int& Q, const double* par, const double* w, LikelihoodWorkspace& ws);
double ArmaObjective(const int& n, const int& p, const int& q, const int& s, const int& P,
                     const int& Q, const double* par, const double* w);

// The maximised log-likelihood -0.5 (n ln(S) + ln(G) + n (1 + ln(2 pi / n))) of w (n doubles) at
// par, with the one-step prediction errors residuals[t-1] = A(t) Z(t) (n doubles, written) and
// sigma2 = S / n (written). When ArmaInadmissible is true the stop box "Armax error" / "Error in
// Armaxcomp: phitheta out-of-bounds" is shown, the outputs are left untouched and kLogLikFailed
// (-999.0) is returned; likewise (without a box of its own) when the evaluation is impossible
// (n < 1, orders inconsistent with s, no storage). The workspace form takes its storage from ws.
double ArmaLogLikelihood(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
                 const double* par, const double* w, double* residuals, double& sigma2,
                 LikelihoodWorkspace& ws);
double ArmaLogLikelihood(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
                 const double* par, const double* w, double* residuals, double& sigma2);

}  // namespace vordex::arma

#endif  // VORDEX_ARMA_LIKELIHOOD_H
