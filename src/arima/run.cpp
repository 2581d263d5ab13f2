#include "arima/run.h"

#include <cmath>
#include <memory>

#include "arima/driver.h"
#include "platform/messages.h"

namespace vordex::arima {
namespace {

// The settings in the checker's terms; the total orders are formed in 64 bits.
struct Orders {
  long long N, s, h, p, d, q, P, D, Q, pp, qq;
};

struct Rule {
  bool (*fails)(const Orders& o);
  const char* message;
  int code;
};

// Upper limits are tested before lower limits; the seasonal rules only for a seasonal ARMA part.
constexpr Rule kRules[] = {
    {[](const Orders& o) { return o.N > MAXN; },
     "Too much data: number of observations exceeds MAXN", 31},
    {[](const Orders& o) { return o.s > MAXS; }, "Seasonal frequency exceeds MAXS", 32},
    {[](const Orders& o) { return o.h > MAXH; }, "Forecast horizon exceeds MAXH", 33},
    {[](const Orders& o) { return o.p > kMaxP || o.q > kMaxP; }, "ARIMA (p,q) order too high", 34},
    {[](const Orders& o) { return o.P > kMaxSeasonalP || o.Q > kMaxSeasonalP; },
     "ARIMA (P,Q) order too high", 35},
    {[](const Orders& o) { return o.d > kMaxD || o.D > kMaxD; }, "Degree of differencing too large",
     36},
    {[](const Orders& o) { return o.pp >= kTotalOrderLimit || o.qq >= kTotalOrderLimit; },
     "Total order too large: reduce (p,q) or (P,Q)", 37},
    {[](const Orders& o) { return o.s < 1; }, "Invalid seasonal frequency (<1)", 38},
    {[](const Orders& o) { return o.N < 1; }, "Number of observations zero or negative", 39},
    {[](const Orders& o) { return o.h < 0; }, "Invalid forecast horizon (<0)", 40},
    {[](const Orders& o) { return o.p < 0 || o.q < 0 || o.d < 0; },
     "Invalid input: one of (p,d,q) values negative", 41},
    {[](const Orders& o) { return o.P < 0 || o.Q < 0 || o.D < 0; },
     "Invalid input: one of (P,D,Q) values negative", 42},
    {[](const Orders& o) { return o.P + o.Q > 0 && o.s == 1; },
     "Seasonal model requested for non-seasonal data", 43},
    {[](const Orders& o) { return o.P + o.Q > 0 && o.N < 2 * o.s; },
     "Insufficient data for estimation of a seasonal model", 44},
    {[](const Orders& o) { return o.P + o.Q > 0 && (o.p >= o.s || o.q >= o.s); },
     "(p,q) must be < s for seasonal model", 45},
};

void ExecuteInto(const Request& o, std::span<const double> y, Outcome& out) {
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
  st.transform = o.transform == Transform::kLog          ? kTransformLog
                 : o.transform == Transform::kSquareRoot ? kTransformSqrt
                                                         : 0;
  st.pp = o.p + o.P * o.period;
  st.qq = o.q + o.Q * o.period;
  st.critical = o.critical;
  st.confidence = 95.0;
  for (int t = 1; t <= st.N; ++t) st.y[t] = y[static_cast<std::size_t>(t - 1)];
  if (Arimamain(st, o.thorough ? kThoroughMaximumLikelihood : kExactMaximumLikelihood, 1) == 0) {
    out.text = kFailureText;
    return;
  }
  Estimates& fit = out.fit;
  fit.series.assign(st.w + 1, st.w + st.N + 1);
  fit.fitted.assign(st.fitted + 1, st.fitted + st.N + 1);
  fit.residuals.assign(st.e + 1, st.e + st.N + 1);
  fit.forecasts.assign(st.F + 1, st.F + st.h + 1);
  fit.lower.assign(st.L + 1, st.L + st.h + 1);
  fit.upper.assign(st.U + 1, st.U + st.h + 1);
  fit.phi.assign(st.phi + 1, st.phi + st.p + 1);
  fit.theta.assign(st.theta + 1, st.theta + st.q + 1);
  fit.Phi.assign(st.Phi + 1, st.Phi + st.P + 1);
  fit.Theta.assign(st.Theta + 1, st.Theta + st.Q + 1);
  fit.sigma2 = st.sigma2;
  fit.log_likelihood = st.loglik;
  fit.aic = st.aic;
  fit.constant = st.c;
}

}  // namespace

int Check(const Request& settings, long n) {
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
                 settings.q + static_cast<long long>(settings.Q) * settings.period};
  for (const Rule& rule : kRules) {
    if (rule.fails(o)) {
      platform::ShowMessage(kCheckTitle, rule.message, platform::kStyleWarning);
      return rule.code;
    }
  }
  return 0;
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
  if (out.status == 0) ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  return out;
}

}  // namespace vordex::arima
