#include "armax/final_fit.h"

#include <algorithm>
#include <cmath>

#include "arma/likelihood.h"
#include "armax/estimate.h"
#include "numerics/kernels/error_state.h"
#include "numerics/vectors.h"

namespace vordex::armax {
namespace {

using arma::ArmaAutocovariances;
using arma::ArmaInadmissible;
using arma::ExpandSeasonalOperators;
using arma::WhitenDurbinLevinson;

using numerics::ReportError;

double SumOfSquares(const double* v, int n) {
  long double sum = 0.0L;
  for (int t = 0; t < n; ++t) sum += static_cast<long double>(v[t]) * v[t];
  return static_cast<double>(sum);
}

// The statistics record from the whitened SSE, the variance product G and the residuals e.
void FillStatistics(int n, double sse, double G, const double* e, double* stats) {
  stats[kStatObjective] = n * std::log(sse) + std::log(G);
  stats[kStatLogLik] = Armaxloglik(n, stats[kStatObjective]);
  stats[kStatSigma2] = sse / n;
  stats[kStatSumSq] = SumOfSquares(e, n);
}

// Fit without ARMA coefficients: the constant is the arithmetic mean and G = 1.
void FitWhiteNoise(int n, int constant, const double* w, double* e, double* b, double* stats) {
  if (constant != 0) {
    long double sum = 0.0L;
    for (int t = 0; t < n; ++t) sum += w[t];
    b[0] = static_cast<double>(sum / n);
    for (int t = 0; t < n; ++t) e[t] = w[t] - b[0];
  } else {
    for (int t = 0; t < n; ++t) e[t] = w[t];
  }
  FillStatistics(n, SumOfSquares(e, n), 1.0, e, stats);
}

// Fit with ARMA coefficients: whiten w (and the column of ones) with the exact one-step
// predictors, take the generalized least-squares constant, and scale the standardized errors
// back to one-step prediction errors of w.
int FitArma(const ArmaxModelRecord& model, const double* w, const double* par, double* e, double* A,
            double* b, double* stats) {
  const int n = model.n;
  const int k = model.k();
  const int cols = k + 1;
  const int np = model.p + model.s * model.P;
  const int nq = model.q + model.s * model.Q;

  if (ArmaInadmissible(model.p, model.q, model.P, model.Q, par)) {
    ReportError("Armax error", "Error in Armax_xtra: phitheta out-of-bounds", -1);
    return kXtraInadmissible;
  }

  auto M = numerics::vector(0, static_cast<long>(n) * cols);
  auto Z = numerics::vector(0, static_cast<long>(n) * cols);
  auto phi = numerics::vector(0, np);
  auto theta = numerics::vector(0, nq);
  auto acvf = numerics::vector(0, n);
  if (!M || !Z || !phi || !theta || !acvf) return kXtraStorage;

  // M: column 1 the series, then the column of ones for the constant.
  for (int t = 0; t < n; ++t) M[t] = w[t];
  if (model.constant != 0)
    for (int t = 0; t < n; ++t) M[n + t] = 1.0;

  if (!ExpandSeasonalOperators(model.p, model.q, model.s, model.P, model.Q, par, phi.get(),
                               theta.get()))
    return kXtraInadmissible;
  if (!ArmaAutocovariances(n, np, nq, phi.get(), theta.get(), acvf.get())) return kXtraStorage;
  double G = 1.0;
  if (!WhitenDurbinLevinson(acvf.get(), M.get(), n, cols, Z.get(), G, A)) return kXtraStorage;

  double sse = 0.0;
  if (k == 1) {
    const int centre = 0;
    Armaxols1(Z.get(), Z.get() + n, n, centre, b[0], sse);
    Armaxresid(Z.get(), n, k, b, e);
  } else {
    sse = SumOfSquares(Z.get(), n);
    for (int t = 0; t < n; ++t) e[t] = Z[t];
  }
  for (int t = 0; t < n; ++t) e[t] *= A[t];
  FillStatistics(n, sse, G, e, stats);
  return kXtraOk;
}

int Forecast(const ArmaxModelRecord& model, const double* w, const double* x, double c,
             const double* par, const double* e, double* f, double* se, double* limits,
             const double* b, const double* stats, double* ftrans) {
  const int n = model.n;
  const int h = model.h;

  // The mean squared one-step prediction error on the scale of w.
  const double sigma2 = stats[kStatSumSq] / n;

  double mu = 0.0;
  if (model.constant != 0) {
    if (model.k() != 1) {
      ReportError("Armax error", "Error in Armax_xtra:\nregression forecasts not implemented", -4);
      return kXtraRegressionForecast;
    }
    mu = b[0];
  }

  const bool differenced = model.d > 0 || model.D > 0;
  const int N = n + model.d + model.s * model.D;
  const int status = ArmaxForecastFrom(model, par, mu, sigma2, differenced ? x : w,
                                       differenced ? N : n, e, n, f, se);
  if (status != kXtraOk) return status;

  for (int j = 0; j < h; ++j) {
    limits[j] = f[j] - c * se[j];
    limits[h + j] = f[j] + c * se[j];
  }
  if (ftrans != nullptr)
    for (int j = 0; j < h; ++j) ftrans[j] = f[j];
  Armaxuntrans(f, h, model.transform);
  const int both = 2 * h;
  Armaxuntrans(limits, both, model.transform);
  return kXtraOk;
}

}  // namespace

int ArmaxForecastFrom(const ArmaxModelRecord& model, const double* par, double mu, double sigma2,
                      const double* history, int nhist, const double* e, int n, double* f,
                      double* se) {
  const int h = model.h;
  const int np = model.p + model.s * model.P;
  const int nq = model.q + model.s * model.Q;
  auto phi = numerics::vector(0, np);
  auto theta = numerics::vector(0, nq);
  if (!phi || !theta) return kXtraStorage;
  if (model.npar() > 0) {
    if (!ExpandSeasonalOperators(model.p, model.q, model.s, model.P, model.Q, par, phi.get(),
                                 theta.get()))
      return kXtraInadmissible;
  } else {
    phi[0] = 0.0;
    theta[0] = 0.0;
  }

  // The mean belongs to w: phi(B) (w(t) - mu) = theta(B) a(t), so the recursion on w (or on x
  // through the differencing operators) carries the constant term phi(1) mu.
  double phi_at_one = 1.0;
  for (int i = 1; i <= np; ++i) phi_at_one -= phi[i];
  const double constant_term = mu * phi_at_one;

  int npd = np;
  numerics::Vector phid;
  const double* ar = phi.get();
  if (model.d > 0 || model.D > 0) {
    phid =
        numerics::vector(0, static_cast<long>(np) + model.d + static_cast<long>(model.s) * model.D);
    if (!phid) return kXtraStorage;
    Armaxdiffop(np, npd, model.d, model.s, model.D, phi.get(), phid.get());
    ar = phid.get();
  }
  if (!Armaxfcst(npd, nq, h, n, ar, theta.get(), constant_term, sigma2, history, nhist, e, f, se))
    return kXtraStorage;
  return kXtraOk;
}

void Armax_xtra(const ArmaxModelRecord& model, const double* w, const double* x, const double& c,
                const double* par, double* e, double* A, double* f, double* se, double* limits,
                double* b, double* stats, int& status, double* ftrans) {
  // External regressors are not carried by the engine's data; a record that names some cannot
  // be fitted here.
  if (model.nreg != 0) {
    status = kXtraRegressionFailed;
    return;
  }
  if (model.npar() == 0) {
    FitWhiteNoise(model.n, model.constant, w, e, b, stats);
  } else {
    status = FitArma(model, w, par, e, A, b, stats);
    if (status != kXtraOk) return;
  }
  status =
      model.h > 0 ? Forecast(model, w, x, c, par, e, f, se, limits, b, stats, ftrans) : kXtraOk;
}

void Armaxresid(const double* Y, const int& n, const int& k, const double* b, double* r) {
  for (int t = 0; t < n; ++t) {
    double fitted = 0.0;
    for (int j = 1; j <= k; ++j) fitted += Y[static_cast<long>(j) * n + t] * b[j - 1];
    r[t] = Y[t] - fitted;
  }
}

double Armaxloglik(const int& n, const double& F) {
  const int length = 2;
  const double pi = kernels::DCONST("pi", length);
  return -0.5 * (n * (1.0 + std::log(2.0 * pi / n)) + F);
}

void Armaxdiffop(const int& np, int& npd, const int& d, const int& s, const int& D,
                 const double* phi, double* phid) {
  const int total = np + d + s * D;
  phid[0] = 0.0;
  for (int i = 1; i <= np; ++i) phid[i] = phi[i];
  for (int i = np + 1; i <= total; ++i) phid[i] = 0.0;
  int m = np;
  // With the operator written 1 - sum phid(i) B^i, multiplying by (1 - B) maps phid(i + 1) to
  // phid(i + 1) - phid(i) and adds 1 to phid(1); running i downwards reads only old coefficients.
  for (int pass = 0; pass < d; ++pass) {
    for (int i = m; i >= 1; --i) phid[i + 1] -= phid[i];
    phid[1] += 1.0;
    m += 1;
  }
  for (int pass = 0; pass < D; ++pass) {
    for (int i = m; i >= 1; --i) phid[s + i] -= phid[i];
    phid[s] += 1.0;
    m += s;
  }
  npd = m;
}

void Armaxpsi(const int& h, const int& npd, const int& nq, const double* theta, const double* phid,
              double* psi) {
  psi[0] = 1.0;
  for (int j = 1; j <= h; ++j) psi[j] = j <= nq ? -theta[j] : 0.0;
  for (int j = 1; j <= h; ++j) {
    const int top = std::min(j, npd);
    for (int i = 1; i <= top; ++i) psi[j] += phid[i] * psi[j - i];
  }
}

bool Armaxfcst(const int& npd, const int& nq, const int& h, const int& n, const double* phid,
               const double* theta, const double& mu, const double& sigma2, const double* history,
               const int& nhist, const double* e, double* f, double* se) {
  auto psi = numerics::vector(0, h);
  if (!psi) return false;
  Armaxpsi(h, npd, nq, theta, phid, psi.get());

  // history(u) for u <= n sits at history[nhist - 1 - (n - u)]; before the first value it is 0.
  const auto past = [&](int u) {
    const long at = static_cast<long>(nhist) - 1 - (n - u);
    return at >= 0 ? history[at] : 0.0;
  };
  const auto innovation = [&](int u) { return u >= 1 ? e[u - 1] : 0.0; };

  long double variance = 0.0L;
  for (int j = 1; j <= h; ++j) {
    double value = mu;
    const int recent = std::min(j - 1, npd);
    for (int i = 1; i <= recent; ++i) value += phid[i] * f[j - i - 1];
    for (int i = j; i <= npd; ++i) value += phid[i] * past(n + j - i);
    for (int i = j; i <= nq; ++i) value -= theta[i] * innovation(n + j - i);
    f[j - 1] = value;
    variance += static_cast<long double>(psi[j - 1]) * psi[j - 1];
    se[j - 1] = std::sqrt(sigma2 * static_cast<double>(variance));
  }
  return true;
}

void Armaxuntrans(double* values, const int& count, const Transform& transform) {
  if (transform == Transform::kLog) {
    for (int i = 0; i < count; ++i) values[i] = std::exp(values[i]);
  } else if (transform == Transform::kSquareRoot) {
    for (int i = 0; i < count; ++i) {
      const double v = values[i] < 0.0 ? 0.0 : values[i];
      values[i] = v * v;
    }
  }
}

}  // namespace vordex::armax
