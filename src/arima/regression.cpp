#include "arima/regression.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "arima/estimate.h"
#include "arima/forecast.h"
#include "arma/likelihood.h"
#include "arma/starts.h"
#include "numerics/descent.h"
#include "numerics/kernels/error_state.h"
#include "numerics/powell.h"
#include "platform/messages.h"

namespace vordex::arima {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// A regressor whose part outside the span of the earlier ones (after differencing) is at most this
// fraction of its own size is refused as collinear: a hundred times the likelihood's own rank
// test (1e-10, after whitening), so that a request is refused with the names rather than failing
// inside the estimation, and far above the rounding of a difference (1e-16 of the column).
constexpr double kCollinearity = 1e-8;
// Relative tolerance of the direction-set search (R's optim stops at 1e-8 too): the Newton steps
// after it take the estimates the rest of the way, so 1e-10 (the driver's MaxLik) only doubled the
// evaluations, for log-likelihoods within 2e-7 of each other on 40 monthly series with gaps.
constexpr double kPowellTolerance = 1e-8;
// Newton steps after the direction-set search: each one taken only when it lowers the objective;
// the search leaves the estimates within a few 1e-6 of the optimum, from where one step reaches
// it to the accuracy of the differences and a second confirms it.
constexpr int kNewtonSteps = 3;
// Complete series: a quasi-Newton descent (numerics::QuasiNewtonDescent) before the direction-set
// search, which then starts near the optimum and mostly confirms it. On LakeHuron's automatic
// search with a trend the two together take half the evaluations of the direction-set search
// alone, for the same estimates. On 120 M1 monthly series with a trend or Fourier terms the
// likelihood has several optima and the two routes do not always end on the same one: of 240
// fixed-model fits 11 reach a higher likelihood with the descent first and 2 a lower one; of 240
// automatic searches 5 end on a lower AICc and 7 on a higher one (see EstimateStateSpace).

// The conditional-sum-of-squares fit: at most this many Levenberg-Marquardt steps, each ended when
// the damping exceeds kCssMaxDamping; it stops when a step lowers the sum of squares by less than
// kCssTolerance relative or moves no coefficient by more than that. Forward differences of
// kCssStep (relative, at least absolute).
constexpr int kCssIterations = 100;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kCssMaxDamping = 1e10;
constexpr double kCssTolerance = 1e-10;
constexpr double kCssStep = 1e-7;

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

// The operator (1 - B)^d (1 - B^s)^D = sum_{i=0..nd} c_i B^i, with s = 1 taking the seasonal
// differences at lag 1 (c_0 = 1).
std::vector<double> DifferencingOperator(int d, int D, int s) {
  const int lag = s > 1 ? s : 1;
  std::vector<double> c(1, 1.0);
  auto times_one_minus = [&c](int k) {
    c.resize(c.size() + static_cast<std::size_t>(k), 0.0);
    for (std::size_t j = c.size() - 1; j >= static_cast<std::size_t>(k); --j) c[j] -= c[j - k];
  };
  for (int i = 0; i < d; ++i) times_one_minus(1);
  for (int i = 0; i < D; ++i) times_one_minus(lag);
  return c;
}

int DifferencingDegree(const Request& r) {
  return r.d + r.D * (r.period > 1 ? r.period : 1);
}

// sum_i c_i x(t - i) for the 0-based time t >= nd of a column x.
double Differenced(const std::vector<double>& c, const double* x, long t) {
  double v = 0.0;
  for (std::size_t i = 0; i < c.size(); ++i) v += c[i] * x[t - static_cast<long>(i)];
  return v;
}

// y with each run of missing values filled by the straight line between the observed values
// around it, and the first and last observed values carried to the ends (the linear case of R's
// forecast::na.interp).
std::vector<double> LinearInterpolation(std::span<const double> y) {
  std::vector<double> v(y.begin(), y.end());
  const long n = static_cast<long>(v.size());
  long previous = -1;
  for (long t = 0; t < n; ++t) {
    if (std::isnan(v[t])) continue;
    if (previous < 0) {
      std::fill(v.begin(), v.begin() + t, v[t]);
    } else {
      for (long u = previous + 1; u < t; ++u)
        v[u] = v[previous] + (v[t] - v[previous]) * static_cast<double>(u - previous) /
                                 static_cast<double>(t - previous);
    }
    previous = t;
  }
  if (previous >= 0) std::fill(v.begin() + previous + 1, v.end(), v[previous]);
  return v;
}

// The coefficients of a request in the likelihood's order: phi, theta, Phi, Theta.
std::vector<double> PackCoefficients(const Estimates& fit) {
  std::vector<double> par;
  for (const auto* block : {&fit.phi, &fit.theta, &fit.Phi, &fit.Theta})
    par.insert(par.end(), block->begin(), block->end());
  return par;
}

void UnpackStandardErrors(const std::vector<double>& se, Estimates& fit) {
  auto take = [&se](std::size_t from, std::size_t count) {
    return std::vector<double>(se.begin() + static_cast<long>(from),
                               se.begin() + static_cast<long>(from + count));
  };
  std::size_t at = 0;
  fit.phi_se = take(at, fit.phi.size());
  fit.theta_se = take(at += fit.phi.size(), fit.theta.size());
  fit.Phi_se = take(at += fit.theta.size(), fit.Phi.size());
  fit.Theta_se = take(at += fit.Phi.size(), fit.Theta.size());
  fit.beta_se = take(at += fit.Theta.size(), fit.beta.size());
}

// The lower Cholesky factor L of the symmetric positive definite K by K matrix A (by columns),
// A = L L'; false when A is not positive definite.
bool CholeskyFactor(const std::vector<double>& A, int K, std::vector<double>& L) {
  auto at = [K](int i, int j) {
    return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * K;
  };
  L.assign(A.size(), 0.0);
  for (int j = 0; j < K; ++j) {
    double d = A[at(j, j)];
    for (int l = 0; l < j; ++l) d -= L[at(j, l)] * L[at(j, l)];
    if (!(d > 0.0) || !std::isfinite(d)) return false;
    L[at(j, j)] = std::sqrt(d);
    for (int i = j + 1; i < K; ++i) {
      double v = A[at(i, j)];
      for (int l = 0; l < j; ++l) v -= L[at(i, l)] * L[at(j, l)];
      L[at(i, j)] = v / L[at(j, j)];
    }
  }
  return true;
}

// Inverts the symmetric positive definite k by k matrix A (by columns) in place through its
// Cholesky factor A = L L'; false, A unspecified, when A is not positive definite.
bool InvertPositiveDefinite(std::vector<double>& A, int k) {
  auto at = [k](int i, int j) {
    return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * k;
  };
  std::vector<double> L;
  if (!CholeskyFactor(A, k, L)) return false;
  // W = L^-1 (lower triangular), then A^-1 = W' W.
  std::vector<double> W(A.size(), 0.0);
  for (int j = 0; j < k; ++j) {
    W[at(j, j)] = 1.0 / L[at(j, j)];
    for (int i = j + 1; i < k; ++i) {
      double v = 0.0;
      for (int l = j; l < i; ++l) v -= L[at(i, l)] * W[at(l, j)];
      W[at(i, j)] = v / L[at(i, i)];
    }
  }
  for (int j = 0; j < k; ++j)
    for (int i = j; i < k; ++i) {
      double v = 0.0;
      for (int l = i; l < k; ++l) v += W[at(l, i)] * W[at(l, j)];
      A[at(i, j)] = A[at(j, i)] = v;
    }
  return true;
}

// Central differences of f at x with steps h: the gradient (when g is given) and the Hessian H
// (k by k). f0 = f(x). False when an evaluation is rejected or not finite.
template <class F>
bool CentralDifferences(F&& f, std::vector<double> x, const std::vector<double>& h, double f0,
                        std::vector<double>* g, std::vector<double>& H) {
  const int k = static_cast<int>(x.size());
  H.assign(static_cast<std::size_t>(k) * k, 0.0);
  if (g != nullptr) g->assign(static_cast<std::size_t>(k), 0.0);
  auto value = [&](int i, double si, int j, double sj, double& out) {
    const double xi = x[i], xj = x[j];
    x[i] += si * h[i];
    if (j != i) x[j] += sj * h[j];
    out = f(x);
    x[i] = xi;
    x[j] = xj;
    return out < arma::kObjectiveRejected && std::isfinite(out);
  };
  for (int i = 0; i < k; ++i) {
    double up = 0.0, down = 0.0;
    if (!value(i, 1.0, i, 0.0, up) || !value(i, -1.0, i, 0.0, down)) return false;
    if (g != nullptr) (*g)[i] = (up - down) / (2.0 * h[i]);
    H[static_cast<std::size_t>(i) * (k + 1)] = (up - 2.0 * f0 + down) / (h[i] * h[i]);
    for (int j = 0; j < i; ++j) {
      double pp = 0.0, pm = 0.0, mp = 0.0, mm = 0.0;
      if (!value(i, 1.0, j, 1.0, pp) || !value(i, 1.0, j, -1.0, pm) ||
          !value(i, -1.0, j, 1.0, mp) || !value(i, -1.0, j, -1.0, mm))
        return false;
      const double v = (pp - pm - mp + mm) / (4.0 * h[i] * h[j]);
      H[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * k] = v;
      H[static_cast<std::size_t>(j) + static_cast<std::size_t>(i) * k] = v;
    }
  }
  return true;
}

// The step of the differences in standard errors: (eps U)^(1/4) balances the truncation error of
// a central second difference (relative, the square of the step) against the rounding of a
// log-likelihood of U terms (eps U over the square of the step).
double DifferenceStep(long used) {
  return std::pow(kEpsilon * static_cast<double>(std::max(used, 1L)), 0.25);
}

// The likelihood of a model on the transformed series yt with the regressors X (n by K, by
// columns), as the minimisers and the differences need it: U ln S + ln G, with b profiled out by
// generalised least squares (Profile) or given (Fixed); kObjectiveRejected where the kernel
// rejects the point. With the exact diffuse start the likelihood of a complete series is that of
// its differences (Ansley and Kohn 1985; arma/state_space.h): there the Chandrasekhar filter of
// the differenced series and regressors gives it, at O(r) a value and column instead of the state
// space filter's O(m^2) until it settles (m = r + d + s D), the same to rounding. Otherwise the
// state space filter (arma::RegArimaObjective) over the observed values.
class Likelihood {
 public:
  Likelihood(const arma::RegArimaModel& model, std::span<const double> yt,
             const std::vector<double>& X, int K)
      : model_(model), yt_(yt), X_(X), K_(K), n_(static_cast<long>(yt.size())) {
    differenced_ = model.start == arma::DiffuseStart::kExact &&
                   std::none_of(yt.begin(), yt.end(), [](double v) { return std::isnan(v); });
    if (!differenced_) return;
    const int lag = model.s > 1 ? model.s : 1;
    const std::vector<double> c = DifferencingOperator(model.d, model.D, lag);
    const long nd = static_cast<long>(c.size()) - 1;
    nn_ = n_ - nd;
    columns_.resize(static_cast<std::size_t>(nn_) * (K + 1));
    for (long t = nd; t < n_; ++t) {
      columns_[t - nd] = Differenced(c, yt.data(), t);
      for (int j = 0; j < K; ++j)
        columns_[(j + 1) * nn_ + t - nd] = Differenced(c, X.data() + j * n_, t);
    }
    const int span = model.s > 1 ? model.s : 0;
    phi_.resize(static_cast<std::size_t>(model.p + span * model.P) + 1);
    theta_.resize(static_cast<std::size_t>(model.q + span * model.Q) + 1);
    Z_.resize(columns_.size());
    w_.resize(static_cast<std::size_t>(nn_));
  }

  // Whether the likelihood is that of the differenced complete series (smooth in the coefficients
  // inside the admissible region).
  bool OfDifferences() const { return differenced_; }

  // b profiled out at the coefficients par.
  double Profile(const double* par) {
    if (!differenced_) return arma::RegArimaObjective(model_, par, {yt_, X_, K_}, state_space_);
    const arma::RegArimaModel& m = model_;
    if (K_ == 0)
      return arma::ArmaObjective(static_cast<int>(nn_), m.p, m.q, m.s, m.P, m.Q, par,
                                 columns_.data(), ws_);
    if (arma::ArmaInadmissible(m.p, m.q, m.P, m.Q, par) ||
        !arma::ExpandSeasonalOperators(m.p, m.q, m.s, m.P, m.Q, par, phi_.data(), theta_.data()))
      return arma::kObjectiveRejected;
    const int cols = K_ + 1, nn = static_cast<int>(nn_);
    double G = 1.0;
    if (!arma::WhitenChandrasekhar(nn, static_cast<int>(phi_.size()) - 1,
                                   static_cast<int>(theta_.size()) - 1, phi_.data(), theta_.data(),
                                   columns_.data(), cols, Z_.data(), G, nullptr, ws_))
      return arma::kObjectiveRejected;
    // Least squares of the whitened series on the whitened regressors (the series last).
    std::vector<double> R(static_cast<std::size_t>(cols) * cols, 0.0), norm(cols, 0.0);
    rows_.resize(static_cast<std::size_t>(arma::kLeastSquaresBlock) * cols);
    int pending = 0;
    for (long t = 0; t < nn_; ++t) {
      double* row = rows_.data() + static_cast<std::size_t>(pending) * cols;
      for (int j = 0; j < K_; ++j) row[j] = Z_[(j + 1) * nn_ + t];
      row[K_] = Z_[t];
      for (int j = 0; j < K_; ++j) norm[j] += row[j] * row[j];
      if (++pending == arma::kLeastSquaresBlock) {
        arma::AddLeastSquaresRows(R.data(), cols, rows_.data(), pending);
        pending = 0;
      }
    }
    arma::AddLeastSquaresRows(R.data(), cols, rows_.data(), pending);
    // The likelihood's own rank test (arma::RegArimaObjective's tolerance).
    for (int j = 0; j < K_; ++j)
      if (!(std::fabs(R[j * (cols + 1)]) > kKernelRank * std::sqrt(norm[j])))
        return arma::kObjectiveRejected;
    const double S = R[K_ * (cols + 1)] * R[K_ * (cols + 1)];
    const double value = static_cast<double>(nn_) * std::log(S) + std::log(G);
    return std::isfinite(value) ? value : arma::kObjectiveRejected;
  }

  // At the coefficients par and the regression coefficients beta (K values).
  double Fixed(const double* par, const double* beta) {
    if (differenced_) {
      for (long t = 0; t < nn_; ++t) {
        double e = columns_[t];
        for (int j = 0; j < K_; ++j) e -= beta[j] * columns_[(j + 1) * nn_ + t];
        w_[t] = e;
      }
      const arma::RegArimaModel& m = model_;
      return arma::ArmaObjective(static_cast<int>(nn_), m.p, m.q, m.s, m.P, m.Q, par, w_.data(),
                                 ws_);
    }
    w_.resize(static_cast<std::size_t>(n_));
    for (long t = 0; t < n_; ++t) {
      double e = yt_[t];
      for (int j = 0; j < K_; ++j) e -= beta[j] * X_[j * n_ + t];
      w_[t] = e;
    }
    return arma::RegArimaObjective(model_, par, {w_, {}, 0}, state_space_);
  }

 private:
  // A whitened regressor within this fraction of its size of the span of the others makes the
  // generalised least squares singular (the tolerance of arma::RegArimaObjective's test).
  static constexpr double kKernelRank = 1e-10;
  arma::RegArimaModel model_;
  std::span<const double> yt_;
  const std::vector<double>& X_;
  int K_;
  long n_, nn_ = 0;
  bool differenced_ = false;
  std::vector<double> columns_, Z_, phi_, theta_, w_,
      rows_;  // differenced: series, then regressors
  arma::LikelihoodWorkspace ws_;
  arma::StateSpaceWorkspace state_space_;
};

double ProfileCriterion(void* context, double* par) {
  return static_cast<Likelihood*>(context)->Profile(par + 1);
}

// Newton steps on the profile objective from par (k values), each taken when it lowers it.
void NewtonSteps(Likelihood& likelihood, std::vector<double>& par, long used) {
  const int k = static_cast<int>(par.size());
  if (k == 0) return;
  const double step = DifferenceStep(used) / std::sqrt(static_cast<double>(std::max(used, 1L)));
  const std::vector<double> h(static_cast<std::size_t>(k), step);
  auto f = [&likelihood](const std::vector<double>& x) { return likelihood.Profile(x.data()); };
  double f0 = f(par);
  for (int iteration = 0; iteration < kNewtonSteps; ++iteration) {
    std::vector<double> g, H;
    if (!CentralDifferences(f, par, h, f0, &g, H) || !InvertPositiveDefinite(H, k)) return;
    std::vector<double> next(par);
    for (int i = 0; i < k; ++i)
      for (int j = 0; j < k; ++j)
        next[i] -= H[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * k] * g[j];
    const double f1 = f(next);
    if (!(f1 < f0)) return;
    par = std::move(next);
    f0 = f1;
  }
}

// Standard errors of (par, beta) from the Hessian of -log L = (U ln S + ln G) / 2 + constant of
// the errors y - X beta at par (see Finish). b moves along the columns of the Cholesky factor L of
// its generalised least-squares covariance V (b = beta + L g): in the coordinates g the
// regression block of the Hessian is nearly the identity, however correlated the regressors (an
// intercept beside the calendar year: a correlation of -0.99998 for LakeHuron), so its
// differences keep their accuracy through the inversion; b's covariance is then L C_gg L'. NaN
// for all when the Hessian cannot be formed or inverted.
std::vector<double> StandardErrors(Likelihood& likelihood, const std::vector<double>& par,
                                   const std::vector<double>& beta,
                                   const std::vector<double>& beta_covariance, long used) {
  const int k = static_cast<int>(par.size()), K = static_cast<int>(beta.size()), N = k + K;
  std::vector<double> se(static_cast<std::size_t>(N), kNaN);
  std::vector<double> L;
  if (N == 0 || (K > 0 && !CholeskyFactor(beta_covariance, K, L))) return se;
  const double c = DifferenceStep(used);
  std::vector<double> x(par),
      h(static_cast<std::size_t>(k), c / std::sqrt(static_cast<double>(used)));
  x.resize(static_cast<std::size_t>(N), 0.0);
  h.resize(static_cast<std::size_t>(N), c);
  std::vector<double> b(static_cast<std::size_t>(K));
  auto f = [&](const std::vector<double>& v) {
    for (int i = 0; i < K; ++i) {
      b[i] = beta[i];
      for (int j = 0; j <= i; ++j)
        b[i] += L[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * K] * v[k + j];
    }
    return 0.5 * likelihood.Fixed(v.data(), b.data());
  };
  std::vector<double> H;
  if (!CentralDifferences(f, x, h, f(x), nullptr, H) || !InvertPositiveDefinite(H, N)) return se;
  auto C = [&H, N](int i, int j) {
    return H[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * N];
  };
  for (int i = 0; i < k; ++i) se[i] = std::sqrt(C(i, i));
  // (L C_gg L')(i, i) = sum_{j, l <= i} L(i, j) C_gg(j, l) L(i, l).
  for (int i = 0; i < K; ++i) {
    double v = 0.0;
    for (int j = 0; j <= i; ++j)
      for (int l = 0; l <= i; ++l)
        v += L[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * K] * C(k + j, k + l) *
             L[static_cast<std::size_t>(i) + static_cast<std::size_t>(l) * K];
    se[k + i] = std::sqrt(v);
  }
  return se;
}

// The filter state of the kernel in the engine's estimates.
void Transfer(arma::FilterState state, Estimates& fit) {
  fit.state = std::move(state);
  fit.has_state = true;
}

// Forecasts, limits of the critical value and of each band from the state's mean and variance
// on the transformed scale.
void FillForecasts(const Request& r, const std::vector<double>& mean,
                   const std::vector<double>& variance, Estimates& fit) {
  const double z = r.critical > 0.0 ? r.critical : kDefaultCritical;
  const std::size_t h = mean.size();
  fit.forecasts.resize(h);
  fit.lower.resize(h);
  fit.upper.resize(h);
  for (std::size_t j = 0; j < h; ++j) {
    const double sd = std::sqrt(variance[j]);
    fit.forecasts[j] = InverseTransform(r.transform, mean[j]);
    fit.lower[j] = InverseTransform(r.transform, mean[j] - z * sd);
    fit.upper[j] = InverseTransform(r.transform, mean[j] + z * sd);
  }
  for (const Request::Band& band : r.bands) {
    Limits& limits = fit.bands.emplace_back();
    limits.level = band.level;
    for (std::size_t j = 0; j < h; ++j) {
      const double half = band.critical * std::sqrt(variance[j]);
      limits.lower.push_back(InverseTransform(r.transform, mean[j] - half));
      limits.upper.push_back(InverseTransform(r.transform, mean[j] + half));
    }
  }
}

std::vector<double> TransformSeries(Transform transform, std::span<const double> y) {
  std::vector<double> v(y.size());
  std::transform(y.begin(), y.end(), v.begin(),
                 [transform](double x) { return TransformValue(transform, x); });
  return v;
}

// The refusal of collinear regressors: the first column (after differencing) within
// kCollinearity of the span of those before it, by the Givens factor of the differenced rows.
Refusal CheckRank(const Request& r, long n, const std::vector<std::string>& names) {
  const int K = static_cast<int>(names.size());
  if (K == 0) return {};
  const std::vector<double> X = RegressorMatrix(r, 1, n, r.xreg);
  const std::vector<double> c = DifferencingOperator(r.d, r.D, r.period);
  const long nd = static_cast<long>(c.size()) - 1;
  std::vector<double> R(static_cast<std::size_t>(K) * K, 0.0), row(static_cast<std::size_t>(K));
  // A column's norm after differencing, and before: a seasonal pattern that the seasonal
  // difference cancels leaves only rounding (sin 2 pi t / 12 differenced at lag 12 is 1e-16).
  std::vector<double> norm(static_cast<std::size_t>(K), 0.0), raw(norm);
  for (long t = nd; t < n; ++t) {
    for (int j = 0; j < K; ++j) {
      const double* x = X.data() + static_cast<std::size_t>(j) * n;
      row[j] = Differenced(c, x, t);
      norm[j] += row[j] * row[j];
      raw[j] += x[t] * x[t];
    }
    arma::AddLeastSquaresRow(R.data(), K, row.data());
  }
  auto at = [K](int i, int j) {
    return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * K;
  };
  for (int j = 0; j < K; ++j) {
    if (norm[j] <= kCollinearity * kCollinearity * raw[j])
      return {Status::kInvalidData,
              "arima: differencing removes the regressor " + Quoted(names[j]) +
                  " (it is a trend or a seasonal pattern that the differences cancel)"};
    if (std::fabs(R[at(j, j)]) > kCollinearity * std::sqrt(norm[j])) continue;
    // Column j = sum_l a_l column l over l < j: R(0..j-1, 0..j-1) a = R(0..j-1, j).
    std::vector<double> a(static_cast<std::size_t>(j), 0.0);
    for (int i = j - 1; i >= 0; --i) {
      double v = R[at(i, j)];
      for (int l = i + 1; l < j; ++l) v -= R[at(i, l)] * a[l];
      a[i] = v / R[at(i, i)];
    }
    std::string with;
    for (int l = 0; l < j; ++l) {
      if (std::fabs(a[l]) * std::sqrt(norm[l]) <= kCollinearity * std::sqrt(norm[j])) continue;
      with += (with.empty() ? "" : ", ") + Quoted(names[l]);
    }
    return {Status::kInvalidData, "arima: the regressors are collinear after differencing: " +
                                      Quoted(names[j]) + " is a linear combination of " + with};
  }
  return {};
}

// Solves the k by k system A x = g (A symmetric positive definite, by columns) by Cholesky's
// factorisation in place; false when A is not positive definite.
bool SolvePositiveDefinite(std::vector<double>& A, std::vector<double>& g, int k) {
  auto at = [k](int i, int j) {
    return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * k;
  };
  for (int j = 0; j < k; ++j) {
    double d = A[at(j, j)];
    for (int l = 0; l < j; ++l) d -= A[at(j, l)] * A[at(j, l)];
    if (!(d > 0.0)) return false;
    d = std::sqrt(d);
    A[at(j, j)] = d;
    for (int i = j + 1; i < k; ++i) {
      double v = A[at(i, j)];
      for (int l = 0; l < j; ++l) v -= A[at(i, l)] * A[at(j, l)];
      A[at(i, j)] = v / d;
    }
  }
  for (int i = 0; i < k; ++i) {
    double v = g[i];
    for (int l = 0; l < i; ++l) v -= A[at(i, l)] * g[l];
    g[i] = v / A[at(i, i)];
  }
  for (int i = k - 1; i >= 0; --i) {
    double v = g[i];
    for (int l = i + 1; l < k; ++l) v -= A[at(l, i)] * g[l];
    g[i] = v / A[at(i, i)];
  }
  return true;
}

// The conditional sum of squares of a request on a complete series: the differenced columns
// (the model's regressors, then the transformed observations), and the residuals of the ARMA
// recursion started from zeros after the first p + P s differenced values, with the regression
// coefficients profiled out by least squares. The residuals are linear in b, so the recursion
// runs once per column and b solves a K by K system.
class CssProblem {
 public:
  CssProblem(const Request& r, std::span<const double> y)
      : p_(r.p), q_(r.q), P_(r.P), Q_(r.Q), s_(r.period > 1 ? r.period : 0) {
    const long n = static_cast<long>(y.size());
    const std::vector<double> yt = TransformSeries(r.transform, y);
    K_ = static_cast<int>(RegressorNames(r).size());
    const std::vector<double> X = RegressorMatrix(r, 1, n, r.xreg);
    const std::vector<double> op = DifferencingOperator(r.d, r.D, r.period);
    const long nd = static_cast<long>(op.size()) - 1;
    N_ = std::max(0L, n - nd);
    cond_ = std::min(N_, static_cast<long>(r.p) + static_cast<long>(r.P) * s_);
    w_.resize(static_cast<std::size_t>(K_ + 1) * N_);
    for (int j = 0; j <= K_; ++j) {
      const double* x = j < K_ ? X.data() + static_cast<std::size_t>(j) * n : yt.data();
      for (long t = nd; t < n; ++t) w_[Index(j, t - nd)] = Differenced(op, x, t);
    }
    phi_.resize(static_cast<std::size_t>(p_ + s_ * P_) + 1);
    theta_.resize(static_cast<std::size_t>(q_ + s_ * Q_) + 1);
    e_.resize(w_.size());
    R_.resize(static_cast<std::size_t>(K_) * K_);
    b_.resize(static_cast<std::size_t>(K_));
  }

  long Count() const { return N_ - cond_; }

  // The residuals at the coefficients par (p + q + P + Q) into res (Count() values); returns
  // their sum of squares, +infinity when it is not finite.
  double Residuals(const double* par, double* res) {
    Expand(par);
    for (int j = 0; j <= K_; ++j) Filter(w_.data() + Index(j, 0), e_.data() + Index(j, 0));
    const double* ey = e_.data() + Index(K_, 0);
    if (K_ > 0) {
      // b from the normal equations of the filtered regressors: K is small and the sum of
      // squares only ranks the candidates.
      auto at = [this](int i, int j) {
        return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * K_;
      };
      for (int i = 0; i < K_; ++i) {
        const double* ei = e_.data() + Index(i, 0);
        for (int j = 0; j <= i; ++j) {
          const double* ej = e_.data() + Index(j, 0);
          double a = 0.0;
          for (long l = cond_; l < N_; ++l) a += ei[l] * ej[l];
          R_[at(i, j)] = a;
          R_[at(j, i)] = a;
        }
        double g = 0.0;
        for (long l = cond_; l < N_; ++l) g += ei[l] * ey[l];
        b_[i] = g;
      }
      if (!SolvePositiveDefinite(R_, b_, K_)) return kInfinity;
    }
    double ssq = 0.0;
    for (long l = cond_; l < N_; ++l) {
      double v = ey[l];
      for (int j = 0; j < K_; ++j) v -= b_[j] * e_[Index(j, l)];
      res[l - cond_] = v;
      ssq += v * v;
    }
    return std::isfinite(ssq) ? ssq : kInfinity;
  }

  // Fixes b at its value of the last Residuals call (which must have been finite): y - X b then
  // has the residuals FixedResiduals gives. At the b that is optimal for the coefficients, their
  // sum of squares has the gradient of the profiled one, at the cost of one column instead of K
  // + 1.
  void FixRegression() {
    fixed_.assign(w_.begin() + static_cast<std::ptrdiff_t>(Index(K_, 0)), w_.end());
    for (int j = 0; j < K_; ++j)
      for (long l = 0; l < N_; ++l) fixed_[l] -= b_[j] * w_[Index(j, l)];
  }
  void FixedResiduals(const double* par, double* res) {
    Expand(par);
    work_.resize(static_cast<std::size_t>(N_));
    Filter(fixed_.data(), work_.data());
    std::copy(work_.begin() + cond_, work_.end(), res);
  }

 private:
  // The full AR and MA operators of par, and the lags whose coefficient is not zero (a seasonal
  // product has few of its s P + p).
  void Expand(const double* par) {
    arma::ExpandSeasonalOperators(p_, q_, s_, P_, Q_, par, phi_.data(), theta_.data());
    ar_lags_.clear();
    ma_lags_.clear();
    for (int i = 1; i < static_cast<int>(phi_.size()); ++i)
      if (phi_[i] != 0.0) ar_lags_.push_back(i);
    for (int i = 1; i < static_cast<int>(theta_.size()); ++i)
      if (theta_[i] != 0.0) ma_lags_.push_back(i);
  }
  // e = the ARMA residuals of the differenced column w, zero before cond_.
  void Filter(const double* w, double* e) const {
    std::fill(e, e + cond_, 0.0);
    for (long l = cond_; l < N_; ++l) {
      double v = w[l];
      for (const int i : ar_lags_) v -= phi_[i] * w[l - i];
      for (const int i : ma_lags_)
        if (i <= l) v += theta_[i] * e[l - i];
      e[l] = v;
    }
  }

  std::size_t Index(int column, long t) const {
    return static_cast<std::size_t>(column) * N_ + static_cast<std::size_t>(t);
  }

  int p_, q_, P_, Q_, s_;
  int K_ = 0;
  long N_ = 0, cond_ = 0;
  std::vector<double> w_, e_, phi_, theta_, R_, b_, fixed_, work_;
  std::vector<int> ar_lags_, ma_lags_;
};

}  // namespace

double TransformValue(Transform transform, double x) {
  if (transform == Transform::kLog) return std::log(x);
  if (transform == Transform::kSquareRoot) return std::sqrt(x);
  return x;
}

bool UsesStateSpace(const Request& r, std::span<const double> y) {
  return !r.names.empty() || r.drift || !r.start.empty() ||
         std::any_of(y.begin(), y.end(), [](double v) { return std::isnan(v); });
}

std::vector<std::string> RegressorNames(const Request& r) {
  std::vector<std::string> names;
  if (r.mean != 0) names.emplace_back("mean");
  if (r.drift) names.emplace_back("drift");
  names.insert(names.end(), r.names.begin(), r.names.end());
  return names;
}

std::vector<double> RegressorMatrix(const Request& r, long first, long count,
                                    std::span<const double> own) {
  std::vector<double> X;
  if (count <= 0) return X;
  X.reserve(static_cast<std::size_t>(count) * RegressorNames(r).size());
  if (r.mean != 0) {
    // c(t) = 1 - sum_{i >= 1} c_i c(t - i): the differences of c are 1 at every time.
    const std::vector<double> op = DifferencingOperator(r.d, r.D, r.period);
    const long nd = static_cast<long>(op.size()) - 1;
    const long last = first + count - 1;
    std::vector<double> column(static_cast<std::size_t>(last + 1), 0.0);  // c(0..last)
    for (long t = 1; t <= last; ++t) {
      double v = 1.0;
      for (long i = 1; i <= std::min(nd, t - 1); ++i) v -= op[i] * column[t - i];
      column[t] = v;
    }
    X.insert(X.end(), column.begin() + first, column.end());
  }
  if (r.drift)
    for (long t = first; t < first + count; ++t) X.push_back(static_cast<double>(t));
  X.insert(X.end(), own.begin(), own.end());
  return X;
}

arma::RegArimaModel StateSpaceModel(const Request& r) {
  arma::RegArimaModel m;
  m.p = r.p;
  m.q = r.q;
  m.P = r.P;
  m.Q = r.Q;
  m.s = r.period;
  // With s = 1 the seasonal differences are differences at lag 1 (as the driver takes them).
  m.d = r.period > 1 ? r.d : r.d + r.D;
  m.D = r.period > 1 ? r.D : 0;
  m.start = r.diffuse;
  return m;
}

Refusal CheckData(const Request& r, std::span<const double> y) {
  const long n = static_cast<long>(y.size());
  const long h = r.horizon;
  const int differences = r.d + r.D;
  const bool state_space = UsesStateSpace(r, y);
  if (r.drift && differences >= 2)
    return {Status::kInvalidSettings,
            "arima: a drift needs d + D <= 1 (with more differences it is not identified)"};
  if (r.drift && r.mean != 0 && differences == 1)
    return {Status::kInvalidSettings,
            "arima: with d + D = 1 the constant is the drift; ask for one of them"};
  if (r.mean != 0 && differences >= 2 && state_space)
    return {Status::kInvalidSettings,
            "arima: a constant with d + D >= 2 is fitted only on a complete series without "
            "regressors or drift"};
  const std::size_t k = r.names.size();
  if (k > 0 && r.xreg.size() != static_cast<std::size_t>(n) * k)
    return {Status::kInvalidData, "arima: the regressors have " +
                                      std::to_string(r.xreg.size() / k) + " rows; the series has " +
                                      std::to_string(n) + " values"};
  if (k == 0 && !r.xreg.empty())
    return {Status::kInvalidData, "arima: regressor values without names"};
  if (k > 0 && r.future.size() != static_cast<std::size_t>(h) * k)
    return {Status::kInvalidData, "arima: the future values of the regressors have " +
                                      std::to_string(r.future.size() / k) +
                                      " rows; the horizon is " + std::to_string(h)};
  std::set<std::string> seen;
  for (std::size_t j = 0; j < k; ++j) {
    const std::string& name = r.names[j];
    if (name.empty())
      return {Status::kInvalidData, "arima: regressor " + std::to_string(j + 1) + " has no name"};
    if (!seen.insert(name).second)
      return {Status::kInvalidData, "arima: two regressors are named " + Quoted(name)};
    const auto column = r.xreg.subspan(j * n, static_cast<std::size_t>(n));
    for (long t = 0; t < n; ++t)
      if (!std::isfinite(column[t]))
        return {Status::kInvalidData, "arima: the regressor " + Quoted(name) +
                                          " has no finite value at time " + std::to_string(t + 1)};
    for (long t = 0; t < h; ++t)
      if (!std::isfinite(r.future[j * h + t]))
        return {Status::kInvalidData, "arima: the future value of the regressor " + Quoted(name) +
                                          " at step " + std::to_string(t + 1) +
                                          " is not a finite number"};
    if (std::all_of(column.begin(), column.end(), [&](double v) { return v == column[0]; }))
      return {Status::kInvalidData,
              "arima: the regressor " + Quoted(name) +
                  " is constant (the constant setting gives the model its intercept)"};
  }
  long missing = 0;
  for (long t = 0; t < n; ++t) {
    const double v = y[t];
    if (std::isnan(v)) {
      ++missing;
      continue;
    }
    const std::string when = " at time " + std::to_string(t + 1);
    if (!std::isfinite(v))
      return {Status::kInvalidData, "arima: the observation" + when + " is infinite"};
    if (r.transform == Transform::kLog && v <= 0.0)
      return {Status::kInvalidData,
              "arima: can't take the log of zero or negative values (the observation" + when + ")"};
    if (r.transform == Transform::kSquareRoot && v < 0.0)
      return {Status::kInvalidData,
              "arima: can't take the square root of negative values (the observation" + when + ")"};
  }
  const std::vector<std::string> names = RegressorNames(r);
  const long observed = n - missing;
  const int nd = DifferencingDegree(r);
  const long needed = nd + r.p + r.q + r.P + r.Q + static_cast<long>(names.size()) + 1;
  if (observed < needed)
    return {Status::kTooFewObservations, "arima: the series has " + std::to_string(observed) +
                                             " observed values; the model needs at least " +
                                             std::to_string(needed) + " (" + std::to_string(nd) +
                                             " lost to differencing, " +
                                             std::to_string(r.p + r.q + r.P + r.Q + names.size()) +
                                             " coefficients and one more)"};
  if (state_space) return CheckRank(r, n, names);
  return {};
}

Outcome EstimateStateSpace(const Request& r, std::span<const double> y) {
  Outcome out;
  Estimates& fit = out.value;
  const long n = static_cast<long>(y.size());
  const int h = r.horizon;
  const arma::RegArimaModel model = StateSpaceModel(r);
  const std::vector<double> yt = TransformSeries(r.transform, y);
  const std::vector<std::string> names = RegressorNames(r);
  const int K = static_cast<int>(names.size());
  const std::vector<double> X = RegressorMatrix(r, 1, n, r.xreg);
  const std::vector<double> op = DifferencingOperator(r.d, r.D, r.period);
  const long nd = static_cast<long>(op.size()) - 1;
  const int k = r.p + r.q + r.P + r.Q;
  fit.missing =
      static_cast<int>(std::count_if(y.begin(), y.end(), [](double v) { return std::isnan(v); }));

  // 1. Starting values: b by least squares on the differenced, interpolated data, then the
  // Hannan-Rissanen estimate on the differenced regression errors.
  const std::vector<double> yi = LinearInterpolation(yt);
  std::vector<double> beta0(static_cast<std::size_t>(K), 0.0);
  if (K > 0) {
    std::vector<double> R(static_cast<std::size_t>(K + 1) * (K + 1), 0.0);
    std::vector<double> row(static_cast<std::size_t>(K + 1));
    for (long t = nd; t < n; ++t) {
      for (int j = 0; j < K; ++j)
        row[j] = Differenced(op, X.data() + static_cast<std::size_t>(j) * n, t);
      row[K] = Differenced(op, yi.data(), t);
      arma::AddLeastSquaresRow(R.data(), K + 1, row.data());
    }
    auto at = [K](int i, int j) {
      return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * (K + 1);
    };
    for (int i = K - 1; i >= 0; --i) {
      double v = R[at(i, K)];
      for (int j = i + 1; j < K; ++j) v -= R[at(i, j)] * beta0[j];
      beta0[i] = v / R[at(i, i)];
    }
  }
  std::vector<double> w(static_cast<std::size_t>(n - nd));
  {
    std::vector<double> e(yi);
    for (int j = 0; j < K; ++j)
      for (long t = 0; t < n; ++t) e[t] -= beta0[j] * X[static_cast<std::size_t>(j) * n + t];
    for (long t = nd; t < n; ++t) w[t - nd] = Differenced(op, e.data(), t);
  }
  Likelihood likelihood(model, yt, X, K);
  const arma::RegArimaData data{yt, X, K};
  std::vector<double> par(static_cast<std::size_t>(k) + 1, 0.0);  // 1-based for the minimisers
  const int m = static_cast<int>(w.size());
  if (k > 0) {
    platform::ScopedSilence quiet;
    if (!arma::HannanRissanenEstimate(m, r.p, r.q, r.period, r.P, r.Q, w.data(), par.data() + 1) ||
        likelihood.Profile(par.data() + 1) >= arma::kObjectiveRejected)
      std::fill(par.begin() + 1, par.end(), kFallbackStart);
    if (likelihood.Profile(par.data() + 1) >= arma::kObjectiveRejected)
      std::fill(par.begin() + 1, par.end(), 0.0);
    if (r.start.size() == static_cast<std::size_t>(k) &&
        likelihood.Profile(r.start.data()) < likelihood.Profile(par.data() + 1))
      std::copy(r.start.begin(), r.start.end(), par.begin() + 1);
  }
  // 2. The direction-set search (the root finder of the admissibility test reports only through
  // its error state).
  kernels::KernelQuiet();
  double f = likelihood.Profile(par.data() + 1);
  if (f >= arma::kObjectiveRejected) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return out;
  }
  if (k > 0) {
    if (likelihood.OfDifferences())
      numerics::QuasiNewtonDescent(k, par.data(), &f, {&ProfileCriterion, &likelihood},
                                   arma::kObjectiveRejected);
    if (numerics::Minimise(k, par.data(), &f, kPowellTolerance, {&ProfileCriterion, &likelihood}) ==
        numerics::kPowellFailed) {
      out.status = Status::kEngineFailed;
      out.text = kFailureText;
      return out;
    }
    if (r.thorough)
      f = arma::MinimiseFromStarts(m, r.p, r.q, r.period, r.P, r.Q, w.data(),
                                   {&ProfileCriterion, &likelihood}, f, false, kThoroughGain,
                                   par.data());
  }
  // 3-4. Newton steps, the full evaluation.
  std::vector<double> estimate(par.begin() + 1, par.end());
  arma::RegArimaFit ev;
  if (!arma::RegArimaEvaluate(model, estimate.data(), data, ev)) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return out;
  }
  NewtonSteps(likelihood, estimate, ev.used);
  if (!arma::RegArimaEvaluate(model, estimate.data(), data, ev)) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return out;
  }
  auto take = [&estimate](std::size_t from, int count) {
    return std::vector<double>(estimate.begin() + static_cast<long>(from),
                               estimate.begin() + static_cast<long>(from) + count);
  };
  fit.phi = take(0, r.p);
  fit.theta = take(r.p, r.q);
  fit.Phi = take(r.p + r.q, r.P);
  fit.Theta = take(r.p + r.q + r.P, r.Q);
  fit.names = names;
  fit.beta = ev.beta;
  fit.sigma2 = ev.sigma2;
  fit.log_likelihood = ev.log_likelihood;
  fit.aic = -2.0 * ev.log_likelihood + 2.0 * (k + K);
  if (r.mean != 0) {
    double ar = 1.0, seasonal_ar = 1.0;
    for (double v : fit.phi) ar -= v;
    for (double v : fit.Phi) seasonal_ar -= v;
    fit.constant = fit.beta[0] * ar * seasonal_ar;
  }
  // One-step predictions and errors; none while the diffuse part is unresolved.
  fit.residuals.resize(static_cast<std::size_t>(n));
  fit.predictions.resize(static_cast<std::size_t>(n));
  for (long t = 0; t < n; ++t) {
    const double F = ev.variance_ratios[t];
    const bool diffuse =
        model.start == arma::DiffuseStart::kExact ? std::isinf(F) : !(F < arma::kKappaGainLimit);
    const double prediction = diffuse ? kNaN : ev.predictions[t];
    fit.residuals[t] = yt[t] - prediction;
    fit.predictions[t] = InverseTransform(r.transform, prediction);
  }
  // The working series (the differenced regression errors) and its one-step predictions.
  fit.series.assign(static_cast<std::size_t>(n), kNaN);
  {
    std::vector<double> e(yt);
    for (int j = 0; j < K; ++j)
      for (long t = 0; t < n; ++t) e[t] -= fit.beta[j] * X[static_cast<std::size_t>(j) * n + t];
    for (long t = nd; t < n; ++t) fit.series[t] = Differenced(op, e.data(), t);
  }
  fit.fitted.resize(static_cast<std::size_t>(n));
  for (long t = 0; t < n; ++t) fit.fitted[t] = fit.series[t] - fit.residuals[t];
  if (r.model_state) {
    UnpackStandardErrors(
        StandardErrors(likelihood, estimate, fit.beta, ev.beta_covariance, ev.used), fit);
  }
  // Forecasts from the filter after the last time.
  std::vector<double> mean(static_cast<std::size_t>(h)), variance(static_cast<std::size_t>(h));
  const std::vector<double> Xf = RegressorMatrix(r, n + 1, h, r.future);
  if (h > 0 && !arma::RegArimaForecast(model, estimate.data(), fit.beta, fit.sigma2, ev.state, Xf,
                                       mean, variance)) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return out;
  }
  FillForecasts(r, mean, variance, fit);
  Transfer(std::move(ev.state), fit);
  return out;
}

void Finish(const Request& r, std::span<const double> y, Estimates& fit) {
  const arma::RegArimaModel model = StateSpaceModel(r);
  const long n = static_cast<long>(y.size());
  const std::vector<double> yt = TransformSeries(r.transform, y);
  const std::vector<double> X = RegressorMatrix(r, 1, n, r.xreg);
  const int K = static_cast<int>(fit.beta.size());
  const std::vector<double> par = PackCoefficients(fit);
  arma::FilterState state;
  if (!arma::RegArimaStart(model, par.data(), state) ||
      !arma::RegArimaFilter(model, par.data(), fit.beta, {yt, X, K}, state))
    return;
  std::vector<double> covariance;
  if (K > 0) {
    arma::RegArimaFit ev;
    if (!arma::RegArimaEvaluate(model, par.data(), {yt, X, K}, ev)) return;
    covariance = std::move(ev.beta_covariance);
  }
  Likelihood likelihood(model, yt, X, K);
  UnpackStandardErrors(StandardErrors(likelihood, par, fit.beta, covariance, state.used), fit);
  Transfer(std::move(state), fit);
}

CssFit EstimateCss(const Request& r, std::span<const double> y) {
  CssFit fit;
  CssProblem problem(r, y);
  const long count = problem.Count();
  const int k = r.p + r.q + r.P + r.Q;
  if (count <= 0) {
    fit.note = "no residuals after differencing and the autoregressive lags";
    return fit;
  }
  const std::size_t N = static_cast<std::size_t>(count);
  std::vector<double> par(static_cast<std::size_t>(k), 0.0), trial(par);
  std::vector<double> res(N), shifted(N), J(N * static_cast<std::size_t>(k));
  std::vector<double> A(static_cast<std::size_t>(k) * k), g(static_cast<std::size_t>(k));
  double ssq = problem.Residuals(par.data(), res.data());
  if (!std::isfinite(ssq)) {
    fit.note = "the sum of squares is not finite";
    return fit;
  }
  // Levenberg-Marquardt on the residuals from the zero start (R's start for this fit), the
  // Jacobian J by forward differences. The model of the Hessian starts as J'J (Gauss-Newton) and
  // is then updated by BFGS from the gradients J'r of the steps taken, which adds the curvature of
  // the residuals themselves that J'J leaves out: the sums of squares of ARMA models are large-
  // residual problems, where Gauss-Newton alone converges only linearly (about a hundred steps).
  // A step that leaves the stationary and invertible region counts as one that fails: a full
  // Gauss-Newton step from zero can land on an explosive local minimum, which the ranking would
  // set aside, where a search by small steps (R's) finds the admissible one.
  // The Jacobian is taken with b fixed at its optimum for `at` (the last Residuals call).
  std::vector<double> base(N);
  auto gradient = [&](const std::vector<double>& at, std::vector<double>& out) {
    problem.FixRegression();
    problem.FixedResiduals(at.data(), base.data());
    for (int i = 0; i < k; ++i) {
      trial = at;
      const double h = kCssStep * std::max(1.0, std::fabs(at[i]));
      trial[i] += h;
      problem.FixedResiduals(trial.data(), shifted.data());
      for (std::size_t l = 0; l < N; ++l) J[l + i * N] = (shifted[l] - base[l]) / h;
    }
    for (int i = 0; i < k; ++i) {
      double gi = 0.0;
      for (std::size_t l = 0; l < N; ++l) gi += J[l + i * N] * base[l];
      out[i] = gi;
    }
  };
  if (k > 0) {
    gradient(par, g);
    for (int i = 0; i < k; ++i)
      for (int j = 0; j <= i; ++j) {
        double a = 0.0;
        for (std::size_t l = 0; l < N; ++l) a += J[l + i * N] * J[l + j * N];
        A[i + static_cast<std::size_t>(j) * k] = a;
        A[j + static_cast<std::size_t>(i) * k] = a;
      }
  }
  std::vector<double> g_new(g), step_taken(g), Bs(g);
  double lambda = 1e-3;
  for (int iteration = 0; k > 0 && iteration < kCssIterations; ++iteration) {
    bool improved = false, converged = false;
    while (!improved && lambda < kCssMaxDamping) {
      std::vector<double> M(A), step(g);
      for (int i = 0; i < k; ++i) M[i + static_cast<std::size_t>(i) * k] *= 1.0 + lambda;
      if (SolvePositiveDefinite(M, step, k)) {
        double largest = 0.0;
        for (int i = 0; i < k; ++i) {
          trial[i] = par[i] - step[i];
          largest = std::max(largest, std::fabs(step[i]));
        }
        const double s = arma::ArmaInadmissible(r.p, r.q, r.P, r.Q, trial.data())
                             ? kInfinity
                             : problem.Residuals(trial.data(), shifted.data());
        if (s < ssq) {
          improved = true;
          converged = ssq - s <= kCssTolerance * ssq || largest <= kCssTolerance;
          for (int i = 0; i < k; ++i) step_taken[i] = trial[i] - par[i];
          par = trial;
          res.swap(shifted);
          ssq = s;
          lambda = std::max(lambda / 10.0, 1e-12);
          break;
        }
      }
      lambda *= 10.0;
    }
    if (!improved || converged) break;
    // BFGS: A += y y' / y's - (A s)(A s)' / s'A s, y the change of the gradient along s.
    gradient(par, g_new);
    double ys = 0.0, sBs = 0.0;
    for (int i = 0; i < k; ++i) {
      double v = 0.0;
      for (int j = 0; j < k; ++j) v += A[i + static_cast<std::size_t>(j) * k] * step_taken[j];
      Bs[i] = v;
      sBs += step_taken[i] * v;
      ys += (g_new[i] - g[i]) * step_taken[i];
    }
    if (ys > 0.0 && sBs > 0.0)
      for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
          A[i + static_cast<std::size_t>(j) * k] +=
              (g_new[i] - g[i]) * (g_new[j] - g[j]) / ys - Bs[i] * Bs[j] / sBs;
    g.swap(g_new);
  }
  fit.ok = true;
  fit.sigma2 = ssq / static_cast<double>(count);
  auto take = [&par](int from, int size) {
    return std::vector<double>(par.begin() + from, par.begin() + from + size);
  };
  fit.phi = take(0, r.p);
  fit.theta = take(r.p, r.q);
  fit.Phi = take(r.p + r.q, r.P);
  fit.Theta = take(r.p + r.q + r.P, r.Q);
  return fit;
}

}  // namespace vordex::arima
