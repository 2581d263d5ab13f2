#include "armax/estimate.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "arma/starts.h"
#include "numerics/kernels/drlse.h"
#include "numerics/kernels/duminf.h"
#include "numerics/kernels/error_state.h"
#include "numerics/powell.h"
#include "numerics/vectors.h"
#include "platform/messages.h"

namespace vordex::armax {

using arma::ArmaInadmissible;
using arma::ExpandSeasonalOperators;
using arma::WhitenChandrasekhar;
using kernels::KernelFailed;

namespace {

using numerics::FatalError;
using numerics::ReportError;

// A point counts as at the edge of the admissible region when stretching every root of its lag
// polynomials inwards by this factor makes it inadmissible (for one coefficient: |c| > 0.9989).
constexpr double kEdgeFactor = 1.001;
// A refinement replaces the quasi-Newton result only when it lowers the objective (-2 log L up to
// a constant) by more than this.
constexpr double kRefineGain = 1e-6;
// Relative tolerance of the refinements, the one the ARIMA engine gives the same minimiser.
constexpr double kRefineTolerance = 1e-10;
// The refinement is for the models people fit (a few coefficients): a direction-set search
// costs of the order of npar^2 line searches, minutes for the hundreds of coefficients the
// engine also takes, whose end points are left as DUMINF gives them.
constexpr int kMaxRefinedCoefficients = 12;

// The root-finding work of one evaluation of the objective, in the units of kRootWorkBudget
// (degrees 1 and 2 are solved in closed form).
double RootWork(const LoglfeSharedRecord& m) {
  double work = 0.0;
  for (const int degree : {m.p, m.q, m.P, m.Q})
    if (degree > 2) work += static_cast<double>(degree) * degree * degree;
  return work;
}

// True when par (p + q + P + Q doubles) lies within kEdgeFactor of the edge: the coefficient of
// z^j of each polynomial times kEdgeFactor^j divides its roots by kEdgeFactor.
bool AtAdmissibleEdge(const LoglfeSharedRecord& m, const double* par) {
  std::vector<double> stretched(par, par + m.p + m.q + m.P + m.Q);
  std::size_t i = 0;
  for (int degree : {m.p, m.q, m.P, m.Q}) {
    double factor = kEdgeFactor;
    for (int j = 0; j < degree; ++j, ++i) {
      stretched[i] *= factor;
      factor *= kEdgeFactor;
    }
  }
  return ArmaInadmissible(m.p, m.q, m.P, m.Q, stretched.data());
}

// The objective in the form of the direction-set minimiser: p[1..npar] (1-based), the model in
// the LoglfeSharedRecord `context`.
double RefineCriterion(void* context, double* p) {
  const auto& shared = *static_cast<LoglfeSharedRecord*>(context);
  double f = kObjectiveRejected;
  loglfe(context, shared.p + shared.q + shared.P + shared.Q, p + 1, f);
  return f;
}

// Minimises the objective with Powell's direction sets from start (npar doubles); x receives the
// end point. Returns the objective there, or kObjectiveRejected when the minimiser failed.
double Refine(LoglfeSharedRecord& shared, int npar, const std::vector<double>& start,
              std::vector<double>& x) {
  std::vector<double> p(static_cast<std::size_t>(npar) + 1, 0.0);
  std::copy(start.begin(), start.end(), p.begin() + 1);
  double f = kObjectiveRejected;
  if (numerics::Minimise(npar, p.data(), &f, kRefineTolerance, {&RefineCriterion, &shared},
                         kRefineEvaluations) == numerics::kPowellFailed)
    return kObjectiveRejected;
  x.assign(p.begin() + 1, p.end());
  return f;
}

// DUMINF can stop far from the optimum, at the edge of the admissible region. From the start
// 0.01 its first step (identity Hessian, maximum step 1000 sqrt(npar)) is cut back by factors of
// ten until it is admissible, which can put it next to a corner of the region (an AR coefficient
// near 1 with a seasonal MA coefficient near 1, typically when the constant is profiled out, as
// the constant turns the first gradient towards the diagonal). Along the edge the objective's
// rejection value just outside the region enters the finite-difference gradients, no line search
// meets the sufficient-decrease test although lower points lie along it, and DUMINF ends there as
// if converged. So when DUMINF ends at the edge, the derivative-free direction-set minimiser, which
// is immune to that, refines its end point and starts once more from zero (the white-noise model);
// the lower of the two replaces DUMINF's result when it is lower by more than kRefineGain. An end
// point inside the region is left exactly as DUMINF gave it. The refinements raise no message and
// leave the kernel error state as DUMINF left it.
void RefineAtEdge(LoglfeSharedRecord& shared, int npar, double* par, double& fmin) {
  const int type = kernels::N1RTY(1);
  const int code = kernels::IERCD();
  const std::string message = kernels::KernelErrorMessage();
  double best = fmin;
  std::vector<double> best_par;
  if (npar <= kMaxRefinedCoefficients && AtAdmissibleEdge(shared, par)) {
    platform::ScopedSilence quiet;
    std::vector<double> x;
    const double from_duminf = Refine(shared, npar, std::vector<double>(par, par + npar), x);
    if (from_duminf < best - kRefineGain) {
      best = from_duminf;
      best_par = x;
    }
    const double from_zero =
        Refine(shared, npar, std::vector<double>(static_cast<std::size_t>(npar), 0.0), x);
    if (from_zero < best - kRefineGain) {
      best = from_zero;
      best_par = x;
    }
  }
  kernels::SetKernelError(type, code, message);
  if (best_par.empty()) return;
  std::copy(best_par.begin(), best_par.end(), par);
  fmin = best;
}

// The thorough estimation, for a model of at most kMaxRefinedCoefficients coefficients: DUMINF's
// (refined) end point polished by Powell's direction sets, then the starts of
// arma::MinimiseFromStarts, the conditional-sum-of-squares and Hannan-Rissanen estimates from the
// series less its mean when the constant is estimated. A start replaces the best end point so far
// only when it lowers the objective by more than kRefineGain, so DUMINF's end point stands on
// ties. No message is raised and the kernel error state is left as DUMINF left it.
void EstimateFromStarts(LoglfeSharedRecord& shared, int npar, const double* w, double* par,
                        double& fmin) {
  if (npar > kMaxRefinedCoefficients) return;
  const int type = kernels::N1RTY(1);
  const int code = kernels::IERCD();
  const std::string message = kernels::KernelErrorMessage();
  std::vector<double> centred(w, w + shared.n);
  if (shared.k > 0) {
    double mean = 0.0;
    for (double v : centred) mean += v;
    mean /= shared.n;
    for (double& v : centred) v -= mean;
  }
  std::vector<double> x(static_cast<std::size_t>(npar) + 1, 0.0);
  std::copy(par, par + npar, x.begin() + 1);
  const double f = arma::MinimiseFromStarts(shared.n, shared.p, shared.q, shared.s, shared.P,
                                            shared.Q, centred.data(), {&RefineCriterion, &shared},
                                            fmin, true, kRefineGain, x.data());
  kernels::SetKernelError(type, code, message);
  if (!(f < fmin)) return;
  std::copy(x.begin() + 1, x.end(), par);
  fmin = f;
}

}  // namespace

void Armaxml(ArmaxModelRecord& model, const double* w, double* par, double& fmin, int& status) {
  status = kMlOk;
  model.evaluations = 0;
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
  const double root_work = RootWork(shared);
  const long maxevl =
      root_work > 0.0 ? std::max(1L, static_cast<long>(kRootWorkBudget / root_work)) : 0;
  kernels::DUMINF(loglfe, &shared, npar, start.get(), scale.get(), fscale, iparam, rparam, par,
                  fmin, maxevl);
  if (KernelFailed())
    status = kMlMinimiser;
  else if (shared.count_mismatch)
    status = kMlCountMismatch;
  else {
    RefineAtEdge(shared, npar, par, fmin);
    if (model.thorough) EstimateFromStarts(shared, npar, w, par, fmin);
  }
  model.evaluations = shared.evaluations;
}

void loglfe(void* context, const int& npar, const double* x, double& f) {
  LoglfeSharedRecord& shared = *static_cast<LoglfeSharedRecord*>(context);
  ++shared.evaluations;
  if (npar != shared.p + shared.q + shared.P + shared.Q) {
    FatalError("Armax error", "Error in sub loglfe: npar .ne. (p+q+sp+sq)!");
    shared.count_mismatch = true;
    f = kObjectiveRejected;
    return;
  }
  f = Armaxprofile(shared.n, shared.p, shared.q, shared.s, shared.P, shared.Q, x, shared.X,
                   shared.k, shared.workspace);
}

double Armaxprofile(const int& n, const int& p, const int& q, const int& s, const int& P,
                    const int& Q, const double* par, const double* X, const int& k) {
  ProfileWorkspace ws;
  return Armaxprofile(n, p, q, s, P, Q, par, X, k, ws);
}

double Armaxprofile(const int& n, const int& p, const int& q, const int& s, const int& P,
                    const int& Q, const double* par, const double* X, const int& k,
                    ProfileWorkspace& ws) {
  if (ArmaInadmissible(p, q, P, Q, par)) return kObjectiveRejected;

  const int np = p + s * P;
  const int nq = q + s * Q;
  const int cols = k + 1;
  // Grown, never shrunk: after the first evaluation of a minimisation nothing is allocated.
  const auto fit = [](std::vector<double>& v, std::size_t size) {
    if (v.size() < size) v.resize(size);
    return v.data();
  };
  double* phi = fit(ws.phi, static_cast<std::size_t>(np) + 1);
  double* theta = fit(ws.theta, static_cast<std::size_t>(nq) + 1);
  double* Z = fit(ws.Z, static_cast<std::size_t>(n) * static_cast<std::size_t>(cols));

  if (!ExpandSeasonalOperators(p, q, s, P, Q, par, phi, theta)) return kObjectiveRejected;
  double G = 1.0;
  if (!WhitenChandrasekhar(n, np, nq, phi, theta, X, cols, Z, G, nullptr, ws.likelihood))
    return kObjectiveRejected;

  double sse = 0.0;
  if (k == 0) {
    long double sum = 0.0L;
    for (int t = 0; t < n; ++t) sum += static_cast<long double>(Z[t]) * Z[t];
    sse = static_cast<double>(sum);
  } else if (k == 1) {
    double b = 0.0;
    const int centre = 0;
    Armaxols1(Z, Z + n, n, centre, b, sse);
  } else {
    double* b = fit(ws.b, static_cast<std::size_t>(k) + 1);
    double sst = 0.0;
    const int intercept = 0;
    kernels::DRLSE(n, Z, k, Z + n, n, intercept, b, sst, sse);
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
