#include "auto/autoregression.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numerics/distributions.h"
#include "numerics/kernels/drlse.h"
#include "numerics/kernels/error_state.h"

namespace vordex::automatic {

Outcome<AutoregressionResult> Autoregression(const AutoregressionSettings& settings,
                                             std::span<const double> x) {
  using Out = Outcome<AutoregressionResult>;
  const int n = static_cast<int>(x.size());
  if (n < 3) return Out::Failure(Status::kTooFewObservations, "AR: fewer than 3 values");
  if (!std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); }))
    return Out::Failure(Status::kInvalidData, "AR: a value is not finite");
  if (settings.horizon < 0) return Out::Failure(Status::kInvalidSettings, "AR: negative horizon");
  for (const double level : settings.levels)
    if (!(level > 0.0 && level < 100.0))
      return Out::Failure(Status::kInvalidSettings, "AR: a level is not between 0 and 100");
  // R's default order.max.
  const int max_order = settings.max_order >= 0
                            ? settings.max_order
                            : std::min(n - 1, static_cast<int>(std::floor(10.0 * std::log10(n))));
  if (max_order >= n)
    return Out::Failure(Status::kInvalidSettings, "AR: the highest order must be below n");

  AutoregressionResult r;
  for (const double v : x) r.mean += v;
  r.mean /= n;
  std::vector<double> z(x.begin(), x.end());
  for (double& v : z) v -= r.mean;

  // Each order on its own sample t = p .. n-1 (0-based); the lags as the columns of X.
  double best = std::numeric_limits<double>::infinity();
  std::vector<double> X;
  std::vector<double> b;
  for (int p = 0; p <= max_order; ++p) {
    const int rows = n - p;
    X.assign(static_cast<std::size_t>(rows) * std::max(p, 1), 0.0);
    for (int j = 0; j < p; ++j)
      for (int i = 0; i < rows; ++i)
        X[static_cast<std::size_t>(j) * rows + i] = z[static_cast<std::size_t>(p + i - j - 1)];
    b.assign(static_cast<std::size_t>(p) + 1, 0.0);
    double sst = 0.0;
    double sse = 0.0;
    kernels::ClearKernelError();
    kernels::DRLSE(rows, z.data() + p, p, X.data(), rows, 1, b.data(), sst, sse);
    // Dependent lags (a series that is constant or periodic without noise): R stops the orders
    // here and keeps the best of those before.
    if (kernels::N1RTY(0) != kernels::kNone) break;
    const double sigma2 = sse / rows;
    const double aic = n * std::log(sigma2) + 2.0 * (p + 1);
    if (aic < best) {
      best = aic;
      r.order = p;
      r.intercept = b[0];
      r.ar.assign(b.begin() + 1, b.end());
      r.sigma2 = sigma2;
      r.aic = aic;
    }
  }
  kernels::ClearKernelError();

  const int p = r.order;
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  r.fitted.assign(static_cast<std::size_t>(n), kNaN);
  r.residuals.assign(static_cast<std::size_t>(n), kNaN);
  for (int t = p; t < n; ++t) {
    double f = r.intercept;
    for (int j = 1; j <= p; ++j) f += r.ar[j - 1] * z[static_cast<std::size_t>(t - j)];
    r.fitted[t] = f + r.mean;
    r.residuals[t] = x[t] - r.fitted[t];
  }

  const int h = settings.horizon;
  // psi_0 = 1, psi_k = sum_{j=1..min(k,p)} phi_j psi_{k-j}: the MA(infinity) weights.
  std::vector<double> psi(static_cast<std::size_t>(std::max(h, 1)), 0.0);
  psi[0] = 1.0;
  for (int k = 1; k < h; ++k)
    for (int j = 1; j <= std::min(k, p); ++j) psi[k] += r.ar[j - 1] * psi[k - j];
  for (const double level : settings.levels) r.limits.push_back(Limits{level, {}, {}});
  double variance = 0.0;
  for (int k = 0; k < h; ++k) {
    double f = r.intercept;
    for (int j = 1; j <= p; ++j) f += r.ar[j - 1] * z[z.size() - static_cast<std::size_t>(j)];
    z.push_back(f);
    r.forecasts.push_back(f + r.mean);
    variance += r.sigma2 * psi[k] * psi[k];
    const double se = std::sqrt(variance);
    for (Limits& limits : r.limits) {
      const double q = numerics::NormalQuantile(0.5 + limits.level / 200.0);
      limits.lower.push_back(r.forecasts.back() - q * se);
      limits.upper.push_back(r.forecasts.back() + q * se);
    }
  }
  return Out::Success(std::move(r));
}

}  // namespace vordex::automatic
