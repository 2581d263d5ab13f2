// The exponential smoothing engine's state: one request's settings, work arrays and results,
// handed to every routine of the engine.
//
// Run (run.h) makes one record per request, fills it from the settings and the observations and
// passes it down; nothing of a request outlives it, and requests on different threads never meet.
#ifndef VORDEX_SMOOTHING_STATE_H
#define VORDEX_SMOOTHING_STATE_H

#include <cstddef>
#include <vector>

#include "vordex/ets.hpp"
#include "vordex/transform.hpp"

namespace vordex::smoothing {

using ets::Criterion;
using ets::Disturbances;
using ets::ErrorForm;
using ets::InformationCriterion;
using ets::Initialization;
using ets::Search;
using ets::Season;
using ets::Trend;

// Largest number of observations and forecast horizon of the Pegelsdll export (its checker's
// rules), and the largest seasonal frequency of every request.
inline constexpr int MAXN = 1000;
inline constexpr int MAXS = 24;
inline constexpr int MAXH = 120;
// Largest number of observations of a request from the typed interface (the state's series
// arrays take 48 bytes per observation).
using ets::kMaxObservations;
// Room of the parameter vector of the second estimation stage (at most 29 positions are used).
inline constexpr int kMaxParameters = 31;

// A trend or a seasonality that is there (not none, not left to a search).
constexpr bool HasTrend(Trend t) {
  return t == Trend::kAdditive || t == Trend::kMultiplicative || t == Trend::kDamped;
}
constexpr bool HasSeason(Season s) {
  return s == Season::kAdditive || s == Season::kMultiplicative;
}
// Status after the objective met an unknown criterion code.
inline constexpr int kUnknownCriterion = 1010;
// Stand-in for a quotient whose divisor is below kTiny in magnitude, and the large value used
// for statistics that do not exist (a zero variance, data with zeros).
inline constexpr double kTiny = 1e-10;
inline constexpr double kHuge = 1e10;

struct PegelsState {
  // Settings; kAuto components are left to the search.
  int n = 0;
  int s = 1;
  int h = 0;  // 0 or less: no forecasts
  ErrorForm modelType = ErrorForm::kAdditive;
  Trend trendType = Trend::kNone;
  Season seasonalityType = Season::kNone;
  Transform transformType = Transform::kNone;
  Criterion optimizationCriterion = Criterion::kMse;
  int multisteps = 3;  // m, horizons of the multi-step statistics, 3..24
  InformationCriterion informationCriterion = InformationCriterion::kAic;
  Initialization initializationMethod = Initialization::kHeuristic;
  Search searchType = Search::kDefault;  // kDefault: no search (after Check's settling)
  Disturbances bootstrapType = Disturbances::kGaussian;
  int bootstrapSamples = 500;     // B
  int boundsCount = 0;            // 0, 1 or 4 supplied (lower, upper) pairs
  bool admissibleRegion = false;  // all-additive models: any invertible parameters
  // Coverages of the limits in percent; the first is the export's confidence level.
  std::vector<double> confidenceLevels = {95.0};

  // Data and state path, series arrays 0..n (sized by Resize; y[t] NaN for a missing value);
  // forecasts 0..h (sized by Pegelsmain).
  std::vector<double> y;
  std::vector<double> l;
  std::vector<double> b;
  std::vector<double> S;
  double seasInit[MAXS] = {};
  std::vector<double> F;
  std::vector<double> e;
  int nobs = 0;          // observed values among y[1..n] (set by Fill and by every pass)
  double par[5] = {};    // par[1..4]: alpha, beta, gamma, phi
  double lower[5] = {};  // bounds of par[1..4]
  double upper[5] = {};

  // Bounds of the free parameters in the order of the parameter vector (Pegelsstart).
  double xlo[5] = {};
  double xhi[5] = {};

  double scale = -1.0;    // divisor of the data; negative until computed
  int hasZeros = 0;       // some transformed, scaled observation is below kTiny in magnitude
  int status = 0;         // 0, or kUnknownCriterion
  int tooLargeShown = 0;  // the "Matrix too large" box has been shown during this request
  int lastPassDone = 0;   // the last evaluation of the objective ran a pass
  int lean = 0;           // passes compute only what the estimation criterion reads
  // The parameters, heuristic states and pass in the state are the first estimation stage's
  // optimum of the current model: the estimation starts at its second stage.
  bool firstStageDone = false;
  // The last discount radius computed without a message, and what it was computed for: the
  // objective tests invertibility and the pass then tests admissibility at the same point.
  struct DiscountMemo {
    bool valid = false;
    ErrorForm modelType = ErrorForm::kAdditive;
    Trend trendType = Trend::kNone;
    Season seasonalityType = Season::kNone;
    int s = 0;
    double par[4] = {};
    double radius = 0.0;
  } discountMemo;
  int threads = 1;  // threads of a model search (0 or less: every hardware thread)
  // The automatic preset: information criteria count the initial states and sigma too (always
  // for the AICc); a search skips additive errors with a multiplicative trend or seasonality and
  // multiplicative errors with a multiplicative trend and additive seasonality (restrictForms),
  // an open trend skips the multiplicative form (multiplicativeTrend 0), and an open seasonality
  // is tried only with minSeasons full seasons of data.
  int countStates = 0;
  int restrictForms = 0;
  int multiplicativeTrend = 1;
  int minSeasons = 0;

  // Fit statistics of the last pass, and forecasts with limits.
  double mse[MAXS + 1] = {};  // mse[1..m]
  double amse = 0.0;
  double sigma = 0.0;
  double mape = 0.0;
  double logLik = 0.0;
  double icValue = 0.0;
  std::vector<double> fc;
  // The errors a resampling simulation draws from (PegelsDisturbances), and sigma on the
  // engine's scale as the simulation used it (Pegelsmain, before the scaling is undone).
  std::vector<double> pool;
  double engineSigma = 0.0;
  // Limits of each confidence level, 1..h: lo[j][i], hi[j][i].
  std::vector<std::vector<double>> lo;
  std::vector<std::vector<double>> hi;
};

// Sizes the series arrays y, l, b, S, F and e for n observations (0..n), zeroed.
inline void Resize(PegelsState& P, int n) {
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  for (std::vector<double>* v : {&P.y, &P.l, &P.b, &P.S, &P.F, &P.e}) v->assign(size, 0.0);
}

// alpha, beta, gamma, phi as stored in par[1..4].
inline double& Alpha(PegelsState& P) {
  return P.par[1];
}
inline double& Beta(PegelsState& P) {
  return P.par[2];
}
inline double& Gamma(PegelsState& P) {
  return P.par[3];
}
inline double& Phi(PegelsState& P) {
  return P.par[4];
}

// The model is additive in every part: additive errors, no multiplicative trend or seasonality.
inline bool AllAdditive(const PegelsState& P) {
  return P.modelType != ErrorForm::kMultiplicative && P.trendType != Trend::kMultiplicative &&
         P.seasonalityType != Season::kMultiplicative;
}

// Number of free smoothing parameters of the current model, phi included.
inline int SmoothingCount(const PegelsState& P) {
  return 1 + HasTrend(P.trendType) + HasSeason(P.seasonalityType) + (P.trendType == Trend::kDamped);
}

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_STATE_H
