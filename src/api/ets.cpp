#include "vordex/ets.hpp"

#include <algorithm>

#include "api/request.h"
#include "smoothing/random.h"
#include "vordex/vordex.h"

namespace vordex::ets {
namespace {

constexpr const char* kMethod = "Ets";

short Option(long value, const char* name) {
  return api::Option(value, kMethod, name);
}

// The components as the export settles them: with too few data an open seasonality becomes
// none (and the all-components searches lose their seasonal half); a search runs when anything
// is left open or the settings ask for one.
struct Settled {
  int error;
  int trend;   // caller's codes
  int season;  // caller's codes
  int search;
};

Settled Settle(const Settings& s, long n) {
  Settled r{static_cast<int>(s.error), static_cast<int>(s.trend), static_cast<int>(s.season),
            static_cast<int>(s.search)};
  if (n < 2L * s.period && r.season == 0) {
    r.season = 1;
    if (r.search > 2) {
      r.error = 2;
      r.trend = 0;
      r.search -= 2;
    }
  }
  if (r.search == 0 && (r.error == 2 || r.trend == 0 || r.season == 0))
    r.search = 2;
  else if (r.search > 2)
    r.search -= 2;
  return r;
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& settings) {
  const long N = static_cast<long>(observations.size());
  const std::size_t pairs = settings.bounds.size();
  if (pairs != 0 && pairs != 1 && pairs != 4)
    throw Error(0, "Ets: give no bounds, one pair, or four pairs", {});
  const short options[] = {Option(N, "the number of observations"),
                           Option(settings.period, "the period"),
                           Option(settings.horizon, "the horizon"),
                           static_cast<short>(settings.error),
                           static_cast<short>(settings.trend),
                           static_cast<short>(settings.season),
                           static_cast<short>(settings.disturbances),
                           static_cast<short>(settings.criterion),
                           static_cast<short>(settings.initialization),
                           Option(settings.paths, "the number of paths"),
                           Option(settings.multisteps, "the number of multi-step horizons"),
                           static_cast<short>(settings.information_criterion),
                           static_cast<short>(settings.transform),
                           static_cast<short>(settings.search),
                           static_cast<short>(pairs),
                           static_cast<short>(settings.admissible_region ? 2 : 1)};
  std::vector<double> data;
  data.reserve(observations.size() + 1 + 2 * pairs);
  data.push_back(settings.confidence);
  data.insert(data.end(), observations.begin(), observations.end());
  for (const Bound& b : settings.bounds) data.push_back(b.lower);
  for (const Bound& b : settings.bounds) data.push_back(b.upper);

  Result result;
  std::vector<double> cells;
  if (settings.seed) {
    smoothing::ScopedSeedOverride seed(smoothing::CallerSeed(*settings.seed));
    cells = api::RunExport(&Pegelsdll, options, data, &result.warnings);
  } else {
    cells = api::RunExport(&Pegelsdll, options, data, &result.warnings);
  }

  const Settled settled = Settle(settings, N);
  const long h = std::max(settings.horizon, 0);
  const long m = settings.multisteps;
  api::CellReader reader(cells, kMethod, result.warnings);
  result.series = reader.Take(N);
  result.fitted = reader.Take(N);
  result.residuals = reader.Take(N);
  result.forecasts = reader.Take(h);
  result.lower = reader.Take(h);
  result.upper = reader.Take(h);
  result.searched = settled.search != 0;
  int error = settled.error;
  int trend = settled.trend;
  int season = settled.season;
  if (result.searched) {
    error = static_cast<int>(reader.Next());
    trend = static_cast<int>(reader.Next());
    season = static_cast<int>(reader.Next());
  }
  result.model = {static_cast<ErrorForm>(error), static_cast<Trend>(trend),
                  static_cast<Season>(season)};
  const bool has_trend = trend > 1;
  const bool has_season = season > 1;
  result.alpha = reader.Next();
  result.beta = reader.Next();
  result.gamma = reader.Next();
  result.phi = reader.Next();
  result.initial_level = reader.Next();
  if (has_trend) result.initial_trend = reader.Next();
  if (has_season) result.initial_seasonal = reader.Take(settings.period);
  result.rmse_average = reader.Next();
  // Horizons beyond the data have no root mean squared error; they come marked.
  result.rmse = api::MissingToNaN(reader.Take(m));
  result.sigma = reader.Next();
  result.log_likelihood = reader.Next();
  result.information_criterion = reader.Next();
  result.mape = reader.Next();
  if (!reader.done()) throw Error(0, "Ets: unexpected result layout", result.warnings);
  return result;
}

}  // namespace vordex::ets
