#include "arima/driver.h"

#include <algorithm>
#include <cmath>

#include "arima/estimate.h"
#include "arima/forecast.h"
#include "arima/polynomials.h"
#include "arima/prepare.h"
#include "arima/state.h"
#include "numerics/kernels/error_state.h"
#include "numerics/stats.h"
#include "numerics/vectors.h"

namespace vordex::arima {

using numerics::ReportError;

int Arimamain(ArimaStateRecord& st, int method, int validated) {
  if (method != kExactMaximumLikelihood && method != kThoroughMaximumLikelihood) {
    ReportError(kArimaTitle, "Unknown estimation method", 1);
    return 0;
  }
  if (!validated) {
    ReportError(kArimaTitle, "Settings have not been validated", 1);
    return 0;
  }
  // 1-2. Transform, scale, difference.
  if (Arimatransform(st) < 0) return 0;
  Arimadifference(st);
  const int k = st.p + st.q + st.P + st.Q;
  const int m = st.N - st.nd;
  // The likelihood needs more working observations than it has coefficients, mean and variance
  // to fit; this also keeps every sub-series below non-empty.
  if (m < k + 1 + (st.mean != 0 ? 1 : 0)) {
    ReportError(kArimaTitle, "Too few observations after differencing to estimate the model", 1);
    return 0;
  }
  // 3. Mean of the differenced series.
  st.mu = 0.0;
  if (st.mean != 0) {
    st.mu = numerics::GetMean(st.w.data() + st.nd, m);
    for (int t = st.nd + 1; t <= st.N; ++t) st.w[t] -= st.mu;
  }
  bool all_zero = true;
  for (int t = st.nd + 1; t <= st.N && all_zero; ++t) all_zero = st.w[t] == 0.0;
  if (all_zero) {
    ReportError(kArimaTitle,
                "The differenced series is identically zero: no model can be estimated", 1);
    return 0;
  }
  // 4. Clear the coefficients.
  std::fill(st.phi + 1, st.phi + kMaxP + 1, 0.0);
  std::fill(st.theta + 1, st.theta + kMaxP + 1, 0.0);
  std::fill(st.Phi + 1, st.Phi + kMaxSeasonalP + 1, 0.0);
  std::fill(st.Theta + 1, st.Theta + kMaxSeasonalP + 1, 0.0);
  std::fill(st.phistar + 1, st.phistar + kTotalOrderLimit + 1, 0.0);
  std::fill(st.thetastar + 1, st.thetastar + kTotalOrderLimit + 1, 0.0);
  // 5-6. Starting values; a start that is not stationary or not invertible is replaced.
  if (Hannan(st) < 0) return 0;
  if (Arimaadmissible(st) == 0) SetFactorCoefficients(st, kFallbackStart);
  // 7. Exact maximum likelihood; the root finder inside the kernel reports only through its
  // error state.
  kernels::KernelQuiet();
  if ((method == kThoroughMaximumLikelihood ? MaxLikThorough(st) : MaxLik(st)) < 0) return 0;
  // 8. Constant of the model on the scaled data.
  st.c = 0.0;
  if (st.mean != 0) {
    double sum = 0.0;
    for (int i = 1; i <= st.pp; ++i) sum += st.phistar[i];
    st.c = st.mu * (1.0 - sum);
  }
  // 9. Forecasts on the scaled data, scaled back and untransformed by Arimaforecast.
  if (st.h > 0 && Arimaforecast(st) < 0) return 0;
  // 10. Back to the transformed scale.
  const double lambda = st.lambda;
  std::fill(st.fitted.begin() + 1, st.fitted.begin() + 1 + st.nd, kMissing);
  for (int t = st.nd + 1; t <= st.N; ++t) {
    st.w[t] *= lambda;
    st.e[t] *= lambda;
    st.fitted[t] = st.w[t] - st.e[t];
  }
  st.c *= lambda;
  st.sigma2 *= lambda * lambda;
  // The density of the unscaled series is that of the scaled one divided by lambda^m.
  st.loglik -= m * std::log(lambda);
  st.aic += 2.0 * m * std::log(lambda);
  return 1;
}

}  // namespace vordex::arima
