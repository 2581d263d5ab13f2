#include "evaluate/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "numerics/distributions.h"

namespace vordex::evaluate {

Outcome<Correlogram> Autocorrelations(std::span<const double> x, int max_lag, double level) {
  if (max_lag < 0) return Outcome<Correlogram>::Failure(Status::kInvalidSettings, "Number of lags below 0");
  if (!(level > 0.0 && level < 100.0))
    return Outcome<Correlogram>::Failure(Status::kInvalidSettings, "Level outside (0, 100)");
  Correlogram c;
  const int n_used = static_cast<int>(x.size());
  c.n_used = n_used;
  if (n_used == 0) return Outcome<Correlogram>::Success(c);
  const int lags = std::min(max_lag, n_used - 1);

  double sum = 0.0;
  for (double v : x) {
    if (std::isnan(v)) continue;
    sum += v;
    ++c.n;
  }
  const double mean = c.n > 0 ? sum / c.n : kNaN;

  // R's acf0 (stats/src/filter.c): each lag's sum over the complete pairs, divided by the number
  // of those pairs plus the lag, which for a series without gaps is the divisor n of every lag.
  std::vector<double> cov(lags + 1, kNaN);
  for (int k = 0; k <= lags; ++k) {
    double s = 0.0;
    int pairs = 0;
    for (int t = 0; t + k < n_used; ++t) {
      const double a = x[t + k] - mean;
      const double b = x[t] - mean;
      if (std::isnan(a) || std::isnan(b)) continue;
      s += a * b;
      ++pairs;
    }
    if (pairs > 0) cov[k] = s / (pairs + k);
  }
  c.acf.resize(lags + 1);
  for (int k = 0; k <= lags; ++k) c.acf[k] = std::clamp(cov[k] / cov[0], -1.0, 1.0);
  c.bound = numerics::NormalQuantile(0.5 + level / 200.0) / std::sqrt(static_cast<double>(n_used));
  return Outcome<Correlogram>::Success(std::move(c));
}

int DefaultAcfLags(int n, int period) {
  if (n < 2) return 0;
  const int lags = std::max(static_cast<int>(std::floor(10.0 * std::log10(n))), 2 * period);
  return std::min(lags, n - 1);
}

Outcome<LjungBoxTest> LjungBox(std::span<const double> x, int lag, int fitdf) {
  if (lag < 1) return Outcome<LjungBoxTest>::Failure(Status::kInvalidSettings, "Number of lags below 1");
  if (fitdf < 0) return Outcome<LjungBoxTest>::Failure(Status::kInvalidSettings, "Fitted degrees of freedom below 0");
  const auto acf = Autocorrelations(x, lag);
  LjungBoxTest test;
  test.lag = lag;
  test.df = lag - fitdf;
  test.n = acf.value.n;
  const double n = test.n;
  if (test.n > lag && static_cast<int>(acf.value.acf.size()) == lag + 1) {
    double q = 0.0;
    for (int k = 1; k <= lag; ++k) q += acf.value.acf[k] * acf.value.acf[k] / (n - k);
    test.statistic = n * (n + 2.0) * q;
  }
  if (test.df > 0 && !std::isnan(test.statistic))
    test.p_value = numerics::ChiSquareUpperTail(test.statistic, test.df);
  return Outcome<LjungBoxTest>::Success(test);
}

int DefaultLjungBoxLag(int n, int period, int fitdf) {
  int lag = period > 1 ? 2 * period : 10;
  lag = std::min(lag, static_cast<int>(std::lround(n / 5.0)));
  return std::max(fitdf + 3, lag);
}

JarqueBeraTest JarqueBera(std::span<const double> x) {
  JarqueBeraTest test;
  double sum = 0.0;
  for (double v : x) {
    if (std::isnan(v)) continue;
    sum += v;
    ++test.n;
  }
  if (test.n < 2) return test;
  const double n = test.n;
  const double mean = sum / n;
  double m2 = 0.0, m3 = 0.0, m4 = 0.0;
  for (double v : x) {
    if (std::isnan(v)) continue;
    const double d = v - mean;
    m2 += d * d;
    m3 += d * d * d;
    m4 += d * d * d * d;
  }
  m2 /= n;
  m3 /= n;
  m4 /= n;
  if (m2 == 0.0) return test;
  test.skewness = m3 / std::pow(m2, 1.5);
  test.kurtosis = m4 / (m2 * m2);
  test.statistic = n * test.skewness * test.skewness / 6.0 +
                   n * (test.kurtosis - 3.0) * (test.kurtosis - 3.0) / 24.0;
  test.p_value = numerics::ChiSquareUpperTail(test.statistic, 2.0);
  return test;
}

Outcome<Diagnostics> Diagnose(std::span<const double> residuals, int period, int fitdf) {
  if (period < 1) return Outcome<Diagnostics>::Failure(Status::kInvalidData, "Period below 1");
  if (fitdf < 0) return Outcome<Diagnostics>::Failure(Status::kInvalidSettings, "Fitted degrees of freedom below 0");
  Diagnostics d;
  const int size = static_cast<int>(residuals.size());
  double sum = 0.0;
  for (double v : residuals) {
    if (std::isnan(v)) continue;
    sum += v;
    ++d.n;
  }
  d.missing = size - d.n;
  if (d.n > 0) d.mean = sum / d.n;
  if (d.n > 1) {
    double ss = 0.0;
    for (double v : residuals)
      if (!std::isnan(v)) ss += (v - d.mean) * (v - d.mean);
    d.sd = std::sqrt(ss / (d.n - 1));
  }
  d.acf = Autocorrelations(residuals, DefaultAcfLags(size, period)).value;
  d.ljung_box = LjungBox(residuals, DefaultLjungBoxLag(size, period, fitdf), fitdf).value;
  d.jarque_bera = JarqueBera(residuals);
  return Outcome<Diagnostics>::Success(std::move(d));
}

}  // namespace vordex::evaluate
