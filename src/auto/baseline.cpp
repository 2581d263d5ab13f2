#include "auto/baseline.h"

#include <cmath>
#include <limits>

#include "numerics/distributions.h"

namespace vordex::automatic {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::size_t> Observed(std::span<const double> y) {
  std::vector<std::size_t> at;
  for (std::size_t t = 0; t < y.size(); ++t)
    if (!std::isnan(y[t])) at.push_back(t);
  return at;
}

// Mean square of y(t) - y(t - lag) over the pairs with both observed; NaN without a pair. The
// differences are also the residuals at their times.
double LaggedMeanSquare(std::span<const double> y, std::size_t lag, std::vector<double>& fitted,
                        std::vector<double>& residuals) {
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t t = lag; t < y.size(); ++t) {
    if (std::isnan(y[t]) || std::isnan(y[t - lag])) continue;
    fitted[t] = y[t - lag];
    residuals[t] = y[t] - y[t - lag];
    sum += residuals[t] * residuals[t];
    ++count;
  }
  return count > 0 ? sum / static_cast<double>(count) : kNaN;
}

}  // namespace

const char* BaselineName(Baseline method) {
  switch (method) {
    case Baseline::kConstant:
      return "constant";
    case Baseline::kMean:
      return "mean";
    case Baseline::kNaive:
      return "naive";
    case Baseline::kSeasonalNaive:
      return "seasonal_naive";
  }
  return "";
}

Outcome<Forecast> FitBaseline(Baseline method, std::span<const double> y, int period, int horizon,
                              const std::vector<double>& levels) {
  using Out = Outcome<Forecast>;
  const std::vector<std::size_t> observed = Observed(y);
  const std::string name = BaselineName(method);
  if (observed.empty())
    return Out::Failure(Status::kTooFewObservations, name + ": the series has no observed value");
  const std::size_t n = y.size();
  const int m = method == Baseline::kSeasonalNaive ? period : 1;
  Forecast f;
  f.fitted.assign(n, kNaN);
  f.residuals.assign(n, kNaN);
  f.missing = static_cast<int>(n - observed.size());
  // The point forecast and the standard-error factor of each step.
  std::vector<double> mean(static_cast<std::size_t>(std::max(horizon, 0)));
  std::vector<double> factor(mean.size(), 1.0);
  switch (method) {
    case Baseline::kConstant: {
      const double c = y[observed.front()];
      for (const std::size_t t : observed) {
        f.fitted[t] = c;
        f.residuals[t] = y[t] - c;
      }
      std::fill(mean.begin(), mean.end(), c);
      f.sigma2 = 0.0;
      break;
    }
    case Baseline::kMean: {
      double sum = 0.0;
      for (const std::size_t t : observed) sum += y[t];
      const double count = static_cast<double>(observed.size());
      const double mu = sum / count;
      double ss = 0.0;
      for (const std::size_t t : observed) {
        f.fitted[t] = mu;
        f.residuals[t] = y[t] - mu;
        ss += (y[t] - mu) * (y[t] - mu);
      }
      f.sigma2 = observed.size() > 1 ? ss / (count - 1.0) : 0.0;
      std::fill(mean.begin(), mean.end(), mu);
      std::fill(factor.begin(), factor.end(), std::sqrt(1.0 + 1.0 / count));
      break;
    }
    case Baseline::kNaive:
    case Baseline::kSeasonalNaive: {
      if (m < 1 || (method == Baseline::kSeasonalNaive && m < 2))
        return Out::Failure(Status::kInvalidSettings, name + ": the period must be at least 2");
      f.sigma2 = LaggedMeanSquare(y, static_cast<std::size_t>(m), f.fitted, f.residuals);
      if (std::isnan(f.sigma2))
        return Out::Failure(Status::kTooFewObservations, name + ": no two observed values " +
                                                             std::to_string(m) +
                                                             " apart to measure the changes by");
      // The last observed value of each season position (the last observed of all where a
      // position was never observed).
      const auto lag = static_cast<std::size_t>(m);
      std::vector<double> last(lag, y[observed.back()]);
      for (const std::size_t t : observed) last[t % lag] = y[t];
      for (std::size_t h = 0; h < mean.size(); ++h) {
        mean[h] = last[(n + h) % lag];
        factor[h] =
            std::sqrt(static_cast<double>(method == Baseline::kNaive ? h + 1 : h / lag + 1));
      }
      break;
    }
  }
  f.mean = mean;
  const double sigma = std::sqrt(f.sigma2);
  for (const double level : levels) {
    const double z = numerics::NormalQuantile(0.5 + level / 200.0);
    Limits l{level, mean, mean};
    for (std::size_t h = 0; h < mean.size(); ++h) {
      l.lower[h] -= z * sigma * factor[h];
      l.upper[h] += z * sigma * factor[h];
    }
    f.limits.push_back(std::move(l));
  }
  return Out::Success(std::move(f));
}

Baseline ChooseBaseline(std::span<const double> y, int period) {
  const std::vector<std::size_t> observed = Observed(y);
  bool constant = !observed.empty();
  for (const std::size_t t : observed) constant = constant && y[t] == y[observed.front()];
  if (constant) return Baseline::kConstant;
  if (period > 1 && observed.size() >= 2 * static_cast<std::size_t>(period))
    return Baseline::kSeasonalNaive;
  for (std::size_t t = 1; t < y.size(); ++t)
    if (!std::isnan(y[t]) && !std::isnan(y[t - 1])) return Baseline::kNaive;
  return Baseline::kMean;
}

}  // namespace vordex::automatic
