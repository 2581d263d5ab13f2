#include "decompose/classical.h"

#include <limits>

namespace vordex::decompose {

Outcome<ClassicalResult> ClassicalDecomposition(std::span<const double> x, int period,
                                                SeasonalForm form) {
  using Out = Outcome<ClassicalResult>;
  const int m = period;
  if (m < 2) return Out::Failure(Status::kInvalidSettings, "Classical decomposition: the period is below 2");
  if (x.size() < 2 * static_cast<std::size_t>(m))
    return Out::Failure(Status::kTooFewObservations, "Classical decomposition: fewer than two periods of data");
  const bool additive = form == SeasonalForm::kAdditive;
  const std::size_t n = x.size();
  const std::size_t um = static_cast<std::size_t>(m);
  ClassicalResult r;
  r.trend.assign(n, std::numeric_limits<double>::quiet_NaN());
  r.indices.assign(um, 0.0);
  r.adjusted.resize(n);

  // Centred moving average as a running sum; trend[t] is centred on x[t] (0-based). The order of
  // the operations is that of the exponential smoothing engine's initial states, whose results
  // are frozen bit for bit.
  const std::size_t h = um / 2;
  if (m % 2 == 1) {
    double S = 0.0;
    for (std::size_t t = 0; t < um; ++t) S += x[t];
    r.trend[h] = S / m;
    for (std::size_t t = h + 1; t + h < n; ++t) {
      S = S + (x[t + h] - x[t - h - 1]);
      r.trend[t] = S / m;
    }
  } else {
    double S = (x[um] + x[0]) * 0.5;
    for (std::size_t t = 1; t < um; ++t) S += x[t];
    r.trend[h] = S / m;
    for (std::size_t t = h + 1; t + h < n; ++t) {
      S = S + ((x[t + h - 1] + x[t + h]) - x[t - h - 1] - x[t - h]) * 0.5;
      r.trend[t] = S / m;
    }
  }

  // n >= 2m puts at least m consecutive times under the moving average: no count is zero.
  std::vector<int> count(um, 0);
  for (std::size_t t = h; t + h < n; ++t) {
    const std::size_t j = t % um;
    if (additive)
      r.indices[j] += x[t] - r.trend[t];
    else
      r.indices[j] += x[t] / r.trend[t];
    count[j] += 1;
  }
  for (std::size_t j = 0; j < um; ++j) r.indices[j] = r.indices[j] / count[j];

  double S = 0.0;
  for (double v : r.indices) S += v;
  if (additive) {
    const double shift = S / m;
    for (double& v : r.indices) v -= shift;
  } else {
    const double scale = m / S;
    for (double& v : r.indices) v *= scale;
  }

  for (std::size_t t = 0; t < n; ++t)
    r.adjusted[t] = additive ? x[t] - r.indices[t % um] : x[t] / r.indices[t % um];
  return Out::Success(std::move(r));
}

}  // namespace vordex::decompose
