#include "auto/combination.h"

#include <cmath>
#include <string>

namespace vordex::automatic {

Outcome<Forecasts> Combine(std::span<const Forecasts> parts) {
  if (parts.empty()) return Outcome<Forecasts>::Failure("no forecasts to combine");
  const std::size_t h = parts.front().mean.size();
  Forecasts out;
  out.mean.assign(h, 0.0);
  out.lower.assign(h, 0.0);
  out.upper.assign(h, 0.0);
  for (const Forecasts& part : parts) {
    if (part.mean.size() != h || part.lower.size() != h || part.upper.size() != h)
      return Outcome<Forecasts>::Failure("the forecasts to combine have different horizons");
    for (std::size_t k = 0; k < h; ++k) {
      if (!std::isfinite(part.mean[k]) || !std::isfinite(part.lower[k]) ||
          !std::isfinite(part.upper[k]))
        return Outcome<Forecasts>::Failure("a forecast to combine at horizon " +
                                           std::to_string(k + 1) + " is not a finite number");
      out.mean[k] += part.mean[k];
      out.lower[k] += part.lower[k];
      out.upper[k] += part.upper[k];
    }
  }
  const double count = static_cast<double>(parts.size());
  for (std::size_t k = 0; k < h; ++k) {
    out.mean[k] /= count;
    out.lower[k] /= count;
    out.upper[k] /= count;
  }
  return Outcome<Forecasts>::Success(std::move(out));
}

}  // namespace vordex::automatic
