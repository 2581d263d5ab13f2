#include "arima/run.h"

#include <cmath>
#include <memory>
#include <new>

#include "arima/driver.h"
#include "arima/forecast.h"
#include "arima/regression.h"
#include "platform/messages.h"

namespace vordex::arima {
namespace {

// The settings in the checker's terms; the total orders are formed in 64 bits.
struct Orders {
  long long N, s, h, p, d, q, P, D, Q, pp, qq;
  bool exported;  // the export's limits apply
};

struct Rule {
  bool (*fails)(const Orders& o);
  const char* message;
  Status status;
};

// Upper limits are tested before lower limits; the seasonal rules only for a seasonal ARMA part.
// The export's limits MAXN and MAXH are its own; a typed request has the library's largest series
// (its message the typed rule's own).
constexpr Rule kRules[] = {
    {[](const Orders& o) { return o.exported && o.N > MAXN; },
     "Too much data: number of observations exceeds MAXN", Status::kArimaTooMuchData},
    {[](const Orders& o) { return !o.exported && o.N > kMaxObservations; },
     "Too much data: more than 10000000 observations", Status::kTooManyObservations},
    {[](const Orders& o) { return o.s > MAXS; }, "Seasonal frequency exceeds MAXS",
     Status::kArimaPeriodTooLarge},
    {[](const Orders& o) { return o.exported && o.h > MAXH; }, "Forecast horizon exceeds MAXH",
     Status::kArimaHorizonTooLarge},
    {[](const Orders& o) { return !o.exported && o.h > kMaxObservations; },
     "Forecast horizon exceeds 10000000", Status::kArimaHorizonTooLarge},
    {[](const Orders& o) { return o.p > kMaxP || o.q > kMaxP; }, "ARIMA (p,q) order too high",
     Status::kArimaOrderTooHigh},
    {[](const Orders& o) { return o.P > kMaxSeasonalP || o.Q > kMaxSeasonalP; },
     "ARIMA (P,Q) order too high", Status::kArimaSeasonalOrderTooHigh},
    {[](const Orders& o) { return o.d > kMaxD || o.D > kMaxD; }, "Degree of differencing too large",
     Status::kArimaDifferencingTooLarge},
    {[](const Orders& o) { return o.pp >= kTotalOrderLimit || o.qq >= kTotalOrderLimit; },
     "Total order too large: reduce (p,q) or (P,Q)", Status::kArimaTotalOrderTooLarge},
    {[](const Orders& o) { return o.s < 1; }, "Invalid seasonal frequency (<1)",
     Status::kArimaInvalidPeriod},
    {[](const Orders& o) { return o.N < 1; }, "Number of observations zero or negative",
     Status::kArimaNoObservations},
    {[](const Orders& o) { return o.h < 0; }, "Invalid forecast horizon (<0)",
     Status::kArimaNegativeHorizon},
    {[](const Orders& o) { return o.p < 0 || o.q < 0 || o.d < 0; },
     "Invalid input: one of (p,d,q) values negative", Status::kArimaNegativeOrder},
    {[](const Orders& o) { return o.P < 0 || o.Q < 0 || o.D < 0; },
     "Invalid input: one of (P,D,Q) values negative", Status::kArimaNegativeSeasonalOrder},
    {[](const Orders& o) { return o.P + o.Q > 0 && o.s == 1; },
     "Seasonal model requested for non-seasonal data", Status::kArimaSeasonalForNonSeasonal},
    {[](const Orders& o) { return o.P + o.Q > 0 && o.N < 2 * o.s; },
     "Insufficient data for estimation of a seasonal model", Status::kArimaTooFewForSeasonal},
    {[](const Orders& o) { return o.P + o.Q > 0 && (o.p >= o.s || o.q >= o.s); },
     "(p,q) must be < s for seasonal model", Status::kArimaOrderNotBelowPeriod},
};

// The driver's route: the export's estimation of a complete series.
void Drive(const Request& o, std::span<const double> y, Outcome& out) {
  // The record is large: one per request, on the heap.
  auto state = std::make_unique<ArimaStateRecord>();
  ArimaStateRecord& st = *state;
  st.N = static_cast<int>(y.size());
  st.s = o.period;
  st.h = o.horizon;
  st.p = o.p;
  st.d = o.d;
  st.q = o.q;
  st.P = o.P;
  st.D = o.D;
  st.Q = o.Q;
  st.mean = o.mean;
  st.transform = o.transform;
  st.pp = o.p + o.P * o.period;
  st.qq = o.q + o.Q * o.period;
  st.critical = o.critical;
  st.confidence = 95.0;
  SizeArrays(st);
  for (int t = 1; t <= st.N; ++t) st.y[t] = y[static_cast<std::size_t>(t - 1)];
  if (Arimamain(st, o.thorough ? kThoroughMaximumLikelihood : kExactMaximumLikelihood, 1) == 0) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return;
  }
  Estimates& fit = out.value;
  fit.series.assign(st.w.begin() + 1, st.w.begin() + st.N + 1);
  fit.fitted.assign(st.fitted.begin() + 1, st.fitted.begin() + st.N + 1);
  fit.residuals.assign(st.e.begin() + 1, st.e.begin() + st.N + 1);
  fit.forecasts.assign(st.F.begin() + 1, st.F.begin() + st.h + 1);
  fit.lower.assign(st.L.begin() + 1, st.L.begin() + st.h + 1);
  fit.upper.assign(st.U.begin() + 1, st.U.begin() + st.h + 1);
  fit.phi.assign(st.phi + 1, st.phi + st.p + 1);
  fit.theta.assign(st.theta + 1, st.theta + st.q + 1);
  fit.Phi.assign(st.Phi + 1, st.Phi + st.P + 1);
  fit.Theta.assign(st.Theta + 1, st.Theta + st.Q + 1);
  for (const Request::Band& band : o.bands) {
    Limits& limits = fit.bands.emplace_back();
    limits.level = band.level;
    for (int k = 1; k <= st.h; ++k) {
      const double half = band.critical * st.se[k];
      limits.lower.push_back(Untransform(st, st.Fscaled[k] - half));
      limits.upper.push_back(Untransform(st, st.Fscaled[k] + half));
    }
  }
  // One-step predictions of the observations: the transformed observation less its residual,
  // transformed back (none for the values lost to differencing).
  fit.predictions.reserve(static_cast<std::size_t>(st.N));
  for (int t = 1; t <= st.N; ++t)
    fit.predictions.push_back(
        t <= st.nd ? kMissing : InverseTransform(st.transform, st.y[t] * st.lambda - st.e[t]));
  fit.sigma2 = st.sigma2;
  fit.log_likelihood = st.loglik;
  fit.aic = st.aic;
  fit.constant = st.c;
  // The mean of the differenced series on the transformed scale: the coefficient of the
  // constant's regressor.
  if (o.mean != 0) {
    fit.names = {"mean"};
    fit.beta = {st.mu * st.lambda};
  }
}

void ExecuteInto(const Request& o, std::span<const double> y, Outcome& out) {
  if (o.export_request) {
    Drive(o, y, out);
    return;
  }
  try {
    const Refusal refusal = CheckData(o, y);
    if (refusal.status != Status::kOk) {
      out.status = refusal.status;
      out.text = refusal.text;
      return;
    }
    if (UsesStateSpace(o, y)) {
      out = EstimateStateSpace(o, y);
      return;
    }
    Drive(o, y, out);
    if (out.ok() && o.model_state) Finish(o, y, out.value);
  } catch (const std::bad_alloc&) {
    out = Outcome::Failure(Status::kEngineFailed, "Not enough memory for the request");
  }
}

}  // namespace

Status Check(const Request& settings, long n) {
  const Orders o{n,
                 settings.period,
                 settings.horizon,
                 settings.p,
                 settings.d,
                 settings.q,
                 settings.P,
                 settings.D,
                 settings.Q,
                 settings.p + static_cast<long long>(settings.P) * settings.period,
                 settings.q + static_cast<long long>(settings.Q) * settings.period,
                 settings.export_request};
  for (const Rule& rule : kRules) {
    if (rule.fails(o)) {
      platform::ShowMessage(kCheckTitle, rule.message, platform::kStyleWarning);
      return rule.status;
    }
  }
  return Status::kOk;
}

Outcome Execute(const Request& settings, std::span<const double> y) {
  Outcome out;
  platform::MessageRecorder recorder;
  ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  return out;
}

Outcome Run(const Request& settings, std::span<const double> y) {
  Outcome out;
  platform::MessageRecorder recorder;
  out.status = Check(settings, static_cast<long>(y.size()));
  if (out.status == Status::kOk) ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  // A refusal's text is the checker's message.
  if (!out.ok() && out.text.empty() && !out.messages.empty()) out.text = out.messages.back().text;
  return out;
}

}  // namespace vordex::arima
