// Rolling-origin cross-validation of any method over many series: forecasts from several origins
// of each series, scored against what followed, with the measures of vordex/evaluate.hpp per
// series and per step, and split-conformal limits from cross-validated errors.
//
// Between re-estimations a model is continued, not refitted: ARIMA models (and automatic ARIMA's
// choice) filter the new observations through their Kalman filter with the same estimates
// (arima::Update), exponential smoothing runs its recursion on with the same parameters
// (ets::Update); the other methods are refitted at every origin. Every series runs with
// SeriesSeed(seed, id), as FitMany runs it, so the results are identical bit for bit for any
// number of threads, order or partition of the series.
#ifndef VORDEX_CROSS_VALIDATION_HPP
#define VORDEX_CROSS_VALIDATION_HPP

#include <span>
#include <string>
#include <vector>

#include "vordex/batch.hpp"
#include "vordex/evaluate.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"

namespace vordex::batch {

struct CrossValidationSettings {
  int horizon = kDefaultHorizon;  // steps forecast from each origin, >= 1 (replaces the method's)
  // The last `windows` >= 1 origins, `step` >= 1 apart, the last one `horizon` before the end
  // (statsforecast's n_windows and step_size) ...
  int windows = 3;
  int step = 1;
  // ... or, when initial >= 1, every origin initial, initial + step, ... up to n - 1 (R's
  // tsCV(initial = initial - 1) for step 1): forecasts beyond the data get NaN actuals.
  int initial = 0;
  // Re-estimate at the first window and every refit-th after it (1: every window, as R's tsCV;
  // 0: the first only); in between the fitted model is continued with the new observations.
  int refit = 1;
  // Also give split-conformal limits at each origin (statsforecast's ConformalIntervals with
  // h = horizon and n_windows = conformal_windows): the absolute errors of the h-step forecasts
  // of conformal_windows >= 1 origins horizon apart inside the training data, each step's
  // half-width their quantile (evaluation room, conformal_distribution).
  bool conformal = false;
  int conformal_windows = 3;
  // Observations between those origins; 0: horizon (statsforecast). A step of 1 gives more
  // scores from short series (overlapping windows).
  int conformal_step = 0;
  // The lag of the seasonal naive scale of MASE, RMSSE and MSIS; 0: the method's period.
  int lag = 0;
};

// One series' cross-validation. The blocks hold origins x steps values row-major: index
// i * steps + h for the (h + 1)-step forecast from origin i.
struct SeriesValidation {
  std::string id = {};
  Status status = Status::kOk;  // kOk, or why no origin could be forecast
  std::string text = {};        // the reason when failed
  int steps = 0;
  // The forecast origins: observations in each training window (the forecasts are of times
  // origin + 1 .. origin + steps, 1-based), in increasing order.
  std::vector<int> origins = {};
  std::vector<bool> refitted = {};         // the model was estimated (not continued) there
  std::vector<std::string> models = {};    // the model forecasting from each origin ("": failed)
  std::vector<std::string> failures = {};  // "origin o: reason" for each origin that failed
  std::vector<double> actual = {};         // NaN beyond the data
  std::vector<double> mean = {};           // NaN where the origin failed
  std::vector<Limits> limits = {};         // the model's, one per level, blocks as above
  std::vector<Limits> conformal = {};      // the conformal limits, when asked for
  // The measures: all pairs, each step over the origins, and each level's limits (the model's,
  // then the conformal ones), every error scaled by its own origin's training window.
  PointAccuracy accuracy = {};
  std::vector<PointAccuracy> by_step = {};
  std::vector<IntervalAccuracy> intervals = {};
  std::vector<IntervalAccuracy> conformal_intervals = {};
};

struct CrossValidationResult {
  std::vector<SeriesValidation> series = {};  // in the order given
  // Means over the series that succeeded of their measures (each measure over the series where it
  // is a number, as the M3 and M4 competitions average): overall, per step and per level.
  PointAccuracy accuracy = {};
  std::vector<PointAccuracy> by_step = {};
  std::vector<IntervalAccuracy> intervals = {};
  std::vector<IntervalAccuracy> conformal_intervals = {};
};

// Cross-validates every series with the same method settings (the horizon replaced by
// validation.horizon) on options.threads workers; options.progress counts series, options.cancel
// leaves series not yet started with kCancelled. A series too short for its first origin fails
// with kTooFewObservations, and one whose every origin fails with the first origin's status; an
// origin that fails leaves NaN forecasts and is named in `failures`. Throws vordex::Error
// kInvalidSettings for validation settings out of range or a method with regressors (ARMAX, or
// ARIMA with regressors), whose future values a rolling origin cannot supply.
VORDEX_CPP_API CrossValidationResult CrossValidate(std::span<const Series> series,
                                                   const MethodSettings& settings,
                                                   const CrossValidationSettings& validation,
                                                   const Options& options = {});

// As above with settings[i] for series i (one per series, each horizon replaced; every one with
// the same number of levels), or one for all. Throws vordex::Error kInvalidSettings also when the
// counts differ.
VORDEX_CPP_API CrossValidationResult CrossValidate(std::span<const Series> series,
                                                   std::span<const MethodSettings> settings,
                                                   const CrossValidationSettings& validation,
                                                   const Options& options = {});

// The conformal limits of `forecast` (levels as the method's settings give them) from the
// h-step errors of conformal_windows origins horizon apart at the end of `series` (the model's
// own limits replaced; the same seed rule as FitOne). Throws vordex::Error as CrossValidate, and
// the method's failure when the final fit fails.
VORDEX_CPP_API Outcome ConformalForecast(const Series& series, const MethodSettings& settings,
                                         int horizon, int conformal_windows, std::uint32_t seed);

}  // namespace vordex::batch

#endif  // VORDEX_CROSS_VALIDATION_HPP
