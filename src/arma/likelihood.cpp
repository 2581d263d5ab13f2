#include "arma/likelihood.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "numerics/kernels/dzplrc.h"
#include "numerics/kernels/error_state.h"
#include "numerics/vectors.h"

namespace vordex::arma {

// The workspace's storage, enlarged to at least length doubles when it holds fewer; null when the
// storage cannot be obtained (after the allocator's stop box).
double* WorkspaceStorage(LikelihoodWorkspace& ws, long length);

namespace {

// The largest degree the root finder accepts.
constexpr int kMaxRootDegree = 100;

// The bound on one change of the filter below which it counts as settled (see Filter): it keeps
// the sum of all later changes below half a unit in the last place of 1.
constexpr double kFreeze = 0x1p-73;
// Up to this many values (the most the exports take) the steady-state recursion sums its terms in
// the order the exports' figures were made with; longer series take the order with the shorter
// dependency chain, which differs only by rounding.
constexpr int kFixedOrderLength = 1000;

// Doubles of work storage that Autocovariances needs for `lags` lags of an ARMA(np, nq) process.
long AutocovarianceWork(long lags, int np, int nq) {
  const long npsi = std::max(np, nq) + 1L;
  const long lags_used = std::max({lags, np + 1L, nq + 1L});
  return npsi + 2L * lags_used + (np + 1L) * (np + 1L);
}

// The sizes of one evaluation and where its arrays lie in the workspace.
struct Layout {
  int n = 0, np = 0, nq = 0, cols = 0;
  int r = 0;      // the state dimension, max(np, nq + 1)
  int slots = 0;  // vectors in the coefficient ring: r rounded up to a power of 2
  // Offsets (in doubles) of phi(0..np) and theta(0..nq) (the operators as given); ar(0..r) and
  // ma(0..r), the coefficients padded to r (ar(i) = phi(i), ma(0) = 1, ma(j) = -theta(j));
  // psi(0..r-1), gamma(0..r), the autocovariance work; the filter's D(1..r), L(1..r+1), TL(1..r)
  // and coefficient ring C (slots vectors c(1..r)); F(0..n-1) and E (n by cols).
  long phi = 0, theta = 0, ar = 0, ma = 0, psi = 0, gamma = 0, work = 0, D = 0, L = 0, TL = 0,
       C = 0, F = 0, E = 0;
  long length = 0;
};

Layout LayoutFor(int n, int np, int nq, int cols) {
  Layout L;
  L.n = n;
  L.np = np;
  L.nq = nq;
  L.cols = cols;
  L.r = std::max(np, nq + 1);
  L.slots = static_cast<int>(std::bit_ceil(static_cast<unsigned>(L.r)));
  long at = 0;
  auto take = [&at](long size) {
    const long here = at;
    at += size;
    return here;
  };
  const long r = L.r;
  L.phi = take(np + 1L);
  L.theta = take(nq + 1L);
  L.ar = take(r + 1);
  L.ma = take(r + 1);
  L.psi = take(r);
  L.gamma = take(r + 1);
  L.work = take(AutocovarianceWork(r + 1, np, nq));
  L.D = take(r + 1);
  L.L = take(r + 2);
  L.TL = take(r + 1);
  L.C = take(L.slots * (r + 1));
  L.F = take(n);
  L.E = take(static_cast<long>(n) * cols);
  L.length = at;
  return L;
}

// The full operators' degrees of the orders (p, q)(P, Q)s: with s <= 1 the seasonal terms do not
// enter.
int FullDegree(int order, int s, int seasonal_order) {
  return order + (s > 1 ? s : 0) * seasonal_order;
}

// McLeod (1975): the autocovariances of an ARMA process from the psi weights and the linear
// system gamma(j) - sum_i phi(i) gamma(|j - i|) = c(j), j = 0..np, where
// c(j) = -sum_{k >= j} theta(k) psi(k - j) (theta(0) = -1) is the cross-covariance of the MA part
// with the process. gamma(0..n-1) go to acvf; work holds AutocovarianceWork(n, np, nq) doubles.
void Autocovariances(int n, int np, int nq, const double* phi, const double* theta, double* acvf,
                     double* work) {
  const int lags = std::max({n, np + 1, nq + 1});
  const int npsi = std::max(np, nq) + 1;
  const long dim = np + 1L;
  double* psi = work;
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
    return;
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
}

// The exact one-step predictions of an ARMA(np, nq) process by the Kalman filter of its state
// space form, started from the stationary state covariance, with the covariance recursion in the
// Chandrasekhar form (Morf, Sidhu and Kailath 1974; for ARMA models Pearlman 1980, Melard 1984).
//
// State (Harvey's form, r = max(np, nq + 1)): x(t) = (X(t), x2(t), .., xr(t))',
//   x(t + 1) = T x(t) + R eps(t + 1),   T = [ar | shift],   R = (ma(0), .., ma(r - 1))',
// where ar(.) pads phi and ma(.) the MA operator 1 + ma(1) B + .. (ma(j) = -theta(j)) with zeros
// to r, and eps(.) are the innovations. With P(t) the prediction-error covariance of x(t),
// F(t) = P(t)(1, 1) is the variance ratio v(t - 1) of the prediction of X(t) (the predictor is
// Durbin-Levinson's: both are the best linear one from X(1..t-1)) and K(t) = T P(t) e1 the gain.
// The stationary start P(1) = S = T S T' + R R' makes P(2) - P(1) = -K(1) K(1)' / F(1) of rank
// one, and the rank stays one: P(t + 1) - P(t) = M(t) L(t) L(t)' with (z = L(t)(1))
//   F(t + 1) = F(t) + M(t) z^2,   K(t + 1) = K(t) + M(t) z T L(t),
//   L(t + 1) = T L(t) - (z / F(t)) K(t),   M(t + 1) = M(t) F(t) / F(t + 1),
// from L(1) = K(1), M(1) = -1 / F(1). Each step costs O(r).
//
// F and K tend to 1 and ar + ma (P tends to R R' when every root of theta(z) lies outside the
// unit circle); the filter carries f = F - 1 and D = K - ar - ma instead, so that the changes,
// which become small, are added to small quantities. Their start is formed without cancellation:
// with Y(t) = X(t) - eps(t) the part of X(t) known from the infinite past,
//   f(1) = var Y = sum_{k=1}^{r} ar(k) gamma(k) + sum_{k=1}^{r-1} ma(k) psi(k),
//   D(1) = T u,  u(i) = cov(x(t)(i), Y(t)) = sum_{k=i}^{r} ar(k) gamma(k + 1 - i)
//                                             + sum_{k=i}^{r-1} ma(k) psi(k + 1 - i),
// (u(1) = f(1); D(1) = K(1) - T R = T (S - R R') e1 and (S - R R') e1 = u).
//
// The prediction is written in terms of past errors rather than the filter's state vector, by
// unrolling the state recursion:
//   X^(t + 1) = sum_{j=1}^{min(t, r)} [ar(j) X(t + 1 - j) + c(t + 1 - j, j) E(t + 1 - j)],
//   c(s, j) = K(s)(j) / F(s) - ar(j) = ma(j) + (D(s)(j) - f(s) (ar(j) + ma(j))) / F(s),
// with E = X - X^ the one-step prediction errors: the errors are formed from the data and earlier
// errors only, as by Durbin-Levinson, and each coefficient is rounded afresh from the deviations.
//
// The switch to the steady state. P(t) - P(inf) is positive semidefinite and shrinks as t grows
// (a later prediction conditions on a longer past); near the limit its changes M L L' shrink by
// the factor rho^2 per step, rho = 1 / |z0| for the root z0 of theta(z) nearest the unit circle.
// ArmaInadmissible admits no factor with a root of modulus below kRootBound = 1.0001 (a seasonal
// factor as a polynomial in B^s), so |z0| >= 1.0001^(1 / s), 1 / (1 - rho^2) < 5001 s, and for s
// up to 200 all later changes together are below 2^20 times the present one. We freeze F and the
// coefficients c once every component of the change M L L' and of its effect on F and on K has
// stayed below kFreeze = 2^-73 for r consecutive steps (so that the shift in T has carried every
// component of L through the first place): the later changes together are then below 2^-53,
// half a unit in the last place of 1, far below the rounding of F and c themselves (which keep
// the rounding of their start, some units in the last place). From then on each value costs O(r)
// for the prediction alone. Near the unit circle the changes shrink like 1 / t^2 before they
// shrink geometrically: with a root of modulus 1.01 they are still about 1e-12 after 1000 values,
// with 1.001 about 1e-6, and the exact filter runs to the end. A change that is not finite never
// passes the test.
//
// R is the state dimension when it is known at compile time (the short operators of most models,
// whose loops then run without the overhead of a variable count) and 0 otherwise.
template <int R>
void Filter(const Layout& L, double* base, const double* X, double& G) {
  const int n = L.n;
  const int r = R > 0 ? R : L.r;
  const double* ar = base + L.ar;
  const double* ma = base + L.ma;
  const double* gamma = base + L.gamma;
  const double* psi = base + L.psi;
  double* D = base + L.D;
  double* Lv = base + L.L;
  double* TL = base + L.TL;
  double* F = base + L.F;
  double* E = base + L.E;
  // c(s, .) at C(s)[1..r]; the ring holds at least the last r steps up to the freeze.
  const int mask = L.slots - 1;
  auto C = [&](int s) { return base + L.C + static_cast<long>(s & mask) * (r + 1); };

  // The stationary start: u in TL for the moment.
  for (int i = 1; i <= r; ++i) {
    double u = 0.0;
    for (int k = i; k <= r; ++k) u += ar[k] * gamma[k + 1 - i];
    for (int k = i; k < r; ++k) u += ma[k] * psi[k + 1 - i];
    TL[i] = u;
  }
  double f = TL[1];
  for (int i = 1; i <= r; ++i) {
    D[i] = ar[i] * TL[1] + (i < r ? TL[i + 1] : 0.0);
    Lv[i] = ar[i] + ma[i] + D[i];
  }
  Lv[r + 1] = 0.0;
  double M = -1.0 / (1.0 + f);
  G = 1.0;
  int quiet = 0;   // consecutive steps whose change stayed below kFreeze
  int frozen = n;  // the first step with the frozen coefficients
  int t = 0;
  for (; t < n && t <= frozen + r; ++t) {
    // 0-based time: X[t] is predicted from X[0..t-1] with the variance ratio F[t].
    const bool steady = t > frozen;
    const double Ft = steady ? F[frozen] : 1.0 + f;
    F[t] = Ft;
    G *= Ft;
    const int terms = std::min(t, r);
    for (int col = 0; col < L.cols; ++col) {
      const double* x = X + static_cast<long>(col) * n;
      double* e = E + static_cast<long>(col) * n;
      double prediction = 0.0;
      // The errors of steps after the freeze (j < t - frozen) carry the frozen coefficients.
      const int recent = std::min(terms, t - frozen - 1);
      const double* c = C(std::min(frozen, t));
      for (int j = 1; j <= recent; ++j) prediction += ar[j] * x[t - j] + c[j] * e[t - j];
      for (int j = std::max(recent, 0) + 1; j <= terms; ++j)
        prediction += ar[j] * x[t - j] + C(t - j)[j] * e[t - j];
      e[t] = x[t] - prediction;
    }
    if (steady) continue;
    double* c = C(t);
    const double inverse = 1.0 / Ft;
    for (int j = 1; j <= r; ++j) c[j] = ma[j] + (D[j] - f * (ar[j] + ma[j])) * inverse;
    if (t == frozen) continue;
    // One step of the Chandrasekhar recursions.
    const double z = Lv[1];
    // A true quotient: L carries its rounding from step to step, and z * (1 / F) would add a
    // rounding that leans one way while F is just above 1.
    const double zF = z / Ft;
    const double Mz = M * z;
    const double change = Mz * z;
    bool small = std::fabs(change) <= kFreeze;
    for (int i = 1; i <= r; ++i) TL[i] = ar[i] * z + Lv[i + 1];
    for (int i = 1; i <= r; ++i) {
      const double K = ar[i] + ma[i] + D[i];
      const double dK = Mz * TL[i];
      D[i] += dK;
      Lv[i] = TL[i] - zF * K;
      small = small && std::fabs(dK) <= kFreeze && std::fabs(M * Lv[i] * Lv[i]) <= kFreeze;
    }
    M *= Ft / (1.0 + f + change);
    f += change;
    quiet = small ? quiet + 1 : 0;
    if (quiet >= r) frozen = t + 1;
  }
  if (t >= n) return;
  // The steady state: fixed coefficients for every remaining value. The AR part of each
  // prediction depends on the data alone and is taken first, lag by lag; the MA part is the
  // recursion.
  const double* c = C(frozen);
  const double F_steady = F[frozen];
  for (int s = t; s < n; ++s) F[s] = F_steady;
  G *= std::pow(F_steady, n - t);
  for (int col = 0; col < L.cols; ++col) {
    const double* x = X + static_cast<long>(col) * n;
    double* e = E + static_cast<long>(col) * n;
    std::copy(x + t, x + n, e + t);
    for (int j = 1; j <= r; ++j) {
      const double arj = ar[j];
      if (arj == 0.0) continue;
      for (int s = t; s < n; ++s) e[s] -= arj * x[s - j];
    }
    if (n <= kFixedOrderLength) {
      for (int s = t; s < n; ++s) {
        double ma_part = 0.0;
        for (int j = 1; j <= r; ++j) ma_part += c[j] * e[s - j];
        e[s] -= ma_part;
      }
      continue;
    }
    // The most recent error enters last, so that the chain from one value to the next is one
    // product and one difference.
    for (int s = t; s < n; ++s) {
      double older = 0.0;
      for (int j = r; j >= 2; --j) older += c[j] * e[s - j];
      e[s] = (e[s] - older) - c[1] * e[s - 1];
    }
  }
}

// The prediction errors E, their variance ratios F and the product G for the operators already
// in the workspace (phi and theta of L), from the autocovariances onwards.
void Whiten(const Layout& L, double* base, const double* X, double& G) {
  const int r = L.r;
  const double* phi = base + L.phi;
  const double* theta = base + L.theta;
  double* ar = base + L.ar;
  double* ma = base + L.ma;
  double* psi = base + L.psi;
  std::fill(ar, ar + r + 1, 0.0);
  std::fill(ma, ma + r + 1, 0.0);
  std::copy(phi + 1, phi + L.np + 1, ar + 1);
  ma[0] = 1.0;
  for (int j = 1; j <= L.nq; ++j) ma[j] = -theta[j];
  // psi(j) = ma(j) + sum_i ar(i) psi(j - i): the MA(infinity) weights.
  for (int j = 0; j < r; ++j) {
    double sum = ma[j];
    for (int i = 1; i <= std::min(j, L.np); ++i) sum += ar[i] * psi[j - i];
    psi[j] = sum;
  }
  Autocovariances(r + 1, L.np, L.nq, phi, theta, base + L.gamma, base + L.work);
  switch (r) {
    case 1:
      Filter<1>(L, base, X, G);
      break;
    case 2:
      Filter<2>(L, base, X, G);
      break;
    case 3:
      Filter<3>(L, base, X, G);
      break;
    case 4:
      Filter<4>(L, base, X, G);
      break;
    default:
      Filter<0>(L, base, X, G);
      break;
  }
}

// One evaluation of the likelihood of w at par, in the workspace: base receives the block that
// holds F and E under the layout L. Returns false when the evaluation is impossible (the caller
// has already ruled out inadmissible parameters).
bool Evaluate(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
              const double* par, const double* w, LikelihoodWorkspace& ws, Layout& L, double*& base,
              double& G) {
  if (n < 1 || p < 0 || q < 0 || P < 0 || Q < 0) return false;
  const int np = FullDegree(p, s, P);
  const int nq = FullDegree(q, s, Q);
  L = LayoutFor(n, np, nq, 1);
  base = WorkspaceStorage(ws, L.length);
  if (base == nullptr) return false;
  double* phi = base + L.phi;
  double* theta = base + L.theta;
  // With s <= 1 the seasonal terms do not enter, and the operators end at lags p and q.
  if (s <= 1) {
    std::fill(phi, phi + np + 1, 0.0);
    std::fill(theta, theta + nq + 1, 0.0);
    std::copy(par, par + p, phi + 1);
    std::copy(par + p, par + p + q, theta + 1);
  } else if (!ExpandSeasonalOperators(p, q, s, P, Q, par, phi, theta)) {
    return false;
  }
  Whiten(L, base, w, G);
  return true;
}

}  // namespace

bool ExpandSeasonalOperators(const int& p, const int& q, const int& s, const int& P, const int& Q,
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

bool PolynomialInadmissible(const double* c, const int& k) {
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
  if (kernels::KernelFailed()) {
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

bool ArmaInadmissible(const int& p, const int& q, const int& P, const int& Q, const double* par) {
  if (p > 0 && PolynomialInadmissible(par, p)) return true;
  if (q > 0 && PolynomialInadmissible(par + p, q)) return true;
  if (P > 0 && PolynomialInadmissible(par + p + q, P)) return true;
  if (Q > 0 && PolynomialInadmissible(par + p + q + P, Q)) return true;
  return false;
}

bool ArmaAutocovariances(const int& n, const int& np, const int& nq, const double* phi,
                         const double* theta, double* acvf) {
  if (n < 1 || np < 0 || nq < 0) return false;
  auto work = numerics::vector(1, AutocovarianceWork(n, np, nq));
  if (!work) return false;
  Autocovariances(n, np, nq, phi, theta, acvf, work.get() + 1);
  return true;
}

long ArmaAutocovariancesWork(const int& n, const int& np, const int& nq) {
  return AutocovarianceWork(n, np, nq);
}

bool ArmaAutocovariances(const int& n, const int& np, const int& nq, const double* phi,
                         const double* theta, double* acvf, double* work) {
  if (n < 1 || np < 0 || nq < 0) return false;
  Autocovariances(n, np, nq, phi, theta, acvf, work);
  return true;
}

// Durbin (1960), Levinson (1947): the order-t prediction coefficients phi(t, 1..t) from those of
// order t - 1, with v(t) = v(t - 1) (1 - phi(t, t)^2) the prediction-error variance.
bool WhitenDurbinLevinson(const double* acvf, const double* X, const int& n, const int& m,
                          double* Z, double& G, double* A) {
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

bool WhitenChandrasekhar(const int& n, const int& np, const int& nq, const double* phi,
                         const double* theta, const double* X, const int& m, double* Z, double& G,
                         double* A, LikelihoodWorkspace& ws) {
  if (n < 1 || m < 1 || np < 0 || nq < 0) return false;
  const Layout L = LayoutFor(n, np, nq, m);
  double* base = WorkspaceStorage(ws, L.length);
  if (base == nullptr) return false;
  std::copy(phi, phi + np + 1, base + L.phi);
  std::copy(theta, theta + nq + 1, base + L.theta);
  Whiten(L, base, X, G);
  const double* F = base + L.F;
  const double* E = base + L.E;
  double sd = 0.0, inverse = 0.0;
  for (int t = 0; t < n; ++t) {
    // F is constant in the steady state: one square root serves all of it.
    if (t == 0 || F[t] != F[t - 1]) {
      sd = std::sqrt(F[t]);
      inverse = 1.0 / sd;
    }
    if (A != nullptr) A[t] = sd;
    for (int col = 0; col < m; ++col) {
      const long at = static_cast<long>(col) * n + t;
      Z[at] = E[at] * inverse;
    }
  }
  return true;
}

bool WhitenChandrasekhar(const int& n, const int& np, const int& nq, const double* phi,
                         const double* theta, const double* X, const int& m, double* Z, double& G,
                         double* A) {
  LikelihoodWorkspace ws;
  return WhitenChandrasekhar(n, np, nq, phi, theta, X, m, Z, G, A, ws);
}

double ArmaObjective(const int& n, const int& p, const int& q, const int& s, const int& P,
                     const int& Q, const double* par, const double* w, LikelihoodWorkspace& ws) {
  if (ArmaInadmissible(p, q, P, Q, par)) return kObjectiveRejected;
  Layout L;
  double* base = nullptr;
  double G = 0.0;
  if (!Evaluate(n, p, q, s, P, Q, par, w, ws, L, base, G)) return kObjectiveRejected;
  const double* F = base + L.F;
  const double* E = base + L.E;
  double S = 0.0;
  for (int t = 0; t < n; ++t) S += E[t] * E[t] / F[t];
  const double value = n * std::log(S) + std::log(G);
  // A degenerate point (S = 0, or a variance ratio that reached 0) is of no use to a minimiser.
  return std::isfinite(value) ? value : kObjectiveRejected;
}

double ArmaObjective(const int& n, const int& p, const int& q, const int& s, const int& P,
                     const int& Q, const double* par, const double* w) {
  LikelihoodWorkspace ws;
  return ArmaObjective(n, p, q, s, P, Q, par, w, ws);
}

double ArmaLogLikelihood(const int& n, const int& p, const int& q, const int& s, const int& P,
                         const int& Q, const double* par, const double* w, double* residuals,
                         double& sigma2, LikelihoodWorkspace& ws) {
  if (ArmaInadmissible(p, q, P, Q, par)) {
    numerics::FatalError("Armax error", "Error in Armaxcomp: phitheta out-of-bounds");
    return kLogLikFailed;
  }
  Layout L;
  double* base = nullptr;
  double G = 0.0;
  if (!Evaluate(n, p, q, s, P, Q, par, w, ws, L, base, G)) return kLogLikFailed;
  const double* F = base + L.F;
  const double* E = base + L.E;
  double S = 0.0;
  for (int t = 0; t < n; ++t) S += E[t] * E[t] / F[t];
  const double pi = kernels::DCONST("pi", 2);
  sigma2 = S / n;
  std::copy(E, E + n, residuals);
  return -0.5 * (n * std::log(S) + std::log(G) + n * (1.0 + std::log(2.0 * pi / n)));
}

double ArmaLogLikelihood(const int& n, const int& p, const int& q, const int& s, const int& P,
                         const int& Q, const double* par, const double* w, double* residuals,
                         double& sigma2) {
  LikelihoodWorkspace ws;
  return ArmaLogLikelihood(n, p, q, s, P, Q, par, w, residuals, sigma2, ws);
}

double* WorkspaceStorage(LikelihoodWorkspace& ws, long length) {
  if (length > ws.size_) {
    auto block = numerics::vector(1, length);
    if (!block) return nullptr;
    ws.block_ = std::move(block);
    ws.size_ = length;
  }
  return ws.block_.get() + 1;
}

bool LikelihoodWorkspace::Reserve(const int& n, const int& p, const int& q, const int& s,
                                  const int& P, const int& Q) {
  if (n < 1 || p < 0 || q < 0 || P < 0 || Q < 0) return false;
  const Layout L = LayoutFor(n, FullDegree(p, s, P), FullDegree(q, s, Q), 1);
  return WorkspaceStorage(*this, L.length) != nullptr;
}

bool LikelihoodWorkspace::ReserveOperators(const int& n, const int& np, const int& nq,
                                           const int& m) {
  if (n < 1 || m < 1 || np < 0 || nq < 0) return false;
  const Layout L = LayoutFor(n, np, nq, m);
  return WorkspaceStorage(*this, L.length) != nullptr;
}

}  // namespace vordex::arma
