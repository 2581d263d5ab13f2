// The exponential smoothing engine's state: one request's settings, work arrays and results,
// handed to every routine of the engine.
//
// Run (run.h) makes one record per request, fills it from the settings and the observations and
// passes it down; nothing of a request outlives it, and requests on different threads never meet.
#ifndef VORDEX_SMOOTHING_STATE_H
#define VORDEX_SMOOTHING_STATE_H

namespace vordex::smoothing {

// Largest number of observations, seasonal frequency and forecast horizon.
inline constexpr int MAXN = 1000;
inline constexpr int MAXS = 24;
inline constexpr int MAXH = 120;
// Room of the parameter vector of the second estimation stage (at most 29 positions are used).
inline constexpr int kMaxParameters = 31;

// Error forms (`model type`).
inline constexpr int kMultiplicativeErrors = 0;
inline constexpr int kAdditiveErrors = 1;
inline constexpr int kChooseErrors = 2;
// Trend forms (`trend type`) and seasonality forms (`seasonality type`), internal numbering.
inline constexpr int kChoose = -1;
inline constexpr int kNone = 0;
inline constexpr int kAdditive = 1;
inline constexpr int kMultiplicative = 2;
inline constexpr int kDamped = 3;
// Transforms (`transform type`).
inline constexpr int kNoTransform = 0;
inline constexpr int kLogTransform = 1;
inline constexpr int kSqrtTransform = 2;
// `parameter region`: 2 is the admissible region, any other value the usual one.
inline constexpr int kAdmissibleRegion = 2;
// Status after the objective met an unknown criterion code.
inline constexpr int kUnknownCriterion = 1010;
// Stand-in for a quotient whose divisor is below kTiny in magnitude, and the large value used
// for statistics that do not exist (a zero variance, data with zeros).
inline constexpr double kTiny = 1e-10;
inline constexpr double kHuge = 1e10;

struct PegelsState {
  // Settings, in the engine's numbering.
  int n = 0;
  int s = 1;
  int h = 0;                      // 0 or less: no forecasts
  int modelType = 1;              // 0 multiplicative errors, 1 additive, 2 choose
  int trendType = 0;              // -1 choose, 0 none, 1 additive, 2 multiplicative, 3 damped
  int seasonalityType = 0;        // -1 choose, 0 none, 1 additive, 2 multiplicative
  int transformType = 0;          // 0 none, 1 natural logarithm, 2 square root
  int optimizationCriterion = 1;  // 1 MSE, 2 AMSE, 3 sigma, 4 MAPE, 5 minus log-likelihood
  int multisteps = 3;             // m, horizons of the multi-step statistics, 3..24
  int informationCriterion = 1;   // 1 AIC, 2 BIC, 3 AICc
  int initializationMethod =
      1;                       // 1 heuristic states, 2 estimated states, 3 estimated for the winner
  int searchType = 0;          // 0 no search, 1 additive forms only, 2 all forms
  int bootstrapType = 0;       // 0 Gaussian disturbances, 1 resampled errors
  int bootstrapSamples = 500;  // B
  int boundsCount = 0;         // 0, 1 or 4 supplied (lower, upper) pairs
  int parameterRegion = 1;     // 2 admissible region, other usual region
  double confidenceLevel = 95.0;  // percent

  // Data and state path; series arrays 0..MAXN, horizon arrays 0..MAXH.
  double y[MAXN + 1] = {};
  double l[MAXN + 1] = {};
  double b[MAXN + 1] = {};
  double S[MAXN + 1] = {};
  double seasInit[MAXS] = {};
  double F[MAXN + 1] = {};
  double e[MAXN + 1] = {};
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
  int threads = 1;        // threads of a model search (0 or less: every hardware thread)
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
  double fc[MAXH + 1] = {};
  double lo[MAXH + 1] = {};
  double hi[MAXH + 1] = {};
};

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
  return P.modelType != kMultiplicativeErrors && P.trendType != kMultiplicative &&
         P.seasonalityType != kMultiplicative;
}

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_STATE_H
