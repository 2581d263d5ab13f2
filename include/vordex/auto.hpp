// Automatic forecasting: models chosen from the data, for users who do not want to choose one.
//
// - vordex::auto_arima: seasonal ARIMA with the differences chosen by unit-root and seasonality
//   tests and the orders by a stepwise search on the AICc (Hyndman and Khandakar 2008), each
//   candidate fitted by the ARIMA method's exact likelihood.
// - vordex::theta: the Theta method of the M3 competition.
// - vordex::auto_forecast: the mean of the automatic smoothing (ets::AutoSettings), automatic
//   ARIMA and Theta forecasts, the recommended automatic forecast.
#ifndef VORDEX_AUTO_HPP
#define VORDEX_AUTO_HPP

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/regressors.hpp"

namespace vordex::auto_arima {

// The search's bounds and the forecasts asked for. Seasonal models are searched for periods
// 2..24; longer periods are fitted without a seasonal part. Series of up to ten million values,
// with missing values (NaN): the differencing tests then run on a copy filled as R's na.interp
// fills it, the models on the observed values.
struct Settings {
  int period = 12;  // seasonal frequency m (1: non-seasonal data)
  // Forecast horizon, 0..10,000,000; with regressors the number of rows of `future`.
  int horizon = kDefaultHorizon;
  std::vector<double> levels = kDefaultLevels;  // coverages of the limits in percent, in (0, 100)
  // kNone or kBoxCox (the search then runs on the transformed series).
  Transform transform = Transform::kNone;
  BoxCox box_cox = {};
  int d = -1;  // nonseasonal differences, 0..2; -1: chosen by the KPSS test
  int D = -1;  // seasonal differences, 0..1; -1: chosen by the seasonal strength
  int max_p = 5, max_q = 5, max_P = 2, max_Q = 2;
  int max_order = 5;  // p + q + P + Q at most (in a search over every model)
  int max_d = 2, max_D = 1;
  bool stepwise = true;        // false: every model within the bounds
  bool allow_constant = true;  // a constant (the mean of the differenced series) when d + D <= 1
  // The three candidates of lowest AICc re-estimated from several starting points once the
  // search has ended, the best of them chosen.
  bool thorough = true;
  // Regression with ARIMA errors (R's auto.arima(xreg =)): the regressors, kept in every
  // candidate, and their future values, as arima::Settings takes them. The differencing tests
  // run on the residuals of the least-squares regression of the series on the regressors and an
  // intercept; a difference that would leave a regressor constant is not taken.
  Regressors regressors = {};
  Regressors future = {};
  // With d + D = 1 the constant (allow_constant) is a drift, R's allowdrift; false: no constant
  // then.
  bool drift = true;
};

// One model of the search, in the order fitted.
struct Candidate {
  int p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0;
  bool constant = false;
  double aicc = 0.0;      // +infinity when the fit failed or was not admissible
  std::string note = {};  // why the candidate was set aside, when it was
};

// The chosen model's fit, forecasts and limits (its period is 1 when it was fitted without a
// seasonal part), and the search that found it.
struct Result : arima::Result {
  std::vector<Candidate> path = {};
};

// A series too short for any model of the search gets the simple forecast of the ladder (see
// auto_forecast::Fit) as the equivalent ARIMA model, ARIMA(0,0,0)(0,1,0)[m] for the seasonal
// naive forecast, ARIMA(0,1,0) for the naive one, ARIMA(0,0,0) with constant for the mean or a
// constant series, with the status kFallback and `fallback` naming it. Throws vordex::Error:
// kInvalidSettings for settings out of range, kTooManyObservations beyond ten million values,
// kInvalidData for an infinite value or regressors arima::Fit would refuse (its reason),
// kEngineFailed when no model could be fitted, with the reason. The result carries its filter
// state and standard errors, so that arima::Predict and arima::Update continue it.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// A candidate of the search in the notation of ModelName (names.hpp), with the chosen model's
// period.
VORDEX_CPP_API std::string Name(const Candidate& candidate, int period);

}  // namespace vordex::auto_arima

namespace vordex::theta {

struct Settings {
  int period = 12;                              // seasonal frequency m (1: non-seasonal data)
  int horizon = kDefaultHorizon;                // forecast horizon, 0..120
  std::vector<double> levels = kDefaultLevels;  // coverages of the limits in percent, in (0, 100)
  Transform transform = Transform::kNone;       // kNone or kBoxCox
  BoxCox box_cox = {};
};

// sigma2 is the one-step error variance of the smoothing fit; the method has no likelihood.
struct Result : Forecast {
  int period = 1;
  bool seasonal = false;                      // the series was seasonally adjusted
  std::vector<double> seasonal_indices = {};  // with seasonal: the indices of times 1..m (mean 1)
  double alpha = 0.0;                         // simple exponential smoothing parameter
  double initial_level = 0.0;
  double drift = 0.0;  // half the slope of the least-squares line, per period
};

// Fewer than three observed values give the simple forecast of the ladder (status kFallback).
// Throws vordex::Error: kInvalidSettings for settings out of range, kEngineFailed for values that
// are not numbers.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::theta

namespace vordex::auto_forecast {

struct Settings {
  int period = 12;                              // seasonal frequency m (1: non-seasonal data)
  int horizon = kDefaultHorizon;                // forecast horizon, 1..120
  std::vector<double> levels = kDefaultLevels;  // coverages of the limits in percent, in (0, 100)
  // kNone or kBoxCox: each method fits the transformed series (the same lambda for all).
  Transform transform = Transform::kNone;
  BoxCox box_cox = {};
  // The seed of the smoothing method's simulated limits.
  std::uint32_t seed = ets::kDefaultSeed;
  // Threads of the smoothing model search (0: every hardware thread); results do not depend on it.
  int threads = 0;
};

// The combination: forecasts, limits and fitted values are the means, horizon by horizon, of
// those of the methods that succeeded (a method that fails is left out and named in `failures`;
// the request fails only when all three do, and a result of one method has the status
// kSingleMember). It has no likelihood of its own.
struct Result : Forecast {
  int period = 1;
  std::optional<ets::Result> smoothing = {};
  std::optional<auto_arima::Result> arima = {};
  std::optional<theta::Result> theta = {};
  std::vector<std::string> failures = {};  // "method: reason" for each method left out
};

// A series too short for the three methods (fewer than three observed values, or every method
// failing) falls back to a simple forecast, in this order: a
// series whose observed values are all equal gets that constant with limits of zero width; one
// with a period above 1 and two full seasons observed the seasonal naive forecast; one with two
// neighbouring values observed the naive forecast; else the mean. The result then has the status
// kFallback, `fallback` naming the method, and none of the three members. Throws vordex::Error:
// kInvalidSettings for settings out of range, kTooFewObservations for a series without an observed
// value.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::auto_forecast

#endif  // VORDEX_AUTO_HPP
