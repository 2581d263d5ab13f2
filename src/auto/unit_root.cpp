#include "auto/unit_root.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vordex::automatic {
namespace {

// Critical values of the level-stationarity statistic and their upper-tail probabilities
// (Kwiatkowski, Phillips, Schmidt and Shin 1992, Table 1, eta_mu).
constexpr double kCritical[] = {0.347, 0.463, 0.574, 0.739};
constexpr double kLevel[] = {0.10, 0.05, 0.025, 0.01};
// all.equal's default tolerance on the mean relative difference.
constexpr double kConstantTolerance = 1.5e-8;

bool AllFinite(std::span<const double> y) {
  return std::all_of(y.begin(), y.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

bool IsConstant(std::span<const double> y) {
  if (y.size() < 2) return true;
  double scale = 0.0;
  double spread = 0.0;
  for (double v : y) {
    scale += std::fabs(v);
    spread += std::fabs(v - y[0]);
  }
  return scale > 0.0 ? spread / scale < kConstantTolerance : spread == 0.0;
}

double KpssLevelPValue(double statistic) {
  if (statistic <= kCritical[0]) return kLevel[0];
  for (int i = 1; i < 4; ++i) {
    if (statistic <= kCritical[i]) {
      const double w = (statistic - kCritical[i - 1]) / (kCritical[i] - kCritical[i - 1]);
      return kLevel[i - 1] + w * (kLevel[i] - kLevel[i - 1]);
    }
  }
  return kLevel[3];
}

Outcome<KpssResult> Kpss(std::span<const double> y, int lags) {
  const std::size_t n = y.size();
  if (n == 0)
    return Outcome<KpssResult>::Failure(Status::kTooFewObservations,
                                        "KPSS test: the series is empty");
  if (!AllFinite(y))
    return Outcome<KpssResult>::Failure(Status::kInvalidData, "KPSS test: a value is not finite");
  if (IsConstant(y))
    return Outcome<KpssResult>::Failure(Status::kInvalidData, "KPSS test: the series is constant");

  const double dn = static_cast<double>(n);
  int l = lags >= 0 ? lags : static_cast<int>(std::trunc(3.0 * std::sqrt(dn) / 13.0));
  l = std::min<int>(l, static_cast<int>(n) - 1);

  double mean = 0.0;
  for (double v : y) mean += v;
  mean /= dn;
  std::vector<double> e(n);
  for (std::size_t t = 0; t < n; ++t) e[t] = y[t] - mean;

  double partial = 0.0;
  double eta = 0.0;
  double s2 = 0.0;
  for (std::size_t t = 0; t < n; ++t) {
    partial += e[t];
    eta += partial * partial;
    s2 += e[t] * e[t];
  }
  eta /= dn * dn;
  for (int j = 1; j <= l; ++j) {
    double cov = 0.0;
    for (std::size_t t = static_cast<std::size_t>(j); t < n; ++t) cov += e[t] * e[t - j];
    s2 += 2.0 * (1.0 - j / (l + 1.0)) * cov;
  }
  s2 /= dn;
  if (!(s2 > 0.0))
    return Outcome<KpssResult>::Failure(
        Status::kInvalidData, "KPSS test: the long-run variance estimate is not positive");

  KpssResult r;
  r.statistic = eta / s2;
  r.lags = l;
  r.p_value = KpssLevelPValue(r.statistic);
  return Outcome<KpssResult>::Success(r);
}

Outcome<int> NumberOfDifferences(std::span<const double> y, const DifferencingSettings& settings) {
  if (y.empty())
    return Outcome<int>::Failure(Status::kTooFewObservations,
                                 "Number of differences: the series is empty");
  if (!AllFinite(y))
    return Outcome<int>::Failure(Status::kInvalidData,
                                 "Number of differences: a value is not finite");
  if (settings.max_d < 0)
    return Outcome<int>::Failure(Status::kInvalidSettings,
                                 "Number of differences: max_d is negative");
  const double alpha = std::clamp(settings.alpha, 0.01, 0.10);

  std::vector<double> x(y.begin(), y.end());
  int d = 0;
  while (!IsConstant(x)) {
    const Outcome<KpssResult> test = Kpss(x);
    // A test that cannot be computed keeps the differences found so far, as R's ndiffs does.
    if (!test.ok() || !(test.value.p_value < alpha) || d >= settings.max_d) break;
    ++d;
    for (std::size_t t = 0; t + 1 < x.size(); ++t) x[t] = x[t + 1] - x[t];
    x.pop_back();
  }
  return Outcome<int>::Success(d);
}

}  // namespace vordex::automatic
