#include "host/pegels_export.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/frame.h"
#include "host/seed.h"
#include "numerics/missing.h"
#include "platform/messages.h"
#include "smoothing/run.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

constexpr int kRequiredOptions = 12;
using numerics::kMissing;

// The transform of an option code: 1 none, 2 log, 3 square root; another code a value outside
// the enumeration, which the checker refuses.
Transform TransformOfCode(int code) {
  switch (code) {
    case 1:
      return Transform::kNone;
    case 2:
      return Transform::kLog;
    case 3:
      return Transform::kSquareRoot;
    default:
      return static_cast<Transform>(-1);
  }
}

class PegelsMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = kRequiredOptions,
            .unit_on_empty = true,
            .copy_all_options = true,
            .lead_separate = true,
            .failure_text = smoothing::kFailureText};
  }

  int Check(std::span<const int> options) override {
    if (const int code = PegelsSettings(options, settings_)) return code;
    n_ = options[0];
    if (const Status status = smoothing::Check(settings_, n_); status != Status::kOk)
      return ExportCode(status);
    // The exports seed the generator from the clock.
    settings_.seed = ExportSeed();
    return 0;
  }

  long Observations() const override { return n_; }

  int ReadTrailing(long available, const TrailingReader& read) override {
    const int requested = settings_.bounds.count;
    int pairs = 0;
    if (requested >= 2 && available >= 8)
      pairs = 4;
    else if (requested >= 1 && available >= 2)
      pairs = 1;
    std::vector<double> values(2 * static_cast<std::size_t>(pairs));
    for (std::size_t k = 0; k < values.size(); ++k)
      if (!read(static_cast<long>(k) + 1, &values[k])) return kDataRead;
    settings_.bounds = smoothing::SettleBounds(requested, values);
    return 0;
  }

  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    settings_.confidence = {data[0]};
    const smoothing::Outcome out = smoothing::Execute(settings_, data.subspan(1, n_));
    ShowMessages(out.messages);
    if (out.status == Status::kEngineFailed) return Packed{.text = smoothing::kFailureText};
    if (!out.ok()) return Packed{.status = ExportCode(out.status)};
    const long capacity = PegelsCapacity(n_, settings_);
    if (!buffer.Allocate(capacity)) return Packed{.status = kBufferAlloc};
    const long count = pegelspack(out.value, buffer.cells(), capacity, 4);
    if (count == 0) return Packed{.status = kNoResults};
    return Packed{.count = count};
  }

 private:
  smoothing::Request settings_;
  long n_ = 0;
};

}  // namespace

int PegelsSettings(std::span<const int> options, smoothing::Request& o) {
  if (options.size() < kRequiredOptions) return kTooFewOptions;
  const auto at = [&](std::size_t k, int absent) {
    return options.size() >= k ? options[k - 1] : absent;
  };
  o.export_limits = true;
  o.period = at(2, 0);
  o.horizon = at(3, 0);
  o.error = static_cast<ets::ErrorForm>(at(4, 0));
  o.trend = static_cast<ets::Trend>(at(5, 0));
  o.season = static_cast<ets::Season>(at(6, 0));
  o.disturbances = static_cast<ets::Disturbances>(at(7, 0));
  o.criterion = static_cast<ets::Criterion>(at(8, 0));
  o.initialization = static_cast<ets::Initialization>(at(9, 0));
  o.paths = at(10, 0);
  o.multisteps = at(11, 0);
  o.information_criterion = static_cast<ets::InformationCriterion>(at(12, 0));
  o.transform = TransformOfCode(at(13, 1));
  o.search = static_cast<ets::Search>(at(14, 0));
  o.bounds = {};
  o.bounds.count = at(15, 0);
  // Parameter region 2 is the admissible region; any other code the usual one.
  o.admissible_region = at(16, 1) == 2;
  return 0;
}

long PegelsCapacity(long n, const smoothing::Request& o) {
  return 3L * (n + o.horizon) + o.multisteps + o.period + 14;
}

long pegelspack(const smoothing::Estimates& fit, double* buffer, long capacity, int npar) {
  const long n = static_cast<long>(fit.series.size());
  const long h = static_cast<long>(fit.forecasts.size());
  const int s = fit.period;
  const int m = fit.multisteps;
  if (capacity < 3L * (n + h)) return 0;
  long idx = 0;
  for (double v : fit.series) buffer[++idx] = v;
  for (double v : fit.fitted) buffer[++idx] = v;
  for (double v : fit.errors) buffer[++idx] = v;
  for (double v : fit.forecasts) buffer[++idx] = v;
  for (double v : fit.lower) buffer[++idx] = v;
  for (double v : fit.upper) buffer[++idx] = v;
  const auto shortOfRoom = [&]() {
    platform::ShowMessage(smoothing::kCheckTitle,
                          "Allocation failure in pegelspack - not all results returned",
                          platform::kStyleWarning);
    return idx;
  };
  if (fit.searched) {
    if (capacity < idx + 3) return shortOfRoom();
    buffer[++idx] = static_cast<int>(fit.model.error);
    buffer[++idx] = static_cast<int>(fit.model.trend);
    buffer[++idx] = static_cast<int>(fit.model.season);
  }
  const bool trend = smoothing::HasTrend(fit.model.trend);
  const bool seasonal = smoothing::HasSeason(fit.model.season);
  if (capacity < idx + (seasonal ? s : 0) + (trend ? 1 : 0) + npar + 1) return shortOfRoom();
  const double par[] = {fit.alpha, fit.beta, fit.gamma, fit.phi};
  for (int i = 0; i < npar && i < 4; ++i) buffer[++idx] = par[i];
  buffer[++idx] = fit.initial_level;
  if (trend) buffer[++idx] = fit.initial_trend;
  if (seasonal)
    for (int k = 0; k < s; ++k) buffer[++idx] = fit.initial_seasonal[static_cast<std::size_t>(k)];
  if (capacity < idx + m + 5) return shortOfRoom();
  buffer[++idx] = std::sqrt(fit.amse);
  for (int k = 1; k <= m; ++k)
    buffer[++idx] = k <= n ? std::sqrt(fit.mse[static_cast<std::size_t>(k - 1)]) : kMissing;
  buffer[++idx] = fit.sigma;
  buffer[++idx] = fit.log_likelihood;
  buffer[++idx] = fit.information_criterion;
  buffer[++idx] = fit.mape;
  return idx > capacity ? 0 : idx;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Pegelsdll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::PegelsMethod method;
  return vordex::host::RunFrame(method, options, data);
}
