#include "auto/seasonality.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "auto/unit_root.h"
#include "decompose/stl.h"
#include "numerics/distributions.h"

namespace vordex::automatic {
namespace {

bool AllFinite(std::span<const double> y) {
  return std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); });
}

// Sum of squared deviations from the mean (the variance up to a divisor common to both uses).
double SumOfSquares(const std::vector<double>& x) {
  double mean = 0.0;
  for (double v : x) mean += v;
  mean /= static_cast<double>(x.size());
  double ss = 0.0;
  for (double v : x) ss += (v - mean) * (v - mean);
  return ss;
}

}  // namespace

Outcome<double> SeasonalStrength(std::span<const double> y, int period) {
  const decompose::Outcome<decompose::StlResult> fit = decompose::Stl(y, period);
  if (!fit.ok()) return Outcome<double>::Failure(Status::kInvalidData, "Seasonal strength: " + fit.text);
  const std::vector<double>& remainder = fit.value.remainder;
  std::vector<double> detrended(remainder.size());
  for (std::size_t t = 0; t < remainder.size(); ++t)
    detrended[t] = fit.value.seasonal[t] + remainder[t];
  const double total = SumOfSquares(detrended);
  if (!(total > 0.0)) return Outcome<double>::Success(0.0);
  return Outcome<double>::Success(std::clamp(1.0 - SumOfSquares(remainder) / total, 0.0, 1.0));
}

Outcome<int> NumberOfSeasonalDifferences(std::span<const double> y, int period,
                                         const SeasonalDifferencingSettings& settings) {
  if (period < 2)
    return Outcome<int>::Failure(Status::kInvalidSettings,
                                 "Seasonal differences: the period is below 2");
  if (y.empty())
    return Outcome<int>::Failure(Status::kTooFewObservations,
                                 "Seasonal differences: the series is empty");
  if (!AllFinite(y))
    return Outcome<int>::Failure(Status::kInvalidData,
                                 "Seasonal differences: a value is not finite");
  if (settings.max_D < 0)
    return Outcome<int>::Failure(Status::kInvalidSettings,
                                 "Seasonal differences: max_D is negative");
  if (IsConstant(y) || static_cast<int>(y.size()) <= period) return Outcome<int>::Success(0);

  // A decomposition that cannot be made (too few periods) counts as no seasonality, as R's
  // nsdiffs treats a failing test.
  auto seasonal = [&](std::span<const double> x) {
    const Outcome<double> strength = SeasonalStrength(x, period);
    return strength.ok() && strength.value > settings.threshold;
  };
  std::vector<double> x(y.begin(), y.end());
  bool again = seasonal(x);
  int D = 0;
  while (again && D < settings.max_D) {
    ++D;
    for (std::size_t t = 0; t + static_cast<std::size_t>(period) < x.size(); ++t)
      x[t] = x[t + static_cast<std::size_t>(period)] - x[t];
    x.resize(x.size() - static_cast<std::size_t>(period));
    if (IsConstant(x)) break;
    again = static_cast<int>(x.size()) >= 2 * period && D < settings.max_D && seasonal(x);
  }
  return Outcome<int>::Success(D);
}

Outcome<bool> SeasonalByAutocorrelation(std::span<const double> y, int period, double level) {
  if (!AllFinite(y))
    return Outcome<bool>::Failure(Status::kInvalidData, "Seasonality test: a value is not finite");
  if (!(level > 0.0 && level < 1.0))
    return Outcome<bool>::Failure(Status::kInvalidSettings,
                                  "Seasonality test: the level is not between 0 and 1");
  const std::size_t n = y.size();
  if (period < 2 || n <= 2 * static_cast<std::size_t>(period) || IsConstant(y))
    return Outcome<bool>::Success(false);

  double mean = 0.0;
  for (double v : y) mean += v;
  mean /= static_cast<double>(n);
  auto autocovariance = [&](int k) {
    double c = 0.0;
    for (std::size_t t = static_cast<std::size_t>(k); t < n; ++t)
      c += (y[t] - mean) * (y[t - static_cast<std::size_t>(k)] - mean);
    return c / static_cast<double>(n);
  };
  const double c0 = autocovariance(0);
  double sum = 0.0;
  for (int k = 1; k < period; ++k) {
    const double r = autocovariance(k) / c0;
    sum += r * r;
  }
  const double rm = autocovariance(period) / c0;
  const double se = std::sqrt((1.0 + 2.0 * sum) / static_cast<double>(n));
  return Outcome<bool>::Success(std::fabs(rm) / se > numerics::NormalQuantile(0.5 + 0.5 * level));
}

}  // namespace vordex::automatic
