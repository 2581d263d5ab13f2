// The exponential smoothing engine's typed entry point: settings and observations in, the fitted
// model with forecasts and limits (or the failure, with every message raised) out.
//
// Run is the one way into the engine for every surface: the Pegelsdll export translates its
// option codes into Request and packs the outcome into cells; the typed C++ API, the batch
// layer and the command-line tool build Request directly. So the numbers agree by construction.
#ifndef VORDEX_SMOOTHING_RUN_H
#define VORDEX_SMOOTHING_RUN_H

#include <span>
#include <string>
#include <vector>

#include "smoothing/state.h"
#include "vordex/ets.hpp"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"
#include "vordex/transform.hpp"

namespace vordex::smoothing {

// The settings speak the public types of vordex/ets.hpp (state.h brings their names in). Values
// outside the named ones are representable (an export's option code) and refused by the checker
// with its status. kAuto leaves a component to the model search; a search of kEverythingAdditive
// or kEverything opens all three components and then searches as kAdditiveOnly or kAllForms.

// Bounds of alpha, beta, gamma, phi as supplied: count 0 (none), 1 (one pair for all) or 4.
struct Bounds {
  int count = 0;
  double lower[5] = {0.0, 0.0, 0.0, 0.0, 0.0};  // lower[1..4]
  double upper[5] = {1.0, 1.0, 1.0, 1.0, 1.0};  // upper[1..4]
};

// Settles the bounds that a caller supplies as `values` (the lower bounds, then the upper
// bounds) when asking for `requested` pairs: with requested >= 2 and 8 values, four pairs; else
// with requested >= 1 and 2 values, one pair; else none. A lower bound is taken when
// 0 < x < 1, an upper bound when lower <= x < 1; others keep the defaults 0 and 1.
Bounds SettleBounds(int requested, std::span<const double> values);

struct Request {
  // The Pegelsdll export's request (its option reader sets this): at most MAXN observations, a
  // horizon up to MAXH, no missing values, as its checker's codes and texts say. Otherwise a
  // request takes up to kMaxObservations values, NaN for a missing one, and any horizon.
  bool export_limits = false;
  int period = 1;   // s, 1..24
  int horizon = 0;  // h, 0 or less: no forecasts
  ErrorForm error = ErrorForm::kAdditive;
  Trend trend = Trend::kNone;
  Season season = Season::kNone;
  Disturbances disturbances = Disturbances::kGaussian;
  Criterion criterion = Criterion::kMse;
  Initialization initialization = Initialization::kHeuristic;
  int paths = 500;     // simulated sample paths, 500..50000
  int multisteps = 3;  // m, 3..24
  InformationCriterion information_criterion = InformationCriterion::kAic;
  Transform transform = Transform::kNone;
  Search search = Search::kDefault;
  bool admissible_region = false;  // all-additive models: any invertible parameters
  Bounds bounds;
  // Coverages of the limits in percent, each in 0..100; the limits of all of them come from the
  // same simulated paths.
  std::vector<double> confidence = {95.0};
  // The generator's seed as SetSeed takes it (the engine reads no clock: a caller that wants a
  // seed from the clock passes one).
  int seed = -1;
  // Threads of a model search: 1 or less the sequential loop. The results are the same for any
  // number.
  int threads = 1;
  // The automatic preset's choices (see PegelsState): count the initial states and sigma in the
  // information criterion, leave out the unstable form combinations, allow a multiplicative
  // trend, the full seasons an open seasonality needs.
  bool count_states = false;
  bool restrict_forms = false;
  bool multiplicative_trend = true;
  int min_seasons = 0;
};

// What the engine chose or was given.
using ets::Model;

// A fitted model: everything the export packs. Series are on the transformed scale (scaling
// undone), forecasts and limits on the scale of the observations.
struct Estimates {
  Model model;
  bool searched = false;  // the model came from a search
  int period = 1;
  int multisteps = 3;
  std::vector<double> series;  // 1..n at [0..n-1]
  std::vector<double> fitted;
  std::vector<double> errors;
  std::vector<double> forecasts;  // h values
  std::vector<double> lower;      // the limits of the first confidence level
  std::vector<double> upper;
  std::vector<Limits> limits;  // the limits of every confidence level, in order
  double alpha = 0.0, beta = 0.0, gamma = 0.0, phi = 1.0;
  double initial_level = 0.0;
  double initial_trend = 0.0;            // meaningful with a trend
  std::vector<double> initial_seasonal;  // s values, meaningful with seasonality
  double amse = 0.0;                     // MSE averaged over horizons 1..m
  std::vector<double> mse;               // MSE at horizons 1..m (0 beyond n)
  double sigma = 0.0;
  double log_likelihood = 0.0;
  double information_criterion = 0.0;
  double mape = 0.0;
  ets::Continuation end;  // the final states on the engine's scale, and what the limits drew from
};

// A request's outcome: the fit, or the failure (the checker's or the data checks' status with
// its message as the text, or kEngineFailed with kFailureText), with every message raised during
// the request in order. The messages are recorded, not shown.
using Outcome = vordex::Outcome<Estimates>;

// Title of the checker's messages, and the text of an engine failure.
inline constexpr const char* kCheckTitle = "Pegels Error";
inline constexpr const char* kFailureText = "Failure in Pegelsmain:\nModel could not be estimated";

// The checker's rules over the settings for n observations, in order, stopping at the first that
// fails: its message is shown (when showBox) in a warning box titled kCheckTitle and its status
// returned. The rules on MAXN and MAXH apply to the export's requests only (export_limits). An open
// seasonality with n < 2s is settled to none (with a warning); then the search mode is settled (an
// open component asks for a search over all forms; search 3 and 4 open all components). `settings`
// is settled in place. Zeros in the data (code 63) are judged by CheckZeros once the observations
// are known.
Status Check(Request& settings, long n, bool showBox = true);

// kEtsZerosInMultiplicative (after its box) when the observations contain zeros (after transform
// and scaling) and the settled model is multiplicative in some part; kOk otherwise.
Status CheckZeros(const Request& settings, std::span<const double> y, bool showBox = true);

// Fits settled settings (Check passed) to y: the data checks (kEtsNonFiniteData for a value
// that is not finite, or infinite when missing values are allowed; kEtsConfidenceOutOfRange,
// kEtsZerosInMultiplicative), the engine, and the fit.
Outcome Execute(const Request& settings, std::span<const double> y);

// Check, then Execute. Outside the export, a series longer than kMaxObservations is refused
// first (kTooManyObservations, its message naming the limit), and the checker judges the number
// of observed values: when missing values leave too few for its rules on the number of
// observations (none; two seasons for a seasonal model), the status is kTooFewObservations and
// the text says how many are observed and how many the model needs.
Outcome Run(Request settings, std::span<const double> y);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_RUN_H
