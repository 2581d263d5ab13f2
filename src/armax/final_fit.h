// The final fit of an estimated ARMAX model: residuals, summary statistics, forecasts with their
// standard errors and limits.
//
// Conventions as in armax/model.h: integers by reference, arrays as plain caller-owned pointers
// whose first position holds the first element named (e[0] is e(1); phi[0] is phi(0)), matrices
// by columns with leading dimension n. Lag polynomials follow the Box-Jenkins sign convention: a
// coefficient vector c(1..k) stands for 1 - c(1) B - ... - c(k) B^k.
#ifndef VORDEX_ARMAX_FINAL_FIT_H
#define VORDEX_ARMAX_FINAL_FIT_H

#include "armax/model.h"

namespace vordex::armax {

// Status codes of Armax_xtra (the driver adds 20).
enum XtraStatus : int {
  kXtraOk = 0,
  kXtraInadmissible = 1,        // the estimated coefficients are not stationary and invertible
  kXtraRegressionFailed = 2,    // the regression fit failed (or regressors were asked for)
  kXtraRegressionForecast = 4,  // forecasts were requested for a model with regressors
  kXtraStorage = 5,             // work storage could not be obtained
};

// Number of doubles of the statistics record.
inline constexpr int kStatistics = 4;
// Positions in the statistics record.
enum Statistic : int {
  kStatObjective = 0,  // F = n ln(SSE) + ln(G) (G = 1 without ARMA coefficients)
  kStatLogLik = 1,     // the maximised log-likelihood
  kStatSumSq = 2,      // sum of the squared one-step prediction errors e(t)
  kStatSigma2 = 3,     // the innovation variance estimate SSE / n
};

// The final fit at the estimated coefficients, and the forecasts when model.h > 0.
//   model   the request's record (orders, flags, n; nreg must be 0: no regressors are carried).
//   w       the modelled series, model.n doubles.
//   x       the transformed, undifferenced observations x(1..N), N = n + d + s*D (x[0] = x(1));
//           the last of them is at the time of w(n).
//   c       the critical value of the limits, used unchanged.
//   par     p + q + P + Q coefficients (AR, MA, seasonal AR, seasonal MA).
// Outputs (caller-owned, written):
//   e       n doubles: one-step prediction errors of w about the fitted constant.
//   A       n doubles: A[t-1] = sqrt(v(t-1)), the prediction-error scale (only with ARMA terms).
//   f, se   h doubles each: point forecasts for N+1 .. N+h on the scale of the observations, and
//           their standard errors on the transformed scale.
//   limits  2h doubles: lower limits, then upper limits, on the scale of the observations.
//   b       k doubles: the constant (generalized least-squares mean of w) when one is fitted.
//   stats   kStatistics doubles (Statistic positions).
//   status  (written) an XtraStatus. On failure the outputs written so far stay as they are.
// The forecasts treat the constant as the mean of w: the constant term of the forecast recursion
// is that mean times the AR operator at B = 1, so that an AR model reverts to the mean.
// ftrans, when given (h doubles, written), receives the forecasts on the transformed scale, from
// which limits of other critical values are formed as `limits` are.
void Armax_xtra(const ArmaxModelRecord& model, const double* w, const double* x, const double& c,
                const double* par, double* e, double* A, double* f, double* se, double* limits,
                double* b, double* stats, int& status, double* ftrans = nullptr);

// The forecasts f and their standard errors se (model.h doubles each, written; on the transformed
// scale) of the model with coefficients par, the mean mu of w and innovation variance sigma2,
// from the end of its series: history holds the last nhist values of x (of w when d = D = 0; the
// last at the forecast origin, earlier ones counting as 0) and e the last n one-step errors
// (e[n - 1] at the origin). Armax_xtra forecasts through this with the whole series, so that the
// last p + sP + d + sD values and q + sQ errors give its forecasts bit for bit. Returns kXtraOk,
// kXtraInadmissible or kXtraStorage.
int ArmaxForecastFrom(const ArmaxModelRecord& model, const double* par, double mu, double sigma2,
                      const double* history, int nhist, const double* e, int n, double* f,
                      double* se);

// r = Y(:,1) - sum_{j=1..k} Y(:,j+1) b(j) for the n-by-(k+1) matrix Y (by columns, leading
// dimension n); r and b hold n and k doubles.
void Armaxresid(const double* Y, const int& n, const int& k, const double* b, double* r);

// The log-likelihood at the maximum from the objective value F = n ln(SSE) + ln(G):
// -0.5 (n (1 + ln(2 pi / n)) + F). n >= 1.
double Armaxloglik(const int& n, const double& F);

// Multiplies the AR operator phi (elements 0..np; phi[0] is not read) by (1 - B)^d (1 - B^s)^D.
//   phid  np + d + s*D + 1 doubles (written): the product in the same convention; phid[0] = 0.
//   npd   (written) its degree np + d + s*D.
void Armaxdiffop(const int& np, int& npd, const int& d, const int& s, const int& D,
                 const double* phi, double* phid);

// Psi weights of theta(B) / phid(B): psi (h + 1 doubles, written) with psi[0] = 1. theta holds
// elements 0..nq and phid elements 0..npd (element 0 of each is not read).
void Armaxpsi(const int& h, const int& npd, const int& nq, const double* theta, const double* phid,
              double* psi);

// Forecasts for j = 1..h from the AR operator phid (0..npd), the MA operator theta (0..nq), the
// constant term mu and the innovation variance sigma2.
//   history  nhist doubles, the last of which is history(n) (the value at the forecast origin);
//            history(n - m) = history[nhist - 1 - m]. Earlier values count as 0.
//   e        n doubles, e[0] = e(1): the one-step prediction errors; earlier ones count as 0.
//   f, se    h doubles each (written): f(j) = mu + sum phid(i) (f or history)(n + j - i)
//            - sum_{i >= j} theta(i) e(n + j - i); se(j) = sqrt(sigma2 (psi(0)^2 + ... +
//            psi(j-1)^2)).
// Returns false (after the allocator's stop box) when the psi weights cannot be stored.
bool Armaxfcst(const int& npd, const int& nq, const int& h, const int& n, const double* phid,
               const double* theta, const double& mu, const double& sigma2, const double* history,
               const int& nhist, const double* e, double* f, double* se);

// Undoes the transform of count values in place: the log transform takes exp; the square root
// sets negative values to 0 and squares; no transform leaves them alone.
void Armaxuntrans(double* values, const int& count, const Transform& transform);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_FINAL_FIT_H
