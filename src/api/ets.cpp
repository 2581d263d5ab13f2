#include "vordex/ets.hpp"

#include <cmath>
#include <limits>
#include <string>

#include "api/common.h"
#include "numerics/boxcox.h"
#include "smoothing/continue.h"
#include "smoothing/random.h"
#include "smoothing/run.h"

namespace vordex::ets {
namespace {

namespace engine = vordex::smoothing;

engine::Request EngineSettings(const Settings& s) {
  const std::size_t pairs = s.bounds.size();
  if (pairs != 0 && pairs != 1 && pairs != 4)
    throw Error(Status::kInvalidSettings, "ets: give no bounds, one pair, or four pairs");
  api::CheckLevels("ets", s.levels);
  engine::Request o;
  o.period = s.period;
  o.horizon = s.horizon;
  o.error = s.error;
  o.trend = s.trend;
  o.season = s.season;
  o.disturbances = s.disturbances;
  o.criterion = s.criterion;
  o.initialization = s.initialization;
  o.paths = s.paths;
  o.multisteps = s.multisteps;
  o.information_criterion = s.information_criterion;
  o.transform = s.transform;
  o.search = s.search;
  o.admissible_region = s.admissible_region;
  std::vector<double> values;
  for (const Bound& b : s.bounds) values.push_back(b.lower);
  for (const Bound& b : s.bounds) values.push_back(b.upper);
  o.bounds = engine::SettleBounds(static_cast<int>(pairs), values);
  o.confidence = s.levels;
  o.seed = engine::CallerSeed(s.seed);
  o.threads = api::Threads(s.threads);
  o.count_states = s.count_states;
  o.restrict_forms = s.restrict_forms;
  o.multiplicative_trend = s.multiplicative_trend;
  o.min_seasons = s.min_seasons;
  return o;
}

// x on the transformed scale back on the observations' scale.
double Restore(Transform transform, double x) {
  if (transform == Transform::kLog) return std::exp(x);
  if (transform == Transform::kSquareRoot) return std::max(x, 0.0) * std::max(x, 0.0);
  return x;
}

// The transform the engine itself applies (Box-Cox is applied before the engine).
Transform EngineTransform(Transform transform) {
  return transform == Transform::kBoxCox ? Transform::kNone : transform;
}

// A value on the engine's scale back on the transformed scale: the state of a component with a
// scale times the scale, a factor as it is.
double Unscaled(double v, double scale, bool factor) {
  return factor ? v : v * scale;
}

// The final states on the transformed scale, from the continuation.
void SetFinalStates(Result& r) {
  const Continuation& c = r.continuation;
  r.final_level = Unscaled(c.level, c.scale, false);
  r.final_trend.reset();
  if (engine::HasTrend(r.model.trend))
    r.final_trend = Unscaled(c.trend, c.scale, r.model.trend == Trend::kMultiplicative);
  r.final_seasonal.clear();
  for (const double v : c.seasonal)
    r.final_seasonal.push_back(Unscaled(v, c.scale, r.model.season == Season::kMultiplicative));
}

// The fitted model as the engine continues it; throws kInvalidSettings when the continuation does
// not fit the model.
engine::Fitted Continued(const Result& r) {
  const Continuation& c = r.continuation;
  const bool seasonal = engine::HasSeason(r.model.season);
  if ((seasonal ? static_cast<int>(c.seasonal.size()) != r.period : !c.seasonal.empty()) ||
      r.period < 1 || r.period > engine::MAXS || !(c.scale > 0.0))
    throw Error(Status::kInvalidSettings,
                "ets: the result's continuation does not match its model");
  if (r.settings.disturbances == Disturbances::kResampled && c.resampled_errors.empty())
    throw Error(Status::kInvalidSettings,
                "ets: resampled disturbances need the result's resampled errors");
  engine::Fitted f;
  f.model = r.model;
  f.period = r.period;
  f.alpha = r.alpha;
  f.beta = r.beta;
  f.gamma = r.gamma;
  f.phi = r.phi;
  f.end = c;
  f.transform = EngineTransform(r.transform);
  f.disturbances = r.settings.disturbances;
  f.paths = r.settings.paths;
  return f;
}

// Values on the transformed scale back on the observations' scale, as Fit restores its fitted
// values: the engine's transform undone, then Box-Cox's with the result's lambda.
api::Prepared PreparedOf(const Result& r) {
  api::Prepared p;
  p.lambda = r.lambda;
  p.engine_transform = EngineTransform(r.transform);
  return p;
}

}  // namespace

Settings AutoSettings(int period, int horizon) {
  Settings s;
  s.period = period;
  s.horizon = horizon;
  s.error = ErrorForm::kAuto;
  s.trend = Trend::kAuto;
  s.season = Season::kAuto;
  s.criterion = Criterion::kLikelihood;
  s.initialization = Initialization::kEstimatedForWinner;
  s.information_criterion = InformationCriterion::kAic;
  s.count_states = true;
  s.restrict_forms = true;
  s.multiplicative_trend = false;
  s.min_seasons = 2;
  return s;
}

Result Fit(std::span<const double> observations, const Settings& settings) {
  engine::Request o = EngineSettings(settings);
  const api::Prepared prepared =
      api::Prepare("ets", observations, settings.transform, settings.box_cox, settings.period);
  o.transform = prepared.engine_transform;
  engine::Outcome out = engine::Run(o, prepared.values);
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));

  engine::Estimates& fit = out.value;
  Result r;
  r.settings = settings;
  r.missing = api::CountMissing(observations);
  r.model = fit.model;
  r.period = fit.period;
  r.transform = settings.transform;
  r.searched = fit.searched;
  r.series = std::move(fit.series);
  r.fitted.reserve(fit.fitted.size());
  for (const double f : fit.fitted) r.fitted.push_back(Restore(o.transform, f));
  r.residuals = std::move(fit.errors);
  r.mean = std::move(fit.forecasts);
  r.limits = std::move(fit.limits);
  r.alpha = fit.alpha;
  r.beta = fit.beta;
  r.gamma = fit.gamma;
  r.phi = fit.phi;
  r.initial_level = fit.initial_level;
  const bool trend = engine::HasTrend(fit.model.trend);
  const bool season = engine::HasSeason(fit.model.season);
  if (trend) r.initial_trend = fit.initial_trend;
  if (season) r.initial_seasonal = std::move(fit.initial_seasonal);
  r.rmse_average = std::sqrt(fit.amse);
  // Horizons beyond the last observation have no forecast of one, and no root mean squared error.
  std::size_t last = r.series.size();
  while (last > 0 && std::isnan(r.series[last - 1])) --last;
  for (std::size_t k = 1; k <= fit.mse.size(); ++k)
    r.rmse.push_back(k <= last ? std::sqrt(fit.mse[k - 1])
                               : std::numeric_limits<double>::quiet_NaN());
  r.sigma = fit.sigma;
  r.sigma2 = fit.sigma * fit.sigma;
  r.log_likelihood = fit.log_likelihood;
  r.information_criterion = fit.information_criterion;
  // The smoothing parameters, the initial states (level, trend, s - 1 free seasonal indices) and
  // sigma, as R's ets counts them.
  const double parameters = 1 + trend + (fit.model.trend == Trend::kDamped) + season +
                            (1 + trend + (season ? settings.period - 1 : 0)) + 1;
  api::SetInformationCriteria(r, parameters, static_cast<double>(r.series.size() - r.missing));
  r.mape = fit.mape;
  r.continuation = std::move(fit.end);
  SetFinalStates(r);
  r.warnings = std::move(out.messages);
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

Result ForecastFrom(const Result& fit, int horizon, const std::vector<double>& levels,
                    std::uint32_t seed) {
  api::CheckLevels("ets", levels);
  const engine::Fitted fitted = Continued(fit);
  vordex::Outcome<engine::Forecasts> out =
      engine::ForecastFrom(fitted, horizon, levels, engine::CallerSeed(seed));
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));
  Result r = fit;
  r.settings.horizon = horizon;
  r.settings.levels = levels;
  r.settings.seed = seed;
  // Box-Cox's inverse on the forecasts alone, as Fit applies it.
  Forecast forecasts;
  forecasts.mean = std::move(out.value.mean);
  forecasts.limits = std::move(out.value.limits);
  forecasts.sigma2 = fit.sigma2;
  api::Restore(forecasts, PreparedOf(fit), fit.settings.box_cox);
  r.mean = std::move(forecasts.mean);
  r.limits = std::move(forecasts.limits);
  return r;
}

Result Update(const Result& fit, std::span<const double> new_observations) {
  if (new_observations.empty()) return fit;
  const std::size_t total = fit.series.size() + new_observations.size();
  if (total > static_cast<std::size_t>(kMaxObservations))
    throw Error(Status::kTooManyObservations,
                "ets: the series would have " + std::to_string(total) +
                    " values, more than the limit of " + std::to_string(kMaxObservations));
  const engine::Fitted fitted = Continued(fit);
  // Box-Cox with the fit's lambda; the engine applies its own transforms.
  std::vector<double> transformed;
  std::span<const double> values = new_observations;
  if (fit.lambda) {
    for (const double v : new_observations)
      if (*fit.lambda <= 0.0 && v <= 0.0)
        throw Error(Status::kInvalidData,
                    "ets: a Box-Cox transform with lambda <= 0 needs positive observations");
    transformed = numerics::BoxCox(new_observations, *fit.lambda);
    values = transformed;
  }
  vordex::Outcome<engine::Filtered> out = engine::Filter(fitted, values);
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));
  engine::Filtered& filtered = out.value;

  Result r = fit;
  r.series.insert(r.series.end(), filtered.series.begin(), filtered.series.end());
  r.residuals.insert(r.residuals.end(), filtered.errors.begin(), filtered.errors.end());
  // The new fitted values back on the observations' scale, as Fit's.
  Forecast fitted_values;
  fitted_values.sigma2 = fit.sigma2;
  for (const double f : filtered.fitted)
    fitted_values.fitted.push_back(Restore(fitted.transform, f));
  api::Restore(fitted_values, PreparedOf(fit), fit.settings.box_cox);
  r.fitted.insert(r.fitted.end(), fitted_values.fitted.begin(), fitted_values.fitted.end());
  r.missing += api::CountMissing(new_observations);
  r.continuation = std::move(filtered.end);
  SetFinalStates(r);
  return ForecastFrom(r, r.settings.horizon, r.settings.levels, r.settings.seed);
}

}  // namespace vordex::ets
