// Typed C++ interface to exponential smoothing of the Pegels family: additive or multiplicative
// errors, no, additive, multiplicative or damped additive trend, no, additive or multiplicative
// seasonality, each fixed or chosen by an information criterion; point forecasts and prediction
// limits from simulated sample paths.
//
// vordex::ets::Fit runs the engine's checks and driver, the same entry point that the Pegelsdll
// export uses, so both give identical numbers for the same seed. Beyond the export's 1,000
// values, which it cannot take, the engine estimates by projected quasi-Newton descents from two
// starts (in the usual region) and writes the additive updates in error-correction form: the
// same models, faster, and often at a higher likelihood. A fitted result forecasts again
// (ForecastFrom) and takes new observations (Update) without re-estimation.
#ifndef VORDEX_ETS_HPP
#define VORDEX_ETS_HPP

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vordex/error.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/transform.hpp"

namespace vordex::ets {

// Component forms; kAuto leaves the choice to the model search. The values are those of the
// Pegelsdll export's option codes (the names of every value: names.hpp).
enum class ErrorForm : int { kMultiplicative = 0, kAdditive = 1, kAuto = 2 };
enum class Trend : int { kAuto = 0, kNone = 1, kAdditive = 2, kMultiplicative = 3, kDamped = 4 };
enum class Season : int { kAuto = 0, kNone = 1, kAdditive = 2, kMultiplicative = 3 };
// The statistic that the smoothing parameters minimise.
enum class Criterion : int {
  kMse = 1,         // one-step mean squared error
  kAverageMse = 2,  // mean squared error averaged over horizons 1..multisteps
  kSigma = 3,       // root one-step MSE (relative errors for multiplicative errors)
  kMape = 4,        // mean absolute percentage error
  kLikelihood = 5,  // minus the Gaussian log-likelihood
};
// How the initial states are found.
enum class Initialization : int {
  kHeuristic = 1,           // a straight line through the first (seasonally adjusted) values
  kEstimated = 2,           // estimated with the smoothing parameters
  kEstimatedForWinner = 3,  // heuristic while searching, estimated for the chosen model
};
enum class Disturbances : int { kGaussian = 0, kResampled = 1 };
// AICc adds the small-sample correction 2k(k + 1)/(n - k - 1) and always counts the initial
// states and sigma in k.
enum class InformationCriterion : int { kAic = 1, kBic = 2, kAicc = 3 };
// Which candidates a search may consider: kDefault searches the kAuto components over all forms;
// kAdditiveOnly skips every multiplicative form; the kEverything variants open all three
// components whatever the settings say.
enum class Search : int {
  kDefault = 0,
  kAdditiveOnly = 1,
  kAllForms = 2,
  kEverythingAdditive = 3,
  kEverything = 4,
};

// The seed of the simulated limits unless one is given.
inline constexpr std::uint32_t kDefaultSeed = 20240607;

// The longest series Fit and Update take (observed and missing values together).
inline constexpr long kMaxObservations = 10'000'000;

// Bounds of one smoothing parameter, each used only when inside (0, 1) (upper >= lower).
struct Bound {
  double lower = 0.1;
  double upper = 0.9;
};

// The model and the forecasts asked for; the defaults choose every component by AIC for
// monthly data and forecast with 80% and 95% limits from 5000 Gaussian paths.
struct Settings {
  int period = 12;                // seasonal frequency s, 1..24 (1: non-seasonal data)
  int horizon = kDefaultHorizon;  // forecast horizon (0 or less: no forecasts)
  ErrorForm error = ErrorForm::kAuto;
  Trend trend = Trend::kAuto;
  Season season = Season::kAuto;
  Criterion criterion = Criterion::kLikelihood;
  Initialization initialization = Initialization::kHeuristic;
  Disturbances disturbances = Disturbances::kGaussian;
  int paths = 5000;     // simulated sample paths, 500..50000
  int multisteps = 12;  // horizons of the multi-step fit statistics, 3..24
  InformationCriterion information_criterion = InformationCriterion::kAic;
  Transform transform = Transform::kNone;
  BoxCox box_cox = {};  // with Transform::kBoxCox
  Search search = Search::kDefault;
  bool admissible_region = false;  // all-additive models: any invertible parameters
  // Coverages of the limits in percent, each in (0, 100): the limits of a level are the
  // quantiles of the simulated paths that leave (100 - level)/2 percent outside on each side.
  std::vector<double> levels = kDefaultLevels;
  // None (defaults 0.1..0.9, phi up to 1), one pair for all parameters, or four pairs for
  // alpha, beta, gamma, phi.
  std::vector<Bound> bounds = {};
  // The seed of the simulated sample paths: the same seed gives the same limits.
  std::uint32_t seed = kDefaultSeed;
  // Threads on which a model search estimates its candidates: 0 every hardware thread, 1 one
  // after another. The results are identical for any number.
  int threads = 0;
  // Count the initial states (level, trend, s - 1 seasonal) and sigma in the information
  // criterion, not only the smoothing parameters.
  bool count_states = false;
  // A search leaves out additive errors with a multiplicative trend or seasonality, and
  // multiplicative errors with a multiplicative trend and additive seasonality.
  bool restrict_forms = false;
  // An automatic trend may be multiplicative.
  bool multiplicative_trend = true;
  // An automatic seasonality is tried only with this many full seasons of data.
  int min_seasons = 0;
};

// The recommended automatic smoothing: every component chosen, without a multiplicative trend or
// the restricted combinations, seasonal forms only with two full seasons of data, by AIC counting
// the initial states and sigma, heuristic initial states while choosing and estimated ones for
// the chosen model, parameters by likelihood. Each choice was measured on the 1001 series of the
// M1 competition (see the README).
VORDEX_CPP_API Settings AutoSettings(int period = 12, int horizon = kDefaultHorizon);

// The chosen (or given) model.
struct Model {
  ErrorForm error = ErrorForm::kAdditive;
  Trend trend = Trend::kNone;
  Season season = Season::kNone;
};

// Where the recursion stands after the last observation, exactly as the engine holds it. The
// engine works on the (transformed) series divided by `scale`, its largest magnitude: the level,
// an additive trend and additive seasonal values, sigma of additive errors and the resampled
// errors of additive errors are on that scale; growth factors, seasonal indices, and sigma and
// resampled errors of multiplicative (relative) errors have no scale. ForecastFrom and Update
// continue from these values, so that a continued result (or one saved and loaded with them)
// reproduces its numbers bit for bit.
struct Continuation {
  double scale = 1.0;
  double level = 0.0;
  double trend = 0.0;                 // 0 without a trend
  std::vector<double> seasonal = {};  // with seasonality: the values of times n - s + 1 .. n
  double sigma = 0.0;                 // of the Gaussian disturbances
  // The one-step errors of the observed times, relative ones for multiplicative errors, that
  // Disturbances::kResampled draws from (empty for Gaussian disturbances).
  std::vector<double> resampled_errors = {};
};

// A fitted model. aic, aicc and bic count the smoothing parameters, the initial states and
// sigma (as R's ets); information_criterion is the one the settings chose by, counted as they
// say. Residuals are the one-step errors (observation less prediction) on the transformed scale,
// for multiplicative errors too (sigma is relative there).
//
// Missing values (NaN) are predicted and not learnt from: the recursion takes the one-step
// prediction in place of a missing value (its error is 0, so the states move by the prediction
// alone); its fitted value is that prediction and its residual NaN. The likelihood and every fit
// statistic sum over the observed values only, and count them (n - missing) where they count
// observations (sigma, the information criteria). Heuristic initial states read missing values
// among the first observations as their linear interpolation. R's forecast::ets, by contrast,
// fits the longest stretch without missing values (R 4.2.2, forecast 8.20: "Missing values
// encountered. Using longest contiguous portion of time series").
struct Result : Forecast {
  Model model = {};
  int period = 1;
  Transform transform = Transform::kNone;
  bool searched = false;            // the model was chosen by a search
  std::vector<double> series = {};  // observations on the transformed scale
  double alpha = 0.0;
  double beta = 0.0;   // 0 without a trend
  double gamma = 0.0;  // 0 without seasonality
  double phi = 1.0;    // 1 unless damped
  double initial_level = 0.0;
  std::optional<double> initial_trend = {};   // with a trend (a growth factor when multiplicative)
  std::vector<double> initial_seasonal = {};  // with seasonality: indices of times 1..s
  double rmse_average = 0.0;           // root of the MSE averaged over horizons 1..multisteps
  std::vector<double> rmse = {};       // root MSE at horizons 1..multisteps (NaN beyond data)
  double sigma = 0.0;                  // root one-step MSE; relative for multiplicative errors
  double information_criterion = 0.0;  // the one the settings ask for, as selected
  double mape = 0.0;                   // percent
  // The states after the last observation (time n) on the transformed scale, as the initial
  // states: level, trend (a growth factor when multiplicative) and the seasonal values of times
  // n - s + 1 .. n in time order.
  double final_level = 0.0;
  std::optional<double> final_trend = {};
  std::vector<double> final_seasonal = {};
  // The settings the result was made with; horizon, levels and seed are those of its forecasts.
  Settings settings = {};
  Continuation continuation = {};
};

// Fits the model to the observations (in time order, NaN for a missing value, at most
// kMaxObservations values) and forecasts. Every step takes time and memory linear in the length
// of the series (the state takes about 48 bytes per value, and a model search on threads one
// copy of it per thread, at most 512 MiB of copies). Throws vordex::Error with the checker's
// status (kEts..., including kEtsConfidenceOutOfRange and kEtsNonFiniteData for an infinite
// value), kTooManyObservations beyond kMaxObservations values, kTooFewObservations when the
// observed values are fewer than the model needs (none, or fewer than two full seasons for a
// seasonal model), kEngineFailed with the text the export would return, or kInvalidSettings for
// a level out of range or when more than one but fewer than four bounds are given; with every
// message raised. Messages are collected, not shown.
VORDEX_CPP_API Result Fit(std::span<const double> observations, const Settings& settings = {});

// The fit with new forecasts and limits, without re-estimation: point forecasts `horizon` steps
// ahead (none for 0 or less) from the final states, limits at `levels` (percent) simulated as
// the fit simulated them (its paths and disturbances, from the continuation's sigma or
// resampled errors) from the generator seeded with `seed`, transformed back as the fit's.
// The fit's own horizon, levels and seed give its forecasts and limits bit for bit. Everything
// else is the fit's; settings.horizon, levels and seed become the arguments. Throws
// vordex::Error kInvalidSettings for a level outside (0, 100) or a continuation that does not
// match the model (seasonal values other than s, resampling without resampled errors).
VORDEX_CPP_API Result ForecastFrom(const Result& fit, int horizon,
                                   const std::vector<double>& levels, std::uint32_t seed);

// The fit extended by new observations (in time order after the last one; NaN for a missing
// value), without re-estimation: the new values are transformed as the fit's were and filtered
// through the recursion from the final states with the fit's parameters, so that series, fitted
// values, residuals, missing and the final states equal those of running the whole series with
// those parameters and initial states (to rounding). The model, parameters, initial states, sigma
// and every statistic of the estimation (log-likelihood, information criteria, rmse, mape) stay
// the fit's; the forecasts and limits are made afresh from the new final states with the
// settings' horizon, levels and seed (as ForecastFrom). No new values return the fit. Throws
// vordex::Error kTooManyObservations when the whole series would exceed kMaxObservations values,
// kInvalidData for an infinite value or one the transform cannot take, kEtsZerosInMultiplicative
// for a zero under a multiplicative model, and as ForecastFrom.
VORDEX_CPP_API Result Update(const Result& fit, std::span<const double> new_observations);

}  // namespace vordex::ets

#endif  // VORDEX_ETS_HPP
