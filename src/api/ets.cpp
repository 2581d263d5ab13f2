#include "vordex/ets.hpp"

#include <cmath>
#include <limits>

#include "api/outcome.h"
#include "smoothing/random.h"
#include "smoothing/run.h"

namespace vordex::ets {
namespace {

namespace engine = vordex::smoothing;

engine::Request EngineSettings(const Settings& s) {
  const std::size_t pairs = s.bounds.size();
  if (pairs != 0 && pairs != 1 && pairs != 4)
    throw Error(Status::kInvalidSettings, "Ets: give no bounds, one pair, or four pairs", {});
  engine::Request o;
  o.period = s.period;
  o.horizon = s.horizon;
  // The public component codes are the export's: trend and season one above the engine's.
  o.error = static_cast<engine::ErrorForm>(static_cast<int>(s.error));
  o.trend = static_cast<engine::Trend>(static_cast<int>(s.trend) - 1);
  o.season = static_cast<engine::Season>(static_cast<int>(s.season) - 1);
  o.disturbances = static_cast<engine::Disturbances>(static_cast<int>(s.disturbances));
  o.criterion = static_cast<engine::Criterion>(static_cast<int>(s.criterion));
  o.initialization = static_cast<engine::Initialization>(static_cast<int>(s.initialization));
  o.paths = s.paths;
  o.multisteps = s.multisteps;
  o.information_criterion =
      static_cast<engine::InformationCriterion>(static_cast<int>(s.information_criterion));
  o.transform = s.transform;
  o.search = static_cast<engine::Search>(static_cast<int>(s.search));
  o.admissible_region = s.admissible_region;
  std::vector<double> values;
  for (const Bound& b : s.bounds) values.push_back(b.lower);
  for (const Bound& b : s.bounds) values.push_back(b.upper);
  o.bounds = engine::SettleBounds(static_cast<int>(pairs), values);
  o.confidence = s.confidence;
  o.seed = engine::CallerSeed(s.seed);
  o.threads = s.threads;
  o.count_states = s.count_states;
  o.restrict_forms = s.restrict_forms;
  o.multiplicative_trend = s.multiplicative_trend;
  o.min_seasons = s.min_seasons;
  return o;
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
  const engine::Request o = EngineSettings(settings);
  engine::Outcome out = api::Checked([&] { return engine::Run(o, observations); });

  engine::Estimates& fit = out.fit;
  Result r;
  const int trend = static_cast<int>(fit.model.trend);
  const int season = static_cast<int>(fit.model.season);
  r.model = {static_cast<ErrorForm>(static_cast<int>(fit.model.error)),
             static_cast<Trend>(trend + 1), static_cast<Season>(season + 1)};
  r.searched = fit.searched;
  r.series = std::move(fit.series);
  r.fitted = std::move(fit.fitted);
  r.residuals = std::move(fit.errors);
  r.forecasts = std::move(fit.forecasts);
  r.lower = std::move(fit.lower);
  r.upper = std::move(fit.upper);
  r.alpha = fit.alpha;
  r.beta = fit.beta;
  r.gamma = fit.gamma;
  r.phi = fit.phi;
  r.initial_level = fit.initial_level;
  if (trend > 0) r.initial_trend = fit.initial_trend;
  if (season >= 1) r.initial_seasonal = std::move(fit.initial_seasonal);
  r.rmse_average = std::sqrt(fit.amse);
  // Horizons beyond the data have no forecast inside it, and no root mean squared error.
  const std::size_t n = r.series.size();
  for (std::size_t k = 1; k <= fit.mse.size(); ++k)
    r.rmse.push_back(k <= n ? std::sqrt(fit.mse[k - 1]) : std::numeric_limits<double>::quiet_NaN());
  r.sigma = fit.sigma;
  r.sigma2 = fit.sigma * fit.sigma;
  r.log_likelihood = fit.log_likelihood;
  r.information_criterion = fit.information_criterion;
  // The criterion the settings ask for is the engine's value; the others come from the same
  // log-likelihood and number of parameters.
  const double dn = static_cast<double>(n);
  const double states = 1 + (trend > 0) + (season > 0 ? settings.period - 1 : 0) + 1;
  const double k =
      1 + (trend > 0) + (trend == 3) + (season > 0) + (settings.count_states ? states : 0.0);
  const double kc = 1 + (trend > 0) + (trend == 3) + (season > 0) + states;
  const double deviance = -2.0 * fit.log_likelihood;
  r.aic = deviance + 2.0 * k;
  r.bic = deviance + k * std::log(dn);
  r.aicc = dn - kc - 1.0 > 0.0 ? deviance + 2.0 * kc + 2.0 * kc * (kc + 1.0) / (dn - kc - 1.0)
                               : std::numeric_limits<double>::infinity();
  switch (settings.information_criterion) {
    case InformationCriterion::kBic:
      r.bic = fit.information_criterion;
      break;
    case InformationCriterion::kAicc:
      r.aicc = fit.information_criterion;
      break;
    default:
      r.aic = fit.information_criterion;
      break;
  }
  r.mape = fit.mape;
  r.warnings = std::move(out.messages);
  return r;
}

}  // namespace vordex::ets
