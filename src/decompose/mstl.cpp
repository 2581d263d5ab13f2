#include "decompose/mstl.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decompose/interpolate.h"
#include "decompose/stl.h"
#include "decompose/supsmu.h"
#include "numerics/boxcox.h"

namespace vordex::decompose {

Outcome<MstlResult> Mstl(std::span<const double> y, std::span<const double> periods,
                         const MstlSettings& settings) {
  using Out = Outcome<MstlResult>;
  const std::size_t n = y.size();
  if (n == 0) return Out::Failure(Status::kTooFewObservations, "MSTL: the series is empty");
  for (double m : periods)
    if (!std::isfinite(m)) return Out::Failure(Status::kInvalidData, "MSTL: a period is not finite");
  if (settings.lambda && !std::isfinite(*settings.lambda))
    return Out::Failure(Status::kInvalidSettings, "MSTL: lambda is not finite");
  if (settings.iterate < 0) return Out::Failure(Status::kInvalidSettings, "MSTL: iterate is negative");

  MstlResult r;
  // R drops the periods with fewer than two full cycles (m >= n / 2); below 2 STL has no cycle.
  for (double m : periods)
    if (m >= 2.0 && m < static_cast<double>(n) / 2.0) r.periods.push_back(m);
  std::sort(r.periods.begin(), r.periods.end());
  const std::size_t k = r.periods.size();
  const std::vector<int>& given = settings.seasonal_windows;
  if (given.size() > 1 && given.size() < k)
    return Out::Failure(Status::kInvalidSettings, "MSTL: fewer seasonal windows than periods");

  std::vector<double> x(y.begin(), y.end());
  for (double v : y) r.missing += std::isnan(v) ? 1 : 0;
  if (r.missing > 0) {
    Outcome<std::vector<double>> filled = InterpolateMissing(y, r.periods, settings.lambda);
    if (!filled.ok()) return Out::Failure(Status::kInvalidData, "MSTL: " + filled.text);
    x = std::move(filled.value);
  }
  if (settings.lambda) x = numerics::BoxCox(x, *settings.lambda);

  std::vector<double> deseas = x;
  if (k > 0) {
    r.seasonal.assign(k, std::vector<double>(n, 0.0));
    const int passes = settings.iterate > 0 ? settings.iterate : (periods.size() == 1 ? 1 : 2);
    StlResult fit;
    for (int pass = 0; pass < passes; ++pass) {
      for (std::size_t i = 0; i < k; ++i) {
        std::vector<double>& s = r.seasonal[i];
        for (std::size_t t = 0; t < n; ++t) deseas[t] = deseas[t] + s[t];
        StlSettings stl;
        stl.seasonal_window =
            given.empty() ? 7 + 4 * static_cast<int>(i + 1) : given[given.size() == 1 ? 0 : i];
        stl.trend_window = settings.trend_window;
        if (settings.robust) {
          stl.inner = 1;
          stl.outer = 15;
        }
        Outcome<StlResult> one = Stl(deseas, r.periods[i], stl);
        if (!one.ok()) return Out::Failure(Status::kInvalidData, "MSTL: " + one.text);
        fit = std::move(one.value);
        s = std::move(fit.seasonal);
        for (std::size_t t = 0; t < n; ++t) deseas[t] = deseas[t] - s[t];
      }
    }
    r.trend = std::move(fit.trend);
  } else {
    std::vector<double> time(n);
    for (std::size_t t = 0; t < n; ++t) time[t] = static_cast<double>(t + 1);
    Outcome<std::vector<double>> smooth = SuperSmoother(time, x);
    if (!smooth.ok()) return Out::Failure(Status::kInvalidData, "MSTL: " + smooth.text);
    r.trend = std::move(smooth.value);
  }
  r.remainder.resize(n);
  for (std::size_t t = 0; t < n; ++t)
    r.remainder[t] =
        std::isnan(y[t]) ? std::numeric_limits<double>::quiet_NaN() : deseas[t] - r.trend[t];
  return Out::Success(std::move(r));
}

std::vector<double> SeasonallyAdjusted(const MstlResult& fit) {
  std::vector<double> sa(fit.trend.size());
  for (std::size_t t = 0; t < sa.size(); ++t) sa[t] = fit.trend[t] + fit.remainder[t];
  return sa;
}

std::vector<double> SeasonalSum(const MstlResult& fit) {
  std::vector<double> sum(fit.trend.size(), 0.0);
  for (const std::vector<double>& s : fit.seasonal)
    for (std::size_t t = 0; t < sum.size(); ++t) sum[t] += s[t];
  return sum;
}

std::vector<double> RepeatLastCycle(std::span<const double> seasonal, double period,
                                    std::size_t horizon) {
  if (!(period >= 1.0) || static_cast<double>(seasonal.size()) < std::floor(period)) return {};
  const std::size_t m = static_cast<std::size_t>(period);
  const std::span<const double> last = seasonal.last(m);
  std::vector<double> future(horizon);
  for (std::size_t h = 0; h < horizon; ++h) future[h] = last[h % m];
  return future;
}

std::vector<double> SeasonalForecast(const MstlResult& fit, std::size_t horizon) {
  std::vector<double> sum(horizon, 0.0);
  for (std::size_t i = 0; i < fit.seasonal.size(); ++i) {
    const std::vector<double> future = RepeatLastCycle(fit.seasonal[i], fit.periods[i], horizon);
    for (std::size_t h = 0; h < future.size(); ++h) sum[h] += future[h];
  }
  return sum;
}

}  // namespace vordex::decompose
