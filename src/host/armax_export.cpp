#include "host/armax_export.h"

#include <algorithm>

#include "armax/armax.h"
#include "host/frame.h"
#include "numerics/vectors.h"
#include "platform/messages.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

enum Slot : int { kN = 0, kS, kH, kP, kD, kQ, kSP, kSD, kSQ, kConstant, kTransform };

struct Rule {
  bool (*fails)(std::span<const int> o);
  const char* message;
};

// The checker's rules in order; rule i fails with code 30 + i.
constexpr Rule kRules[] = {
    {[](std::span<const int> o) { return o[kS] < 1; }, "Invalid seasonal frequency (s < 1)"},
    {[](std::span<const int> o) { return o[kN] < 2L * o[kS]; },
     "Insufficient data: too few observations \nfor this seasonality (n < 2s)"},
    {[](std::span<const int> o) { return o[kH] < 0; }, "Invalid forecast horizon (h < 0)"},
    {[](std::span<const int> o) { return o[kP] < 0 || o[kQ] < 0 || o[kD] < 0; },
     "Invalid input: at least one (p,d,q) value negative"},
    {[](std::span<const int> o) { return o[kSP] < 0 || o[kSQ] < 0 || o[kSD] < 0; },
     "Invalid input: at least one (P,D,Q) value negative"},
    {[](std::span<const int> o) { return o[kS] > 1 && (o[kP] >= o[kS] || o[kQ] >= o[kS]); },
     "Inappropriate (p,q) values for seasonal model (p or q > s)"},
};

struct StatusText {
  int status;
  const char* text;
};

constexpr StatusText kStatusTexts[] = {
    {armax::kArmaxTooFewOptions, "Error in Armaxfe:\n-- insufficient input parameters"},
    {armax::kArmaxTransform, "Error in Armaxfe:\n-- requested transform could not be performed"},
    {armax::kArmaxNonFinite, "Error in Armaxfe:\n-- observations must be finite numbers"},
    {armax::kArmaxTooShort, "Error in Armaxfe:\n-- differencing leaves fewer than 2 values"},
    {armax::kArmaxCriticalValue, "Error in Armaxmain:\n-- critical value must be a finite number"},
    {armax::kArmaxStorage, "Error in Armaxmain:\n-- storage could not be obtained"},
    {armax::kArmaxOrders, "Error in Armaxmain:\n-- model orders out of range"},
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
constexpr const char* kGenericText = "Failure in Armaxmain:\nModel could not be estimated";

class ArmaxMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = armax::kArmaxOptions,
            .unit_on_empty = false,
            .copy_all_options = false,
            .lead_separate = false,
            .failure_text = kGenericText};
  }

  int Check(std::span<const int> options) override {
    if (const int code = ArmaxCheck(options)) return code;
    std::copy_n(options.begin(), armax::kArmaxOptions, options_);
    return 0;
  }

  long Observations() const override { return options_[kN]; }

  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    const long capacity = ArmaxCapacity(options_);
    if (!buffer.Allocate(capacity)) return Packed{.status = kBufferAlloc};
    // The engine transforms the observations in place: it works on a copy of the data.
    const int N = options_[kN];
    auto x = numerics::vector(0, N);
    if (!x) return Packed{.status = kBufferAlloc};
    std::copy(data.begin(), data.end(), x.get());

    int count = static_cast<int>(capacity);
    const int nopts = armax::kArmaxOptions;
    const int status = armax::Armaxmain(x.get(), N, options_, nopts, buffer.cells() + 1, count);
    if (status == armax::kArmaxOk && count >= 1) return Packed{.count = count};
    return Packed{.text = ArmaxStatusText(status)};
  }

 private:
  int options_[armax::kArmaxOptions] = {};
};

}  // namespace

int ArmaxCheck(std::span<const int> options) {
  int code = 30;
  for (const Rule& rule : kRules) {
    ++code;
    if (rule.fails(options)) {
      platform::ShowMessage(kArmaxCheckTitle, rule.message, platform::kStyleWarning);
      return code;
    }
  }
  return 0;
}

long ArmaxCapacity(std::span<const int> o) {
  return 2L * o[kN] + 3L * o[kH] + o[kP] + o[kQ] + o[kSP] + o[kSQ] + 12;
}

const char* ArmaxStatusText(int status) {
  if (status == armax::kArmaxOk) return kNoResultsText;
  for (const StatusText& entry : kStatusTexts)
    if (entry.status == status) return entry.text;
  return kGenericText;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Armaxdll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::ArmaxMethod method;
  return vordex::host::RunFrame(method, options, data);
}
