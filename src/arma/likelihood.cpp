#include "arma/likelihood.h"

#include <algorithm>
#include <cmath>

#include "numerics/kernels/dzplrc.h"
#include "numerics/kernels/error_state.h"
#include "numerics/vectors.h"

namespace vordex::arma {

namespace {

// The error type read by the last KernelFailed call.
thread_local int kernel_error_type = 0;

// The largest degree the root finder accepts.
constexpr int kMaxRootDegree = 100;

// S = sum of squares of z[0..n-1].
double SumOfSquares(const double* z, int n) {
  double sum = 0.0;
  for (int t = 0; t < n; ++t) sum += z[t] * z[t];
  return sum;
}

// Everything an evaluation of the likelihood needs: the full operators, the autocovariances and
// the whitened series, with S and G. Returns false when the evaluation is impossible (the caller
// has already ruled out inadmissible parameters).
struct Evaluation {
  numerics::Vector store;
  double* Z = nullptr;
  double* A = nullptr;
  double S = 0.0;
  double G = 0.0;
};

bool Evaluate(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
              const double* par, const double* w, bool want_A, Evaluation& ev) {
  if (n < 1) return false;
  const int seasonal = s > 1 ? s : 0;
  const int np = p + seasonal * P;
  const int nq = q + seasonal * Q;
  // One block: phi(0..np), theta(0..nq), acvf(0..n-1), Z(1..n), A(1..n).
  const long length = (np + 1L) + (nq + 1L) + 2L * n + (want_A ? n : 0L);
  ev.store = numerics::vector(1, length);
  if (!ev.store) return false;
  double* phi = ev.store.get() + 1;
  double* theta = phi + np + 1;
  double* acvf = theta + nq + 1;
  ev.Z = acvf + n;
  ev.A = want_A ? ev.Z + n : nullptr;
  // With s <= 1 the seasonal terms do not enter, and the operators end at lags p and q.
  if (seasonal == 0) {
    std::fill(phi, phi + np + 1, 0.0);
    std::fill(theta, theta + nq + 1, 0.0);
    std::copy(par, par + p, phi + 1);
    std::copy(par + p, par + p + q, theta + 1);
  } else if (!Phithetaplus(p, q, s, P, Q, par, phi, theta)) {
    return false;
  }
  if (!Armaxacvf(n, np, nq, phi, theta, acvf)) return false;
  if (!Armaxwhiten(acvf, w, n, 1, ev.Z, ev.G, ev.A)) return false;
  ev.S = SumOfSquares(ev.Z, n);
  return true;
}

}  // namespace

bool Phithetaplus(const int& p, const int& q, const int& s, const int& P, const int& Q,
                  const double* par, double* phi, double* theta) {
  if (s > 1) {
    // The seasonal products would overlap the nonseasonal terms. Callers rule this out; a request
    // that reaches here fails instead of being answered with a wrong operator.
    if (P >= 1 && p >= s) {
      numerics::FatalError("Armax error", "Error in Phithetaplus: NAR >= seasonal frequency");
      return false;
    }
    if (Q >= 1 && q >= s) {
      numerics::FatalError("Armax error", "Error in Phithetaplus: NMA >= seasonal frequency");
      return false;
    }
  }
  // The arrays hold p + s*P + 1 and q + s*Q + 1 elements; all of them are cleared.
  const int span = s > 0 ? s : 0;
  const int np = p + span * P;
  const int nq = q + span * Q;
  std::fill(phi, phi + np + 1, 0.0);
  std::fill(theta, theta + nq + 1, 0.0);
  for (int j = 1; j <= p; ++j) phi[j] = par[j - 1];
  for (int j = 1; j <= q; ++j) theta[j] = par[p + j - 1];
  if (s <= 1) return true;
  const double* Phi = par + p + q;
  const double* Theta = Phi + P;
  // (1 - sum phi_j B^j)(1 - Phi_i B^si): the cross term of B^(si + j) is -phi_j Phi_i in the
  // convention 1 - sum c_k B^k.
  for (int i = 1; i <= P; ++i) {
    phi[s * i] = Phi[i - 1];
    for (int j = 1; j <= p; ++j) phi[s * i + j] = -phi[j] * Phi[i - 1];
  }
  for (int i = 1; i <= Q; ++i) {
    theta[s * i] = Theta[i - 1];
    for (int j = 1; j <= q; ++j) theta[s * i + j] = -theta[j] * Theta[i - 1];
  }
  return true;
}

bool THIS_PAR_BAD(const double* c, const int& k) {
  for (int i = 0; i < k; ++i) {
    if (!std::isfinite(c[i])) return true;
  }
  int d = k;
  while (d > 0 && c[d - 1] == 0.0) --d;
  if (d <= 0) return false;
  // The root of 1 - c z is 1/c; the coefficient test avoids the division.
  if (d == 1) return std::fabs(c[0]) > kCoefficientBound;
  if (d > kMaxRootDegree) {
    numerics::FatalError("IMSL error", "Error in THIS_PAR_BAD::DZPLRC");
    return true;
  }
  double a[kMaxRootDegree + 1];
  double roots[2 * kMaxRootDegree];
  a[0] = 1.0;
  for (int i = 1; i <= d; ++i) a[i] = -c[i - 1];
  kernels::DZPLRC(d, a, roots);
  if (KernelFailed()) {
    numerics::FatalError("IMSL error", "Error in THIS_PAR_BAD::DZPLRC");
    return true;
  }
  for (int i = 0; i < d; ++i) {
    const double re = roots[2 * i];
    const double im = roots[2 * i + 1];
    // A NaN modulus compares false and so does not count as inside.
    if (std::sqrt(re * re + im * im) < kRootBound) return true;
  }
  return false;
}

bool PHITHETA_BAD(const int& p, const int& q, const int& P, const int& Q, const double* par) {
  if (p > 0 && THIS_PAR_BAD(par, p)) return true;
  if (q > 0 && THIS_PAR_BAD(par + p, q)) return true;
  if (P > 0 && THIS_PAR_BAD(par + p + q, P)) return true;
  if (Q > 0 && THIS_PAR_BAD(par + p + q + P, Q)) return true;
  return false;
}

// McLeod (1975): the autocovariances of an ARMA process from the psi weights and the linear
// system gamma(j) - sum_i phi(i) gamma(|j - i|) = c(j), j = 0..np, where
// c(j) = -sum_{k >= j} theta(k) psi(k - j) (theta(0) = -1) is the cross-covariance of the MA part
// with the process.
bool Armaxacvf(const int& n, const int& np, const int& nq, const double* phi, const double* theta,
               double* acvf) {
  if (n < 1 || np < 0 || nq < 0) return false;
  const int lags = std::max({n, np + 1, nq + 1});
  const int npsi = std::max(np, nq) + 1;
  const long dim = np + 1L;
  auto work = numerics::vector(1, npsi + 2L * lags + dim * dim);
  if (!work) return false;
  double* psi = work.get() + 1;
  double* c = psi + npsi;
  double* gamma = c + lags;
  double* M = gamma + lags;  // (np + 1) square, by columns: M(r, col) = M[r + col * dim]

  // 1. Psi weights to lag nq.
  std::fill(psi, psi + npsi, 0.0);
  psi[0] = 1.0;
  for (int j = 1; j <= nq; ++j) psi[j] = -theta[j];
  if (np >= 1) {
    for (int j = 1; j <= nq; ++j) {
      const int top = std::min(j, np);
      for (int i = 1; i <= top; ++i) psi[j] += phi[i] * psi[j - i];
    }
  }
  // 2. Right-hand sides, zero beyond nq.
  std::fill(c, c + lags, 0.0);
  c[0] = 1.0;
  for (int j = 1; j <= nq; ++j) c[0] -= theta[j] * psi[j];
  for (int k = 1; k <= nq; ++k) {
    double sum = 0.0;
    for (int j = k; j <= nq; ++j) sum += theta[j] * psi[j - k];
    c[k] = -sum;
  }
  if (np == 0) {
    // 6. A pure MA process: the autocovariances are the right-hand sides.
    std::copy(c, c + n, acvf);
    return true;
  }
  // 3. The system for gamma(0..np), with a(0) = 1, a(i) = -phi(i).
  auto a = [phi](int i) { return i == 0 ? 1.0 : -phi[i]; };
  std::fill(M, M + dim * dim, 0.0);
  for (int j = 0; j <= np; ++j) {
    for (int col = std::max(0, j - np); col <= j; ++col) M[j + col * dim] = a(j - col);
    for (int col = 1; j + col <= np; ++col) M[j + col * dim] += a(j + col);
  }
  // 4. Eliminate the upper triangle from the last column backwards, then substitute forwards.
  for (int i = np; i >= 1; --i) {
    const double pivot = M[i + i * dim];
    for (int r = 0; r < i; ++r) {
      const double mri = M[r + i * dim];
      if (mri == 0.0) continue;
      const double f = mri / pivot;
      for (int col = 0; col <= i; ++col) M[r + col * dim] -= f * M[i + col * dim];
      c[r] -= f * c[i];
    }
  }
  for (int j = 0; j <= np; ++j) {
    double sum = c[j];
    for (int k = 0; k < j; ++k) sum -= M[j + k * dim] * gamma[k];
    gamma[j] = sum / M[j + j * dim];
  }
  // 5. Beyond np the autocovariances follow the AR recursion (c is zero beyond nq).
  for (int k = np + 1; k < lags; ++k) {
    double sum = c[k];
    for (int i = 1; i <= np; ++i) sum += phi[i] * gamma[k - i];
    gamma[k] = sum;
  }
  std::copy(gamma, gamma + n, acvf);
  return true;
}

// Durbin (1960), Levinson (1947): the order-t prediction coefficients phi(t, 1..t) from those of
// order t - 1, with v(t) = v(t - 1) (1 - phi(t, t)^2) the prediction-error variance.
bool Armaxwhiten(const double* acvf, const double* X, const int& n, const int& m, double* Z,
                 double& G, double* A) {
  if (n < 1 || m < 1) return false;
  auto work = numerics::vector(1, 2L * n);
  if (!work) return false;
  double* coef = work.get() + 1;  // coef[j] = phi(t - 1, j), j = 1..t-1
  double* next = coef + n;
  const double* gamma = acvf;

  double v = gamma[0];
  G = gamma[0];
  double sd = std::sqrt(v);
  if (A != nullptr) A[0] = sd;
  for (int col = 0; col < m; ++col)
    Z[static_cast<long>(col) * n] = X[static_cast<long>(col) * n] / sd;
  if (n == 1) return true;

  coef[1] = gamma[1] / gamma[0];
  v *= 1.0 - coef[1] * coef[1];
  for (int t = 2; t <= n; ++t) {
    // Row t: predict X(t) from X(1..t-1) with the order t - 1 coefficients.
    G *= v;
    sd = std::sqrt(v);
    if (A != nullptr) A[t - 1] = sd;
    for (int col = 0; col < m; ++col) {
      const double* x = X + static_cast<long>(col) * n - 1;  // x[1..n]
      double e = x[t];
      for (int j = 1; j < t; ++j) e -= coef[j] * x[t - j];
      Z[static_cast<long>(col) * n + t - 1] = e / sd;
    }
    if (t == n) break;
    // Order t from order t - 1.
    double num = gamma[t];
    for (int j = 1; j < t; ++j) num -= coef[j] * gamma[t - j];
    const double ptt = num / v;
    for (int j = 1; j < t; ++j) next[j] = coef[j] - ptt * coef[t - j];
    next[t] = ptt;
    std::swap(coef, next);
    v *= 1.0 - ptt * ptt;
  }
  return true;
}

double ArmaObjective(const int& n, const int& p, const int& q, const int& s, const int& P,
                     const int& Q, const double* par, const double* w) {
  if (PHITHETA_BAD(p, q, P, Q, par)) return kObjectiveRejected;
  Evaluation ev;
  if (!Evaluate(n, p, q, s, P, Q, par, w, false, ev)) return kObjectiveRejected;
  const double value = n * std::log(ev.S) + std::log(ev.G);
  // A degenerate point (S = 0, or a variance ratio that reached 0) is of no use to a minimiser.
  return std::isfinite(value) ? value : kObjectiveRejected;
}

double Armaxcomp(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
                 const double* par, const double* w, double* residuals, double& sigma2) {
  if (PHITHETA_BAD(p, q, P, Q, par)) {
    numerics::FatalError("Armax error", "Error in Armaxcomp: phitheta out-of-bounds");
    return kLogLikFailed;
  }
  Evaluation ev;
  if (!Evaluate(n, p, q, s, P, Q, par, w, true, ev)) return kLogLikFailed;
  const double pi = kernels::DCONST("pi", 2);
  sigma2 = ev.S / n;
  for (int t = 0; t < n; ++t) residuals[t] = ev.A[t] * ev.Z[t];
  return -0.5 * (n * std::log(ev.S) + std::log(ev.G) + n * (1.0 + std::log(2.0 * pi / n)));
}

bool KernelFailed() {
  kernel_error_type = kernels::N1RTY(1);
  return kernels::KernelFailed();
}

int LastKernelErrorType() {
  return kernel_error_type;
}

}  // namespace vordex::arma
