#include "vordex/ets.hpp"

#include <cmath>
#include <limits>

#include "api/common.h"
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
  // Horizons beyond the data have no forecast inside it, and no root mean squared error.
  const std::size_t n = r.series.size();
  for (std::size_t k = 1; k <= fit.mse.size(); ++k)
    r.rmse.push_back(k <= n ? std::sqrt(fit.mse[k - 1]) : std::numeric_limits<double>::quiet_NaN());
  r.sigma = fit.sigma;
  r.sigma2 = fit.sigma * fit.sigma;
  r.log_likelihood = fit.log_likelihood;
  r.information_criterion = fit.information_criterion;
  // The smoothing parameters, the initial states (level, trend, s - 1 free seasonal indices) and
  // sigma, as R's ets counts them.
  const double parameters = 1 + trend + (fit.model.trend == Trend::kDamped) + season +
                            (1 + trend + (season ? settings.period - 1 : 0)) + 1;
  api::SetInformationCriteria(r, parameters, static_cast<double>(n));
  r.mape = fit.mape;
  r.warnings = std::move(out.messages);
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

}  // namespace vordex::ets
