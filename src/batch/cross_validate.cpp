// Rolling-origin cross-validation (Tashman 2000, "Out-of-sample tests of forecasting accuracy: an
// analysis and review", IJF 16, 437-450; R's forecast::tsCV; statsforecast's cross_validation).
// Each series runs on one worker, origin after origin, so a continued model carries its state
// from one origin to the next; the pool spreads the series as FitMany does.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

#include "api/evaluate_public.h"
#include "batch/fit_many.h"
#include "evaluate/aggregate.h"
#include "evaluate/conformal.h"
#include "vordex/cross_validation.hpp"

namespace vordex::batch {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

MethodSettings WithHorizon(MethodSettings settings, int horizon) {
  std::visit([&](auto& s) { s.horizon = horizon; }, settings);
  return settings;
}

std::vector<double> LevelsOfSettings(const MethodSettings& settings) {
  return std::visit(
      [](const auto& s) -> std::vector<double> {
        if constexpr (requires { s.critical_value; })
          return LevelsOf(s.levels, s.critical_value);
        else
          return s.levels;
      },
      settings);
}

int PeriodOfSettings(const MethodSettings& settings) {
  return std::visit([](const auto& s) { return s.period; }, settings);
}

// The model of the previous origin taken on by the observations since, without re-estimation;
// nothing for the methods that cannot be continued.
std::optional<MethodResult> Continue(const MethodResult& fit, std::span<const double> added) {
  return std::visit(
      [&](const auto& r) -> std::optional<MethodResult> {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, arima::Result>) {
          return MethodResult(arima::Update(r, added));
        } else if constexpr (std::is_same_v<R, auto_arima::Result>) {
          auto_arima::Result next;
          static_cast<arima::Result&>(next) = arima::Update(r, added);
          return MethodResult(std::move(next));
        } else if constexpr (std::is_same_v<R, ets::Result>) {
          return MethodResult(ets::Update(r, added));
        } else {
          return std::nullopt;
        }
      },
      fit);
}

struct Plan {
  MethodSettings settings;  // the horizon replaced
  std::vector<double> levels;
  int lag = 1;
};

void Check(const MethodSettings& settings, const CrossValidationSettings& v) {
  const auto refuse = [](const std::string& why) { throw Error(Status::kInvalidSettings, why); };
  if (v.horizon < 1) refuse("cross-validation needs a horizon of at least 1");
  if (v.initial < 1 && v.windows < 1) refuse("cross-validation needs at least 1 window");
  if (v.step < 1) refuse("cross-validation needs a step of at least 1");
  if (v.initial < 0) refuse("the initial training length must not be negative");
  if (v.refit < 0) refuse("refit must be 0 (first window only) or every k-th window, k >= 1");
  if (v.conformal && v.conformal_windows < 1) refuse("conformal limits need at least 1 window");
  if (v.conformal_step < 0) refuse("the conformal windows' step must not be negative");
  if (v.lag < 0) refuse("the scale's lag must not be negative");
  if (std::holds_alternative<armax::Settings>(settings))
    refuse("ARMAX cannot be cross-validated: the future inputs of each origin are unknown");
  if (const auto* a = std::get_if<arima::Settings>(&settings); a && !a->regressors.empty())
    refuse("ARIMA with regressors cannot be cross-validated here");
  if (const auto* a = std::get_if<auto_arima::Settings>(&settings); a && !a->regressors.empty())
    refuse("automatic ARIMA with regressors cannot be cross-validated here");
}

std::vector<int> Origins(int n, const CrossValidationSettings& v) {
  std::vector<int> origins;
  if (v.initial >= 1) {
    for (long o = v.initial; o <= n - 1; o += v.step) origins.push_back(static_cast<int>(o));
  } else {
    const long last = static_cast<long>(n) - v.horizon;
    for (int i = 0; i < v.windows; ++i)
      origins.push_back(static_cast<int>(last - static_cast<long>(v.step) * (v.windows - 1 - i)));
  }
  return origins;
}

// The forecasts of every origin of one series (measures and conformal limits aside).
SeriesValidation Forecasts(const Series& series, const Plan& plan, const CrossValidationSettings& v,
                           std::uint32_t seed) {
  SeriesValidation out;
  out.id = series.id;
  out.steps = v.horizon;
  const int n = static_cast<int>(series.values.size());
  out.origins = Origins(n, v);
  if (out.origins.empty() || out.origins.front() < 1) {
    out.status = Status::kTooFewObservations;
    out.text = std::to_string(n) + " observations leave no training data for the first origin";
    out.origins.clear();
    return out;
  }
  const std::size_t origins = out.origins.size(), h = static_cast<std::size_t>(v.horizon);
  out.actual.assign(origins * h, kNaN);
  out.mean.assign(origins * h, kNaN);
  for (double level : plan.levels)
    out.limits.push_back(
        {level, std::vector<double>(origins * h, kNaN), std::vector<double>(origins * h, kNaN)});
  out.refitted.assign(origins, false);
  out.models.assign(origins, "");

  std::optional<MethodResult> model;
  int model_origin = 0;
  Status first_failure = Status::kOk;
  std::string first_text;
  int succeeded = 0;
  for (std::size_t i = 0; i < origins; ++i) {
    const int o = out.origins[i];
    for (std::size_t k = 0; k < h && o + static_cast<int>(k) < n; ++k)
      out.actual[i * h + k] = series.values[o + k];
    const bool refit = i == 0 || !model || (v.refit > 0 && i % v.refit == 0);
    std::optional<MethodResult> next;
    std::string reason;
    Status status = Status::kOk;
    if (!refit) {
      try {
        next = Continue(*model, series.values.subspan(model_origin, o - model_origin));
      } catch (const std::exception& e) {
        next.reset();  // a model that cannot take the new values is estimated afresh
      }
    }
    if (!next) {
      const Outcome fit = FitOne({series.id, series.values.first(o)}, plan.settings, seed);
      if (fit.ok()) {
        next = fit.value;
        out.refitted[i] = true;
      } else {
        status = fit.status;
        reason = fit.text;
      }
    }
    if (!next) {
      model.reset();
      out.failures.push_back("origin " + std::to_string(o) + ": " + reason);
      if (first_failure == Status::kOk) {
        first_failure = status;
        first_text = reason;
      }
      continue;
    }
    model = std::move(next);
    model_origin = o;
    ++succeeded;
    out.models[i] = ModelName(*model);
    const Forecast& f = *Common(*model);
    for (std::size_t k = 0; k < h && k < f.mean.size(); ++k) out.mean[i * h + k] = f.mean[k];
    for (std::size_t l = 0; l < out.limits.size() && l < f.limits.size(); ++l)
      for (std::size_t k = 0; k < h && k < f.limits[l].lower.size(); ++k) {
        out.limits[l].lower[i * h + k] = f.limits[l].lower[k];
        out.limits[l].upper[i * h + k] = f.limits[l].upper[k];
      }
  }
  if (succeeded == 0) {
    out.status = first_failure;
    out.text = first_text;
  }
  return out;
}

// The conformal limits of `mean` (h values) from the h-step errors of conformal_windows origins
// horizon apart at the end of `training`; NaN limits when the training data are too short.
std::vector<Limits> ConformalAround(const Series& training, std::span<const double> mean,
                                    const Plan& plan, const CrossValidationSettings& v,
                                    std::uint32_t seed) {
  CrossValidationSettings inner;
  inner.horizon = v.horizon;
  inner.windows = v.conformal_windows;
  inner.step = v.conformal_step > 0 ? v.conformal_step : v.horizon;
  inner.refit = v.refit;
  // The inner windows need point forecasts only: no limits (no simulated paths for ETS).
  Plan points = plan;
  std::visit(
      [](auto& s) {
        s.levels.clear();
        if constexpr (requires { s.critical_value; }) s.critical_value.reset();
      },
      points.settings);
  const SeriesValidation cv = Forecasts(training, points, inner, seed);
  const std::size_t h = mean.size();
  std::vector<Limits> limits;
  if (Succeeded(cv.status)) {
    std::vector<double> errors(cv.actual.size());
    for (std::size_t j = 0; j < errors.size(); ++j) errors[j] = cv.actual[j] - cv.mean[j];
    auto widths = evaluate::ConformalHalfWidths(errors, static_cast<int>(cv.origins.size()),
                                                v.horizon, plan.levels);
    if (widths.ok()) {
      auto made = evaluate::ConformalLimits(mean, widths.value);
      if (made.ok()) return std::move(made.value);
    }
  }
  for (double level : plan.levels)
    limits.push_back({level, std::vector<double>(h, kNaN), std::vector<double>(h, kNaN)});
  return limits;
}

void Score(SeriesValidation& s, std::span<const double> values, int lag) {
  const std::size_t origins = s.origins.size(), h = static_cast<std::size_t>(s.steps);
  if (origins == 0) return;
  std::vector<evaluate::NaiveScale> scales;
  for (int o : s.origins) scales.push_back(evaluate::SeasonalNaiveScale(values.first(o), lag));
  const int io = static_cast<int>(origins), ih = s.steps;
  s.accuracy = api::Public(evaluate::AccuracyOfBlock(s.actual, s.mean, io, ih, scales).value);
  for (const auto& a : evaluate::AccuracyByStep(s.actual, s.mean, io, ih, scales).value)
    s.by_step.push_back(api::Public(a));
  // Each pair scaled by its origin's scale.
  std::vector<evaluate::NaiveScale> pair_scales(origins * h);
  for (std::size_t j = 0; j < pair_scales.size(); ++j) pair_scales[j] = scales[j / h];
  const auto intervals = [&](const std::vector<Limits>& limits) {
    std::vector<IntervalAccuracy> out;
    for (const Limits& l : limits)
      out.push_back(api::Public(
          evaluate::ScoreIntervalsScaled(s.actual, l.lower, l.upper, l.level, pair_scales).value));
    return out;
  };
  s.intervals = intervals(s.limits);
  s.conformal_intervals = intervals(s.conformal);
}

SeriesValidation Validate(const Series& series, const Plan& plan, const CrossValidationSettings& v,
                          std::uint32_t seed) {
  SeriesValidation s;
  try {
    s = Forecasts(series, plan, v, seed);
    if (v.conformal && !s.origins.empty()) {
      const std::size_t h = static_cast<std::size_t>(v.horizon);
      for (double level : plan.levels)
        s.conformal.push_back({level, std::vector<double>(s.mean.size(), kNaN),
                               std::vector<double>(s.mean.size(), kNaN)});
      for (std::size_t i = 0; i < s.origins.size(); ++i) {
        const auto mean = std::span<const double>(s.mean).subspan(i * h, h);
        if (std::isnan(mean[0])) continue;
        const auto limits =
            ConformalAround({series.id, series.values.first(s.origins[i])}, mean, plan, v, seed);
        for (std::size_t l = 0; l < limits.size(); ++l)
          for (std::size_t k = 0; k < h; ++k) {
            s.conformal[l].lower[i * h + k] = limits[l].lower[k];
            s.conformal[l].upper[i * h + k] = limits[l].upper[k];
          }
      }
    }
    if (Succeeded(s.status)) Score(s, series.values, plan.lag);
  } catch (const std::exception& e) {
    s = SeriesValidation{};
    s.id = series.id;
    s.status = Status::kEngineFailed;
    s.text = e.what();
  }
  return s;
}

PointAccuracy MeanOf(const std::vector<PointAccuracy>& records) {
  std::vector<evaluate::Accuracy> in;
  for (const PointAccuracy& a : records)
    in.push_back(
        {a.n, a.n_percent, a.me, a.mae, a.rmse, a.mpe, a.mape, a.smape, a.mase, a.rmsse, a.acf1});
  return api::Public(evaluate::MeanAccuracy(in));
}

IntervalAccuracy MeanOf(const std::vector<IntervalAccuracy>& records) {
  std::vector<evaluate::IntervalAccuracy> in;
  for (const IntervalAccuracy& a : records)
    in.push_back({a.level, a.n, a.coverage, a.interval_score, a.msis, a.mean_width});
  return api::Public(evaluate::MeanIntervalAccuracy(in));
}

void Summarise(CrossValidationResult& r, int steps, std::size_t levels, bool conformal) {
  std::vector<PointAccuracy> all;
  std::vector<std::vector<PointAccuracy>> by_step(steps);
  std::vector<std::vector<IntervalAccuracy>> intervals(levels), conformal_intervals(levels);
  for (const SeriesValidation& s : r.series) {
    if (!Succeeded(s.status) || s.origins.empty()) continue;
    all.push_back(s.accuracy);
    for (int k = 0; k < steps; ++k) by_step[k].push_back(s.by_step[k]);
    for (std::size_t l = 0; l < levels; ++l) {
      intervals[l].push_back(s.intervals[l]);
      if (conformal) conformal_intervals[l].push_back(s.conformal_intervals[l]);
    }
  }
  r.accuracy = MeanOf(all);
  for (const auto& records : by_step) r.by_step.push_back(MeanOf(records));
  for (const auto& records : intervals) r.intervals.push_back(MeanOf(records));
  if (conformal)
    for (const auto& records : conformal_intervals)
      r.conformal_intervals.push_back(MeanOf(records));
}

Plan MakePlan(const MethodSettings& settings, const CrossValidationSettings& v) {
  Plan plan{WithHorizon(settings, v.horizon), LevelsOfSettings(settings), v.lag};
  if (plan.lag == 0) plan.lag = std::max(1, PeriodOfSettings(settings));
  return plan;
}

}  // namespace

CrossValidationResult CrossValidate(std::span<const Series> series, const MethodSettings& settings,
                                    const CrossValidationSettings& validation,
                                    const Options& options) {
  return CrossValidate(series, std::span<const MethodSettings>(&settings, 1), validation, options);
}

CrossValidationResult CrossValidate(std::span<const Series> series,
                                    std::span<const MethodSettings> settings,
                                    const CrossValidationSettings& validation,
                                    const Options& options) {
  const std::size_t n = series.size();
  if (settings.empty() || (settings.size() != 1 && settings.size() != n))
    throw Error(Status::kInvalidSettings, std::to_string(settings.size()) + " settings for " +
                                              std::to_string(n) +
                                              " series: give one, or one per series");
  std::vector<Plan> plans;
  for (const MethodSettings& s : settings) {
    Check(s, validation);
    plans.push_back(MakePlan(s, validation));
    if (plans.back().levels.size() != plans.front().levels.size())
      throw Error(Status::kInvalidSettings, "every series needs the same number of levels");
  }
  CrossValidationResult result;
  result.series.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    result.series[i].id = series[i].id;
    result.series[i].status = Status::kCancelled;
    result.series[i].text = "cancelled before the series was started";
  }
  ForEachOnPool(n, options, [&](std::size_t i) {
    result.series[i] =
        Validate(series[i], plans[plans.size() == 1 ? 0 : i], validation, options.seed);
  });
  Summarise(result, validation.horizon, plans.front().levels.size(), validation.conformal);
  return result;
}

Outcome ConformalForecast(const Series& series, const MethodSettings& settings, int horizon,
                          int conformal_windows, std::uint32_t seed) {
  CrossValidationSettings v;
  v.horizon = horizon;
  v.conformal = true;
  v.conformal_windows = conformal_windows;
  Check(settings, v);
  const Plan plan = MakePlan(settings, v);
  Outcome out = FitOne(series, plan.settings, seed);
  if (!out.ok()) return out;
  std::visit(
      [&](auto& r) {
        if constexpr (std::is_base_of_v<Forecast, std::decay_t<decltype(r)>>)
          r.limits = ConformalAround(series, r.mean, plan, v, seed);
      },
      out.value);
  return out;
}

}  // namespace vordex::batch
