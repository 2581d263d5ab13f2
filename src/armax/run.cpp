#include "armax/run.h"

#include <algorithm>

#include "platform/messages.h"

namespace vordex::armax {
namespace {

struct Rule {
  bool (*fails)(const Request& o, long n);
  const char* message;
  Status status;
};

// The checker's rules in order.
constexpr Rule kRules[] = {
    {[](const Request& o, long) { return o.period < 1; }, "Invalid seasonal frequency (s < 1)",
     Status::kArmaxInvalidPeriod},
    {[](const Request& o, long n) { return n < 2L * o.period; },
     "Insufficient data: too few observations \nfor this seasonality (n < 2s)",
     Status::kArmaxTooFewForPeriod},
    {[](const Request& o, long) { return o.horizon < 0; }, "Invalid forecast horizon (h < 0)",
     Status::kArmaxNegativeHorizon},
    {[](const Request& o, long) { return o.p < 0 || o.q < 0 || o.d < 0; },
     "Invalid input: at least one (p,d,q) value negative", Status::kArmaxNegativeOrder},
    {[](const Request& o, long) { return o.P < 0 || o.Q < 0 || o.D < 0; },
     "Invalid input: at least one (P,D,Q) value negative", Status::kArmaxNegativeSeasonalOrder},
    {[](const Request& o, long) { return o.period > 1 && (o.p >= o.period || o.q >= o.period); },
     "Inappropriate (p,q) values for seasonal model (p or q > s)",
     Status::kArmaxOrderNotBelowPeriod},
};

struct StatusEntry {
  int status;
  const char* text;
};

constexpr StatusEntry kStatusTexts[] = {
    {kArmaxTransform, "Error in Armaxfe:\n-- requested transform could not be performed"},
    {kArmaxNonFinite, "Error in Armaxfe:\n-- observations must be finite numbers"},
    {kArmaxTooShort, "Error in Armaxfe:\n-- differencing leaves fewer than 2 values"},
    {kArmaxCriticalValue, "Error in Armaxmain:\n-- critical value must be a finite number"},
    {kArmaxStorage, "Error in Armaxmain:\n-- storage could not be obtained"},
    {kArmaxOrders, "Error in Armaxmain:\n-- model orders out of range"},
    {11, "Error in Armaxml:\n-- too much data for common storage"},
    {12, "Error in Armaxml:\n-- failure in duminf"},
    {13, "Error in Armaxml:\n-- arma is zero order"},
    {14, "Error in Armaxml:\n-- misassigned constant flag"},
    {15, "Error in Armaxml:\n-- storage could not be obtained"},
    {16, "Error in Armaxml:\n-- parameter count mismatch in loglfe"},
    {21, "Error in Armax_xtra:\n-- phitheta out-of-bounds"},
    {22, "Error in Armax_xtra:\n-- failure in drlse"},
    {24, "Error in Armax_xtra:\n-- regression forecasts not implemented"},
    {25, "Error in Armax_xtra:\n-- storage could not be obtained"},
    {31, "Error in Armax_pack:\n-- insufficient array space for output"},
    {32, "Warning: Armax_pack:\n-- not all output returned"},
};

constexpr const char* kNoResultsText = "Unknown error in Armaxmain:\n-- no results returned";

void ExecuteInto(const Request& o, std::span<const double> y, Outcome& out) {
  const int N = static_cast<int>(y.size());
  // The engine transforms the observations in place: x[0] the critical value, x[1..N] a copy.
  std::vector<double> x(y.size() + 1);
  std::copy(y.begin(), y.end(), x.begin() + 1);
  out.value.engine_status = Armaxmain(x.data(), N, o, out.value.result);
  if (out.value.engine_status != kArmaxOk) {
    out.status = Status::kEngineFailed;
    out.text = StatusText(out.value.engine_status);
  }
}

}  // namespace

Status Check(const Request& settings, long n) {
  for (const Rule& rule : kRules) {
    if (rule.fails(settings, n)) {
      platform::ShowMessage(kCheckTitle, rule.message, platform::kStyleWarning);
      return rule.status;
    }
  }
  return Status::kOk;
}

const char* StatusText(int status) {
  if (status == kArmaxOk) return kNoResultsText;
  for (const StatusEntry& entry : kStatusTexts)
    if (entry.status == status) return entry.text;
  return kFailureText;
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

}  // namespace vordex::armax
