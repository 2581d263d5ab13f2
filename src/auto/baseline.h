// The simple forecasts the automatic methods fall back to when a series is too short for their
// models: a constant, the mean, the naive and the seasonal naive forecast (Hyndman and
// Athanasopoulos, Forecasting: principles and practice, 3rd ed., sec. 5.2 and 5.5), and the ladder
// that chooses among them.
#ifndef VORDEX_AUTO_BASELINE_H
#define VORDEX_AUTO_BASELINE_H

#include <span>
#include <string>
#include <vector>

#include "auto/outcome.h"
#include "vordex/forecast.hpp"

namespace vordex::automatic {

enum class Baseline { kConstant, kMean, kNaive, kSeasonalNaive };

// The method's name as results report it: "constant", "mean", "naive", "seasonal_naive".
const char* BaselineName(Baseline method);

// The forecasts of `method` for y (NaN for a missing value) with their limits at each level
// (normal quantiles, as R's naive, snaive; R's meanf uses Student's t instead) and fitted values
// and residuals on the observations' scale:
//  - constant: every forecast and limit the series' one observed value (sigma2 0);
//  - mean: the mean of the observed values, standard error sigma sqrt(1 + 1/n), sigma2 their
//    sample variance (divisor n - 1; 0 for one value);
//  - naive: the last observed value, standard error sigma sqrt(h), sigma2 the mean square of the
//    one-step changes y(t) - y(t-1) between observed neighbours;
//  - seasonal naive: the last observed value of the same season, standard error sigma sqrt(k),
//    k = floor((h - 1) / m) + 1, sigma2 the mean square of y(t) - y(t-m).
// Fails (kTooFewObservations) without an observed value, without a change for the naive forms, or
// for the seasonal naive without a full season; a season position never observed is forecast by
// the last observed value.
Outcome<Forecast> FitBaseline(Baseline method, std::span<const double> y, int period, int horizon,
                              const std::vector<double>& levels);

// The ladder for a series too short for a model: a series whose observed values are all equal
// gets the constant; else the seasonal naive forecast with a period above 1 and at least two full
// seasons observed, else the naive forecast when two neighbouring values are observed, else the
// mean.
Baseline ChooseBaseline(std::span<const double> y, int period);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_BASELINE_H
