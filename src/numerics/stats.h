// Descriptive statistics of a series: mean, autocovariances, straight-line trend and classical
// seasonal decomposition.
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

// Classical decomposition with period m: a centred moving average of length m (2 x m for even m),
// seasonal indices averaged over the seasons, and the seasonally adjusted series.
//   x[1..n]      the series (read).
//   adj[1..n]    written: x[t] - seas[(t-1) mod m] (additive != 0) or x[t] / seas[(t-1) mod m]
//                (multiplicative); used as workspace for the moving average while running.
//   seas[0..m-1] written: seasonal index of the observations t with (t - 1) mod m = j.
//   normalise    non-zero: additive indices are shifted to sum to 0, multiplicative ones scaled
//                to sum to m.
// Returns 1; 0 after a warning box titled "Error in Stats function Seasadj()" with "Seasonal
// frequency <= 1" (m < 2), "Insufficient data for this seasonal frequency" (n < 2m) or "Vector
// allocation failure" (no storage for the season counts; the outputs are then left unwritten).
// A zero moving-average value in the multiplicative case gives infinite or NaN indices unchecked.
int Seasadj(const double* x, double* adj, double* seas, int n, int m, int additive, int normalise);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_STATS_H
