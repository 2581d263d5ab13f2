#include "vordex/auto.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>

#include "api/common.h"
#include "auto/auto_arima.h"
#include "auto/autoregression.h"
#include "auto/baseline.h"
#include "auto/combination.h"
#include "auto/harmonic.h"
#include "auto/theta.h"
#include "decompose/fourier.h"
#include "decompose/interpolate.h"
#include "decompose/mstl.h"

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

std::vector<double> SeasonalPeriods(Interval interval) {
  switch (interval) {
    case Interval::kHalfHourly:
      return {48.0, 336.0};
    case Interval::kHourly:
      return {24.0, 168.0};
    case Interval::kDaily:
      return {7.0, 365.25};
    case Interval::kWeekly:
      return {52.18};
    case Interval::kMonthly:
      return {12.0};
    case Interval::kQuarterly:
      return {4.0};
    case Interval::kYearly:
      return {};
  }
  return {};
}

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
  engine.approximation = s.approximation;
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
  // The search ran on the Box-Cox scale (a log is lambda 0, a square root 1/2), and so do the
  // model's continuations.
  r.transform = prepared.lambda ? Transform::kBoxCox : s.transform;
  r.bias_adjusted = prepared.lambda.has_value() && s.box_cox.bias_adjusted;
  api::Restore(r, prepared, s.box_cox);
  r.path.reserve(chosen.path.size());
  for (automatic::ArimaCandidate& c : chosen.path)
    r.path.push_back({c.p, c.d, c.q, c.P, c.D, c.Q, c.constant, c.aicc, std::move(c.note)});
  return r;
}

}  // namespace auto_arima

namespace theta {
namespace {

Result ToResult(automatic::ThetaResult t, int period) {
  Result r;
  r.period = period;
  r.seasonal = t.seasonal;
  r.seasonal_indices = std::move(t.seasonal_indices);
  r.alpha = t.alpha;
  r.initial_level = t.initial_level;
  r.drift = t.drift;
  r.final_level = t.final_level;
  r.observations = static_cast<int>(t.fitted.size());
  r.sigma2 = t.sigma2;
  r.fitted = std::move(t.fitted);
  r.residuals = std::move(t.residuals);
  r.mean = std::move(t.forecasts);
  r.limits = std::move(t.limits);
  return r;
}

}  // namespace

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
  Result r = ToResult(Succeeded(std::move(fitted)), s.period);
  r.missing = api::CountMissing(observations);
  r.bias_adjusted = prepared.lambda.has_value() && s.box_cox.bias_adjusted;
  api::Restore(r, prepared, s.box_cox);
  return r;
}

Result Predict(const Result& fit, int horizon, const std::vector<double>& levels) {
  if (!fit.fallback.empty())
    throw Error(Status::kInvalidSettings,
                "theta: a fallback forecast (" + fit.fallback + ") has no model to continue");
  if (horizon < 0) throw Error(Status::kInvalidSettings, "theta: the horizon must not be negative");
  api::CheckLevels("theta", levels);
  automatic::ThetaResult t;
  t.seasonal = fit.seasonal;
  t.seasonal_indices = fit.seasonal_indices;
  t.alpha = fit.alpha;
  t.final_level = fit.final_level;
  t.drift = fit.drift;
  t.sigma2 = fit.sigma2;
  // The forecasts alone go back through the transform (the fitted values already did).
  Forecast f;
  automatic::ThetaForecasts(t, fit.period, static_cast<std::size_t>(fit.observations), horizon,
                            levels, f.mean, f.limits);
  return api::WithForecasts(fit, std::move(f));
}

}  // namespace theta

namespace mstl {
namespace {

// The longest series the ARIMA engine takes: an adjusted series beyond it is modelled from its
// most recent values.
constexpr std::size_t kLongestModelled = 1000;

// R's ets(x, "ZZN") as forecast.stl calls it: errors and trend chosen (no multiplicative trend,
// the restricted combinations left out) by AICc counting the initial states and sigma, the
// initial states estimated with the parameters, R's usual bounds; additive errors only for a
// series that is not positive.
ets::Result FitSmoothing(std::span<const double> x, const Settings& s) {
  ets::Settings e;
  e.period = 1;
  e.horizon = s.horizon;
  e.levels = s.levels;
  e.error = std::all_of(x.begin(), x.end(), [](double v) { return v > 0.0; })
                ? ets::ErrorForm::kAuto
                : ets::ErrorForm::kAdditive;
  e.trend = ets::Trend::kAuto;
  e.season = ets::Season::kNone;
  e.criterion = ets::Criterion::kLikelihood;
  e.initialization = ets::Initialization::kEstimated;
  e.information_criterion = ets::InformationCriterion::kAicc;
  e.count_states = true;
  e.restrict_forms = true;
  e.multiplicative_trend = false;
  e.bounds = {{1e-4, 0.9999}, {1e-4, 0.9999}, {1e-4, 0.9999}, {0.8, 0.98}};
  e.seed = s.seed;
  e.threads = s.threads;
  return ets::Fit(x, e);
}

void CheckSettings(const Settings& s) {
  const auto refuse = [](const std::string& what) {
    throw Error(Status::kInvalidSettings, "mstl: " + what);
  };
  for (const double m : s.periods)
    if (!(std::isfinite(m) && m > 0.0)) refuse("a period must be a positive number");
  if (s.horizon < 0 || (s.adjusted == AdjustedModel::kArima && s.horizon > kMaxHorizon))
    refuse("the horizon must be 0 or more, at most " + std::to_string(kMaxHorizon) +
           " with the arima model");
  api::CheckLevels("mstl", s.levels);
  if (s.adjusted < AdjustedModel::kEts || s.adjusted > AdjustedModel::kAutoregression)
    refuse("unknown adjusted model");
  for (const int w : s.seasonal_windows)
    if (w < 3) refuse("a seasonal window must be at least 3");
  if (s.trend_window < 0) refuse("the trend window must not be negative");
  if (s.iterate < 0) refuse("iterate must not be negative");
}

// The adjusted model's forecasts, limits and fitted values (on the adjusted series' scale, fitted
// aligned with the whole series), its statistics, and its own result in `r`.
automatic::Forecasts FitAdjusted(std::span<const double> adjusted, const Settings& s, Result& r) {
  const std::size_t n = adjusted.size();
  const bool engine = s.adjusted == AdjustedModel::kArima;
  const std::size_t skip = engine && n > kLongestModelled ? n - kLongestModelled : 0;
  const std::span<const double> x = adjusted.subspan(skip);
  const Forecast* model = nullptr;
  automatic::Forecasts f;
  switch (s.adjusted) {
    case AdjustedModel::kEts:
      model = &r.smoothing.emplace(FitSmoothing(x, s));
      break;
    case AdjustedModel::kArima: {
      auto_arima::Settings a;
      a.period = 1;
      a.horizon = s.horizon;
      a.levels = s.levels;
      model = &r.arima.emplace(auto_arima::Fit(x, a));
      break;
    }
    case AdjustedModel::kTheta: {
      // The method itself, without the typed entry point's horizon bound.
      automatic::ThetaSettings t;
      t.period = 1;
      t.horizon = s.horizon;
      t.levels = s.levels;
      model = &r.theta.emplace(theta::ToResult(Succeeded(automatic::Theta(t, x)), 1));
      break;
    }
    case AdjustedModel::kAutoregression: {
      automatic::AutoregressionResult ar =
          Succeeded(automatic::Autoregression({.horizon = s.horizon, .levels = s.levels}, x));
      r.autoregression = Autoregression{ar.order, ar.mean, ar.intercept, ar.ar};
      r.sigma2 = ar.sigma2;
      f.mean = std::move(ar.forecasts);
      f.limits = std::move(ar.limits);
      f.fitted = std::move(ar.fitted);
      break;
    }
  }
  if (model != nullptr) {
    f.mean = model->mean;
    f.limits = model->limits;
    f.fitted = model->fitted;
    r.sigma2 = model->sigma2;
    r.log_likelihood = model->log_likelihood;
    r.aic = model->aic;
    r.aicc = model->aicc;
    r.bic = model->bic;
    r.warnings = model->warnings;
  }
  f.fitted.insert(f.fitted.begin(), skip, std::numeric_limits<double>::quiet_NaN());
  return f;
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckSettings(s);
  const int observed = Observed(observations);
  if (observed == 0)
    throw Error(Status::kTooFewObservations, "mstl: the series has no observed value");
  for (const double v : observations)
    if (std::isinf(v)) throw Error(Status::kInvalidData, "mstl: a value is infinite");
  Result r;
  r.adjusted = s.adjusted;
  r.missing = api::CountMissing(observations);
  if (observed < kFewestForModels) {
    static_cast<Forecast&>(r) = Fallback("mstl", observations, 1, s.horizon, s.levels);
    return r;
  }

  // Guerrero's lambda on cycles of the longest period the decomposition keeps (R's frequency of a
  // multi-seasonal series).
  const double n = static_cast<double>(observations.size());
  double longest = 1.0;
  for (const double m : s.periods)
    if (m >= 2.0 && m < n / 2.0) longest = std::max(longest, m);
  const api::Prepared prepared = api::Prepare("mstl", observations, s.transform, s.box_cox,
                                              static_cast<int>(std::lround(longest)), false);

  decompose::MstlSettings d;
  d.iterate = s.iterate;
  d.seasonal_windows = s.seasonal_windows;
  d.trend_window = s.trend_window;
  d.robust = s.robust;
  decompose::Outcome<decompose::MstlResult> split = decompose::Mstl(prepared.values, s.periods, d);
  if (!split.ok()) throw Error(split.status, std::move(split.text));
  decompose::MstlResult& fit = split.value;

  std::vector<double> adjusted = decompose::SeasonallyAdjusted(fit);
  if (r.missing > 0) adjusted = Succeeded(decompose::InterpolateMissing(adjusted, {}));
  automatic::Forecasts f = FitAdjusted(adjusted, s, r);

  const std::size_t h = f.mean.size();
  const std::vector<double> future = decompose::SeasonalForecast(fit, h);
  const std::vector<double> seasonal = decompose::SeasonalSum(fit);
  for (std::size_t k = 0; k < h; ++k) {
    f.mean[k] += future[k];
    for (Limits& l : f.limits) {
      l.lower[k] += future[k];
      l.upper[k] += future[k];
    }
  }
  const std::span<const double> x = prepared.values;
  r.residuals.resize(x.size());
  for (std::size_t t = 0; t < x.size(); ++t) {
    f.fitted[t] += seasonal[t];
    r.residuals[t] = x[t] - f.fitted[t];
  }
  r.mean = std::move(f.mean);
  r.limits = std::move(f.limits);
  r.fitted = std::move(f.fitted);
  r.periods = fit.periods;
  for (std::size_t i = 0; i < fit.periods.size(); ++i)
    r.seasonal_windows.push_back(s.seasonal_windows.empty()       ? 7 + 4 * static_cast<int>(i + 1)
                                 : s.seasonal_windows.size() == 1 ? s.seasonal_windows[0]
                                                                  : s.seasonal_windows[i]);
  r.trend = std::move(fit.trend);
  r.seasonal = std::move(fit.seasonal);
  r.remainder = std::move(fit.remainder);
  api::Restore(r, prepared, s.box_cox);
  return r;
}

}  // namespace mstl

namespace harmonic {
namespace {

void CheckSettings(const Settings& s) {
  const auto refuse = [](const std::string& what) {
    throw Error(Status::kInvalidSettings, "harmonic: " + what);
  };
  for (const double m : s.periods)
    if (!(std::isfinite(m) && m >= 2.0)) refuse("a period must be a number of at least 2");
  if (s.horizon < 0) refuse("the horizon must not be negative");
  api::CheckLevels("harmonic", s.levels);
  if (!s.orders.empty() && s.orders.size() != s.periods.size())
    refuse("give one order per period, or none");
  for (std::size_t i = 0; i < s.orders.size(); ++i)
    if (s.orders[i] < 0 || 2.0 * s.orders[i] > s.periods[i])
      refuse("an order must lie between 0 and half its period");
  if (s.max_order < 0 || s.max_p < 0 || s.max_q < 0) refuse("the bounds must not be negative");
}

}  // namespace

std::vector<int> ChooseOrders(std::span<const double> observations, std::span<const double> periods,
                              int max_order) {
  return Succeeded(automatic::ChooseFourierOrders(observations, periods, {.max_order = max_order}));
}

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckSettings(s);
  const int observed = Observed(observations);
  if (observed == 0)
    throw Error(Status::kTooFewObservations, "harmonic: the series has no observed value");
  for (const double v : observations)
    if (std::isinf(v)) throw Error(Status::kInvalidData, "harmonic: a value is infinite");
  Result r;
  r.periods = s.periods;
  if (observed < kFewestForModels) {
    static_cast<Forecast&>(r) = Fallback("harmonic", observations, 1, s.horizon, s.levels);
    r.orders.assign(s.periods.size(), 0);
    return r;
  }
  double longest = 1.0;
  for (const double m : s.periods) longest = std::max(longest, m);
  const api::Prepared prepared = api::Prepare("harmonic", observations, s.transform, s.box_cox,
                                              static_cast<int>(std::lround(longest)), false);
  r.orders = s.orders.empty() ? ChooseOrders(prepared.values, s.periods, s.max_order) : s.orders;

  auto_arima::Settings a;
  a.period = 1;
  a.horizon = s.horizon;
  a.levels = s.levels;
  a.max_p = s.max_p;
  a.max_q = s.max_q;
  a.stepwise = s.stepwise;
  a.thorough = s.thorough;
  const std::size_t n = observations.size();
  const decompose::FourierTerms past = Succeeded(decompose::Fourier(s.periods, r.orders, 1, n));
  const decompose::FourierTerms future = Succeeded(decompose::Fourier(
      s.periods, r.orders, static_cast<long>(n) + 1, static_cast<std::size_t>(s.horizon)));
  for (std::size_t j = 0; j < past.columns.size(); ++j) {
    a.regressors.Add(past.names[j], past.columns[j]);
    a.future.Add(future.names[j], future.columns[j]);
  }
  static_cast<auto_arima::Result&>(r) = auto_arima::Fit(prepared.values, a);
  r.missing = api::CountMissing(observations);
  api::Restore(r, prepared, s.box_cox);
  return r;
}

}  // namespace harmonic

namespace auto_forecast {
namespace {

// The longest single period the smoothing, ARIMA and Theta members take as a season.
constexpr double kLongestSingleSeason = 24.0;
// The seasonal route's MSTL: seasonal windows of this many cycles, and the Box-Cox parameter of
// a positive series when the settings ask for no transform (measured on M4, see the README).
constexpr int kRouteSeasonalWindow = 101;
constexpr double kRouteLambda = 0.5;

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

// The periods of at least 2 with two full cycles in n values, ascending, without repeats.
std::vector<double> KeptPeriods(const std::vector<double>& periods, std::size_t n) {
  std::vector<double> kept;
  for (const double m : periods)
    if (m >= 2.0 && m < static_cast<double>(n) / 2.0) kept.push_back(m);
  std::sort(kept.begin(), kept.end());
  kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
  return kept;
}

// The mean of the single-season methods with `period`.
void FitSingleSeason(std::span<const double> observations, const Settings& s, int period, Result& r,
                     std::vector<automatic::Forecasts>& parts) {
  r.period = period;
  r.smoothing = Attempt("ets", r.failures, [&] {
    ets::Settings e = ets::AutoSettings(period, s.horizon);
    e.levels = s.levels;
    e.transform = s.transform;
    e.box_cox = s.box_cox;
    e.seed = s.seed;
    e.threads = s.threads;
    return ets::Fit(observations, e);
  });
  r.arima = Attempt("auto_arima", r.failures, [&] {
    auto_arima::Settings a;
    a.period = period;
    a.horizon = s.horizon;
    a.levels = s.levels;
    a.transform = s.transform;
    a.box_cox = s.box_cox;
    return auto_arima::Fit(observations, a);
  });
  r.theta = Attempt("theta", r.failures, [&] {
    return theta::Fit(observations, {.period = period,
                                     .horizon = s.horizon,
                                     .levels = s.levels,
                                     .transform = s.transform,
                                     .box_cox = s.box_cox});
  });
  if (r.smoothing) parts.push_back(Part(*r.smoothing));
  if (r.arima) parts.push_back(Part(*r.arima));
  if (r.theta) parts.push_back(Part(*r.theta));
}

// The seasonal route's members with the kept periods.
void FitSeasonal(std::span<const double> observations, const Settings& s,
                 const std::vector<double>& periods, Result& r,
                 std::vector<automatic::Forecasts>& parts) {
  r.period = 1;
  r.periods = periods;
  const bool positive = std::all_of(observations.begin(), observations.end(),
                                    [](double v) { return std::isnan(v) || v > 0.0; });
  mstl::Settings m;
  m.periods = periods;
  m.horizon = s.horizon;
  m.levels = s.levels;
  m.transform = s.transform;
  m.box_cox = s.box_cox;
  if (s.transform == Transform::kNone && positive) {
    m.transform = Transform::kBoxCox;
    m.box_cox.lambda = kRouteLambda;
  }
  m.adjusted = mstl::AdjustedModel::kAutoregression;
  m.seasonal_windows = {kRouteSeasonalWindow};
  m.seed = s.seed;
  m.threads = s.threads;
  r.mstl = Attempt("mstl", r.failures, [&] { return mstl::Fit(observations, m); });
  if (r.mstl) parts.push_back(Part(*r.mstl));
  if (periods.size() > 1) return;
  // One long period (a year of weekly or daily data) gives few cycles and a seasonal shape that
  // moves: the mean with a non-seasonal automatic ARIMA, which follows the level and the trend
  // from the data alone, forecasts better than MSTL alone (M4 weekly: OWA 0.821 alone, 0.749 in
  // the mean); with several periods the seasonal components carry the forecast (M4 hourly:
  // 0.417 alone, 1.271 in the mean). Estimated from one start: the thorough re-estimation
  // doubles the time and moves the mean's OWA there by less than 0.001.
  r.arima = Attempt("auto_arima", r.failures, [&] {
    auto_arima::Settings a;
    a.period = 1;
    a.horizon = s.horizon;
    a.levels = s.levels;
    a.transform = s.transform;
    a.box_cox = s.box_cox;
    a.thorough = false;
    return auto_arima::Fit(observations, a);
  });
  if (r.arima) parts.push_back(Part(*r.arima));
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("auto_forecast", s.period, s.horizon, s.levels);
  if (s.horizon < 1)
    throw Error(Status::kInvalidSettings, "auto_forecast: the horizon must be at least 1");
  for (const double m : s.periods)
    if (!(std::isfinite(m) && m > 0.0))
      throw Error(Status::kInvalidSettings, "auto_forecast: a period must be a positive number");
  Result r;
  r.period = s.period;
  const int observed = Observed(observations);
  if (observed == 0)
    throw Error(Status::kTooFewObservations, "auto_forecast: the series has no observed value");
  for (const double v : observations)
    if (std::isinf(v)) throw Error(Status::kInvalidData, "auto_forecast: a value is infinite");

  // The route: one period up to 24 given as `period` as it always was; otherwise from the periods
  // with two full cycles in the data.
  int single = s.period;
  std::vector<double> kept;
  if (!s.periods.empty() || s.period > kLongestSingleSeason) {
    kept = KeptPeriods(
        s.periods.empty() ? std::vector<double>{static_cast<double>(s.period)} : s.periods,
        observations.size());
    single = 1;
    if (kept.size() == 1 && kept[0] == std::floor(kept[0]) && kept[0] <= kLongestSingleSeason) {
      single = static_cast<int>(kept[0]);
      kept.clear();
    }
  }
  const int ladder_period = kept.empty() ? single : static_cast<int>(kept.front());
  r.period = single;

  // A constant series needs no model: its constant, with limits of zero width; fewer than three
  // observed values are too few for any of the methods.
  if (observed < kFewestForModels ||
      automatic::ChooseBaseline(observations, ladder_period) == automatic::Baseline::kConstant) {
    static_cast<Forecast&>(r) =
        Fallback("auto_forecast", observations, ladder_period, s.horizon, s.levels);
    return r;
  }
  std::vector<automatic::Forecasts> parts;
  if (kept.empty())
    FitSingleSeason(observations, s, single, r, parts);
  else
    FitSeasonal(observations, s, kept, r, parts);

  if (parts.empty()) {
    // Too short for every method: the ladder (the members' reasons stay in `failures`).
    std::vector<std::string> failures = std::move(r.failures);
    static_cast<Forecast&>(r) =
        Fallback("auto_forecast", observations, ladder_period, s.horizon, s.levels);
    r.failures = std::move(failures);
    r.missing = api::CountMissing(observations);
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
  if (parts.size() == 1 && kept.size() <= 1) r.status = Status::kSingleMember;
  return r;
}

Result Predict(const Result& fit, int horizon, const std::vector<double>& levels,
               std::optional<std::uint32_t> seed) {
  if (!fit.fallback.empty())
    throw Error(Status::kInvalidSettings, "auto_forecast: a fallback forecast (" + fit.fallback +
                                              ") has no model to continue");
  if (fit.mstl)
    throw Error(Status::kInvalidSettings,
                "auto_forecast: the seasonal route's MSTL member has no continuation");
  if (horizon < 1)
    throw Error(Status::kInvalidSettings, "auto_forecast: the horizon must be at least 1");
  api::CheckLevels("auto_forecast", levels);
  Result r = fit;
  // The parts without fitted values: those of the fit stay.
  std::vector<automatic::Forecasts> parts;
  if (r.smoothing) {
    *r.smoothing =
        ets::ForecastFrom(*r.smoothing, horizon, levels, seed.value_or(r.smoothing->settings.seed));
    parts.push_back({r.smoothing->mean, r.smoothing->limits, {}});
  }
  if (r.arima) {
    static_cast<arima::Result&>(*r.arima) = arima::Predict(*r.arima, horizon, levels);
    parts.push_back({r.arima->mean, r.arima->limits, {}});
  }
  if (r.theta) {
    *r.theta = theta::Predict(*r.theta, horizon, levels);
    parts.push_back({r.theta->mean, r.theta->limits, {}});
  }
  if (parts.empty())
    throw Error(Status::kInvalidSettings, "auto_forecast: the combination has no member");
  automatic::Forecasts combined = Succeeded(automatic::Combine(parts));
  r.mean = std::move(combined.mean);
  r.limits = std::move(combined.limits);
  return r;
}

}  // namespace auto_forecast
}  // namespace vordex
