// The ARIMA engine's entry.
#ifndef VORDEX_ARIMA_DRIVER_H
#define VORDEX_ARIMA_DRIVER_H

#include "arima/state.h"

namespace vordex::arima {

// Estimation methods: exact maximum likelihood from the Hannan-Rissanen starting values, or the
// best of several starts (MaxLikThorough), with the mean at its maximum-likelihood value.
inline constexpr int kExactMaximumLikelihood = 0;
inline constexpr int kThoroughMaximumLikelihood = 1;

// Runs the whole request on the state record st, which the caller has filled with validated settings, the
// observations y[1..N], the critical value and the confidence level: transform and scale,
// difference, remove the mean (mean flag), Hannan-Rissanen starting values (replaced by 0.05 each
// when not stationary or not invertible), exact maximum likelihood, the constant, forecasts
// (h > 0), and scaling back of the working series, residuals, fitted values, constant, sigma2,
// log-likelihood and AIC to the transformed scale.
// method must be kExactMaximumLikelihood or kThoroughMaximumLikelihood and validated non-zero;
// otherwise a warning box "Error in Arimalib" / "Unknown estimation method" or "Settings have not
// been validated" and 0.
// Returns 1 on success with every result in st; 0 on failure, after the failing routine's
// box. Besides the failures of the routines it calls, fails with "Error in Arimalib" /
//   "Too few observations after differencing to estimate the model"  N - nd < k + 1 + mean flag;
//   "The differenced series is identically zero: no model can be estimated".
int Arimamain(ArimaStateRecord& st, int method, int validated);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_DRIVER_H
