#include "vordex/auto.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>

#include "api/common.h"
#include "auto/auto_arima.h"
#include "auto/baseline.h"
#include "auto/combination.h"
#include "auto/theta.h"

namespace vordex {
namespace {

constexpr int kMaxHorizon = 120;
// The fewest observed values the automatic methods fit a model to.
constexpr int kFewestForModels = 5;

// The settings every automatic method shares, checked before any work starts.
void CheckCommon(const char* method, int period, int horizon, const std::vector<double>& levels,
                 int max_horizon = kMaxHorizon) {
  const auto refuse = [&](const std::string& what) {
    throw Error(Status::kInvalidSettings, std::string(method) + ": " + what);
  };
  if (period < 1) refuse("the period must be at least 1");
  if (horizon < 0 || horizon > max_horizon)
    refuse("the horizon must lie in 0.." + std::to_string(max_horizon));
  api::CheckLevels(method, levels);
}

// An automatic method's value, or its failure thrown with its status and reason.
template <class T>
T Succeeded(automatic::Outcome<T> out) {
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));
  return std::move(out.value);
}

// The simple forecast the ladder chooses for y, as a result of the method's own type: the shared
// part from the baseline, with the status kFallback and the method named.
// The result says why it is no model: a warning names the method asked for and the reason.
Forecast Fallback(const char* asked, std::span<const double> y, int period, int horizon,
                  const std::vector<double>& levels, automatic::Baseline* chosen = nullptr) {
  const automatic::Baseline method = automatic::ChooseBaseline(y, period);
  if (chosen != nullptr) *chosen = method;
  Forecast f = Succeeded(automatic::FitBaseline(method, y, period, horizon, levels));
  f.status = Status::kFallback;
  f.fallback = automatic::BaselineName(method);
  f.missing = api::CountMissing(y);
  const int observed = static_cast<int>(y.size()) - api::CountMissing(y);
  const std::string why =
      method == automatic::Baseline::kConstant
          ? "the series is constant"
          : std::to_string(observed) + " observed values are too few for a model";
  f.warnings.push_back({asked, why + "; the " + f.fallback + " forecast stands in", 0x30});
  return f;
}

int Observed(std::span<const double> y) {
  return static_cast<int>(y.size()) - api::CountMissing(y);
}

}  // namespace

namespace auto_arima {

Result Fit(std::span<const double> observations, const Settings& s) {
  // With regressors the horizon is that of their future values.
  const bool regression = !s.regressors.empty();
  const int horizon =
      regression ? static_cast<int>(std::min<std::size_t>(
                       s.future.rows(), static_cast<std::size_t>(arima::kMaxObservations) + 1))
                 : s.horizon;
  CheckCommon("auto_arima", s.period, horizon, s.levels, arima::kMaxObservations);
  if (regression && !s.future.empty() && s.future.names != s.regressors.names)
    throw Error(Status::kInvalidData,
                "auto_arima: the future values must have the regressors' names, in their order");
  if (!regression && !s.future.empty())
    throw Error(Status::kInvalidData, "auto_arima: future values given without regressors");
  if (s.d < -1 || s.d > 2 || s.D < -1 || s.D > 1 || s.max_p < 0 || s.max_q < 0 || s.max_P < 0 ||
      s.max_Q < 0 || s.max_order < 0 || s.max_d < 0 || s.max_D < 0)
    throw Error(Status::kInvalidSettings,
                "auto_arima: d must lie in -1..2, D in -1..1, and the bounds must not be negative");
  automatic::AutoArimaSettings engine;
  engine.period = s.period;
  engine.horizon = horizon;
  engine.levels = s.levels;
  engine.names = s.regressors.names;
  engine.xreg = s.regressors.values;
  engine.future = s.future.values;
  engine.drift = s.drift;
  engine.d = s.d;
  engine.D = s.D;
  engine.max_p = s.max_p;
  engine.max_q = s.max_q;
  engine.max_P = s.max_P;
  engine.max_Q = s.max_Q;
  engine.max_order = s.max_order;
  engine.max_d = s.max_d;
  engine.max_D = s.max_D;
  engine.stepwise = s.stepwise;
  engine.allow_constant = s.allow_constant;
  engine.thorough = s.thorough;
  const api::Prepared prepared =
      api::Prepare("auto_arima", observations, s.transform, s.box_cox, s.period, false);
  // Below the fewest values the search would compare models whose criteria are infinite (a
  // constant's AICc on three values), so the ladder answers.
  const bool few = Observed(observations) < kFewestForModels;
  automatic::Outcome<automatic::AutoArimaResult> searched;
  if (!few) searched = automatic::AutoArima(engine, prepared.values);
  if (few || (!searched.ok() && searched.status == Status::kTooFewObservations)) {
    // The ladder's forecast as the ARIMA model it is.
    automatic::Baseline method;
    Result r;
    static_cast<Forecast&>(r) =
        Fallback("auto_arima", observations, s.period, s.horizon, s.levels, &method);
    r.period = method == automatic::Baseline::kSeasonalNaive ? s.period : 1;
    r.D = method == automatic::Baseline::kSeasonalNaive ? 1 : 0;
    r.d = method == automatic::Baseline::kNaive ? 1 : 0;
    r.lost = r.d + r.D * r.period;
    if (method == automatic::Baseline::kMean || method == automatic::Baseline::kConstant)
      r.constant = r.mean.empty() ? 0.0 : r.mean.front();
    return r;
  }
  automatic::AutoArimaResult chosen = Succeeded(std::move(searched));

  Result r;
  static_cast<arima::Result&>(r) =
      api::ToResult(chosen.model, std::move(chosen.fit), observations.size(), {});
  r.transform = s.transform;
  r.bias_adjusted = prepared.lambda.has_value() && s.box_cox.bias_adjusted;
  api::Restore(r, prepared, s.box_cox);
  r.path.reserve(chosen.path.size());
  for (automatic::ArimaCandidate& c : chosen.path)
    r.path.push_back({c.p, c.d, c.q, c.P, c.D, c.Q, c.constant, c.aicc, std::move(c.note)});
  return r;
}

}  // namespace auto_arima

namespace theta {

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("theta", s.period, s.horizon, s.levels);
  automatic::ThetaSettings engine;
  engine.period = s.period;
  engine.horizon = s.horizon;
  engine.levels = s.levels;
  const api::Prepared prepared =
      api::Prepare("theta", observations, s.transform, s.box_cox, s.period, false);
  const bool few = Observed(observations) < kFewestForModels;
  automatic::Outcome<automatic::ThetaResult> fitted;
  if (!few) fitted = automatic::Theta(engine, prepared.values);
  if (few || (!fitted.ok() && fitted.status == Status::kTooFewObservations)) {
    Result r;
    static_cast<Forecast&>(r) = Fallback("theta", observations, s.period, s.horizon, s.levels);
    r.period = s.period;
    return r;
  }
  automatic::ThetaResult t = Succeeded(std::move(fitted));
  Result r;
  r.period = s.period;
  r.seasonal = t.seasonal;
  r.seasonal_indices = std::move(t.seasonal_indices);
  r.alpha = t.alpha;
  r.initial_level = t.initial_level;
  r.drift = t.drift;
  r.sigma2 = t.sigma2;
  r.fitted = std::move(t.fitted);
  r.residuals = std::move(t.residuals);
  r.mean = std::move(t.forecasts);
  r.limits = std::move(t.limits);
  r.missing = api::CountMissing(observations);
  api::Restore(r, prepared, s.box_cox);
  return r;
}

}  // namespace theta

namespace auto_forecast {
namespace {

// Runs one member of the combination; its failure is recorded, not thrown.
template <class Member>
auto Attempt(const char* name, std::vector<std::string>& failures, Member&& member)
    -> std::optional<decltype(member())> {
  try {
    return member();
  } catch (const std::exception& e) {
    failures.push_back(std::string(name) + ": " + e.what());
    return std::nullopt;
  }
}

automatic::Forecasts Part(const Forecast& r) {
  return {r.mean, r.limits, r.fitted};
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("auto_forecast", s.period, s.horizon, s.levels);
  if (s.horizon < 1)
    throw Error(Status::kInvalidSettings, "auto_forecast: the horizon must be at least 1");
  Result r;
  r.period = s.period;
  const int observed = Observed(observations);
  if (observed == 0)
    throw Error(Status::kTooFewObservations, "auto_forecast: the series has no observed value");
  for (const double v : observations)
    if (std::isinf(v)) throw Error(Status::kInvalidData, "auto_forecast: a value is infinite");
  // A constant series needs no model: its constant, with limits of zero width; fewer than three
  // observed values are too few for any of the methods.
  if (observed < kFewestForModels ||
      automatic::ChooseBaseline(observations, s.period) == automatic::Baseline::kConstant) {
    static_cast<Forecast&>(r) =
        Fallback("auto_forecast", observations, s.period, s.horizon, s.levels);
    return r;
  }
  r.smoothing = Attempt("ets", r.failures, [&] {
    ets::Settings e = ets::AutoSettings(s.period, s.horizon);
    e.levels = s.levels;
    e.transform = s.transform;
    e.box_cox = s.box_cox;
    e.seed = s.seed;
    e.threads = s.threads;
    return ets::Fit(observations, e);
  });
  r.arima = Attempt("auto_arima", r.failures, [&] {
    auto_arima::Settings a;
    a.period = s.period;
    a.horizon = s.horizon;
    a.levels = s.levels;
    a.transform = s.transform;
    a.box_cox = s.box_cox;
    return auto_arima::Fit(observations, a);
  });
  r.theta = Attempt("theta", r.failures, [&] {
    return theta::Fit(observations, {.period = s.period,
                                     .horizon = s.horizon,
                                     .levels = s.levels,
                                     .transform = s.transform,
                                     .box_cox = s.box_cox});
  });

  std::vector<automatic::Forecasts> parts;
  if (r.smoothing) parts.push_back(Part(*r.smoothing));
  if (r.arima) parts.push_back(Part(*r.arima));
  if (r.theta) parts.push_back(Part(*r.theta));
  if (parts.empty()) {
    // Too short for every method: the ladder (the members' reasons stay in `failures`).
    std::vector<std::string> failures = std::move(r.failures);
    static_cast<Forecast&>(r) =
        Fallback("auto_forecast", observations, s.period, s.horizon, s.levels);
    r.failures = std::move(failures);
    return r;
  }
  automatic::Forecasts combined = Succeeded(automatic::Combine(parts));
  r.mean = std::move(combined.mean);
  r.limits = std::move(combined.limits);
  r.fitted = std::move(combined.fitted);
  r.residuals.resize(observations.size(), std::numeric_limits<double>::quiet_NaN());
  for (std::size_t t = 0; t < observations.size() && t < r.fitted.size(); ++t)
    r.residuals[t] = observations[t] - r.fitted[t];
  r.missing = api::CountMissing(observations);
  // A combination of one method is that method alone, and says so.
  if (parts.size() == 1) r.status = Status::kSingleMember;
  return r;
}

}  // namespace auto_forecast
}  // namespace vordex
