#include "armax/estimate.h"

#include <cmath>

#include "numerics/kernels/drlse.h"
#include "numerics/kernels/duminf.h"
#include "numerics/vectors.h"

namespace vordex::armax {

using arma::Armaxfilter;
using arma::KernelFailed;
using arma::PHITHETA_BAD;
using arma::Phithetaplus;

namespace {

using numerics::FatalError;
using numerics::ReportError;

}  // namespace

void Armaxml(ArmaxModelRecord& model, const double* w, double* par, double& fmin, int& status) {
  status = kMlOk;
  if (model.constant != 0) model.constant = 1;
  const int n = model.n;
  const int k = model.k();

  if (static_cast<long>(n) * k > kRegressionStorage ||
      static_cast<long>(n) * (k + 1) > kLoglfeStorage) {
    status = ReportError("Armax error", "Common storage exceeded in armaxml: too much data", -1);
    return;
  }
  const int npar = model.npar();
  if (npar <= 0) {
    status = ReportError("Armax warning", "No ARMA parameters: Armaxml terminating...", -3);
    return;
  }

  // The objective's data: one record for this minimisation, handed to DUMINF as its context.
  LoglfeSharedRecord shared;
  shared.n = n;
  shared.p = model.p;
  shared.q = model.q;
  shared.s = model.s;
  shared.P = model.P;
  shared.Q = model.Q;
  shared.k = k;
  if (Armaxregmat(w, shared.X, n, model.nreg, k, model.constant) < 0) {
    status = kMlRegression;
    return;
  }

  auto start = numerics::vector(0, npar);
  auto scale = numerics::vector(0, npar);
  if (!start || !scale) {
    status = kMlStorage;
    return;
  }
  for (int i = 0; i < npar; ++i) {
    start[i] = par[i];
    scale[i] = 1.0;
  }
  const double fscale = 1.0;
  // DUMINF's settings: a cleared first integer asks for the defaults in both arrays.
  int iparam[7] = {};
  double rparam[7] = {};
  kernels::DUMINF(loglfe, &shared, npar, start.get(), scale.get(), fscale, iparam, rparam, par,
                  fmin);
  if (KernelFailed())
    status = kMlMinimiser;
  else if (shared.count_mismatch)
    status = kMlCountMismatch;
}

void loglfe(void* context, const int& npar, const double* x, double& f) {
  LoglfeSharedRecord& shared = *static_cast<LoglfeSharedRecord*>(context);
  if (npar != shared.p + shared.q + shared.P + shared.Q) {
    FatalError("Armax error", "Error in sub loglfe: npar .ne. (p+q+sp+sq)!");
    shared.count_mismatch = true;
    f = kObjectiveRejected;
    return;
  }
  f = Armaxprofile(shared.n, shared.p, shared.q, shared.s, shared.P, shared.Q, x, shared.X,
                   shared.k);
}

double Armaxprofile(const int& n, const int& p, const int& q, const int& s, const int& P,
                    const int& Q, const double* par, const double* X, const int& k) {
  if (PHITHETA_BAD(p, q, P, Q, par)) return kObjectiveRejected;

  const int np = p + s * P;
  const int nq = q + s * Q;
  const int cols = k + 1;
  auto phi = numerics::vector(0, np);
  auto theta = numerics::vector(0, nq);
  auto Z = numerics::vector(0, static_cast<long>(n) * cols);
  if (!phi || !theta || !Z) return kObjectiveRejected;

  if (!Phithetaplus(p, q, s, P, Q, par, phi.get(), theta.get())) return kObjectiveRejected;
  double G = 1.0;
  if (!Armaxfilter(n, np, nq, phi.get(), theta.get(), X, cols, Z.get(), G, nullptr))
    return kObjectiveRejected;

  double sse = 0.0;
  if (k == 0) {
    long double sum = 0.0L;
    for (int t = 0; t < n; ++t) sum += static_cast<long double>(Z[t]) * Z[t];
    sse = static_cast<double>(sum);
  } else if (k == 1) {
    double b = 0.0;
    const int centre = 0;
    Armaxols1(Z.get(), Z.get() + n, n, centre, b, sse);
  } else {
    auto b = numerics::vector(0, k);
    if (!b) return kObjectiveRejected;
    double sst = 0.0;
    const int intercept = 0;
    kernels::DRLSE(n, Z.get(), k, Z.get() + n, n, intercept, b.get(), sst, sse);
    if (KernelFailed()) return kObjectiveRejected;
  }

  const double value = n * std::log(sse) + std::log(G);
  return std::isfinite(value) ? value : kObjectiveRejected;
}

int Armaxregmat(const double* Y, double* X, const int& n, const int& nreg, const int& k,
                int& constant) {
  if (constant == 0) {
    if (k != nreg) return -1;
    const long cells = static_cast<long>(n) * (nreg + 1);
    for (long i = 0; i < cells; ++i) X[i] = Y[i];
    return 0;
  }
  for (int t = 0; t < n; ++t) X[t] = Y[t];
  constant = 1;
  if (k != 1) return -2;
  for (int t = 0; t < n; ++t) X[n + t] = 1.0;
  return 0;
}

void Armaxols1(const double* y, const double* x, const int& n, const int& centre, double& b,
               double& sse) {
  long double ybar = 0.0L;
  long double xbar = 0.0L;
  if (centre != 0) {
    for (int t = 0; t < n; ++t) {
      ybar += y[t];
      xbar += x[t];
    }
    ybar /= n;
    xbar /= n;
  }
  long double sxy = 0.0L;
  long double sxx = 0.0L;
  long double syy = 0.0L;
  for (int t = 0; t < n; ++t) {
    const long double yt = y[t] - ybar;
    const long double xt = x[t] - xbar;
    sxy += xt * yt;
    sxx += xt * xt;
    syy += yt * yt;
  }
  b = static_cast<double>(sxy / sxx);
  sse = static_cast<double>(syy - sxy * static_cast<long double>(b));
}

}  // namespace vordex::armax
