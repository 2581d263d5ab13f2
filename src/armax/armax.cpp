#include "armax/armax.h"

#include <algorithm>
#include <cmath>

#include "armax/estimate.h"
#include "armax/final_fit.h"
#include "armax/model.h"
#include "numerics/kernels/error_state.h"
#include "numerics/missing.h"
#include "numerics/vectors.h"

namespace vordex::armax {
namespace {

using numerics::FatalError;

// The request's orders and flags in the record.
void FillModel(const Request& o, ArmaxModelRecord& model) {
  model.s = o.period;
  model.h = o.horizon;
  model.p = o.p;
  model.d = o.d;
  model.q = o.q;
  model.P = o.P;
  model.D = o.D;
  model.Q = o.Q;
  model.constant = o.constant ? 1 : 0;
  model.transform = o.transform;
  model.thorough = o.thorough;
  model.nreg = 0;
  model.n = 0;
}

// The settings the engine can work with: the checker's rules, and polynomial orders within the
// root finder's degree range and full operators within the regression storage.
bool OrdersUsable(const ArmaxModelRecord& m) {
  if (m.s < 1 || m.h < 0 || m.p < 0 || m.d < 0 || m.q < 0 || m.P < 0 || m.D < 0 || m.Q < 0)
    return false;
  if (m.p > kMaxOrder || m.q > kMaxOrder || m.P > kMaxOrder || m.Q > kMaxOrder) return false;
  const long np = m.p + static_cast<long>(m.s) * m.P;
  const long nq = m.q + static_cast<long>(m.s) * m.Q;
  return np <= kLoglfeStorage && nq <= kLoglfeStorage;
}

// Copies one block if it fits whole; false when it does not.
bool PutBlock(double* out, int capacity, int& written, const double* block, int length) {
  if (length <= 0) return true;
  if (written + static_cast<long>(length) > capacity) return false;
  for (int i = 0; i < length; ++i) out[written + i] = block[i];
  written += length;
  return true;
}

}  // namespace

int Armaxmain(double* x, const int& N, const Request& request, ArmaxResult& result) {
  kernels::KernelQuiet();
  x[0] = request.critical;
  ArmaxModelRecord& model = result.model;
  FillModel(request, model);
  if (model.s < 1 || model.p < 0 || model.q < 0) return kArmaxOrders;
  if (model.s < 2) {
    model.P = 0;
    model.Q = 0;
  } else {
    if (model.p >= model.s && model.P > 0) {
      FatalError("Armax warning", "NAR too large: reduced to < seasonal frequency");
      model.p = model.s - 1;
    }
    if (model.q >= model.s && model.Q > 0) {
      FatalError("Armax warning", "NMA too large: reduced to < seasonal frequency");
      model.q = model.s - 1;
    }
  }
  if (N < 0 || !OrdersUsable(model)) return kArmaxOrders;

  // Refuse what the arithmetic cannot use before anything is changed.
  for (int t = 1; t <= N; ++t)
    if (!std::isfinite(x[t])) return kArmaxNonFinite;
  if (model.h > 0 && !std::isfinite(x[0])) return kArmaxCriticalValue;
  const long length = N - model.d - static_cast<long>(model.s) * model.D;
  if (length < 2) return kArmaxTooShort;

  const int n = static_cast<int>(length);
  const int h = model.h;
  const int npar = model.npar();
  const int k = model.k();
  auto W = numerics::vector(0, N);
  auto A = numerics::vector(0, n);
  auto se = numerics::vector(0, h);
  auto stats = numerics::vector(0, kStatistics);
  if (!W || !A || !se || !stats) return kArmaxStorage;
  result.par.assign(static_cast<std::size_t>(npar), 0.0);
  result.b.assign(static_cast<std::size_t>(k), 0.0);
  result.residuals.assign(static_cast<std::size_t>(n), 0.0);
  result.forecasts.assign(static_cast<std::size_t>(h), 0.0);
  result.limits.assign(2 * static_cast<std::size_t>(h), 0.0);

  if (!Armaxfe(x + 1, W.get(), N, model.transform, model.d, model.D, model.s, model.n))
    return kArmaxTransform;
  const double* w = W.get() + (N - model.n);
  result.series.assign(w, w + model.n);

  if (npar >= 1) {
    for (int i = 0; i < npar; ++i) result.par[static_cast<std::size_t>(i)] = kStartValue;
    double fmin = 0.0;
    int status = kMlOk;
    Armaxml(model, w, result.par.data(), fmin, status);
    if (status >= 1) return kArmaxMlBase + status;
  }

  int status = kXtraOk;
  std::vector<double> ftrans(static_cast<std::size_t>(h));
  Armax_xtra(model, w, x + 1, x[0], result.par.data(), result.residuals.data(), A.get(),
             result.forecasts.data(), se.get(), result.limits.data(), result.b.data(), stats.get(),
             status, ftrans.data());
  if (status >= 1) return kArmaxXtraBase + status;
  const long kept = std::min<long>(N, model.p + static_cast<long>(model.s) * model.P + model.d +
                                          static_cast<long>(model.s) * model.D);
  result.history.assign(x + 1 + (N - kept), x + 1 + N);
  // Further limits, formed and untransformed as Armax_xtra forms those of x[0].
  for (const Request::Band& band : request.bands) {
    Limits& limits = result.bands.emplace_back();
    limits.level = band.level;
    limits.lower.resize(static_cast<std::size_t>(h));
    limits.upper.resize(static_cast<std::size_t>(h));
    for (int j = 0; j < h; ++j) {
      limits.lower[static_cast<std::size_t>(j)] =
          ftrans[static_cast<std::size_t>(j)] - band.critical * se[j];
      limits.upper[static_cast<std::size_t>(j)] =
          ftrans[static_cast<std::size_t>(j)] + band.critical * se[j];
    }
    Armaxuntrans(limits.lower.data(), h, model.transform);
    Armaxuntrans(limits.upper.data(), h, model.transform);
  }
  // The transformed observation less its residual, transformed back.
  result.predictions.assign(static_cast<std::size_t>(N), numerics::kMissing);
  for (int t = N - n; t < N; ++t) {
    double v = x[t + 1] - result.residuals[static_cast<std::size_t>(t - (N - n))];
    Armaxuntrans(&v, 1, model.transform);
    result.predictions[static_cast<std::size_t>(t)] = v;
  }
  result.sum_of_squares = stats[kStatSumSq];
  result.log_likelihood = stats[kStatLogLik];
  result.sigma2 = stats[kStatSigma2];
  return kArmaxOk;
}

void ArmaxPackResult(const ArmaxResult& r, double* out, int& nout, int& status) {
  double tail[kStatistics] = {};
  tail[kStatSumSq] = r.sum_of_squares;
  tail[kStatLogLik] = r.log_likelihood;
  tail[kStatSigma2] = r.sigma2;
  Armax_pack(out, nout, r.model.n, r.model.h, r.model.npar(), r.model.k(), r.series.data(),
             r.residuals.data(), r.forecasts.data(), r.limits.data(), r.par.data(), r.b.data(),
             tail, status);
}

void Armax_pack(double* out, int& nout, const int& n, const int& h, const int& npar, const int& k,
                const double* series, const double* residuals, const double* f,
                const double* limits, const double* par, const double* b, const double* stats,
                int& status) {
  const int capacity = nout;
  nout = 0;
  if (capacity < n) {
    status = kPackNoRoom;
    return;
  }
  const double tail[3] = {stats[kStatSumSq], stats[kStatLogLik], stats[kStatSigma2]};
  int written = 0;
  const bool all =
      PutBlock(out, capacity, written, series, n) &&
      PutBlock(out, capacity, written, residuals, n) && PutBlock(out, capacity, written, f, h) &&
      PutBlock(out, capacity, written, limits, 2 * h) &&
      PutBlock(out, capacity, written, par, npar) && PutBlock(out, capacity, written, b, k) &&
      PutBlock(out, capacity, written, tail, 3);
  nout = written;
  status = all ? kPackOk : kPackPartial;
}

}  // namespace vordex::armax
