#include "arima/estimate.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "arima/polynomials.h"
#include "arima/state.h"
#include "arma/likelihood.h"
#include "arma/starts.h"
#include "numerics/complex.h"
#include "numerics/descent.h"
#include "numerics/powell.h"
#include "numerics/vectors.h"
#include "platform/messages.h"

namespace vordex::arima {

using numerics::dcomplex;

namespace {

// Arimaobjective as the minimiser calls it, with the request's state as its context.
double Criterion(void* context, double* par) {
  return Arimaobjective(*static_cast<ArimaStateRecord*>(context), par);
}

// Largest degree tested: s Q or s P, at most 24 * 3 = 72; the arrays keep the historical size.
constexpr int kRootArraySize = 84;

// 1 when the polynomial a[0..degree] has no root of modulus below 1.0; 0 otherwise or when the
// root search fails.
int RootsOutsideUnitCircle(const dcomplex* a, int degree) {
  dcomplex roots[kRootArraySize];
  if (!numerics::ZRoots(a, degree, roots, true)) return 0;
  for (int i = 1; i <= degree; ++i) {
    if (numerics::Cabs(roots[i]) < 1.0) return 0;
  }
  return 1;
}

// par[1..k] in the kernel's order from the factor coefficients, and back.
void PackFactors(const ArimaStateRecord& st, double* par) {
  int i = 1;
  for (int j = 1; j <= st.p; ++j) par[i++] = st.phi[j];
  for (int j = 1; j <= st.q; ++j) par[i++] = st.theta[j];
  for (int j = 1; j <= st.P; ++j) par[i++] = st.Phi[j];
  for (int j = 1; j <= st.Q; ++j) par[i++] = st.Theta[j];
}

void UnpackFactors(ArimaStateRecord& st, const double* par) {
  int i = 1;
  for (int j = 1; j <= st.p; ++j) st.phi[j] = par[i++];
  for (int j = 1; j <= st.q; ++j) st.theta[j] = par[i++];
  for (int j = 1; j <= st.P; ++j) st.Phi[j] = par[i++];
  for (int j = 1; j <= st.Q; ++j) st.Theta[j] = par[i++];
}

// The thorough estimation is for the models people fit: a direction-set search costs of the order
// of k^2 line searches, which for many more coefficients the extra starts would multiply.
constexpr int kMaxThoroughCoefficients = 12;

// The criterion of the thorough estimation: the exact likelihood with the mean profiled out by
// generalised least squares (with the mean flag), or Arimaobjective.
struct ThoroughContext {
  ArimaStateRecord* st = nullptr;
  int n = 0;                // N - nd
  int np = 0, nq = 0;       // degrees of the full operators
  std::vector<double> X;    // n x 2 by columns: the working series, then ones
  std::vector<double> Z;    // the whitened columns
  std::vector<double> phi;  // full operators, 0..np and 0..nq
  std::vector<double> theta;
  arma::LikelihoodWorkspace ws;
};

// At the factor coefficients par[1..k] (1-based): without the mean flag Arimaobjective; with it
// n ln S + ln G of the working series less a constant delta, at the delta that minimises it:
// with Z the whitened series and z the whitened column of ones, delta = <Z, z> / <z, z> and
// S = <Z, Z> - delta <Z, z>. delta receives it (0 without the mean flag).
double ThoroughObjective(ThoroughContext& c, double* par1, double* delta) {
  ArimaStateRecord& st = *c.st;
  *delta = 0.0;
  if (st.mean == 0) return Arimaobjective(st, par1);
  const double* par = par1 + 1;
  if (arma::ArmaInadmissible(st.p, st.q, st.P, st.Q, par)) return arma::kObjectiveRejected;
  if (!arma::ExpandSeasonalOperators(st.p, st.q, st.s, st.P, st.Q, par, c.phi.data(),
                                     c.theta.data()))
    return arma::kObjectiveRejected;
  double G = 1.0;
  if (!arma::WhitenChandrasekhar(c.n, c.np, c.nq, c.phi.data(), c.theta.data(), c.X.data(), 2,
                                 c.Z.data(), G, nullptr, c.ws))
    return arma::kObjectiveRejected;
  const double* Zy = c.Z.data();
  const double* Zx = Zy + c.n;
  double syy = 0.0, sxy = 0.0, sxx = 0.0;
  for (int t = 0; t < c.n; ++t) {
    syy += Zy[t] * Zy[t];
    sxy += Zy[t] * Zx[t];
    sxx += Zx[t] * Zx[t];
  }
  if (!(sxx > 0.0)) return arma::kObjectiveRejected;
  *delta = sxy / sxx;
  const double value = c.n * std::log(syy - sxy * *delta) + std::log(G);
  return std::isfinite(value) ? value : arma::kObjectiveRejected;
}

double ThoroughCriterion(void* context, double* par) {
  double delta = 0.0;
  return ThoroughObjective(*static_cast<ThoroughContext*>(context), par, &delta);
}

// The log-likelihood, residuals and sigma2 at the factor coefficients par[1..k], the total
// polynomials and the AIC, as MaxLik ends. -1 when the kernel cannot evaluate the point.
int FinishMaxLik(ArimaStateRecord& st, int k, const double* par) {
  const int m = st.N - st.nd;
  std::fill(st.e.begin() + 1, st.e.begin() + 1 + st.nd, kMissing);
  const double loglik =
      arma::ArmaLogLikelihood(m, st.p, st.q, st.s, st.P, st.Q, par + 1, st.w.data() + st.nd + 1,
                              st.e.data() + st.nd + 1, st.sigma2);
  // No admissible point was reached: the kernel has shown its box, and a log-likelihood of -999
  // with stale residuals is no result.
  if (loglik == arma::kLogLikFailed) return -1;
  st.loglik = loglik;
  Arimaexpand(st);
  st.aic = -2.0 * (st.loglik - (st.mean + k));
  return 0;
}

// Series longer than the export takes (MAXN values) first descend by quasi-Newton steps; the
// direction-set search then starts near the optimum and mostly confirms it. On ARIMA(2,1,2) at
// 5,000 values that is 174 evaluations instead of 717, for the same optimum. The likelihood can
// have several optima, and the two routes do not always end on the same one: on the 86 M4 weekly
// series of more than 1,000 values, with (1,1,1), (2,1,2) and (3,1,2), 21 fits end on a higher
// likelihood with the descent first and 12 on a lower one (on the lowest, R's Arima ends on the
// same optimum as the descent).
//
// MaxLik's minimisation: Arimaobjective by Powell's direction sets from the current factor
// coefficients (0.05 each when the kernel rejects them; beyond MAXN values, from the end of a
// quasi-Newton descent), par[1..k] receiving the end point, which is unpacked into the factor
// coefficients. 0, or -1 when the minimiser failed.
int MinimiseFromStart(ArimaStateRecord& st, int k, double* par) {
  PackFactors(st, par);
  if (k == 0) return 0;
  // A start that the kernel rejects (for instance an AR coefficient of 0.99995, admissible by
  // its roots but beyond the kernel's bound) lies on a plateau of the rejection value, from
  // which the direction-set search cannot move.
  if (Arimaobjective(st, par) >= arma::kObjectiveRejected) {
    for (int i = 1; i <= k; ++i) par[i] = kFallbackStart;
  }
  double fmin = 0.0;
  if (st.N > MAXN) {
    double f = Arimaobjective(st, par);
    numerics::QuasiNewtonDescent(k, par, &f, {&Criterion, &st}, arma::kObjectiveRejected);
  }
  if (numerics::Minimise(k, par, &fmin, 1e-10, {&Criterion, &st}) == numerics::kPowellFailed)
    return -1;
  UnpackFactors(st, par);
  return 0;
}

}  // namespace

int Arimaadmissible(ArimaStateRecord& st) {
  dcomplex a[kRootArraySize];
  for (auto& z : a) z = {0.0, 0.0};
  a[0] = {1.0, 0.0};
  auto clear = [&a](int degree) {
    for (int j = 1; j <= degree; ++j) a[j] = {0.0, 0.0};
  };
  if (st.p > 0) {
    clear(st.p);
    for (int j = 1; j <= st.p; ++j) a[j].r = -st.phi[j];
    if (!RootsOutsideUnitCircle(a, st.p)) return 0;
  }
  if (st.P > 0) {
    clear(st.s * st.P);
    for (int k = 1; k <= st.P; ++k) a[k * st.s].r = -st.Phi[k];
    if (!RootsOutsideUnitCircle(a, st.s * st.P)) return 0;
  }
  if (st.q > 0) {
    clear(st.q);
    for (int j = 1; j <= st.q; ++j) a[j].r = -st.theta[j];
    if (!RootsOutsideUnitCircle(a, st.q)) return 0;
  }
  if (st.Q > 0) {
    clear(st.s * st.Q);
    for (int k = 1; k <= st.Q; ++k) a[k * st.s].r = -st.Theta[k];
    if (!RootsOutsideUnitCircle(a, st.s * st.Q)) return 0;
  }
  return 1;
}

double Arimaobjective(ArimaStateRecord& st, double* par) {
  const int m = st.N - st.nd;
  return arma::ArmaObjective(m, st.p, st.q, st.s, st.P, st.Q, par + 1, st.w.data() + st.nd + 1,
                             st.workspace);
}

int MaxLik(ArimaStateRecord& st) {
  const int k = st.p + st.q + st.P + st.Q;
  auto par = numerics::vector(0, k);
  if (!par)
    return numerics::ReportError("Error in Arima function MaxLik()", "Vector allocation failure",
                                 1);
  if (MinimiseFromStart(st, k, par.get()) < 0) return -1;
  return FinishMaxLik(st, k, par.get());
}

int MaxLikThorough(ArimaStateRecord& st) {
  const int k = st.p + st.q + st.P + st.Q;
  std::vector<double> best(static_cast<std::size_t>(k) + 1, 0.0);
  // 1. The default estimate, with its messages, as MaxLik.
  if (MinimiseFromStart(st, k, best.data()) < 0) return -1;
  if (k == 0 || k > kMaxThoroughCoefficients) return FinishMaxLik(st, k, best.data());
  const int n = st.N - st.nd;
  ThoroughContext c;
  c.st = &st;
  c.n = n;
  c.np = st.pp;
  c.nq = st.qq;
  c.phi.assign(static_cast<std::size_t>(st.pp) + 1, 0.0);
  c.theta.assign(static_cast<std::size_t>(st.qq) + 1, 0.0);
  if (st.mean != 0) {
    c.X.assign(2 * static_cast<std::size_t>(n), 1.0);
    std::copy(st.w.begin() + st.nd + 1, st.w.begin() + st.N + 1, c.X.begin());
    c.Z.assign(c.X.size(), 0.0);
  }
  // The default's value is the criterion with the sample mean removed: with the mean flag its
  // end point is a start of its own, from which the profiled mean can only climb.
  const double fdefault = Arimaobjective(st, best.data());
  const double f = arma::MinimiseFromStarts(n, st.p, st.q, st.s, st.P, st.Q,
                                            st.w.data() + st.nd + 1, {&ThoroughCriterion, &c},
                                            fdefault, st.mean != 0, kThoroughGain, best.data());
  const bool replaced = f < fdefault;
  if (!replaced) return FinishMaxLik(st, k, best.data());
  UnpackFactors(st, best.data());
  // The mean at the optimum: the sample mean removed by the driver plus the profiled shift.
  if (st.mean != 0) {
    double delta = 0.0;
    ThoroughObjective(c, best.data(), &delta);
    st.mu += delta;
    for (int t = st.nd + 1; t <= st.N; ++t) st.w[t] -= delta;
  }
  return FinishMaxLik(st, k, best.data());
}

}  // namespace vordex::arima
