#include "arma/starts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "arma/likelihood.h"
#include "numerics/lsq.h"
#include "numerics/powell.h"
#include "numerics/vectors.h"
#include "platform/messages.h"

namespace vordex::arma {
namespace {

// The relative tolerance the engines give the same minimiser for the exact likelihood.
constexpr double kCssTolerance = 1e-10;

struct CssContext {
  int n, p, q, s, P, Q;
  const double* w;
};

double CssCriterion(void* context, double* par) {
  const auto& c = *static_cast<const CssContext*>(context);
  return ArmaCss(c.n, c.p, c.q, c.s, c.P, c.Q, par + 1, c.w);
}

// The Yule-Walker autoregression of order k of w (n doubles) by the Durbin-Levinson recursion:
// a[1..k] (a[0] unused) with w(t) ~ sum a_i w(t-i). False when a prediction-error variance
// reaches 0 (a degenerate series).
bool YuleWalker(int n, const double* w, int k, std::vector<double>& a) {
  std::vector<double> gamma(static_cast<std::size_t>(k) + 1, 0.0);
  for (int lag = 0; lag <= k; ++lag) {
    double sum = 0.0;
    for (int t = lag; t < n; ++t) sum += w[t] * w[t - lag];
    gamma[static_cast<std::size_t>(lag)] = sum / n;
  }
  a.assign(static_cast<std::size_t>(k) + 1, 0.0);
  double v = gamma[0];
  std::vector<double> previous;
  for (int j = 1; j <= k; ++j) {
    if (!(v > 0.0)) return false;
    double num = gamma[static_cast<std::size_t>(j)];
    for (int i = 1; i < j; ++i)
      num -= a[static_cast<std::size_t>(i)] * gamma[static_cast<std::size_t>(j - i)];
    const double kappa = num / v;
    previous = a;
    a[static_cast<std::size_t>(j)] = kappa;
    for (int i = 1; i < j; ++i)
      a[static_cast<std::size_t>(i)] =
          previous[static_cast<std::size_t>(i)] - kappa * previous[static_cast<std::size_t>(j - i)];
    v *= 1.0 - kappa * kappa;
  }
  return v > 0.0;
}

// The Hannan-Rissanen start when the estimate is unusable, as the ARIMA engine's driver does.
constexpr double kFallbackStart = 0.05;

// Largest magnitude of a partial autocorrelation of a start: tanh(u) = 1 - 1e-6 at u = 7.25.
constexpr double kLargestAutocorrelation = 1.0 - 1e-6;
// The coordinates describe polynomials whose roots have modulus at least this: just beyond the
// likelihood kernel's bounds (roots of modulus 1.0001, a degree-1 coefficient of 0.9999), so
// that no point of the coordinates is rejected and the edge lies at infinity.
constexpr double kRootRadius = 1.00011;
// Steps by which a start is moved inside the coordinates' region before it is given up (for the
// origin): 1.0001^200 is about 1.02.
constexpr int kStartAttempts = 200;

// Coefficients c[0..m-1] of 1 - c_1 z - ... - c_m z^m from partial autocorrelations r[0..m-1].
void FromPartialAutocorrelations(const double* r, int m, double* c) {
  std::vector<double> previous(static_cast<std::size_t>(m));
  for (int j = 0; j < m; ++j) {
    std::copy(c, c + j, previous.begin());
    c[j] = r[j];
    for (int i = 0; i < j; ++i)
      c[i] = previous[static_cast<std::size_t>(i)] -
             r[j] * previous[static_cast<std::size_t>(j - 1 - i)];
  }
}

// The inverse: r[0..m-1] from c[0..m-1] by the backward recursion; false when some |r_j| >= 1
// (the polynomial has a root on or inside the unit circle).
bool ToPartialAutocorrelations(const double* c, int m, double* r) {
  std::vector<double> a(c, c + m);
  std::vector<double> next(static_cast<std::size_t>(m));
  for (int j = m - 1; j >= 0; --j) {
    const double rj = a[static_cast<std::size_t>(j)];
    if (!(std::fabs(rj) < 1.0)) return false;
    r[j] = rj;
    const double denominator = 1.0 - rj * rj;
    for (int i = 0; i < j; ++i)
      next[static_cast<std::size_t>(i)] =
          (a[static_cast<std::size_t>(i)] + rj * a[static_cast<std::size_t>(j - 1 - i)]) /
          denominator;
    std::copy(next.begin(), next.begin() + j, a.begin());
  }
  return true;
}

struct TransformedContext {
  int degrees[4];
  numerics::Criterion criterion;
  std::vector<double> par;  // 1-based coefficients
  std::vector<double> r;
};

// The coefficients par[1..k] of the unbounded coordinates u[1..k]: the polynomial of the partial
// autocorrelations tanh(u) with z replaced by z / kRootRadius.
void CoefficientsOf(TransformedContext& c, const double* u) {
  int offset = 0;
  for (int degree : c.degrees) {
    for (int j = 0; j < degree; ++j)
      c.r[static_cast<std::size_t>(j)] = std::tanh(u[1 + offset + j]);
    double* coefficients = c.par.data() + 1 + offset;
    FromPartialAutocorrelations(c.r.data(), degree, coefficients);
    double shrink = 1.0;
    for (int j = 0; j < degree; ++j) coefficients[j] *= (shrink /= kRootRadius);
    offset += degree;
  }
}

double TransformedCriterion(void* context, double* u) {
  auto& c = *static_cast<TransformedContext*>(context);
  CoefficientsOf(c, u);
  return c.criterion(c.par.data());
}

}  // namespace

double MinimiseOverPartialAutocorrelations(int p, int q, int P, int Q,
                                           numerics::Criterion criterion, double* par) {
  const int k = p + q + P + Q;
  const double f_start = criterion(par);
  if (k == 0) return f_start;
  TransformedContext c{{p, q, P, Q},
                       criterion,
                       std::vector<double>(par, par + k + 1),
                       std::vector<double>(static_cast<std::size_t>(std::max({p, q, P, Q})))};
  std::vector<double> u(static_cast<std::size_t>(k) + 1, 0.0);
  int offset = 0;
  for (int degree : c.degrees) {
    std::vector<double> r(static_cast<std::size_t>(degree), 0.0);
    // A start with roots inside kRootRadius is moved out to it and a little beyond, by a factor
    // 1.0001 at a time.
    double radius = kRootRadius;
    std::vector<double> stretched(static_cast<std::size_t>(degree));
    for (int attempt = 0;; ++attempt) {
      double factor = 1.0;
      for (int j = 0; j < degree; ++j)
        stretched[static_cast<std::size_t>(j)] = par[1 + offset + j] * (factor *= radius);
      if (ToPartialAutocorrelations(stretched.data(), degree, r.data())) break;
      if (attempt == kStartAttempts) {
        std::fill(r.begin(), r.end(), 0.0);
        break;
      }
      radius *= kRootBound;
    }
    for (int j = 0; j < degree; ++j)
      u[static_cast<std::size_t>(1 + offset + j)] = std::atanh(std::clamp(
          r[static_cast<std::size_t>(j)], -kLargestAutocorrelation, kLargestAutocorrelation));
    offset += degree;
  }
  double f = f_start;
  platform::ScopedSilence quiet;
  if (numerics::Minimise(k, u.data(), &f, kCssTolerance, {&TransformedCriterion, &c}) ==
          numerics::kPowellFailed ||
      !(f < f_start))
    return f_start;
  CoefficientsOf(c, u.data());
  std::copy(c.par.begin() + 1, c.par.end(), par + 1);
  return f;
}

double ArmaCss(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
               const double* par, const double* w) {
  if (n < 1 || p < 0 || q < 0 || P < 0 || Q < 0) return kObjectiveRejected;
  if (s > 1 && ((P > 0 && p >= s) || (Q > 0 && q >= s))) return kObjectiveRejected;
  if (ArmaInadmissible(p, q, P, Q, par)) return kObjectiveRejected;
  const int span = s > 1 ? s : 0;
  const int np = p + span * P;
  const int nq = q + span * Q;
  if (n <= np) return kObjectiveRejected;
  std::vector<double> phi(static_cast<std::size_t>(np) + 1);
  std::vector<double> theta(static_cast<std::size_t>(nq) + 1);
  if (!ExpandSeasonalOperators(p, q, span, P, Q, par, phi.data(), theta.data()))
    return kObjectiveRejected;
  std::vector<double> e(static_cast<std::size_t>(n), 0.0);
  double sse = 0.0;
  for (int t = np; t < n; ++t) {
    double v = w[t];
    for (int i = 1; i <= np; ++i) v -= phi[static_cast<std::size_t>(i)] * w[t - i];
    for (int j = 1; j <= nq && j <= t; ++j)
      v += theta[static_cast<std::size_t>(j)] * e[static_cast<std::size_t>(t - j)];
    e[static_cast<std::size_t>(t)] = v;
    sse += v * v;
  }
  const double value = sse / (n - np);
  return std::isfinite(value) ? value : kObjectiveRejected;
}

bool CssEstimate(const int& n, const int& p, const int& q, const int& s, const int& P, const int& Q,
                 const double* w, double* par) {
  const int k = p + q + P + Q;
  if (k == 0) return true;
  std::fill(par, par + k, 0.0);
  CssContext context{n, p, q, s, P, Q, w};
  std::vector<double> x(static_cast<std::size_t>(k) + 1, 0.0);
  if (CssCriterion(&context, x.data()) >= kObjectiveRejected) return false;
  platform::ScopedSilence quiet;
  double f = kObjectiveRejected;
  if (numerics::Minimise(k, x.data(), &f, kCssTolerance, {&CssCriterion, &context}) ==
          numerics::kPowellFailed ||
      !(f < kObjectiveRejected))
    return false;
  std::copy(x.begin() + 1, x.end(), par);
  return true;
}

bool HannanRissanenEstimate(const int& n, const int& p, const int& q, const int& s, const int& P,
                            const int& Q, const double* w, double* par) {
  if (n < 1 || p < 0 || q < 0 || P < 0 || Q < 0) return false;
  const int span = s > 1 ? s : 0;
  const int np = p + span * P;
  const int nq = q + span * Q;
  const int k = p + q + P + Q;
  if (k == 0) return true;
  std::vector<double> phi(static_cast<std::size_t>(np) + 1, 0.0);
  std::vector<double> theta(static_cast<std::size_t>(nq) + 1, 0.0);
  if (nq == 0) {
    if (np >= n || !YuleWalker(n, w, np, phi)) return false;
  } else {
    const int m = std::max(np, nq);
    const int start = nq + m;  // first row at t = start + 1 (1-based)
    const int rows = n - start;
    const int cols = np + nq;
    if (rows < cols || m >= n) return false;
    std::vector<double> a;
    if (!YuleWalker(n, w, m, a)) return false;
    // Residuals of the long autoregression, the first m taken as the series itself.
    std::vector<double> e(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) {
      double v = w[t];
      if (t >= m)
        for (int i = 1; i <= m; ++i) v -= a[static_cast<std::size_t>(i)] * w[t - i];
      e[static_cast<std::size_t>(t)] = v;
    }
    // The normal equations row by row, each sum over the rows in order as OLSQ forms it: the
    // design is never stored, so the storage does not grow with the series.
    auto A = numerics::matrix(1, cols, 1, cols);
    auto xy = numerics::vector(1, cols);
    auto x = numerics::vector(1, cols);
    auto b = numerics::vector(1, cols);
    if (!A || !xy || !x || !b) return false;
    for (int i = 1; i <= cols; ++i) {
      xy[i] = 0.0;
      for (int j = 1; j <= cols; ++j) A[i][j] = 0.0;
    }
    for (int i = 1; i <= rows; ++i) {
      const int t = start + i - 1;  // 0-based time of row i
      for (int j = 1; j <= np; ++j) x[j] = w[t - j];
      for (int j = 1; j <= nq; ++j) x[np + j] = e[static_cast<std::size_t>(t - j)];
      for (int r = 1; r <= cols; ++r) {
        for (int c = 1; c <= cols; ++c) A[r][c] += x[r] * x[c];
        xy[r] += x[r] * w[t];
      }
    }
    platform::ScopedSilence quiet;
    if (!numerics::OLSQNormal(A.get(), xy.get(), cols, b.get())) return false;
    for (int j = 1; j <= np; ++j) phi[static_cast<std::size_t>(j)] = b[j];
    for (int j = 1; j <= nq; ++j) theta[static_cast<std::size_t>(j)] = -b[np + j];
  }
  std::vector<double> x(static_cast<std::size_t>(k));
  std::size_t i = 0;
  for (int j = 1; j <= p; ++j) x[i++] = phi[static_cast<std::size_t>(j)];
  for (int j = 1; j <= q; ++j) x[i++] = theta[static_cast<std::size_t>(j)];
  for (int j = 1; j <= P; ++j) x[i++] = phi[static_cast<std::size_t>(j * span)];
  for (int j = 1; j <= Q; ++j) x[i++] = theta[static_cast<std::size_t>(j * span)];
  for (double v : x)
    if (!std::isfinite(v)) return false;
  if (ArmaInadmissible(p, q, P, Q, x.data())) return false;
  std::copy(x.begin(), x.end(), par);
  return true;
}

double MinimiseFromStarts(const int& n, const int& p, const int& q, const int& s, const int& P,
                          const int& Q, const double* w, numerics::Criterion criterion,
                          double incumbent, bool refine_incumbent, double gain, double* par) {
  const int k = p + q + P + Q;
  if (k == 0) return incumbent;
  const auto size = static_cast<std::size_t>(k) + 1;
  std::vector<double> best(par, par + size);
  double fbest = incumbent;
  platform::ScopedSilence quiet;
  const auto consider = [&](std::vector<double> x, bool transformed) {
    double f = kObjectiveRejected;
    if (transformed) {
      f = MinimiseOverPartialAutocorrelations(p, q, P, Q, criterion, x.data());
    } else if (criterion(x.data()) < kObjectiveRejected &&
               numerics::Minimise(k, x.data(), &f, kCssTolerance, criterion) ==
                   numerics::kPowellFailed) {
      f = kObjectiveRejected;
    }
    if (f < fbest - gain) {
      fbest = f;
      best = std::move(x);
    }
  };
  if (refine_incumbent) consider(best, false);
  std::vector<double> start(size, 0.0);
  if (CssEstimate(n, p, q, s, P, Q, w, start.data() + 1)) consider(start, false);
  if (!HannanRissanenEstimate(n, p, q, s, P, Q, w, start.data() + 1))
    std::fill(start.begin() + 1, start.end(), kFallbackStart);
  consider(start, false);
  consider(std::vector<double>(size, 0.0), false);
  consider(best, true);
  std::copy(best.begin(), best.end(), par);
  return fbest;
}

}  // namespace vordex::arma
