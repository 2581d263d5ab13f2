// Descriptive statistics of a series: mean, autocovariances and straight-line trend (the classical
// seasonal decomposition is decompose::ClassicalDecomposition).
//
// Series are 1-based: x[1] .. x[n] (an offset pointer such as vector(1, n).get(), or w + k for the
// sub-series w[k + 1 ..]). The routines only read their input series. Failures are reported with a
// warning box (ReportError, code 0) before the routine returns 0; nothing is written to the
// outputs on failure.
#ifndef VORDEX_NUMERICS_STATS_H
#define VORDEX_NUMERICS_STATS_H

namespace vordex::numerics {

// Sample mean of x[1..n], accumulated as the sum of x[t] / n for t = 1 .. n in order.
// n < 1: stop box "Error in Stats function GetMean" / "No. observations <= 0", returns 0.0.
double GetMean(const double* x, int n);

// Sample autocovariances of x[1..n] with divisor n at every lag: acf[k] for k = 0 .. nlags
// (acf must be valid for offsets 0 .. nlags, e.g. vector(1, nlags).get(), whose index 0 is
// storage). The mean is removed first when demean is non-zero; otherwise the series is taken
// about 0. Lags k >= n get 0. Values are covariances, not divided by acf[0].
// Returns 1; 0 after "Error in Stats function ACF()" / "No. observations or lags <= 0" (n < 1 or
// nlags < 1) or "Vector allocation failure".
int ACF(const double* x, int n, int nlags, double* acf, int demean);

// Ordinary least-squares line x[t] = intercept + slope * t for t = 1 .. n, in closed form.
// Returns 1; 0 after "Error in Stats function lineartrend()" / "No. observations <= 0" (n < 1).
// With n = 1 the slope is undefined: it is set to 0 and the intercept to x[1] (a flat line
// through the single point), and 1 is returned without a message.
int lineartrend(const double* x, int n, double* intercept, double* slope);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_STATS_H
