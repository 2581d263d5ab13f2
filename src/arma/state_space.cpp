#include "arma/state_space.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

namespace vordex::arma {

// The workspace's storage, enlarged to at least length doubles when it holds fewer; null when the
// storage cannot be obtained.
double* StateSpaceStorage(StateSpaceWorkspace& ws, long length);

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A diffuse variance Z P_inf Z' at or below this counts as 0. P_inf starts as the identity on the
// pre-sample errors and is changed only by the differencing's integer coefficients and earlier
// diffuse variances, so a diffuse variance that is not 0 is a rational number of order 1 or more
// (the variance of a new combination of the pre-sample errors), while one that is 0 in exact
// arithmetic comes out at the level of rounding, about 1e-15.
constexpr double kDiffuseTolerance = 1e-8;
// A whitened regressor whose part outside the span of the earlier ones is at most this fraction of
// its own size (over all times) makes X' V^-1 X singular: a constant under differencing comes
// out at the level of rounding (1e-16 of its size), a linear trend under double differencing of
// 10^5 values at 1e-8 before the whitening shrinks it further, far above this.
constexpr double kRankTolerance = 1e-10;

// The covariance counts as settled when no element of the predicted covariance changed by more
// than this fraction of its largest diagonal element over m consecutive observed steps (so that
// the shift in T has carried every component through the observed one), and is frozen then: the
// recursion's own rounding moves P by a few units in the last place at every step, so a bound
// of 4 units keeps it from freezing too early on noise alone; the changes that remain shrink
// geometrically (by the squared modulus of the MA operator's largest inverse root per step), so
// frozen values stay within a small multiple of this bound of the exact ones, unless an MA root
// lies within about 1e-3 of the unit circle.
constexpr double kSteadyTolerance = 0x1p-50;

enum class Step { kMissing, kDiffuse, kUsed, kFailed };

// The dimensions of a model: the full operators' degrees, the ARMA state's dimension r, the
// differencing's degree nd and the state dimension m.
struct Dims {
  int np = 0, nq = 0, r = 0, nd = 0, m = 0;
};

bool DimsOf(const RegArimaModel& model, Dims& dims) {
  const RegArimaModel& o = model;
  if (o.p < 0 || o.d < 0 || o.q < 0 || o.P < 0 || o.D < 0 || o.Q < 0 || o.s < 1) return false;
  const int span = o.s > 1 ? o.s : 0;
  if (span > 0 && ((o.P > 0 && o.p >= o.s) || (o.Q > 0 && o.q >= o.s))) return false;
  if (o.start == DiffuseStart::kLargeKappa && !(o.kappa > 0.0 && std::isfinite(o.kappa)))
    return false;
  dims.np = o.p + span * o.P;
  dims.nq = o.q + span * o.Q;
  dims.nd = o.d + span * o.D;
  dims.r = std::max(dims.np, dims.nq + 1);
  dims.m = dims.r + dims.nd;
  return true;
}

bool DataValid(const RegArimaData& data) {
  const long n = static_cast<long>(data.y.size());
  if (n < 1 || data.k < 0 || static_cast<long>(data.xreg.size()) != n * data.k) return false;
  for (double x : data.xreg) {
    if (!std::isfinite(x)) return false;
  }
  return true;
}

// Where the arrays of one evaluation lie in its storage.
struct Layout {
  // The model: phi(0..np), theta(0..nq) as ExpandSeasonalOperators writes them; ar(0..r) (ar(i) =
  // phi(i), 0 beyond np); Rv(0..r-1) = (1, -theta(1), ..); delta(0..nd); gamma(0..r-1) and
  // psi(0..r-1) with the autocovariances' work; cX, cE (r by r) for the stationary covariance.
  long phi = 0, theta = 0, ar = 0, Rv = 0, delta = 0, gamma = 0, work = 0, psi = 0, cX = 0, cE = 0;
  // The filter: P, P_inf (m by m); M, M_inf (m); A (m by cols, the state means of y and of each
  // regressor); pred, value, norm (cols); Rg (cols by cols, the least-squares factor);
  // rows (kLeastSquaresBlock by cols, the whitened rows not yet in the factor).
  long P = 0, Pinf = 0, Pold = 0, U = 0, M = 0, Minf = 0, A = 0, pred = 0, value = 0, norm = 0,
       Rg = 0, rows = 0;
  long length = 0;
};

Layout LayoutFor(const Dims& dims, int cols) {
  Layout L;
  long at = 0;
  auto take = [&at](long size) {
    const long here = at;
    at += size;
    return here;
  };
  const long r = dims.r, m = dims.m;
  L.phi = take(dims.np + 1L);
  L.theta = take(dims.nq + 1L);
  L.ar = take(r + 1);
  L.Rv = take(r);
  L.delta = take(dims.nd + 1L);
  L.gamma = take(r);
  L.work = take(ArmaAutocovariancesWork(dims.r, dims.np, dims.nq));
  L.psi = take(r);
  L.cX = take(r * r);
  L.cE = take(r * r);
  L.P = take(m * m);
  L.Pinf = take(m * m);
  L.Pold = take(m * m);
  L.U = take(m * m);
  L.M = take(m);
  L.Minf = take(m);
  L.A = take(m * cols);
  L.pred = take(cols);
  L.value = take(cols);
  L.norm = take(cols);
  L.Rg = take(static_cast<long>(cols) * cols);
  L.rows = take(kLeastSquaresBlock * cols);
  L.length = at;
  return L;
}

// The system matrices of a model at one parameter vector (pointers into the storage).
struct System {
  int r = 0, nd = 0, m = 0;
  const double* ar = nullptr;     // ar[1..r]
  const double* Rv = nullptr;     // Rv[0..r-1]
  const double* delta = nullptr;  // delta[1..nd]
};

// The stationary covariance of Harvey's ARMA state (unit innovation variance) into the leading r
// by r block of P (leading dimension ld). Component i of the state is
//   x_i(t) = sum_{l=1}^{r-i+1} ar(i-1+l) X(t-l) + sum_{l=0}^{r-i} ma(i-1+l) eps(t-l)
// (ma = Rv), so with gamma the autocovariances of X and Cov(X(t-l), eps(t-l')) = psi(l' - l) for
// l' >= l (0 otherwise), the covariances cX_j(l) = Cov(X(t-l), x_j(t)), l = 1..r, and
// cE_j(l) = Cov(eps(t-l), x_j(t)), l = 0..r-1, give
//   P(i, j) = sum_l ar(i-1+l) cX_j(l) + sum_l ma(i-1+l) cE_j(l):
// O(r^3), and no cancellation near a unit root beyond that of the sums themselves (unlike a
// recursion along the diagonals of P = T P T' + R R').
void StationaryCovariance(int r, const double* ar, const double* ma, const double* gamma,
                          const double* psi, double* cX, double* cE, double* P, int ld) {
  for (int j = 1; j <= r; ++j) {
    double* cx = cX + static_cast<long>(j - 1) * r - 1;  // cx[1..r]
    double* ce = cE + static_cast<long>(j - 1) * r;      // ce[0..r-1]
    for (int l = 1; l <= r; ++l) {
      double c = 0.0;
      for (int k = 1; k <= r - j + 1; ++k) c += ar[j - 1 + k] * gamma[std::abs(l - k)];
      for (int k = l; k <= r - j; ++k) c += ma[j - 1 + k] * psi[k - l];
      cx[l] = c;
    }
    for (int l = 0; l < r; ++l) {
      double c = l <= r - j ? ma[j - 1 + l] : 0.0;
      for (int k = 1; k <= std::min(l, r - j + 1); ++k) c += ar[j - 1 + k] * psi[l - k];
      ce[l] = c;
    }
  }
  for (int j = 1; j <= r; ++j) {
    const double* cx = cX + static_cast<long>(j - 1) * r - 1;
    const double* ce = cE + static_cast<long>(j - 1) * r;
    for (int i = j; i <= r; ++i) {
      double c = 0.0;
      for (int l = 1; l <= r - i + 1; ++l) c += ar[i - 1 + l] * cx[l];
      for (int l = 0; l <= r - i; ++l) c += ma[i - 1 + l] * ce[l];
      P[(i - 1) + static_cast<long>(j - 1) * ld] = c;
      P[(j - 1) + static_cast<long>(i - 1) * ld] = c;
    }
  }
}

// Fills the model's coefficients into the storage and the system S, and unless the filter resumes
// from a kept state (with_start false) the initial state into the filter's arrays: A (cols
// columns) = 0, P = the stationary block (+ kappa on the pre-sample errors for kLargeKappa),
// P_inf = the identity on the pre-sample errors (kExact). Returns false when
// ArmaInadmissible(par).
bool Build(const RegArimaModel& model, const double* par, const Dims& dims, const Layout& L,
           int cols, double* base, System& S, bool with_start = true) {
  if (ArmaInadmissible(model.p, model.q, model.P, model.Q, par)) return false;
  const int r = dims.r, nd = dims.nd, m = dims.m;
  double* phi = base + L.phi;
  double* theta = base + L.theta;
  double* ar = base + L.ar;
  double* Rv = base + L.Rv;
  double* delta = base + L.delta;
  double* psi = base + L.psi;
  if (model.s > 1) {
    ExpandSeasonalOperators(model.p, model.q, model.s, model.P, model.Q, par, phi, theta);
  } else {
    std::fill(phi, phi + dims.np + 1, 0.0);
    std::fill(theta, theta + dims.nq + 1, 0.0);
    std::copy(par, par + model.p, phi + 1);
    std::copy(par + model.p, par + model.p + model.q, theta + 1);
  }
  std::fill(ar, ar + r + 1, 0.0);
  std::copy(phi + 1, phi + dims.np + 1, ar + 1);
  std::fill(Rv, Rv + r, 0.0);
  Rv[0] = 1.0;
  for (int j = 1; j <= dims.nq; ++j) Rv[j] = -theta[j];
  // (1 - B)^d (1 - B^s)^D = 1 - delta(1) B - .. - delta(nd) B^nd, multiplied out factor by
  // factor in poly = 1 - delta (poly[0] = 1).
  double* poly = delta;
  std::fill(poly, poly + nd + 1, 0.0);
  poly[0] = 1.0;
  int degree = 0;
  auto times_one_minus = [&](int lag) {
    for (int j = degree + lag; j >= lag; --j) poly[j] -= poly[j - lag];
    degree += lag;
  };
  for (int i = 0; i < model.d; ++i) times_one_minus(1);
  if (model.s > 1) {
    for (int i = 0; i < model.D; ++i) times_one_minus(model.s);
  }
  for (int j = 1; j <= nd; ++j) delta[j] = -poly[j];
  S.r = r;
  S.nd = nd;
  S.m = m;
  S.ar = ar;
  S.Rv = Rv;
  S.delta = delta;
  if (!with_start) return true;
  // psi(j) = ma(j) + sum_i ar(i) psi(j - i): the MA(infinity) weights.
  for (int j = 0; j < r; ++j) {
    double sum = Rv[j];
    for (int i = 1; i <= std::min(j, dims.np); ++i) sum += ar[i] * psi[j - i];
    psi[j] = sum;
  }
  ArmaAutocovariances(r, dims.np, dims.nq, phi, theta, base + L.gamma, base + L.work);
  double* P = base + L.P;
  double* Pinf = base + L.Pinf;
  std::fill(P, P + static_cast<long>(m) * m, 0.0);
  std::fill(Pinf, Pinf + static_cast<long>(m) * m, 0.0);
  StationaryCovariance(r, ar, Rv, base + L.gamma, psi, base + L.cX, base + L.cE, P, m);
  for (int j = r; j < m; ++j) {
    if (model.start == DiffuseStart::kLargeKappa)
      P[j + static_cast<long>(j) * m] = model.kappa;
    else
      Pinf[j + static_cast<long>(j) * m] = 1.0;
  }
  std::fill(base + L.A, base + L.A + static_cast<long>(m) * cols, 0.0);
  return true;
}

// Z x.
inline double ZTimes(const System& S, const double* x) {
  double v = x[0];
  for (int j = 1; j <= S.nd; ++j) v += S.delta[j] * x[S.r + j - 1];
  return v;
}

// x <- T x: the ARMA block ar(i) x(1) + x(i + 1), then n(t) = Z x on top of the shifted errors.
inline void ApplyT(const System& S, double* x) {
  const int r = S.r, nd = S.nd;
  const double x0 = x[0];
  const double n_t = nd > 0 ? ZTimes(S, x) : 0.0;
  for (int i = 0; i + 1 < r; ++i) x[i] = S.ar[i + 1] * x0 + x[i + 1];
  x[r - 1] = S.ar[r] * x0;
  for (int j = nd - 1; j >= 1; --j) x[r + j] = x[r + j - 1];
  if (nd > 0) x[r] = n_t;
}

// g <- T' g (T as ApplyT applies it).
inline void ApplyTTransposed(const System& S, double* g) {
  const int r = S.r, nd = S.nd;
  double g0 = nd > 0 ? g[r] : 0.0;
  for (int i = 0; i < r; ++i) g0 += S.ar[i + 1] * g[i];
  if (nd > 0) {
    const double gr = g[r];
    for (int j = 1; j < nd; ++j) g[r + j - 1] = S.delta[j] * gr + g[r + j];
    g[r + nd - 1] = S.delta[nd] * gr;
  }
  for (int c = r - 1; c >= 1; --c) g[c] = g[c - 1];
  g[0] = g0;
}

// g' P g for P m by m (column-major).
inline double QuadraticForm(const double* P, const double* g, int m) {
  double q = 0.0;
  for (int c = 0; c < m; ++c) {
    if (g[c] == 0.0) continue;
    const double* Pc = P + static_cast<long>(c) * m;
    double v = 0.0;
    for (int i = 0; i < m; ++i) v += Pc[i] * g[i];
    q += g[c] * v;
  }
  return q;
}

// M = P Z' for P m by m.
inline void PTimesZ(const System& S, const double* P, double* M) {
  const int m = S.m;
  std::copy(P, P + m, M);
  for (int j = 1; j <= S.nd; ++j) {
    const double dj = S.delta[j];
    const double* col = P + static_cast<long>(S.r + j - 1) * m;
    for (int i = 0; i < m; ++i) M[i] += dj * col[i];
  }
}

// P <- T P T' (+ R R' when with_noise) for a symmetric P, with U (m by m) for work: first
// U = P T', whose column c combines the columns of P named in row c of T (at most nd + 1 of them),
// then P = T U column by column; the lower triangle is copied to the upper one so that P stays
// exactly symmetric. O(m^2) with a small factor, every pass along columns.
void PredictCovariance(const System& S, double* P, double* U, bool with_noise) {
  const int m = S.m, r = S.r, nd = S.nd;
  auto col = [m](double* X, int c) { return X + static_cast<long>(c) * m; };
  const double* P0 = col(P, 0);
  for (int c = 0; c + 1 < r; ++c) {
    const double arc = S.ar[c + 1];
    const double* Pc = col(P, c + 1);
    double* Uc = col(U, c);
    for (int i = 0; i < m; ++i) Uc[i] = arc * P0[i] + Pc[i];
  }
  {
    const double arr = S.ar[r];
    double* Uc = col(U, r - 1);
    for (int i = 0; i < m; ++i) Uc[i] = arr * P0[i];
  }
  if (nd > 0) {
    double* Uc = col(U, r);
    std::copy(P0, P0 + m, Uc);
    for (int j = 1; j <= nd; ++j) {
      const double dj = S.delta[j];
      if (dj == 0.0) continue;
      const double* Pc = col(P, r + j - 1);
      for (int i = 0; i < m; ++i) Uc[i] += dj * Pc[i];
    }
    for (int j = 1; j < nd; ++j) std::copy(col(P, r + j - 1), col(P, r + j - 1) + m, col(U, r + j));
  }
  for (int c = 0; c < m; ++c) {
    double* Pc = col(P, c);
    std::copy(col(U, c), col(U, c) + m, Pc);
    ApplyT(S, Pc);
  }
  for (int j = 1; j < m; ++j)
    for (int i = 0; i < j; ++i) P[i + static_cast<long>(j) * m] = P[j + static_cast<long>(i) * m];
  if (!with_noise) return;
  for (int j = 0; j < r; ++j)
    for (int i = 0; i < r; ++i) P[i + static_cast<long>(j) * m] += S.Rv[i] * S.Rv[j];
}

// The filter over cols columns that share one covariance: column 0 is the data y (or the errors
// y - X b), the others the regressors. State: the predicted means A (m by cols), covariance P and
// diffuse part P_inf, diffuse steps left.
struct Kalman {
  System S;
  DiffuseStart start = DiffuseStart::kExact;
  int cols = 1;
  double* A = nullptr;
  double* P = nullptr;
  double* Pinf = nullptr;
  double* M = nullptr;
  double* Minf = nullptr;
  double* pred = nullptr;  // cols: Z A before the update
  double* Pold = nullptr;  // the covariance before the last step, for the steady-state test
  double* U = nullptr;     // m by m of work for the prediction
  int diffuse_left = 0;
  // The steady state: P, M = P Z' and F_steady = Z M stay fixed while the values are observed.
  int quiet = 0;
  bool steady = false;
  double F_steady = 0.0;
};

// One time: pred[c] = Z A(c) (the predictions), then the update with value[0..cols-1] (value[0]
// NaN: missing, no update) and the prediction of the next state. F receives the prediction's
// variance ratio (+infinity while the diffuse part is unresolved). Returns the kind of step:
// missing, diffuse (the innovation is not counted), used, or failed (a variance that is not
// positive: the coefficients lie too close to the edge).
//
// The update at a diffuse step (Koopman 1997; Durbin and Koopman 2012, eq. 5.12, filtered form),
// with F_inf = Z P_inf Z', F* = Z P Z', M_inf = P_inf Z', M* = P Z':
//   a += M_inf v / F_inf,  P += M_inf M_inf' F* / F_inf^2 - (M* M_inf' + M_inf M*') / F_inf,
//   P_inf -= M_inf M_inf' / F_inf;
// otherwise the ordinary one a += M* v / F*, P -= M* M*' / F*.
Step Advance(Kalman& K, const double* value, double& F) {
  const System& S = K.S;
  const int m = S.m;
  const long mm = static_cast<long>(m) * m;
  for (int c = 0; c < K.cols; ++c) K.pred[c] = ZTimes(S, K.A + static_cast<long>(c) * m);
  if (K.steady) {
    if (!std::isnan(value[0])) {
      F = K.F_steady;
      for (int c = 0; c < K.cols; ++c) {
        const double gain = (value[c] - K.pred[c]) / F;
        double* a = K.A + static_cast<long>(c) * m;
        for (int i = 0; i < m; ++i) a[i] += K.M[i] * gain;
        ApplyT(S, a);
      }
      return K.start == DiffuseStart::kLargeKappa && F >= kKappaGainLimit ? Step::kDiffuse
                                                                          : Step::kUsed;
    }
    K.steady = false;
    K.quiet = 0;
  }
  double Finf = 0.0;
  if (K.diffuse_left > 0) {
    PTimesZ(S, K.Pinf, K.Minf);
    Finf = ZTimes(S, K.Minf);
  }
  PTimesZ(S, K.P, K.M);
  const double Fs = ZTimes(S, K.M);
  const bool diffuse = Finf > kDiffuseTolerance;
  Step kind;
  if (std::isnan(value[0])) {
    kind = Step::kMissing;
    F = diffuse ? kInfinity : Fs;
  } else if (diffuse) {
    kind = Step::kDiffuse;
    F = kInfinity;
    const double* Mi = K.Minf;
    const double* Ms = K.M;
    for (int c = 0; c < K.cols; ++c) {
      const double gain = (value[c] - K.pred[c]) / Finf;
      double* a = K.A + static_cast<long>(c) * m;
      for (int i = 0; i < m; ++i) a[i] += Mi[i] * gain;
    }
    const double ratio = Fs / (Finf * Finf);
    for (int j = 0; j < m; ++j) {
      double* Pj = K.P + static_cast<long>(j) * m;
      double* Qj = K.Pinf + static_cast<long>(j) * m;
      for (int i = 0; i < m; ++i) {
        Pj[i] += Mi[i] * Mi[j] * ratio - (Ms[i] * Mi[j] + Mi[i] * Ms[j]) / Finf;
        Qj[i] -= Mi[i] * Mi[j] / Finf;
      }
    }
    if (--K.diffuse_left == 0) std::fill(K.Pinf, K.Pinf + static_cast<long>(m) * m, 0.0);
  } else {
    if (!(Fs > 0.0) || !std::isfinite(Fs)) return Step::kFailed;
    if (K.diffuse_left == 0) std::copy(K.P, K.P + mm, K.Pold);
    F = Fs;
    kind = K.start == DiffuseStart::kLargeKappa && Fs >= kKappaGainLimit ? Step::kDiffuse
                                                                         : Step::kUsed;
    const double* Ms = K.M;
    for (int c = 0; c < K.cols; ++c) {
      const double gain = (value[c] - K.pred[c]) / Fs;
      double* a = K.A + static_cast<long>(c) * m;
      for (int i = 0; i < m; ++i) a[i] += Ms[i] * gain;
    }
    for (int j = 0; j < m; ++j) {
      double* Pj = K.P + static_cast<long>(j) * m;
      const double g = Ms[j] / Fs;
      for (int i = 0; i < m; ++i) Pj[i] -= Ms[i] * g;
    }
  }
  for (int c = 0; c < K.cols; ++c) ApplyT(S, K.A + static_cast<long>(c) * m);
  PredictCovariance(S, K.P, K.U, true);
  if (K.diffuse_left > 0) PredictCovariance(S, K.Pinf, K.U, false);
  if (kind == Step::kMissing || kind == Step::kDiffuse || K.diffuse_left > 0) {
    K.quiet = 0;
    return kind;
  }
  double scale = 0.0;
  for (int i = 0; i < m; ++i) scale = std::max(scale, K.P[i + static_cast<long>(i) * m]);
  const double bound = kSteadyTolerance * scale;
  bool quiet = true;
  for (long i = 0; i < mm && quiet; ++i) quiet = std::fabs(K.P[i] - K.Pold[i]) <= bound;
  K.quiet = quiet ? K.quiet + 1 : 0;
  if (K.quiet >= m) {
    K.steady = true;
    PTimesZ(S, K.P, K.M);
    K.F_steady = ZTimes(S, K.M);
  }
  return kind;
}

// What one run over the data gathers for the likelihood.
struct Sums {
  long used = 0;
  double ssq = 0.0;     // k = 0: the sum of squares (k > 0: in the factor Rg)
  double sumlog = 0.0;  // sum of ln F
};

// Per-time records of RegArimaEvaluate: the predictions of every column (n by cols, by time) and
// the variance ratios.
struct Trace {
  std::vector<double> pred;
  std::vector<double> F;
};

// The run of one evaluation over the data: the objective's value (U ln S + ln G) and b in the
// storage (Rg, pred), or kObjectiveRejected.
double Run(const RegArimaModel& model, const double* par, const RegArimaData& data,
           const Dims& dims, const Layout& L, double* base, Kalman& K, Sums& sums, Trace* trace) {
  const int k = data.k, cols = k + 1;
  if (!Build(model, par, dims, L, cols, base, K.S)) return kObjectiveRejected;
  K.start = model.start;
  K.cols = cols;
  K.A = base + L.A;
  K.P = base + L.P;
  K.Pinf = base + L.Pinf;
  K.M = base + L.M;
  K.Minf = base + L.Minf;
  K.pred = base + L.pred;
  K.Pold = base + L.Pold;
  K.U = base + L.U;
  K.diffuse_left = model.start == DiffuseStart::kExact ? dims.nd : 0;
  const long n = static_cast<long>(data.y.size());
  const double* y = data.y.data();
  const double* X = data.xreg.data();
  double* value = base + L.value;
  double* rows = base + L.rows;
  int pending = 0;  // rows waiting in `rows`
  double* Rg = base + L.Rg;
  std::fill(Rg, Rg + static_cast<long>(cols) * cols, 0.0);
  for (long t = 0; t < n; ++t) {
    value[0] = y[t];
    for (int j = 0; j < k; ++j) value[j + 1] = X[j * n + t];
    double F = 0.0;
    const Step kind = Advance(K, value, F);
    if (kind == Step::kFailed) return kObjectiveRejected;
    if (trace != nullptr) {
      std::copy(K.pred, K.pred + cols, trace->pred.begin() + t * cols);
      trace->F[t] = F;
    }
    if (kind != Step::kUsed) continue;
    ++sums.used;
    sums.sumlog += std::log(F);
    const double scale = 1.0 / std::sqrt(F);
    if (k == 0) {
      const double e = (value[0] - K.pred[0]) * scale;
      sums.ssq += e * e;
      continue;
    }
    double* r = rows + static_cast<long>(pending) * cols;
    for (int j = 0; j < k; ++j) r[j] = (value[j + 1] - K.pred[j + 1]) * scale;
    r[k] = (value[0] - K.pred[0]) * scale;
    if (++pending == kLeastSquaresBlock) {
      AddLeastSquaresRows(Rg, cols, rows, pending);
      pending = 0;
    }
  }
  AddLeastSquaresRows(Rg, cols, rows, pending);
  if (sums.used < 1) return kObjectiveRejected;
  if (k > 0) {
    // The rank test, then S = R(y, y)^2.
    double* norm = base + L.norm;
    for (int j = 0; j < k; ++j) {
      double ss = 0.0;
      for (long t = 0; t < n; ++t) ss += X[j * n + t] * X[j * n + t];
      norm[j] = std::sqrt(ss);
      if (!(std::fabs(Rg[j + static_cast<long>(j) * cols]) > kRankTolerance * norm[j]))
        return kObjectiveRejected;
    }
    const double Ryy = Rg[k + static_cast<long>(k) * cols];
    sums.ssq = Ryy * Ryy;
  }
  const double value_out = sums.used * std::log(sums.ssq) + sums.sumlog;
  return std::isfinite(value_out) ? value_out : kObjectiveRejected;
}

// b = R_xx^-1 R_xy from the factor Rg (cols = k + 1).
void SolveBeta(const double* Rg, int k, double* beta) {
  const int cols = k + 1;
  for (int i = k - 1; i >= 0; --i) {
    double sum = Rg[i + static_cast<long>(k) * cols];
    for (int j = i + 1; j < k; ++j) sum -= Rg[i + static_cast<long>(j) * cols] * beta[j];
    beta[i] = sum / Rg[i + static_cast<long>(i) * cols];
  }
}

double LogLikelihood(long used, double ssq, double sumlog) {
  const double U = static_cast<double>(used);
  return -0.5 * (U * std::log(ssq / U) + sumlog + U * (1.0 + std::log(2.0 * std::numbers::pi)));
}

}  // namespace

void AddLeastSquaresRows(double* R, int cols, double* rows, int count) {
  for (int j = 0; j < cols && count > 0; ++j) {
    double sigma = 0.0;
    for (int r = 0; r < count; ++r) sigma += rows[r * cols + j] * rows[r * cols + j];
    if (sigma == 0.0) continue;
    double& d = R[j + static_cast<long>(j) * cols];
    const double norm = std::sqrt(d * d + sigma);
    const double beta = d >= 0.0 ? -norm : norm;
    const double v0 = d - beta;
    const double uu = v0 * v0 + sigma;
    for (int l = j + 1; l < cols; ++l) {
      double& rl = R[j + static_cast<long>(l) * cols];
      double dot = v0 * rl;
      for (int r = 0; r < count; ++r) dot += rows[r * cols + j] * rows[r * cols + l];
      const double f = 2.0 * dot / uu;
      rl -= f * v0;
      for (int r = 0; r < count; ++r) rows[r * cols + l] -= f * rows[r * cols + j];
    }
    d = beta;
    if (beta < 0.0)
      for (int l = j; l < cols; ++l)
        R[j + static_cast<long>(l) * cols] = -R[j + static_cast<long>(l) * cols];
  }
}

void AddLeastSquaresRow(double* R, int cols, double* w) {
  for (int j = 0; j < cols; ++j) {
    const double x = w[j];
    if (x == 0.0) continue;
    double& d = R[j + static_cast<long>(j) * cols];
    const double h = std::sqrt(d * d + x * x);
    const double c = d / h, s = x / h;
    d = h;
    for (int l = j + 1; l < cols; ++l) {
      double& rl = R[j + static_cast<long>(l) * cols];
      const double a = rl, b = w[l];
      rl = c * a + s * b;
      w[l] = c * b - s * a;
    }
  }
}

double* StateSpaceStorage(StateSpaceWorkspace& ws, long length) {
  if (length > ws.size_) {
    auto block = numerics::vector(1, length);
    if (!block) return nullptr;
    ws.block_ = std::move(block);
    ws.size_ = length;
  }
  return ws.block_.get() + 1;
}

double RegArimaObjective(const RegArimaModel& model, const double* par, const RegArimaData& data,
                         StateSpaceWorkspace& ws) {
  Dims dims;
  if (!DimsOf(model, dims) || !DataValid(data)) return kObjectiveRejected;
  const Layout L = LayoutFor(dims, data.k + 1);
  double* base = StateSpaceStorage(ws, L.length);
  if (base == nullptr) return kObjectiveRejected;
  Kalman K;
  Sums sums;
  return Run(model, par, data, dims, L, base, K, sums, nullptr);
}

double RegArimaObjective(const RegArimaModel& model, const double* par, const RegArimaData& data) {
  StateSpaceWorkspace ws;
  return RegArimaObjective(model, par, data, ws);
}

bool RegArimaEvaluate(const RegArimaModel& model, const double* par, const RegArimaData& data,
                      RegArimaFit& fit) {
  Dims dims;
  if (!DimsOf(model, dims) || !DataValid(data)) return false;
  try {
    const int k = data.k, cols = k + 1, m = dims.m;
    const long n = static_cast<long>(data.y.size());
    const Layout L = LayoutFor(dims, cols);
    StateSpaceWorkspace ws;
    double* base = StateSpaceStorage(ws, L.length);
    if (base == nullptr) return false;
    Trace trace;
    trace.pred.resize(static_cast<std::size_t>(n) * cols);
    trace.F.resize(static_cast<std::size_t>(n));
    Kalman K;
    Sums sums;
    const double objective = Run(model, par, data, dims, L, base, K, sums, &trace);
    if (objective == kObjectiveRejected) return false;
    const double* Rg = base + L.Rg;
    fit.objective = objective;
    fit.used = sums.used;
    fit.sigma2 = sums.ssq / static_cast<double>(sums.used);
    fit.log_likelihood = LogLikelihood(sums.used, sums.ssq, sums.sumlog);
    fit.beta.assign(static_cast<std::size_t>(k), 0.0);
    SolveBeta(Rg, k, fit.beta.data());
    // sigma2 (R_xx' R_xx)^-1 = sigma2 R_xx^-1 R_xx^-T, from the inverse of the triangle.
    std::vector<double> Rinv(static_cast<std::size_t>(k) * k, 0.0);
    for (int j = 0; j < k; ++j) {
      Rinv[j + static_cast<std::size_t>(j) * k] = 1.0 / Rg[j + static_cast<long>(j) * cols];
      for (int i = j - 1; i >= 0; --i) {
        double sum = 0.0;
        for (int l = i + 1; l <= j; ++l)
          sum += Rg[i + static_cast<long>(l) * cols] * Rinv[l + static_cast<std::size_t>(j) * k];
        Rinv[i + static_cast<std::size_t>(j) * k] = -sum / Rg[i + static_cast<long>(i) * cols];
      }
    }
    fit.beta_covariance.assign(static_cast<std::size_t>(k) * k, 0.0);
    for (int j = 0; j < k; ++j) {
      for (int i = 0; i < k; ++i) {
        double sum = 0.0;
        for (int l = std::max(i, j); l < k; ++l)
          sum +=
              Rinv[i + static_cast<std::size_t>(l) * k] * Rinv[j + static_cast<std::size_t>(l) * k];
        fit.beta_covariance[i + static_cast<std::size_t>(j) * k] = fit.sigma2 * sum;
      }
    }
    // The errors' predictions: those of y less b's combination of the regressors'.
    const double* y = data.y.data();
    const double* X = data.xreg.data();
    fit.predictions.resize(static_cast<std::size_t>(n));
    fit.variance_ratios = trace.F;
    fit.residuals.resize(static_cast<std::size_t>(n));
    for (long t = 0; t < n; ++t) {
      const double* pc = trace.pred.data() + t * cols;
      double prediction = pc[0];
      for (int j = 0; j < k; ++j) prediction += fit.beta[j] * (X[j * n + t] - pc[j + 1]);
      fit.predictions[t] = prediction;
      fit.residuals[t] = std::isnan(y[t]) ? kNaN : (y[t] - prediction) / std::sqrt(trace.F[t]);
    }
    FilterState& st = fit.state;
    st.m = m;
    st.a.assign(K.A, K.A + m);
    for (int j = 0; j < k; ++j) {
      const double* aj = K.A + static_cast<long>(j + 1) * m;
      for (int i = 0; i < m; ++i) st.a[i] -= fit.beta[j] * aj[i];
    }
    st.P.assign(K.P, K.P + static_cast<long>(m) * m);
    st.P_inf.assign(K.Pinf, K.Pinf + static_cast<long>(m) * m);
    st.diffuse_left = K.diffuse_left;
    st.quiet = K.quiet;
    st.steady = K.steady;
    st.times = n;
    st.used = sums.used;
    st.ssq = sums.ssq;
    st.sumlog = sums.sumlog;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool RegArimaStart(const RegArimaModel& model, const double* par, FilterState& state) {
  Dims dims;
  if (!DimsOf(model, dims)) return false;
  try {
    const Layout L = LayoutFor(dims, 1);
    StateSpaceWorkspace ws;
    double* base = StateSpaceStorage(ws, L.length);
    if (base == nullptr) return false;
    System S;
    if (!Build(model, par, dims, L, 1, base, S)) return false;
    const long mm = static_cast<long>(dims.m) * dims.m;
    state.m = dims.m;
    state.a.assign(static_cast<std::size_t>(dims.m), 0.0);
    state.P.assign(base + L.P, base + L.P + mm);
    state.P_inf.assign(base + L.Pinf, base + L.Pinf + mm);
    state.diffuse_left = model.start == DiffuseStart::kExact ? dims.nd : 0;
    state.quiet = 0;
    state.steady = false;
    state.times = 0;
    state.used = 0;
    state.ssq = 0.0;
    state.sumlog = 0.0;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

namespace {

// The storage and system of a model for a filter over one column started from state (whose
// dimension and sizes must match the model's). False when the model or state is invalid.
bool Resume(const RegArimaModel& model, const double* par, const FilterState& state,
            StateSpaceWorkspace& ws, Layout& L, double*& base, Kalman& K) {
  Dims dims;
  if (!DimsOf(model, dims) || state.m != dims.m) return false;
  const std::size_t mm = static_cast<std::size_t>(dims.m) * dims.m;
  if (state.a.size() != static_cast<std::size_t>(dims.m) || state.P.size() != mm ||
      state.P_inf.size() != mm || state.diffuse_left < 0 || state.diffuse_left > dims.nd)
    return false;
  L = LayoutFor(dims, 1);
  base = StateSpaceStorage(ws, L.length);
  if (base == nullptr) return false;
  if (!Build(model, par, dims, L, 1, base, K.S, false)) return false;
  K.start = model.start;
  K.cols = 1;
  K.A = base + L.A;
  K.P = base + L.P;
  K.Pinf = base + L.Pinf;
  K.M = base + L.M;
  K.Minf = base + L.Minf;
  K.pred = base + L.pred;
  K.Pold = base + L.Pold;
  K.U = base + L.U;
  std::copy(state.a.begin(), state.a.end(), K.A);
  std::copy(state.P.begin(), state.P.end(), K.P);
  std::copy(state.P_inf.begin(), state.P_inf.end(), K.Pinf);
  K.diffuse_left = state.diffuse_left;
  K.quiet = state.quiet;
  K.steady = state.steady && state.diffuse_left == 0;
  if (K.steady) {
    PTimesZ(K.S, K.P, K.M);
    K.F_steady = ZTimes(K.S, K.M);
  }
  return true;
}

}  // namespace

bool RegArimaFilter(const RegArimaModel& model, const double* par, std::span<const double> beta,
                    const RegArimaData& data, FilterState& state, std::span<double> predictions,
                    std::span<double> variance_ratios, std::span<double> residuals) {
  const long n = static_cast<long>(data.y.size());
  if (static_cast<long>(data.xreg.size()) != n * data.k || data.k < 0 ||
      beta.size() != static_cast<std::size_t>(data.k))
    return false;
  for (auto* out : {&predictions, &variance_ratios, &residuals}) {
    if (!out->empty() && static_cast<long>(out->size()) != n) return false;
  }
  for (double x : data.xreg) {
    if (!std::isfinite(x)) return false;
  }
  StateSpaceWorkspace ws;
  Layout L;
  double* base = nullptr;
  Kalman K;
  if (!Resume(model, par, state, ws, L, base, K)) return false;
  const int k = data.k;
  const double* X = data.xreg.data();
  double* value = base + L.value;
  long used = 0;
  double ssq = 0.0, sumlog = 0.0;
  for (long t = 0; t < n; ++t) {
    double fixed = 0.0;
    for (int j = 0; j < k; ++j) fixed += beta[j] * X[j * n + t];
    value[0] = data.y[t] - fixed;
    double F = 0.0;
    const Step kind = Advance(K, value, F);
    if (kind == Step::kFailed) return false;
    const double v = value[0] - K.pred[0];
    if (!predictions.empty()) predictions[t] = fixed + K.pred[0];
    if (!variance_ratios.empty()) variance_ratios[t] = F;
    if (!residuals.empty()) residuals[t] = kind == Step::kMissing ? kNaN : v / std::sqrt(F);
    if (kind != Step::kUsed) continue;
    ++used;
    ssq += v * v / F;
    sumlog += std::log(F);
  }
  const std::size_t mm = static_cast<std::size_t>(K.S.m) * K.S.m;
  std::copy(K.A, K.A + K.S.m, state.a.begin());
  std::copy(K.P, K.P + mm, state.P.begin());
  std::copy(K.Pinf, K.Pinf + mm, state.P_inf.begin());
  state.diffuse_left = K.diffuse_left;
  state.quiet = K.quiet;
  state.steady = K.steady;
  state.times += n;
  state.used += used;
  state.ssq += ssq;
  state.sumlog += sumlog;
  return true;
}

bool RegArimaForecast(const RegArimaModel& model, const double* par, std::span<const double> beta,
                      double sigma2, const FilterState& state, std::span<const double> xreg_future,
                      std::span<double> mean, std::span<double> variance) {
  const std::size_t h = mean.size();
  if (variance.size() != h || xreg_future.size() != h * beta.size()) return false;
  StateSpaceWorkspace ws;
  Layout L;
  double* base = nullptr;
  Kalman K;
  if (!Resume(model, par, state, ws, L, base, K)) return false;
  const System& S = K.S;
  const int k = static_cast<int>(beta.size());
  // The prediction j steps on has variance Z P_j Z' with P_j = T^j P T'^j + sum_{i<j} T^i R R'
  // T'^i, that is g_j' P g_j + sum_{i<j} (g_i' R)^2 for g_j = T'^j Z': a vector carried forward
  // instead of the covariance, O(m^2) a step where the covariance takes O(m^2) several times.
  double* g = K.M;
  std::fill(g, g + S.m, 0.0);
  g[0] = 1.0;
  for (int i = 1; i <= S.nd; ++i) g[S.r + i - 1] = S.delta[i];
  double noise = 0.0;  // sum_{i<j} (g_i' R)^2
  for (std::size_t j = 0; j < h; ++j) {
    double fixed = 0.0;
    for (int i = 0; i < k; ++i) fixed += beta[i] * xreg_future[i * h + j];
    mean[j] = fixed + ZTimes(S, K.A);
    double F = QuadraticForm(K.P, g, S.m) + noise;
    if (K.diffuse_left > 0 && QuadraticForm(K.Pinf, g, S.m) > kDiffuseTolerance) F = kInfinity;
    variance[j] = sigma2 * F;
    double gR = 0.0;
    for (int i = 0; i < S.r; ++i) gR += g[i] * S.Rv[i];
    noise += gR * gR;
    ApplyT(S, K.A);
    ApplyTTransposed(S, g);
  }
  return true;
}

}  // namespace vordex::arma
