#include "auto/theta.h"

#include <algorithm>
#include <cmath>

#include "auto/seasonality.h"
#include "decompose/classical.h"
#include "decompose/interpolate.h"
#include "numerics/distributions.h"
#include "smoothing/ses.h"

namespace vordex::automatic {
namespace {

// thetaf's guard against seasonal indices too close to zero to divide by.
constexpr double kSmallestIndex = 1e-4;

}  // namespace

Outcome<ThetaResult> Theta(const ThetaSettings& settings, std::span<const double> observed) {
  using Out = Outcome<ThetaResult>;
  const std::size_t n = observed.size();
  const auto missing = static_cast<std::size_t>(
      std::count_if(observed.begin(), observed.end(), [](double v) { return std::isnan(v); }));
  if (n - missing < 3)
    return Out::Failure(Status::kTooFewObservations, "Theta: fewer than 3 observed values");
  for (double v : observed)
    if (std::isinf(v)) return Out::Failure(Status::kInvalidData, "Theta: a value is infinite");
  // The method cannot skip a gap: missing values are filled first (as R's na.interp).
  std::vector<double> filled;
  if (missing > 0) {
    const double periods[1] = {static_cast<double>(settings.period)};
    Outcome<std::vector<double>> interpolated = decompose::InterpolateMissing(
        observed,
        settings.period > 1 ? std::span<const double>(periods) : std::span<const double>());
    if (!interpolated.ok()) return Out::Failure(interpolated.status, "Theta: " + interpolated.text);
    filled = std::move(interpolated.value);
  }
  const std::span<const double> y = missing > 0 ? std::span<const double>(filled) : observed;
  if (settings.period < 1)
    return Out::Failure(Status::kInvalidSettings, "Theta: the period is below 1");
  if (settings.horizon < 0)
    return Out::Failure(Status::kInvalidSettings, "Theta: the horizon is negative");
  if (!std::all_of(settings.levels.begin(), settings.levels.end(),
                   [](double level) { return level > 0.0 && level < 100.0; }))
    return Out::Failure(Status::kInvalidSettings, "Theta: the level is not between 0 and 100");
  const Outcome<bool> test =
      SeasonalByAutocorrelation(y, settings.period, settings.seasonality_level);
  if (!test.ok()) return Out::Failure(test.status, "Theta: " + test.text);

  const int m = settings.period;
  ThetaResult r;
  std::vector<double> x(y.begin(), y.end());
  const bool positive = std::all_of(y.begin(), y.end(), [](double v) { return v > 0.0; });
  if (test.value && positive) {
    // The test found seasonality, so n > 2m and the decomposition has what it needs.
    std::vector<double> index =
        decompose::ClassicalDecomposition(y, m, decompose::SeasonalForm::kMultiplicative)
            .value.indices;
    if (std::all_of(index.begin(), index.end(),
                    [](double v) { return std::fabs(v) >= kSmallestIndex; })) {
      r.seasonal = true;
      r.seasonal_indices = std::move(index);
      for (std::size_t t = 0; t < n; ++t)
        x[t] /= r.seasonal_indices[t % static_cast<std::size_t>(m)];
    }
  }
  auto index_at = [&](std::size_t t) {  // index of time t + 1 (0-based t)
    return r.seasonal ? r.seasonal_indices[t % static_cast<std::size_t>(m)] : 1.0;
  };

  const Outcome<smoothing::SesFit> ses = smoothing::FitSes(x);
  if (!ses.ok()) return Out::Failure(ses.status, "Theta: " + ses.text);
  r.alpha = std::max(1e-10, ses.value.alpha);
  r.initial_level = ses.value.initial_level;
  r.sigma2 = ses.value.sse / static_cast<double>(n - 2);

  // Least-squares slope of x on t (any origin).
  const double dn = static_cast<double>(n);
  const double tbar = (dn - 1.0) / 2.0;
  double xbar = 0.0;
  for (double v : x) xbar += v;
  xbar /= dn;
  double sxy = 0.0;
  double sxx = 0.0;
  for (std::size_t t = 0; t < n; ++t) {
    sxy += (static_cast<double>(t) - tbar) * (x[t] - xbar);
    sxx += (static_cast<double>(t) - tbar) * (static_cast<double>(t) - tbar);
  }
  r.drift = 0.5 * sxy / sxx;

  r.fitted.resize(n);
  r.residuals.resize(n);
  for (std::size_t t = 0; t < n; ++t) {
    r.fitted[t] = ses.value.fitted[t] * index_at(t);
    r.residuals[t] = observed[t] - r.fitted[t];  // NaN where the value was missing
  }

  r.final_level = ses.value.final_level;
  ThetaForecasts(r, m, n, settings.horizon, settings.levels, r.forecasts, r.limits);
  return Out::Success(std::move(r));
}

void ThetaForecasts(const ThetaResult& fit, int period, std::size_t n, int horizon,
                    const std::vector<double>& levels, std::vector<double>& forecasts,
                    std::vector<Limits>& limits) {
  const auto m = static_cast<std::size_t>(period);
  auto index_at = [&](std::size_t t) {  // index of time t + 1 (0-based t)
    return fit.seasonal ? fit.seasonal_indices[t % m] : 1.0;
  };
  forecasts.clear();
  limits.clear();
  for (const double level : levels) limits.push_back(Limits{level, {}, {}});
  const double alpha = fit.alpha;
  const double start = (1.0 - std::pow(1.0 - alpha, static_cast<double>(n))) / alpha;
  for (int h = 1; h <= horizon; ++h) {
    const double s = index_at(n + static_cast<std::size_t>(h) - 1);
    const double f = (fit.final_level + fit.drift * ((h - 1) + start)) * s;
    const double se = std::sqrt(fit.sigma2 * (1.0 + (h - 1) * alpha * alpha)) * s;
    forecasts.push_back(f);
    for (Limits& l : limits) {
      const double z = numerics::NormalQuantile(0.5 + l.level / 200.0);
      l.lower.push_back(f - z * se);
      l.upper.push_back(f + z * se);
    }
  }
}

}  // namespace vordex::automatic
