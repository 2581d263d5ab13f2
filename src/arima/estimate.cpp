#include "arima/estimate.h"

#include <algorithm>

#include "arima/polynomials.h"
#include "arima/state.h"
#include "arma/likelihood.h"
#include "numerics/complex.h"
#include "numerics/powell.h"
#include "numerics/vectors.h"

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
  return arma::ArmaObjective(m, st.p, st.q, st.s, st.P, st.Q, par + 1, st.w + st.nd + 1);
}

int MaxLik(ArimaStateRecord& st) {
  const int k = st.p + st.q + st.P + st.Q;
  auto par = numerics::vector(0, k);
  if (!par)
    return numerics::ReportError("Error in Arima function MaxLik()", "Vector allocation failure",
                                 1);
  PackFactors(st, par.get());
  if (k > 0) {
    // A start that the kernel rejects (for instance an AR coefficient of 0.99995, admissible by
    // its roots but beyond the kernel's bound) lies on a plateau of the rejection value, from
    // which the direction-set search cannot move.
    if (Arimaobjective(st, par.get()) >= arma::kObjectiveRejected) {
      for (int i = 1; i <= k; ++i) par[i] = kFallbackStart;
    }
    double fmin = 0.0;
    if (numerics::Minimise(k, par.get(), &fmin, 1e-10, {&Criterion, &st}) ==
        numerics::kPowellFailed)
      return -1;
    UnpackFactors(st, par.get());
  }
  const int m = st.N - st.nd;
  std::fill(st.e + 1, st.e + 1 + st.nd, kMissing);
  const double loglik = arma::Armaxcomp(m, st.p, st.q, st.s, st.P, st.Q, par.get() + 1,
                                        st.w + st.nd + 1, st.e + st.nd + 1, st.sigma2);
  // No admissible point was reached: the kernel has shown its box, and a log-likelihood of -999
  // with stale residuals is no result.
  if (loglik == arma::kLogLikFailed) return -1;
  st.loglik = loglik;
  Arimaexpand(st);
  st.aic = -2.0 * (st.loglik - (st.mean + k));
  return 0;
}

}  // namespace vordex::arima
