// Accuracy of forecasts handed in by the caller: point measures (ME, MAE, RMSE, MPE, MAPE, sMAPE,
// MASE, RMSSE, lag-1 autocorrelation of the errors), interval measures (coverage, interval score,
// MSIS) and the pinball loss of a quantile forecast.
//
// Conventions of every function here:
// - actual[i] pairs with forecast[i] (0-based, spans of one length, read only); the error is
//   e_i = actual_i - forecast_i, positive when the forecast is too low (R's forecast::accuracy).
// - NaN marks a missing value. A pair with a NaN member is left out of every mean (R's
//   na.rm = TRUE), and so is a term that is 0/0 (R makes it NaN and na.rm drops it); the count n
//   says how many terms a mean used. Infinities are values, not gaps.
// - The scaled measures divide by the in-sample errors of the seasonal naive method with lag m
//   on the training series x[0..T-1]: SeasonalNaiveScale below. R's accuracy takes m =
//   frequency(x) for seasonal data and m = 1 (the naive method) otherwise.
// - level is the nominal coverage of an interval in percent, in (0, 100); a = 1 - level / 100.
// Nothing is kept between calls; every function may run on several threads at once.
#ifndef VORDEX_EVALUATE_ACCURACY_H
#define VORDEX_EVALUATE_ACCURACY_H

#include <limits>
#include <span>

#include "evaluate/outcome.h"

namespace vordex::evaluate {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A measure's value and the number of terms its mean used (0 when the value is NaN for want of
// terms or because an argument was invalid).
struct Score {
  double value = kNaN;
  int n = 0;
};

// The point measures, with the column names R's accuracy() prints in brackets.
enum class Measure {
  kMe,     // (ME) mean error, mean e
  kMae,    // (MAE) mean absolute error, mean |e|
  kRmse,   // (RMSE) root mean squared error, sqrt(mean e^2)
  kMpe,    // (MPE) mean percentage error, mean 100 e / y
  kMape,   // (MAPE) mean absolute percentage error, mean 100 |e| / |y|
  kSmape,  // symmetric MAPE, mean 200 |e| / (|y| + |f|)
  kMase,   // (MASE) mean absolute scaled error, mean |e| / s1
  kRmsse,  // root mean squared scaled error, sqrt(mean e^2 / s2)
  kAcf1,   // (ACF1) lag-1 autocorrelation of the errors in time order
};

// The in-sample scale of the seasonal naive method with lag m on a training series x[0..T-1]:
//   mae = mean |x_t - x_{t-m}|,  mse = mean (x_t - x_{t-m})^2,  over t = m .. T-1,
// differences with a NaN member left out (R's mean(abs(diff(x, lag = m)), na.rm = TRUE)). A
// constant series gives 0, and then the scaled measures give +infinity, or NaN when every error
// is 0 too (each term |e| / 0 with e = 0 is 0/0 and left out). Too short a series (no difference)
// gives NaN with n = 0.
struct NaiveScale {
  double mae = kNaN;  // s1 of MASE and MSIS
  double mse = kNaN;  // s2 of RMSSE
  int n = 0;          // differences used
};

// The scale of training with lag m >= 1 (m < 1: NaN with n = 0).
NaiveScale SeasonalNaiveScale(std::span<const double> training, int lag);

// All point measures of one set of forecasts.
//
// Definitions and sources (y actual, f forecast, e = y - f, means over the pairs used):
// - ME, MAE, RMSE, MPE, MAPE: Hyndman and Koehler (2006), "Another look at measures of forecast
//   accuracy", International Journal of Forecasting 22, 679-688; the same values as R's
//   forecast::accuracy (test set).
// - MPE, MAPE at a zero actual: y = 0 and f != 0 gives an infinite term, so MAPE = +infinity
//   and MPE = -infinity or +infinity (NaN when both occur), as R gives; y = f = 0 is 0/0 and left
//   out, as R's na.rm leaves it out. sMAPE leaves out y = f = 0 likewise.
// - sMAPE in the form of the M3 and M4 competitions, mean 200 |y - f| / (|y| + |f|), in [0, 200]:
//   Makridakis and Hibon (2000), "The M3-Competition", IJF 16, 451-476; Makridakis, Spiliotis and
//   Assimakopoulos (2020), "The M4 Competition: 100,000 time series and 61 forecasting methods",
//   IJF 36, 54-74.
// - MASE = mean |e| / s1 (Hyndman and Koehler 2006; the M4 form with the seasonal naive scale),
//   computed as R does, mean(abs(e / s1)).
// - RMSSE = sqrt(mean e^2 / s2), the measure of the M5 competition: Makridakis, Spiliotis and
//   Assimakopoulos (2022), "M5 accuracy competition: Results, findings, and conclusions", IJF 38,
//   1346-1364 (with m = 1 there).
// - ACF1: the lag-1 autocorrelation of e_0, e_1, ... in the order given, gaps kept in place
//   (R's acf(e, lag.max = 1, na.action = na.pass), as accuracy() reports it; see Autocorrelations
//   in evaluate/diagnostics.h). NaN with fewer than two errors.
struct Accuracy {
  int n = 0;          // pairs with both values present: the terms of ME, MAE, RMSE and ACF1
  int n_percent = 0;  // terms of MPE, MAPE and sMAPE: n less the pairs with y = f = 0
  double me = kNaN;
  double mae = kNaN;
  double rmse = kNaN;
  double mpe = kNaN;
  double mape = kNaN;
  double smape = kNaN;
  double mase = kNaN;   // NaN without a scale
  double rmsse = kNaN;  // NaN without a scale
  double acf1 = kNaN;
};

// The point measures of forecast[0..h-1] against actual[0..h-1], scaled by
// SeasonalNaiveScale(training, lag); an empty training series leaves MASE and RMSSE NaN.
// Fails when actual and forecast differ in length or lag < 1.
Outcome<Accuracy> ScoreForecasts(std::span<const double> actual, std::span<const double> forecast,
                                 std::span<const double> training = {}, int lag = 1);

// As ScoreForecasts with the scale given per pair: pair i is scaled by scales[i] (scales of the
// length of actual), or every pair by scales[0] (one scale), or none (no scale: MASE and RMSSE
// NaN). Cross-validation scales each origin's errors by the scale of its own training window.
// Fails when the lengths differ or scales has another length.
Outcome<Accuracy> ScoreForecastsScaled(std::span<const double> actual,
                                       std::span<const double> forecast,
                                       std::span<const NaiveScale> scales);

// One point measure: the field of ScoreForecasts(actual, forecast, training, lag) named by
// `measure`, with its count of terms (n, or n_percent for MPE, MAPE and sMAPE, less the 0/0 terms
// of a zero scale for MASE and RMSSE). Invalid arguments give NaN with n = 0.
Score Compute(Measure measure, std::span<const double> actual, std::span<const double> forecast,
              std::span<const double> training = {}, int lag = 1);

// Interval measures of one level, over the triples (actual, lower, upper) with no NaN member.
// - coverage: the fraction of actuals inside the closed interval [lower, upper].
// - interval score (Winkler 1972; Gneiting and Raftery 2007, "Strictly proper scoring rules,
//   prediction, and estimation", JASA 102, 359-378, section 6.2), the mean over the triples of
//     (u - l) + (2 / a) (l - y) 1{y < l} + (2 / a) (y - u) 1{y > u},
//   in the units of the data; smaller is better.
// - MSIS: the mean interval score divided by the seasonal naive scale s1 of the training data
//   (Makridakis, Spiliotis and Assimakopoulos 2020, the M4 Competition's interval measure).
// Limits are taken as given: a lower limit above the upper one is not reordered.
struct IntervalAccuracy {
  double level = kNaN;  // as given, percent
  int n = 0;            // triples used
  double coverage = kNaN;
  double interval_score = kNaN;
  double msis = kNaN;        // NaN without a scale
  double mean_width = kNaN;  // mean (u - l)
};

// The interval measures of [lower[i], upper[i]] (nominal coverage `level` percent) against
// actual[i], MSIS scaled by SeasonalNaiveScale(training, lag) (empty training: MSIS NaN).
// Fails when the three spans differ in length, level is outside (0, 100) or lag < 1.
Outcome<IntervalAccuracy> ScoreIntervals(std::span<const double> actual,
                                         std::span<const double> lower,
                                         std::span<const double> upper, double level,
                                         std::span<const double> training = {}, int lag = 1);

// As ScoreIntervals with the scale per triple, as in ScoreForecastsScaled.
Outcome<IntervalAccuracy> ScoreIntervalsScaled(std::span<const double> actual,
                                               std::span<const double> lower,
                                               std::span<const double> upper, double level,
                                               std::span<const NaiveScale> scales);

// The single interval measures of ScoreIntervals; invalid arguments give NaN with n = 0.
Score Coverage(std::span<const double> actual, std::span<const double> lower,
               std::span<const double> upper);
Score IntervalScore(std::span<const double> actual, std::span<const double> lower,
                    std::span<const double> upper, double level);
Score Msis(std::span<const double> actual, std::span<const double> lower,
           std::span<const double> upper, double level, std::span<const double> training, int lag);

// The pinball (quantile) loss of forecasts q[i] of the tau-quantile, 0 < tau < 1, the mean over
// the pairs of
//   rho_tau(y - q) = tau (y - q) for y >= q,  (tau - 1) (y - q) for y < q
// (Koenker and Bassett 1978, "Regression quantiles", Econometrica 46, 33-50; the quantile score
// of Gneiting and Raftery 2007, section 6.1). At tau = 1/2 it is half the MAE. Invalid arguments
// (lengths differ, tau outside (0, 1)) give NaN with n = 0.
Score PinballLoss(std::span<const double> actual, std::span<const double> quantile, double tau);

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_ACCURACY_H
