// Diagnostics of a model's residuals: the sample autocorrelations with their approximate bounds,
// the Ljung-Box test of no autocorrelation and the Jarque-Bera test of normality, each as R
// computes it, and Diagnose for all of them with the default lags of R's forecast package.
//
// Residuals are e[0..n-1] (0-based, read only) in time order; NaN marks a gap. Gaps stay in
// place: each lag's sum runs over the pairs with both values present, as R's acf with
// na.action = na.pass does, so a residual series with holes (a model fitted to data with missing
// values) is diagnosed without interpolation. Nothing is kept between calls.
#ifndef VORDEX_EVALUATE_DIAGNOSTICS_H
#define VORDEX_EVALUATE_DIAGNOSTICS_H

#include <span>
#include <vector>

#include "evaluate/accuracy.h"
#include "evaluate/outcome.h"

namespace vordex::evaluate {

// The sample autocorrelation function of R's acf(x, lag.max, na.action = na.pass):
// with xbar the mean of the values present and, for k = 0 .. max_lag,
//   c_k = sum (x_{t+k} - xbar)(x_t - xbar) / (n_k + k),
// the sum over the n_k pairs (t, t + k) with both values present (n_0 the number of values, so
// c_0 is the variance with divisor n_0), r_k = c_k / c_0 clamped to [-1, 1]. A lag with no pair
// gives NaN; so does every lag of a constant series (c_0 = 0).
struct Correlogram {
  std::vector<double> acf;  // r_k at index k = 0 .. max_lag (r_0 = 1 unless c_0 = 0)
  // z_{(1 + level / 100) / 2} / sqrt(n_used): the bounds +-bound that R's plot.acf draws, the
  // approximate 95% (for level 95) limits of r_k for white noise (Box and Jenkins).
  double bound = kNaN;
  int n_used = 0;  // length of the series, gaps included (R's n.used, which the bound uses)
  int n = 0;       // values present
};

// The autocorrelations of x up to lag min(max_lag, x.size() - 1) (R caps lag.max the same way).
// Fails when max_lag < 0 or level is outside (0, 100). An empty series or one without values
// gives NaN throughout.
Outcome<Correlogram> Autocorrelations(std::span<const double> x, int max_lag, double level = 95.0);

// The default number of lags of R's forecast::Acf, max(floor(10 log10 n), 2 period), capped at
// n - 1 as acf caps it; n the length including gaps. 0 for n < 2.
int DefaultAcfLags(int n, int period);

// The Ljung-Box portmanteau test (Ljung and Box 1978, "On a measure of lack of fit in time series
// models", Biometrika 65, 297-303), as R's Box.test(x, lag, type = "Ljung-Box", fitdf):
//   Q* = n (n + 2) sum_{k=1..lag} r_k^2 / (n - k),
// r_k from Autocorrelations (gaps kept in place), n the number of values present; p-value the
// chi-square upper tail of Q* with df = lag - fitdf degrees of freedom (R forms 1 - pchisq, which
// is 0 below about 1e-16; the upper tail here keeps its relative accuracy).
struct LjungBoxTest {
  double statistic = kNaN;  // Q*
  int lag = 0;
  int df = 0;  // lag - fitdf
  double p_value = kNaN;
  int n = 0;  // values present
};

// Tests x with `lag` >= 1 autocorrelations, fitdf >= 0 of them spent on estimated parameters.
// Fails when lag < 1 or fitdf < 0. Too few values (n <= lag, or lag >= x.size(), or a lag with no
// pair) give a NaN statistic; df <= 0 gives a NaN p-value (R gives 0 or 1 for df = 0 and NaN
// below it).
Outcome<LjungBoxTest> LjungBox(std::span<const double> x, int lag, int fitdf = 0);

// The number of lags forecast::checkresiduals tests by default (forecast 8.20, checkresiduals.R):
//   lag = 2 period if period > 1, else 10;  lag = min(lag, round(n / 5));  lag = max(fitdf + 3,
//   lag)
// with n the number of residuals including gaps (R's length(residuals)); n / 5 is never a tie, so
// the rounding rule does not matter.
int DefaultLjungBoxLag(int n, int period, int fitdf);

// The Jarque-Bera test of normality (Jarque and Bera 1987, "A test for normality of observations
// and regression residuals", International Statistical Review 55, 163-172), as R's
// tseries::jarque.bera.test, over the values present (that function refuses gaps):
//   with central moments m_j = sum (x - xbar)^j / n,
//   skewness = m3 / m2^(3/2), kurtosis = m4 / m2^2,
//   JB = n skewness^2 / 6 + n (kurtosis - 3)^2 / 24,
// p-value the chi-square(2) upper tail, exp(-JB / 2). NaN for fewer than two values or a constant
// series.
struct JarqueBeraTest {
  double statistic = kNaN;
  double p_value = kNaN;
  double skewness = kNaN;
  double kurtosis = kNaN;  // not in excess: 3 for the normal distribution
  int n = 0;               // values present
};
JarqueBeraTest JarqueBera(std::span<const double> x);

// Everything about one residual series, as forecast::checkresiduals reports it.
struct Diagnostics {
  int n = 0;        // residuals present
  int missing = 0;  // gaps (NaN)
  double mean = kNaN;
  double sd = kNaN;        // standard deviation with divisor n - 1
  Correlogram acf;         // lags 0 .. DefaultAcfLags(size, period)
  LjungBoxTest ljung_box;  // lag DefaultLjungBoxLag(size, period, fitdf)
  JarqueBeraTest jarque_bera;
};

// Diagnoses residuals of a model of seasonal period `period` >= 1 (1: non-seasonal) with fitdf >= 0
// estimated parameters (forecast's modeldf: the ARMA coefficients, or the smoothing parameters
// and states of an exponential smoothing model). The Ljung-Box test runs on the residuals with
// their gaps in place (checkresiduals first fills gaps by linear interpolation with
// zoo::na.approx, which drops leading and trailing gaps; the two agree without gaps).
// Fails when period < 1 or fitdf < 0.
Outcome<Diagnostics> Diagnose(std::span<const double> residuals, int period = 1, int fitdf = 0);

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_DIAGNOSTICS_H
