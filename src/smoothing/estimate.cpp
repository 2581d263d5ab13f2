#include "smoothing/estimate.h"

#include <algorithm>
#include <cmath>

#include "numerics/powell.h"
#include "numerics/vectors.h"
#include "smoothing/admissible.h"
#include "smoothing/fit.h"
#include "smoothing/init.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// Relative tolerance of both estimation stages.
constexpr double kTolerance = 1e-10;
// A parameter whose bounds lie closer than this is held fixed by them.
constexpr double kFixedWidth = 1e-5;
// Value of the objective for parameters that the recursion refuses.
constexpr double kRefused = 1e11;

// Pegelsmse as the minimiser calls it, with the request's state as its context.
double PegelsCriterion(void* context, double* x) {
  return Pegelsmse(*static_cast<PegelsState*>(context), x);
}

// Minimise over lean passes: the evaluations inside the search compute only the criterion; the
// caller's pass at the optimum computes every statistic.
int LeanMinimise(PegelsState& P, int k, double* x, double* fret) {
  P.lean = 1;
  const int status = numerics::Minimise(k, x, fret, kTolerance, {&PegelsCriterion, &P});
  P.lean = 0;
  return status;
}

bool HasMultiplicativePart(const PegelsState& P) {
  return P.modelType == ErrorForm::kMultiplicative || P.trendType == Trend::kMultiplicative ||
         P.seasonalityType == Season::kMultiplicative;
}

}  // namespace

int Pegelsstart(PegelsState& P, double* x) {
  int k = 0;
  P.xlo[++k] = P.lower[1];
  P.xhi[k] = P.upper[1];
  if (HasTrend(P.trendType)) {
    P.xlo[++k] = P.lower[2];
    P.xhi[k] = P.upper[2];
  }
  if (HasSeason(P.seasonalityType)) {
    P.xlo[++k] = P.lower[3];
    P.xhi[k] = P.upper[3];
  }
  const bool usualStart = !(AllAdditive(P) && P.admissibleRegion);
  for (int i = 1; i <= k; ++i) {
    if (usualStart || P.xhi[i] - P.xlo[i] < kFixedWidth)
      x[i] = (P.xhi[i] + P.xlo[i]) * 0.5;
    else
      x[i] = P.xlo[i] > 0.1 ? P.xlo[i] : 0.1;
  }
  if (P.trendType != Trend::kDamped) return k;
  const double lo = P.lower[4];
  const double hi = P.upper[4];
  P.xlo[k + 1] = lo;
  P.xhi[k + 1] = hi;
  if (!usualStart && hi - lo >= kFixedWidth && lo <= 0.8 && hi >= 1.0)
    x[k + 1] = 0.9;
  else
    x[k + 1] = (hi + lo) * 0.5;
  return k + 1;
}

double Pegelsmse(PegelsState& P, double* x) {
  P.lastPassDone = 0;
  const int k = 1 + HasTrend(P.trendType) + HasSeason(P.seasonalityType);
  const bool usual = !(AllAdditive(P) && P.admissibleRegion);

  for (int i = 1; i <= k; ++i) {
    if (!usual && P.xhi[i] - P.xlo[i] >= kFixedWidth) continue;
    if (x[i] < P.xlo[i]) return (P.xlo[i] + 1.0 - x[i]) * kHuge;
    if (x[i] > P.xhi[i]) return (x[i] + 1.0 - P.xhi[i]) * kHuge;
  }
  if (P.trendType == Trend::kDamped) {
    // phi stays strictly above beta and strictly below its upper bound, in both regions.
    const int j = k + 1;
    const double floor = std::max(P.xlo[j], x[2]);
    if (x[j] <= floor) return (floor + 1.0 - x[j]) * kHuge;
    if (x[j] >= P.xhi[j]) return (x[j] + 1.0 - P.xhi[j]) * kHuge;
  }

  int pos = 1;
  P.par[1] = x[pos];
  P.par[2] = HasTrend(P.trendType) ? x[++pos] : 0.0;
  P.par[3] = HasSeason(P.seasonalityType) ? x[++pos] : 0.0;
  P.par[4] = P.trendType == Trend::kDamped ? x[++pos] : 1.0;

  if (!usual && Pegelsinvertible(P, P.par) == 0) return kHuge;
  if (P.initializationMethod != Initialization::kHeuristic) Pegelsreadstates(P, x);
  if (Pegelsfit(P, 1) == 0) return kRefused;
  P.lastPassDone = 1;

  double value;
  switch (P.optimizationCriterion) {
    case Criterion::kMse:
      value = P.mse[1];
      break;
    case Criterion::kAverageMse:
      value = P.amse;
      break;
    case Criterion::kSigma:
      value = P.sigma;
      break;
    case Criterion::kMape:
      value = P.mape;
      break;
    case Criterion::kLikelihood:
      value = -P.logLik;
      break;
    default:
      P.status = kUnknownCriterion;
      value = P.mse[1];
      break;
  }
  // A statistic that is not a number (a pass that overflowed) must not steer the line searches.
  return std::isnan(value) ? kRefused : value;
}

int pegelsopt2(PegelsState& P) {
  if (P.hasZeros && HasMultiplicativePart(P))
    return numerics::ReportError(
        "Error in pegelsopt2", "**** Zeros in data ****\n ...Cannot estimate multiplicative model",
        0);
  // Stale states of an earlier model or request must never be fitted.
  if (Pegelsinit(P) == 0) return 0;

  double x[kMaxParameters + 1] = {};
  double fret = 0.0;
  const int k = Pegelsstart(P, x);
  const Initialization method = P.initializationMethod;
  P.initializationMethod = Initialization::kHeuristic;
  Pegelsmse(P, x);
  if (LeanMinimise(P, k, x, &fret) == 0) {
    P.initializationMethod = method;
    return 0;
  }
  Pegelsmse(P, x);
  P.initializationMethod = method;
  if (method != Initialization::kHeuristic) {
    const int k2 = Pegelsfullstart(P, x);
    if (LeanMinimise(P, k2, x, &fret) == 0) return 0;
    Pegelsmse(P, x);
  }
  if (!P.lastPassDone)
    return numerics::ReportError("Error in pegelsopt2", "No admissible parameters found", 0);
  return 1;
}

}  // namespace vordex::smoothing
