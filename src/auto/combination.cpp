#include "auto/combination.h"

#include <cmath>
#include <limits>
#include <string>

namespace vordex::automatic {

Outcome<Forecasts> Combine(std::span<const Forecasts> parts) {
  using Out = Outcome<Forecasts>;
  if (parts.empty()) return Out::Failure(Status::kEngineFailed, "no forecasts to combine");
  const Forecasts& first = parts.front();
  const std::size_t h = first.mean.size();
  const std::size_t n = first.fitted.size();
  Forecasts out;
  out.mean.assign(h, 0.0);
  for (const Limits& l : first.limits)
    out.limits.push_back({l.level, std::vector<double>(h, 0.0), std::vector<double>(h, 0.0)});
  for (const Forecasts& part : parts) {
    bool same = part.mean.size() == h && part.fitted.size() == n &&
                part.limits.size() == first.limits.size();
    for (std::size_t j = 0; same && j < part.limits.size(); ++j)
      same = part.limits[j].level == first.limits[j].level && part.limits[j].lower.size() == h &&
             part.limits[j].upper.size() == h;
    if (!same)
      return Out::Failure(Status::kInvalidSettings,
                          "the forecasts to combine differ in horizon, levels or length");
    for (std::size_t k = 0; k < h; ++k) {
      bool finite = std::isfinite(part.mean[k]);
      for (const Limits& l : part.limits)
        finite = finite && std::isfinite(l.lower[k]) && std::isfinite(l.upper[k]);
      if (!finite)
        return Out::Failure(Status::kEngineFailed, "a forecast to combine at horizon " +
                                                       std::to_string(k + 1) +
                                                       " is not a finite number");
      out.mean[k] += part.mean[k];
      for (std::size_t j = 0; j < part.limits.size(); ++j) {
        out.limits[j].lower[k] += part.limits[j].lower[k];
        out.limits[j].upper[k] += part.limits[j].upper[k];
      }
    }
  }
  const double count = static_cast<double>(parts.size());
  for (std::size_t k = 0; k < h; ++k) {
    out.mean[k] /= count;
    for (Limits& l : out.limits) {
      l.lower[k] /= count;
      l.upper[k] /= count;
    }
  }
  out.fitted.assign(n, std::numeric_limits<double>::quiet_NaN());
  for (std::size_t t = 0; t < n; ++t) {
    double sum = 0.0;
    int members = 0;
    for (const Forecasts& part : parts) {
      if (std::isfinite(part.fitted[t])) {
        sum += part.fitted[t];
        ++members;
      }
    }
    if (members > 0) out.fitted[t] = sum / members;
  }
  return Out::Success(std::move(out));
}

}  // namespace vordex::automatic
