#include "evaluate/conformal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace vordex::evaluate {
namespace {

// The type-7 quantile of probability p of the ascending values z[0..N-1], N >= 1: with
// h = (N - 1) p, z[floor h] + (h - floor h) (z[floor h + 1] - z[floor h]) (Hyndman and Fan 1996),
// numpy's "linear" method.
double SortedQuantile7(const std::vector<double>& z, double p) {
  const double h = (static_cast<double>(z.size()) - 1.0) * p;
  const std::size_t j = static_cast<std::size_t>(std::floor(h));
  if (j + 1 >= z.size()) return z.back();
  return z[j] + (h - static_cast<double>(j)) * (z[j + 1] - z[j]);
}

}  // namespace

Outcome<ConformalWidths> ConformalHalfWidths(std::span<const double> errors, int origins, int steps,
                                             std::span<const double> levels,
                                             ConformalMethod method) {
  using Result = Outcome<ConformalWidths>;
  if (origins < 1 || steps < 1) return Result::Failure(Status::kInvalidSettings, "Origins or steps below 1");
  if (errors.size() != static_cast<std::size_t>(origins) * static_cast<std::size_t>(steps))
    return Result::Failure(Status::kInvalidSettings, "Errors: need origins x steps values");
  if (levels.empty()) return Result::Failure(Status::kInvalidSettings, "No level");
  for (double level : levels)
    if (!(level > 0.0 && level < 100.0)) return Result::Failure(Status::kInvalidSettings, "Level outside (0, 100)");

  ConformalWidths w;
  w.steps = steps;
  w.levels.assign(levels.begin(), levels.end());
  w.half_width.assign(levels.size() * static_cast<std::size_t>(steps), kNaN);
  w.scores.assign(steps, 0);
  std::vector<double> z;
  for (int h = 0; h < steps; ++h) {
    z.clear();
    for (int i = 0; i < origins; ++i) {
      const double s = std::fabs(errors[static_cast<std::size_t>(i) * steps + h]);
      if (std::isnan(s)) continue;
      z.push_back(s);
      if (method == ConformalMethod::kDistribution) z.push_back(-s);
    }
    w.scores[h] = method == ConformalMethod::kDistribution ? static_cast<int>(z.size() / 2)
                                                           : static_cast<int>(z.size());
    if (z.empty()) continue;
    std::sort(z.begin(), z.end());
    for (std::size_t k = 0; k < levels.size(); ++k) {
      const double p = method == ConformalMethod::kDistribution
                           ? 1.0 - (100.0 - levels[k]) / 200.0  // statsforecast's upper cut
                           : levels[k] / 100.0;
      w.half_width[k * steps + h] = SortedQuantile7(z, p);
    }
  }
  return Result::Success(std::move(w));
}

Outcome<std::vector<Limits>> ConformalLimits(std::span<const double> forecasts,
                                             const ConformalWidths& widths) {
  using Result = Outcome<std::vector<Limits>>;
  if (widths.steps < 0 || widths.half_width.size() != widths.levels.size() * widths.steps)
    return Result::Failure(Status::kInvalidSettings, "Half-widths: need one per level and step");
  if (forecasts.size() > static_cast<std::size_t>(widths.steps))
    return Result::Failure(Status::kInvalidSettings, "More forecasts than steps with half-widths");
  std::vector<Limits> limits(widths.levels.size());
  for (std::size_t k = 0; k < limits.size(); ++k) {
    limits[k].level = widths.levels[k];
    for (std::size_t h = 0; h < forecasts.size(); ++h) {
      const double half = widths.at(static_cast<int>(k), static_cast<int>(h));
      limits[k].lower.push_back(forecasts[h] - half);
      limits[k].upper.push_back(forecasts[h] + half);
    }
  }
  return Result::Success(std::move(limits));
}

}  // namespace vordex::evaluate
