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

int Seasadj(const double* x, double* adj, double* seas, int n, int m, int additive, int normalise) {
  constexpr const char* kTitle = "Error in Stats function Seasadj()";
  if (m < 2) return ReportError(kTitle, "Seasonal frequency <= 1", 0);
  if (n < 2 * m) return ReportError(kTitle, "Insufficient data for this seasonal frequency", 0);
  // The counts are obtained before anything is written, so that a failure leaves the outputs
  // untouched.
  auto count = ivector(0, m);
  if (!count) return ReportError(kTitle, "Vector allocation failure", 0);

  // Centred moving average of length m (2 x m for even m, half weights at both ends), kept as a
  // running sum and stored in adj[h + 1 .. n - h].
  int h;
  if (m % 2 == 1) {
    h = (m - 1) / 2;
    double S = 0.0;
    for (int t = 1; t <= m; ++t) S += x[t];
    adj[h + 1] = S / m;
    for (int t = h + 2; t <= n - h; ++t) {
      S = S + (x[t + h] - x[t - h - 1]);
      adj[t] = S / m;
    }
  } else {
    h = m / 2;
    double S = (x[m + 1] + x[1]) * 0.5;
    for (int t = 2; t <= m; ++t) S += x[t];
    adj[h + 1] = S / m;
    for (int t = h + 2; t <= n - h; ++t) {
      S = S + ((x[t + h - 1] + x[t + h]) - x[t - h - 1] - x[t - h]) * 0.5;
      adj[t] = S / m;
    }
  }

  for (int j = 0; j < m; ++j) {
    seas[j] = 0.0;
    count[j] = 0;
  }
  for (int t = h + 1; t <= n - h; ++t) {
    const int j = (t - 1) % m;
    if (additive)
      seas[j] += x[t] - adj[t];
    else
      seas[j] += x[t] / adj[t];
    count[j] += 1;
  }
  // n >= 2m puts at least m consecutive points under the moving average, so no count is zero.
  for (int j = 0; j < m; ++j) seas[j] = seas[j] / count[j];

  if (normalise) {
    double S = 0.0;
    for (int j = 0; j < m; ++j) S += seas[j];
    if (additive) {
      const double shift = S / m;
      for (int j = 0; j < m; ++j) seas[j] -= shift;
    } else {
      const double scale = m / S;
      for (int j = 0; j < m; ++j) seas[j] *= scale;
    }
  }

  for (int t = 1; t <= n; ++t) {
    const int j = (t - 1) % m;
    adj[t] = additive ? x[t] - seas[j] : x[t] / seas[j];
  }
  return 1;
}

}  // namespace vordex::numerics
