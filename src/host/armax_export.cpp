#include "host/armax_export.h"

#include "host/frame.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

class ArmaxMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = armax::kArmaxOptions,
            .unit_on_empty = false,
            .copy_all_options = false,
            .lead_separate = false,
            .failure_text = armax::kFailureText};
  }

  int Check(std::span<const int> options) override {
    settings_ = ArmaxSettings(options);
    n_ = options[0];
    return ExportCode(armax::Check(settings_, n_));
  }

  long Observations() const override { return n_; }

  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    const long capacity = ArmaxCapacity(n_, settings_);
    if (!buffer.Allocate(capacity)) return Packed{.status = kBufferAlloc};
    settings_.critical = data[0];
    const armax::Outcome out = armax::Execute(settings_, data.subspan(1, n_));
    ShowMessages(out.messages);
    if (!out.ok()) return Packed{.text = armax::StatusText(out.value.engine_status)};
    int count = static_cast<int>(capacity);
    int status = armax::kPackOk;
    armax::ArmaxPackResult(out.value.result, buffer.cells() + 1, count, status);
    if (status <= 0 && count >= 1) return Packed{.count = count};
    return Packed{.text = armax::StatusText(armax::kArmaxPackBase + status)};
  }

 private:
  armax::Request settings_;
  long n_ = 0;
};

}  // namespace

armax::Request ArmaxSettings(std::span<const int> options) {
  armax::Request o;
  o.period = options[1];
  o.horizon = options[2];
  o.p = options[3];
  o.d = options[4];
  o.q = options[5];
  o.P = options[6];
  o.D = options[7];
  o.Q = options[8];
  o.constant = options[9] != 0;
  // Transform codes: 1 log, 2 square root, any other none.
  o.transform = options[10] == 1   ? Transform::kLog
                : options[10] == 2 ? Transform::kSquareRoot
                                   : Transform::kNone;
  return o;
}

long ArmaxCapacity(long n, const armax::Request& o) {
  return 2L * n + 3L * o.horizon + o.p + o.q + o.P + o.Q + 12;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Armaxdll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::ArmaxMethod method;
  return vordex::host::RunFrame(method, options, data);
}
