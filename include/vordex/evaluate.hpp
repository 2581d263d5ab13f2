// Evaluation of forecasts and of fitted models: accuracy measures of forecasts against what
// happened, and diagnostics of a model's residuals, each as R's forecast package computes it.
//
// Conventions of every function here:
// - actual[i] pairs with forecast[i] (0-based spans of one length, read only); the error is
//   e = actual - forecast (R's forecast::accuracy). NaN marks a missing value: a pair with a NaN
//   member is left out of every mean (R's na.rm = TRUE), and so is a 0/0 term.
// - The scaled measures (MASE, RMSSE, MSIS) divide by the in-sample errors of the seasonal naive
//   method of lag `lag` on the training series: s1 = mean |x_t - x_{t-lag}| and
//   s2 = mean (x_t - x_{t-lag})^2. R's accuracy(f, x) takes lag = frequency(x) for seasonal data
//   and 1 otherwise. An empty training series leaves them NaN.
// - Levels are coverages in percent, in (0, 100).
// Invalid arguments (lengths that differ, lag < 1, a level or tau out of range) throw
// vordex::Error kInvalidSettings. Nothing is kept between calls; any thread may call.
#ifndef VORDEX_EVALUATE_HPP
#define VORDEX_EVALUATE_HPP

#include <limits>
#include <span>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"

namespace vordex {

// The point measures, with R's accuracy() column names in brackets. Sources: Hyndman and Koehler
// (2006), "Another look at measures of forecast accuracy", IJF 22, 679-688 (ME, MAE, RMSE, MPE,
// MAPE, MASE); sMAPE in the M3/M4 form mean 200 |e| / (|y| + |f|) (Makridakis and Hibon 2000;
// Makridakis, Spiliotis and Assimakopoulos 2020); RMSSE = sqrt(mean e^2 / s2), the M5 measure
// (Makridakis, Spiliotis and Assimakopoulos 2022).
struct PointAccuracy {
  int n = 0;          // pairs used by ME, MAE, RMSE, ACF1
  int n_percent = 0;  // terms of MPE, MAPE, sMAPE (pairs less those with y = f = 0)
  double me = std::numeric_limits<double>::quiet_NaN();     // (ME) mean e
  double mae = std::numeric_limits<double>::quiet_NaN();    // (MAE) mean |e|
  double rmse = std::numeric_limits<double>::quiet_NaN();   // (RMSE) sqrt(mean e^2)
  double mpe = std::numeric_limits<double>::quiet_NaN();    // (MPE) mean 100 e / y
  double mape = std::numeric_limits<double>::quiet_NaN();   // (MAPE) mean 100 |e| / |y|
  double smape = std::numeric_limits<double>::quiet_NaN();  // mean 200 |e| / (|y| + |f|)
  double mase = std::numeric_limits<double>::quiet_NaN();   // (MASE) mean |e| / s1
  double rmsse = std::numeric_limits<double>::quiet_NaN();  // sqrt(mean e^2 / s2)
  double acf1 = std::numeric_limits<double>::quiet_NaN();   // (ACF1) lag-1 autocorrelation of e
};

// Interval measures of one level over the triples (actual, lower, upper) without a NaN: coverage
// (share of actuals in the closed interval), the interval score (Winkler 1972; Gneiting and
// Raftery 2007, JASA 102, 359-378, section 6.2), mean of
//   (u - l) + (2 / a) (l - y) 1{y < l} + (2 / a) (y - u) 1{y > u},  a = 1 - level / 100,
// and MSIS, the interval score over s1 (the M4 competition's interval measure).
struct IntervalAccuracy {
  double level = std::numeric_limits<double>::quiet_NaN();  // percent
  int n = 0;
  double coverage = std::numeric_limits<double>::quiet_NaN();  // a fraction in [0, 1]
  double interval_score = std::numeric_limits<double>::quiet_NaN();
  double msis = std::numeric_limits<double>::quiet_NaN();
  double mean_width = std::numeric_limits<double>::quiet_NaN();
};

// The point measures of forecast against actual, scaled by the training series' seasonal naive
// errors of lag `lag`.
VORDEX_CPP_API PointAccuracy MeasureAccuracy(std::span<const double> actual,
                                             std::span<const double> forecast,
                                             std::span<const double> training = {}, int lag = 1);

// The interval measures of [lower, upper] at `level` percent against actual.
VORDEX_CPP_API IntervalAccuracy MeasureIntervals(std::span<const double> actual,
                                                 std::span<const double> lower,
                                                 std::span<const double> upper, double level,
                                                 std::span<const double> training = {},
                                                 int lag = 1);

// Everything about a result's forecasts against the actuals of times n+1 ..: the point measures
// of its mean and the interval measures of each of its levels, in its order. Actuals shorter
// than the forecasts score the first actual.size() steps; longer ones are refused.
struct AccuracyReport {
  PointAccuracy point = {};
  std::vector<IntervalAccuracy> intervals = {};
};
VORDEX_CPP_API AccuracyReport MeasureAccuracy(const Forecast& forecast,
                                              std::span<const double> actual,
                                              std::span<const double> training = {}, int lag = 1);

// The mean pinball (quantile) loss of forecasts of the tau-quantile, 0 < tau < 1:
// rho(y - q) = tau (y - q) for y >= q, (tau - 1)(y - q) below (Koenker and Bassett 1978); half the
// MAE at tau = 1/2.
VORDEX_CPP_API double PinballLoss(std::span<const double> actual, std::span<const double> quantile,
                                  double tau);

// The sample autocorrelations of R's acf(x, lag.max, na.action = na.pass) for lags 0..max_lag
// (capped at x.size() - 1), and the +-bound R's plot draws for white noise at `level` percent,
// z_{(1 + level/100)/2} / sqrt(n) with n the length including gaps.
struct Correlogram {
  std::vector<double> acf = {};  // index k: lag k
  double bound = std::numeric_limits<double>::quiet_NaN();
  int n = 0;  // values present
};
VORDEX_CPP_API Correlogram Autocorrelation(std::span<const double> x, int max_lag,
                                           double level = 95.0);

// The Ljung-Box test (Ljung and Box 1978, Biometrika 65, 297-303) as R's Box.test(x, lag,
// type = "Ljung-Box", fitdf): Q* = n (n + 2) sum_{k=1..lag} r_k^2 / (n - k), p-value the
// chi-square tail with lag - fitdf degrees of freedom (NaN when that is not positive).
struct LjungBoxTest {
  double statistic = std::numeric_limits<double>::quiet_NaN();
  int lag = 0;
  int df = 0;
  double p_value = std::numeric_limits<double>::quiet_NaN();
};
VORDEX_CPP_API LjungBoxTest LjungBox(std::span<const double> x, int lag, int fitdf = 0);

// The Jarque-Bera normality test (Jarque and Bera 1987) as tseries::jarque.bera.test over the
// values present: JB = n skewness^2 / 6 + n (kurtosis - 3)^2 / 24, p-value exp(-JB / 2).
struct NormalityTest {
  double statistic = std::numeric_limits<double>::quiet_NaN();
  double p_value = std::numeric_limits<double>::quiet_NaN();
  double skewness = std::numeric_limits<double>::quiet_NaN();
  double kurtosis = std::numeric_limits<double>::quiet_NaN();  // 3 for the normal distribution
};

// What R's forecast::checkresiduals reports about residuals: the ACF to max(floor(10 log10 n),
// 2 period) lags with its 95% bound, the Ljung-Box test with lag min(2 period or 10, n / 5),
// at least fitdf + 3, and fitdf degrees of freedom spent, and the normality test.
struct ResidualDiagnostics {
  std::vector<double> residuals = {};  // as diagnosed (NaN at gaps)
  int period = 1;
  int fitdf = 0;  // forecast's modeldf of the model
  int n = 0;      // residuals present
  int missing = 0;
  double mean = std::numeric_limits<double>::quiet_NaN();
  double sd = std::numeric_limits<double>::quiet_NaN();  // divisor n - 1
  Correlogram acf = {};
  LjungBoxTest ljung_box = {};
  NormalityTest normality = {};
};

// Diagnoses residuals of a model of seasonal period >= 1 with fitdf >= 0 estimated parameters.
VORDEX_CPP_API ResidualDiagnostics DiagnoseResiduals(std::span<const double> residuals,
                                                     int period = 1, int fitdf = 0);

// The diagnostics of a fitted model's residuals with forecast's modeldf: p + q + P + Q for ARIMA
// and ARMAX models (modeldf.Arima), the smoothing parameters and initial states for exponential
// smoothing (length(ets$par)), none for Theta and the combination.
VORDEX_CPP_API ResidualDiagnostics Diagnostics(const arima::Result& result);
VORDEX_CPP_API ResidualDiagnostics Diagnostics(const armax::Result& result);
VORDEX_CPP_API ResidualDiagnostics Diagnostics(const ets::Result& result);
VORDEX_CPP_API ResidualDiagnostics Diagnostics(const theta::Result& result);
VORDEX_CPP_API ResidualDiagnostics Diagnostics(const auto_forecast::Result& result);

}  // namespace vordex

#endif  // VORDEX_EVALUATE_HPP
