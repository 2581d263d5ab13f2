#include "host/arima_export.h"

#include <algorithm>
#include <cmath>

#include "arima/driver.h"
#include "arima/state.h"
#include "host/frame.h"
#include "platform/messages.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using arima::ArimaState;
using arima::ArimaStateRecord;

// The settings in option order.
struct Settings {
  int N, s, h, p, d, q, P, D, Q, mean, transform, pp, qq;
};

struct Rule {
  bool (*fails)(const Settings& o);
  const char* message;
  int code;
};

// Upper limits are tested before lower limits; the seasonal rules only for a seasonal ARMA part.
constexpr Rule kRules[] = {
    {[](const Settings& o) { return o.N > arima::MAXN; },
     "Too much data: number of observations exceeds MAXN", 31},
    {[](const Settings& o) { return o.s > arima::MAXS; }, "Seasonal frequency exceeds MAXS", 32},
    {[](const Settings& o) { return o.h > arima::MAXH; }, "Forecast horizon exceeds MAXH", 33},
    {[](const Settings& o) { return o.p > arima::kMaxP || o.q > arima::kMaxP; },
     "ARIMA (p,q) order too high", 34},
    {[](const Settings& o) { return o.P > arima::kMaxSeasonalP || o.Q > arima::kMaxSeasonalP; },
     "ARIMA (P,Q) order too high", 35},
    {[](const Settings& o) { return o.d > arima::kMaxD || o.D > arima::kMaxD; },
     "Degree of differencing too large", 36},
    {[](const Settings& o) {
       return o.pp >= arima::kTotalOrderLimit || o.qq >= arima::kTotalOrderLimit;
     },
     "Total order too large: reduce (p,q) or (P,Q)", 37},
    {[](const Settings& o) { return o.s < 1; }, "Invalid seasonal frequency (<1)", 38},
    {[](const Settings& o) { return o.N < 1; }, "Number of observations zero or negative", 39},
    {[](const Settings& o) { return o.h < 0; }, "Invalid forecast horizon (<0)", 40},
    {[](const Settings& o) { return o.p < 0 || o.q < 0 || o.d < 0; },
     "Invalid input: one of (p,d,q) values negative", 41},
    {[](const Settings& o) { return o.P < 0 || o.Q < 0 || o.D < 0; },
     "Invalid input: one of (P,D,Q) values negative", 42},
    {[](const Settings& o) { return o.P + o.Q > 0 && o.s == 1; },
     "Seasonal model requested for non-seasonal data", 43},
    {[](const Settings& o) { return o.P + o.Q > 0 && o.N < 2 * o.s; },
     "Insufficient data for estimation of a seasonal model", 44},
    {[](const Settings& o) { return o.P + o.Q > 0 && (o.p >= o.s || o.q >= o.s); },
     "(p,q) must be < s for seasonal model", 45},
};

class ArimaMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = kArimaOptions,
            .unit_on_empty = true,
            .copy_all_options = false,
            .lead_separate = true,
            .failure_text = kArimaFailureText};
  }
  int Check(std::span<const int> options) override { return ArimaCheck(options); }
  long Observations() const override { return ArimaState.N; }
  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    auto& st = ArimaState;
    st.critical = data[0];
    st.confidence = 95.0;
    for (int t = 1; t <= st.N; ++t) st.y[t] = data[static_cast<std::size_t>(t)];
    if (arima::Arimamain(arima::kExactMaximumLikelihood, 1) == 0)
      return {.text = kArimaFailureText};
    const long count = ArimaCount();
    if (!buffer.Allocate(count)) return {.status = kBufferAlloc};
    return {.count = ArimaPack(buffer.cells())};
  }
};

}  // namespace

int ArimaCheck(std::span<const int> options) {
  // A request starts from a clean record: nothing of an earlier request is read.
  ArimaState = ArimaStateRecord{};
  Settings o{};
  o.N = options[0];
  o.s = options[1];
  o.h = options[2];
  o.p = options[3];
  o.d = options[4];
  o.q = options[5];
  o.P = options[6];
  o.D = options[7];
  o.Q = options[8];
  o.mean = options[9];
  o.transform = options[10];
  // Options are 16-bit values, so these products cannot overflow.
  o.pp = o.p + o.P * o.s;
  o.qq = o.q + o.Q * o.s;
  auto& st = ArimaState;
  st.N = o.N;
  st.s = o.s;
  st.h = o.h;
  st.p = o.p;
  st.d = o.d;
  st.q = o.q;
  st.P = o.P;
  st.D = o.D;
  st.Q = o.Q;
  st.mean = o.mean;
  st.transform = o.transform;
  st.pp = o.pp;
  st.qq = o.qq;
  for (const Rule& rule : kRules) {
    if (rule.fails(o)) {
      platform::ShowMessage(kArimaCheckTitle, rule.message, platform::kStyleWarning);
      return rule.code;
    }
  }
  return 0;
}

long ArimaCount() {
  const auto& st = ArimaState;
  return 3L * st.N + 3L * st.h + st.p + st.q + st.P + st.Q + 4;
}

long ArimaPack(double* cells) {
  const auto& st = ArimaState;
  long k = 0;
  for (int t = 1; t <= st.N; ++t) cells[++k] = st.w[t];
  for (int t = 1; t <= st.N; ++t) cells[++k] = st.fitted[t];
  for (int t = 1; t <= st.N; ++t) cells[++k] = st.e[t];
  for (int i = 1; i <= st.h; ++i) cells[++k] = st.F[i];
  for (int i = 1; i <= st.h; ++i) cells[++k] = st.L[i];
  for (int i = 1; i <= st.h; ++i) cells[++k] = st.U[i];
  for (int j = 1; j <= st.p; ++j) cells[++k] = st.phi[j];
  for (int j = 1; j <= st.q; ++j) cells[++k] = st.theta[j];
  for (int j = 1; j <= st.P; ++j) cells[++k] = st.Phi[j];
  for (int j = 1; j <= st.Q; ++j) cells[++k] = st.Theta[j];
  cells[++k] = std::sqrt(st.sigma2);
  cells[++k] = st.loglik;
  cells[++k] = st.aic;
  cells[++k] = st.c;
  return k;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Arimadll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::ArimaMethod method;
  return vordex::host::RunFrame(method, options, data);
}
