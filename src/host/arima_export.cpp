#include "host/arima_export.h"

#include <cmath>

#include "host/frame.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

class ArimaMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = kArimaOptions,
            .unit_on_empty = true,
            .copy_all_options = false,
            .lead_separate = true,
            .failure_text = arima::kFailureText};
  }
  int Check(std::span<const int> options) override {
    settings_ = ArimaSettings(options);
    n_ = options[0];
    return ExportCode(arima::Check(settings_, n_));
  }
  long Observations() const override { return n_; }
  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    settings_.critical = data[0];
    const arima::Outcome out = arima::Execute(settings_, data.subspan(1, n_));
    ShowMessages(out.messages);
    if (!out.ok()) return {.text = arima::kFailureText};
    const long count = ArimaCount(out.value);
    if (!buffer.Allocate(count)) return {.status = kBufferAlloc};
    return {.count = ArimaPack(out.value, buffer.cells())};
  }

 private:
  arima::Request settings_;
  long n_ = 0;
};

}  // namespace

arima::Request ArimaSettings(std::span<const int> options) {
  arima::Request o;
  o.period = options[1];
  o.horizon = options[2];
  o.p = options[3];
  o.d = options[4];
  o.q = options[5];
  o.P = options[6];
  o.D = options[7];
  o.Q = options[8];
  o.mean = options[9];
  // Transform codes: 2 log, 3 square root, any other none.
  o.export_request = true;
  o.transform = options[10] == 2   ? Transform::kLog
                : options[10] == 3 ? Transform::kSquareRoot
                                   : Transform::kNone;
  return o;
}

long ArimaCount(const arima::Estimates& fit) {
  return 3L * static_cast<long>(fit.series.size()) + 3L * static_cast<long>(fit.forecasts.size()) +
         static_cast<long>(fit.phi.size() + fit.theta.size() + fit.Phi.size() + fit.Theta.size()) +
         4;
}

long ArimaPack(const arima::Estimates& fit, double* cells) {
  long k = 0;
  for (const auto* block : {&fit.series, &fit.fitted, &fit.residuals, &fit.forecasts, &fit.lower,
                            &fit.upper, &fit.phi, &fit.theta, &fit.Phi, &fit.Theta})
    for (double v : *block) cells[++k] = v;
  cells[++k] = std::sqrt(fit.sigma2);
  cells[++k] = fit.log_likelihood;
  cells[++k] = fit.aic;
  cells[++k] = fit.constant;
  return k;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Arimadll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::ArimaMethod method;
  return vordex::host::RunFrame(method, options, data);
}
