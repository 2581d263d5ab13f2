#include "arima/polynomials.h"

#include <algorithm>
#include <cmath>

#include "arima/estimate.h"
#include "arima/prepare.h"
#include "arima/state.h"
#include "numerics/lsq.h"
#include "numerics/stats.h"
#include "numerics/vectors.h"

namespace vordex::arima {

using numerics::ReportError;

void Arimaexpand(ArimaStateRecord& st) {
  const int mx = std::max(st.p, st.q);
  const int Mx = std::max(st.P, st.Q);
  st.phistar[0] = st.thetastar[0] = 1.0;
  std::fill(st.phistar + 1, st.phistar + kTotalOrderLimit + 1, 0.0);
  std::fill(st.thetastar + 1, st.thetastar + kTotalOrderLimit + 1, 0.0);
  for (int j = 1; j <= mx; ++j) {
    st.phistar[j] = st.phi[j];
    st.thetastar[j] = st.theta[j];
  }
  if (st.s <= 1) return;
  for (int k = 1; k <= Mx; ++k) {
    st.phistar[k * st.s] = st.Phi[k];
    st.thetastar[k * st.s] = st.Theta[k];
  }
  // (1 - phi_j B^j)(1 - Phi_k B^ks) contributes -phi_j Phi_k at lag ks + j in the convention
  // 1 - sum c_i B^i.
  for (int k = 1; k <= Mx; ++k) {
    for (int j = 1; j <= mx; ++j) {
      st.phistar[k * st.s + j] = -st.phi[j] * st.Phi[k];
      st.thetastar[k * st.s + j] = -st.theta[j] * st.Theta[k];
    }
  }
}

void Arimafactors(ArimaStateRecord& st) {
  std::fill(std::begin(st.phi), std::end(st.phi), 0.0);
  std::fill(std::begin(st.theta), std::end(st.theta), 0.0);
  std::fill(std::begin(st.Phi), std::end(st.Phi), 0.0);
  std::fill(std::begin(st.Theta), std::end(st.Theta), 0.0);
  st.phi[0] = st.theta[0] = st.Phi[0] = st.Theta[0] = 1.0;
  for (int j = 1; j <= st.q; ++j) st.theta[j] = st.thetastar[j];
  for (int j = 1; j <= st.p; ++j) st.phi[j] = st.phistar[j];
  for (int k = 1; k <= st.Q; ++k) st.Theta[k] = st.thetastar[k * st.s];
  for (int k = 1; k <= st.P; ++k) st.Phi[k] = st.phistar[k * st.s];
}

void SetFactorCoefficients(ArimaStateRecord& st, double value) {
  for (int j = 1; j <= st.p; ++j) st.phi[j] = value;
  for (int j = 1; j <= st.q; ++j) st.theta[j] = value;
  for (int k = 1; k <= st.P; ++k) st.Phi[k] = value;
  for (int k = 1; k <= st.Q; ++k) st.Theta[k] = value;
}

double Arimapredict(ArimaStateRecord& st, int t) {
  if (t <= std::max(st.pp, st.qq) + st.nd) return 0.0;
  double sum = 0.0;
  for (int i = 1; i <= st.pp; ++i) sum += st.phistar[i] * st.w[t - i];
  for (int i = 1; i <= st.qq; ++i) sum -= st.thetastar[i] * st.e[t - i];
  return sum;
}

int Arimaresid(ArimaStateRecord& st) {
  std::fill(st.e.begin() + 1, st.e.begin() + 1 + std::min(st.nd + st.qq, st.N), 0.0);
  double S = 0.0;
  for (int t = st.nd + 1; t <= st.N; ++t) {
    st.e[t] = st.w[t] - Arimapredict(st, t);
    S += st.e[t] * st.e[t];
  }
  const int m = st.N - st.nd;
  st.sigma2 = S / m;
  return m;
}

int Yulew(ArimaStateRecord& st, int k, double* out) {
  if (k < 0) return ReportError(kArimaTitle, "invaild AR order in yule-walker estimation", 1);
  if (k == 0) {
    out[0] = 1.0;
    return 0;
  }
  auto gamma = numerics::vector(1, k);
  if (!gamma) return ReportError("Error in Arima function Yulew()", "Vector allocation failure", 1);
  // gamma[0..k]: index 0 is the storage before the range and is used.
  if (!numerics::ACF(st.w.data() + st.nd, st.N - st.nd, k, gamma.get(), 0)) return -1;
  // Work with autocorrelations: the solution is the same, and the inversion's absolute
  // singularity threshold then applies to a matrix with unit diagonal, whatever the scale of w.
  if (gamma[0] > 0.0) {
    const double g0 = gamma[0];
    for (int j = 0; j <= k; ++j) gamma[j] /= g0;
  }
  auto G = numerics::matrix(1, k, 1, k);
  if (!G) return ReportError("Error in Arima function Yulew()", "Matrix allocation failure", 1);
  for (int i = 1; i <= k; ++i)
    for (int j = 1; j <= k; ++j) G[i][j] = gamma[i > j ? i - j : j - i];
  if (!numerics::MatInverse(G.get(), k)) return -1;
  for (int i = 1; i <= k; ++i) {
    double sum = 0.0;
    for (int j = 1; j <= k; ++j) sum += G[i][j] * gamma[j];
    out[i] = sum;
  }
  return 0;
}

// Hannan and Rissanen (1982): residuals of a long autoregression stand in for the unobserved
// innovations, and one linear regression then gives the ARMA coefficients.
int Hannan(ArimaStateRecord& st) {
  // A start that cannot be computed (a singular Yule-Walker or regression system, reported by
  // the solver) is replaced by the fallback: the likelihood search does not need a good start.
  auto fallback = [&st] {
    std::fill(st.phistar + 1, st.phistar + kTotalOrderLimit + 1, 0.0);
    std::fill(st.thetastar + 1, st.thetastar + kTotalOrderLimit + 1, 0.0);
    SetFactorCoefficients(st, kFallbackStart);
    Arimaexpand(st);
    return 0;
  };
  if (st.qq == 0) {
    if (Yulew(st, st.pp, st.phistar) < 0) return fallback();
    Arimafactors(st);
    return 0;
  }
  const int m = std::max(st.pp, st.qq);
  const int pp = st.pp;
  const int qq = st.qq;
  const int kk = pp + qq;
  const int start = st.nd + qq + m;
  const int nrows = st.N - start;
  // Too short for the regression (and for a long autoregression whose residuals it could use).
  if (nrows < kk) return fallback();
  if (Yulew(st, m, st.phistar) < 0) return fallback();
  // Residuals of the long autoregression.
  st.pp = m;
  st.qq = 0;
  st.thetastar[0] = 1.0;
  Arimaresid(st);
  st.pp = pp;
  st.qq = qq;

  // The regression is run on w and e divided by the root mean square of w: the coefficients are
  // unchanged, and the normal equations no longer scale with the square of the data (the 2 x 2
  // inversion tests its determinant against an absolute threshold).
  double ss = 0.0;
  for (int t = st.nd + 1; t <= st.N; ++t) ss += st.w[t] * st.w[t];
  const double rms = std::sqrt(ss / (st.N - st.nd));
  const double scale = rms > 0.0 ? 1.0 / rms : 1.0;
  // The normal equations, row by row (each sum over the rows in order, as OLSQ forms it): the
  // design is never stored, so the storage does not grow with the series.
  auto A = numerics::matrix(1, kk, 1, kk);
  if (!A) return ReportError(kArimaTitle, "Matrix allocation failure in Hannan()", 1);
  auto b = numerics::vector(1, kk);
  auto x = numerics::vector(1, kk);
  auto coef = numerics::vector(1, kk);
  if (!b || !x || !coef)
    return ReportError(kArimaTitle, "Vector allocation failure in Hannan()", 1);
  for (int i = 1; i <= kk; ++i) {
    b[i] = 0.0;
    for (int j = 1; j <= kk; ++j) A[i][j] = 0.0;
  }
  for (int row = 1; row <= nrows; ++row) {
    const int t = start + row;
    for (int j = 1; j <= pp; ++j) x[j] = scale * st.w[t - j];
    for (int j = 1; j <= qq; ++j) x[pp + j] = scale * st.e[t - j];
    const double y = scale * st.w[t];
    for (int i = 1; i <= kk; ++i) {
      for (int j = 1; j <= kk; ++j) A[i][j] += x[i] * x[j];
      b[i] += x[i] * y;
    }
  }
  if (!numerics::OLSQNormal(A.get(), b.get(), kk, coef.get())) return fallback();
  // The coefficient of a lagged residual is minus the MA coefficient.
  for (int j = 1; j <= pp; ++j) st.phistar[j] = coef[j];
  for (int j = 1; j <= qq; ++j) st.thetastar[j] = -coef[pp + j];
  Arimafactors(st);
  return 0;
}

}  // namespace vordex::arima
