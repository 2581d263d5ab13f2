#include "vordex/ets.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "api/request.h"
#include "smoothing/random.h"
#include "vordex/vordex.h"

namespace vordex::ets {
namespace {

constexpr double kMarker = -99999.0;

short Option(long value, const char* name) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw Error(0, std::string("Ets: ") + name + " does not fit a 16-bit option", {});
  return static_cast<short>(value);
}

std::vector<double> Take(const std::vector<double>& cells, std::size_t& at, long count) {
  if (count <= 0) return {};
  std::vector<double> block(cells.begin() + static_cast<long>(at),
                            cells.begin() + static_cast<long>(at) + count);
  at += static_cast<std::size_t>(count);
  return block;
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
  std::size_t at = 0;
  const auto need = [&](std::size_t count) {
    if (at + count > cells.size()) throw Error(0, "Ets: unexpected result layout", result.warnings);
  };
  need(static_cast<std::size_t>(3 * N + 3 * h));
  result.series = Take(cells, at, N);
  result.fitted = Take(cells, at, N);
  result.residuals = Take(cells, at, N);
  result.forecasts = Take(cells, at, h);
  result.lower = Take(cells, at, h);
  result.upper = Take(cells, at, h);
  result.searched = settled.search != 0;
  int error = settled.error;
  int trend = settled.trend;
  int season = settled.season;
  if (result.searched) {
    need(3);
    error = static_cast<int>(cells[at++]);
    trend = static_cast<int>(cells[at++]);
    season = static_cast<int>(cells[at++]);
  }
  result.model = {static_cast<ErrorForm>(error), static_cast<Trend>(trend),
                  static_cast<Season>(season)};
  const bool has_trend = trend > 1;
  const bool has_season = season > 1;
  need(static_cast<std::size_t>(5 + (has_trend ? 1 : 0) + (has_season ? settings.period : 0) + m +
                                5));
  result.alpha = cells[at++];
  result.beta = cells[at++];
  result.gamma = cells[at++];
  result.phi = cells[at++];
  result.initial_level = cells[at++];
  if (has_trend) result.initial_trend = cells[at++];
  if (has_season) result.initial_seasonal = Take(cells, at, settings.period);
  result.rmse_average = cells[at++];
  for (long k = 0; k < m; ++k) {
    const double v = cells[at++];
    result.rmse.push_back(std::bit_cast<std::uint64_t>(v) == std::bit_cast<std::uint64_t>(kMarker)
                              ? std::numeric_limits<double>::quiet_NaN()
                              : v);
  }
  result.sigma = cells[at++];
  result.log_likelihood = cells[at++];
  result.information_criterion = cells[at++];
  result.mape = cells[at++];
  if (at != cells.size()) throw Error(0, "Ets: unexpected result layout", result.warnings);
  return result;
}

}  // namespace vordex::ets
