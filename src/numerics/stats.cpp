#include "numerics/stats.h"

#include "numerics/vectors.h"

namespace vordex::numerics {

double GetMean(const double* x, int n) {
  if (n < 1) {
    FatalError("Error in Stats function GetMean", "No. observations <= 0");
    return 0.0;
  }
  // Each term is divided by n before it is added, which keeps the partial sums at the scale of
  // the data.
  double sum = 0.0;
  for (int t = 1; t <= n; ++t) sum += x[t] / n;
  return sum;
}

int ACF(const double* x, int n, int nlags, double* acf, int demean) {
  constexpr const char* kTitle = "Error in Stats function ACF()";
  if (n < 1 || nlags < 1) return ReportError(kTitle, "No. observations or lags <= 0", 0);
  const double mean = demean ? GetMean(x, n) : 0.0;
  auto y = vector(1, n);
  if (!y) return ReportError(kTitle, "Vector allocation failure", 0);
  for (int t = 1; t <= n; ++t) y[t] = x[t] - mean;
  // gamma_k = (1/n) sum_{t=1}^{n-k} y_t y_{t+k}: the divisor is n at every lag, which keeps the
  // sequence positive semi-definite.
  for (int k = 0; k <= nlags; ++k) {
    double sum = 0.0;
    for (int t = 1; t <= n - k; ++t) sum += (y[t] * y[t + k]) / n;
    acf[k] = sum;
  }
  return 1;
}

int lineartrend(const double* x, int n, double* intercept, double* slope) {
  if (n < 1)
    return ReportError("Error in Stats function lineartrend()", "No. observations <= 0", 0);
  if (n == 1) {
    // One point fixes no slope (the closed form below would give 0/0): take the flat line
    // through it, so that callers building initial states from the trend stay finite.
    *intercept = x[1];
    *slope = 0.0;
    return 1;
  }
  const double tbar = (n + 1) * 0.5;
  // sum_{t=1}^{n} (t - tbar)^2 = (n - 1) n (n + 1) / 12, written with tbar.
  const double D = (n - 1) * static_cast<double>(n) * tbar * (1.0 / 6.0);
  double ybar = 0.0;
  double sxy = 0.0;
  for (int t = 1; t <= n; ++t) ybar += x[t] / n;
  for (int t = 1; t <= n; ++t) sxy += (t - tbar) * x[t];
  *slope = sxy / D;
  *intercept = ybar - *slope * tbar;
  return 1;
}

}  // namespace vordex::numerics
