// Automatic forecasting: models chosen from the data, for users who do not want to choose one.
//
// - vordex::auto_arima: seasonal ARIMA with the differences chosen by unit-root and seasonality
//   tests and the orders by a stepwise search on the AICc (Hyndman and Khandakar 2008), each
//   candidate fitted by the ARIMA method's exact likelihood.
// - vordex::theta: the Theta method of the M3 competition.
// - vordex::harmonic: dynamic harmonic regression, Fourier terms of each period with an ARIMA
//   error.
// - vordex::mstl: forecasts through a decomposition into trend, seasonal components and
//   remainder (MSTL), for long and several seasonal periods, as R's stlf and forecast(mstl(x)).
// - vordex::auto_forecast: the recommended automatic forecast, for one or several seasonal
//   periods: the mean of the automatic smoothing (ets::AutoSettings), automatic ARIMA and Theta
//   forecasts for a single period up to 24, MSTL beyond.
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
#include "vordex/periods.hpp"
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
  // R's approximation: the search ranks the candidates by conditional sums of squares and fits
  // exactly only the best (the first admissible in that order), much faster on long series; not
  // thorough then. R's auto.arima approximates by default above 150 values or a period above 12;
  // here it is asked for. A series with missing values is searched exactly.
  bool approximation = false;
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
  // What Predict continues from: the smoothing's level after the last value (on the adjusted,
  // transformed scale), the number of values fitted (missing ones filled), and whether Box-Cox
  // forecasts are bias-adjusted means.
  double final_level = 0.0;
  int observations = 0;
  bool bias_adjusted = false;
};

// Fewer than five observed values give the simple forecast of the ladder (status kFallback).
// Throws vordex::Error: kInvalidSettings for settings out of range, kEngineFailed for values that
// are not numbers.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// The fit with forecasts `horizon` (0 or more) steps after its last value and limits at `levels`
// (percent), from its final level, drift, alpha, sigma2 and seasonal indices: for the fit's own
// horizon and levels, its forecasts bit for bit. Throws vordex::Error kInvalidSettings for a
// negative horizon, a level out of range, or a fallback result (no model to continue).
VORDEX_CPP_API Result Predict(const Result& fit, int horizon,
                              const std::vector<double>& levels = kDefaultLevels);

}  // namespace vordex::theta

namespace vordex::mstl {

// The non-seasonal model that forecasts the seasonally adjusted series (names: names.hpp, "ets",
// "arima", "theta", "ar").
enum class AdjustedModel : int {
  kEts = 0,    // automatic smoothing without seasonality, as R's ets(x, "ZZN") (stlf's default)
  kArima = 1,  // automatic ARIMA without a seasonal part (auto_arima, period 1)
  kTheta = 2,  // the Theta method without seasonal adjustment
  // An autoregression fitted by least squares with its order chosen by AIC (R's ar.ols): follows
  // the short-term dynamics that the decomposition leaves in the remainder.
  kAutoregression = 3,
};

struct Settings {
  // The seasonal periods, any values above 1 (24 and 168 for hourly data, 52.18 for weekly;
  // SeasonalPeriods gives the usual ones). A period with fewer than two full cycles in the data is
  // dropped; with none left the trend is a smooth of the data and there is no seasonal component
  // (R's mstl), so the model forecasts the data themselves.
  std::vector<double> periods = {};
  // Forecast horizon, 0 or more; at most 120 with kArima (the longest automatic ARIMA takes).
  int horizon = kDefaultHorizon;
  std::vector<double> levels = kDefaultLevels;  // coverages of the limits in percent, in (0, 100)
  // kNone, kLog, kSquareRoot or kBoxCox (lambda given, or Guerrero's for the longest kept period,
  // R's frequency of a multi-seasonal series): the decomposition and the model are on that scale.
  Transform transform = Transform::kNone;
  BoxCox box_cox = {};
  AdjustedModel adjusted = AdjustedModel::kEts;
  // STL seasonal windows of the kept periods in ascending order, each at least 3 (an even window
  // is widened to the next odd number, as R's stl does). Empty: R's 11, 15, 19, ... (7 + 4 i for
  // the i-th kept period); one value: that window for every period.
  std::vector<int> seasonal_windows = {};
  int trend_window = 0;  // STL trend window (0: STL's default from the period)
  bool robust = false;   // STL robustness passes
  // Passes over the periods: 0 as R's mstl (1 for one period, 2 for several).
  int iterate = 0;
  // The smoothing model's simulated limits: their seed, and the threads of its model search
  // (0: every hardware thread; results do not depend on it).
  std::uint32_t seed = ets::kDefaultSeed;
  int threads = 0;
};

// The autoregression of AdjustedModel::kAutoregression: z_t = intercept + sum phi_i z_{t-i} + e_t
// with z the adjusted series less its mean.
struct Autoregression {
  int order = 0;
  double mean = 0.0;
  double intercept = 0.0;
  std::vector<double> ar = {};  // phi_1 .. phi_p
};

// Forecasts (the adjusted model's plus the seasonal naive forecast of each seasonal component:
// its last cycle of floor(period) values repeated), limits (the adjusted model's, shifted by the
// same seasonal forecast), fitted values (the adjusted model's plus the seasonal components) and
// residuals. sigma2, log_likelihood and the information criteria are the adjusted model's, as R's
// stlf reports its model's.
struct Result : Forecast {
  std::vector<double> periods = {};                // the periods kept, ascending
  std::vector<int> seasonal_windows = {};          // the window of each kept period
  std::vector<double> trend = {};                  // n values, on the transformed scale
  std::vector<std::vector<double>> seasonal = {};  // one component of n values per kept period
  std::vector<double> remainder = {};              // n values; NaN where the data were missing
  AdjustedModel adjusted = AdjustedModel::kEts;
  // The adjusted model's own result (the one of `adjusted`).
  std::optional<ets::Result> smoothing = {};
  std::optional<auto_arima::Result> arima = {};
  std::optional<theta::Result> theta = {};
  std::optional<Autoregression> autoregression = {};
};

// Decomposes the series as R's mstl(x, lambda, iterate, s.window, t.window, robust) does (missing
// values filled as na.interp fills them first; the remainder is NaN at their times), forecasts the
// seasonally adjusted series (trend + remainder; its missing values interpolated linearly) with
// the adjusted model, and adds the seasonal forecasts, as R's forecast.stl does. For a
// non-integer period the last floor(period) values repeat (R leaves the last steps of some
// horizons NA). Automatic ARIMA models the adjusted series' last 1000 values at most (the longest
// series it takes); the decomposition and the other models use all of them. Time and memory are
// linear in n for the decomposition, the smoothing and the autoregression.
// A series with fewer than five observed values gets the simple forecast of the ladder (see
// auto_forecast::Fit, non-seasonal) with the status kFallback. Throws vordex::Error:
// kInvalidSettings for settings out of range (a period that is not a positive number, a seasonal
// window below 3, fewer windows than kept periods), kTooFewObservations for a series without an
// observed value, kInvalidData for an infinite value, or the adjusted model's failure.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

}  // namespace vordex::mstl

namespace vordex::harmonic {

// Dynamic harmonic regression (Hyndman and Athanasopoulos, Forecasting: principles and practice,
// 3rd ed., sec. 10.5 and 12.1): y(t) = b0 + sum over the periods of Fourier terms
// sin(2 pi k t / m), cos(2 pi k t / m), k = 1..K, plus an ARIMA error chosen by automatic ARIMA
// without a seasonal part, as R's auto.arima(y, xreg = fourier(y, K), seasonal = FALSE). The
// seasonal shape is fixed, of any period length (52.18, 365.25) and number of periods.
struct Settings {
  // The seasonal periods, each at least 2 (SeasonalPeriods gives the usual ones).
  std::vector<double> periods = {};
  int horizon = kDefaultHorizon;                // forecast horizon, 0 or more
  std::vector<double> levels = kDefaultLevels;  // coverages of the limits in percent, in (0, 100)
  // kNone, kLog, kSquareRoot or kBoxCox (lambda given, or Guerrero's for the longest period): the
  // regression is on that scale.
  Transform transform = Transform::kNone;
  BoxCox box_cox = {};
  // The number of Fourier pairs K of each period, 0 <= 2 K <= period. Empty: chosen (see Fit), each
  // at most max_order.
  std::vector<int> orders = {};
  int max_order = 30;
  // The ARIMA error's search, as auto_arima's (no seasonal part).
  int max_p = 5, max_q = 5;
  bool stepwise = true;
  bool thorough = false;  // re-estimate the best candidates from several starts
};

// The ARIMA error model with the regression: the coefficients of the Fourier terms (named as R's
// fourier names them, "S1-24", "C1-24", ...) and of the constant in `regression`.
struct Result : auto_arima::Result {
  std::vector<double> periods = {};  // the periods, in the order given
  std::vector<int> orders = {};      // K of each period
};

// Fits the regression and forecasts. Without given orders, K of each period is chosen by the AICc
// of the least-squares regression on the Fourier terms (automatic::ChooseFourierOrders: the
// periods settled in the order given, each K from 0 to min(max_order, floor(m / 2))); automatic
// ARIMA then chooses the error model with those terms. (R's recommended approach compares the
// AICc of a full automatic ARIMA fit for each K; the least-squares AICc ranks the orders at the
// cost of one regression per period.) A series with fewer than five observed values gets the
// simple forecast of the ladder (status kFallback). Throws vordex::Error: kInvalidSettings for
// settings out of range (a period below 2, an order above half its period, orders not one per
// period), kTooFewObservations for a series without an observed value, kInvalidData for an
// infinite value, or automatic ARIMA's failure.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// The Fourier orders K_i of the periods m_i (in the order given) by the AICc of the least-squares
// regression of the observations on a constant and the Fourier terms, as Fit chooses them: the
// periods settled one after another, each K from 0 to min(max_order, floor(m_i / 2)) with the
// earlier periods' chosen terms in the regression; NaN values are left out. The orders suit
// decompose's Fourier terms and R's fourier(x, K). Throws vordex::Error: kInvalidSettings for a
// period below 2 or max_order < 0, kTooFewObservations for fewer than three observed values,
// kInvalidData for an infinite value.
VORDEX_CPP_API std::vector<int> ChooseOrders(std::span<const double> observations,
                                             std::span<const double> periods, int max_order = 30);

}  // namespace vordex::harmonic

namespace vordex::auto_forecast {

struct Settings {
  int period = 12;  // seasonal frequency m (1: non-seasonal data), when `periods` is empty
  // The seasonal periods, for data with several or long cycles (24 and 168 for hourly data, 52.18
  // for weekly; SeasonalPeriods gives the usual ones), any values above 1; when not empty they
  // replace `period`.
  std::vector<double> periods = {};
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
// the request fails only when all do, and a result of one method has the status kSingleMember,
// except the route of several periods, whose one method is MSTL).
// It has no likelihood of its own. The members present say which route was taken (see Fit).
struct Result : Forecast {
  int period = 1;                    // the single season's period (1 on the seasonal route)
  std::vector<double> periods = {};  // the seasonal periods the members used, ascending
  std::optional<ets::Result> smoothing = {};
  std::optional<auto_arima::Result> arima = {};
  std::optional<theta::Result> theta = {};
  std::optional<mstl::Result> mstl = {};
  std::vector<std::string> failures = {};  // "method: reason" for each method left out
};

// Chooses the methods from the periods (`periods`, or `period` when it is empty). The periods
// kept are those of at least 2 with two full cycles in the data (fewer than n / 2); then:
// - no period kept, or one integer period of at most 24: the single-season route, the mean of the
//   automatic smoothing, automatic ARIMA and Theta forecasts with that period (1 when none is
//   kept: every method non-seasonal);
// - otherwise (a period above 24, a non-integer one, or several): the seasonal route, MSTL with
//   the autoregression on the adjusted series (mstl::AdjustedModel::kAutoregression), seasonal
//   windows of 101 cycles (a nearly fixed seasonal shape that the autoregression corrects from
//   the remainder), and, unless the settings ask for a transform, the Box-Cox transform of lambda
//   1/2 when every observed value is positive; with one such period (weekly data's 52.18, a year
//   of daily data) the mean of that and a non-seasonal automatic ARIMA of the series
//   (auto_arima, period 1, one start). These choices were measured on the hourly and weekly
//   series of the M4 competition (see the README).
// A series too short for the methods (fewer than five observed values, or every method
// failing) falls back to a simple forecast, in this order: a series whose observed values are all
// equal gets that constant with limits of zero width; one with a period above 1 and two full
// seasons observed the seasonal naive forecast (the shortest period kept); one with two
// neighbouring values observed the naive forecast; else the mean. The result then has the status
// kFallback, `fallback` naming the method, and no member. Throws vordex::Error: kInvalidSettings
// for settings out of range, kTooFewObservations for a series without an observed value.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// The combination with forecasts `horizon` (1 or more) steps after its last observation and limits
// at `levels` (percent): each member's own continuation (ets::ForecastFrom with `seed`, none: the
// seed it was fitted with; arima::Predict; theta::Predict) combined as Fit combines them. Fitted
// values stay those of the fit. Throws vordex::Error kInvalidSettings for a horizon below 1, a
// level out of range, a fallback result, or one of the seasonal route (the MSTL member has no
// continuation), and as the members' Predict.
VORDEX_CPP_API Result Predict(const Result& fit, int horizon,
                              const std::vector<double>& levels = kDefaultLevels,
                              std::optional<std::uint32_t> seed = {});

}  // namespace vordex::auto_forecast

#endif  // VORDEX_AUTO_HPP
