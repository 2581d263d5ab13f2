#include "smoothing/search.h"

#include "smoothing/estimate.h"
#include "smoothing/fit.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// The best candidate so far.
struct Best {
  Candidate types{kChooseErrors, -99, kChoose};
  double par[5] = {};
  double l0 = 0.0;
  double b0 = 0.0;
  double seasInit[MAXS] = {};
  double icValue = kHuge;
};

}  // namespace

int PegelsCandidates(PegelsState& P, Candidate* out) {
  const bool exclude = P.hasZeros || P.searchType == 1;
  const int e0 = P.modelType == kChooseErrors ? 0 : P.modelType;
  const int e1 = P.modelType == kChooseErrors ? 1 : P.modelType;
  const int t0 = P.trendType == kChoose ? 0 : P.trendType;
  const int t1 = P.trendType == kChoose ? 3 : P.trendType;
  int s0 = P.seasonalityType == kChoose ? 0 : P.seasonalityType;
  int s1 = P.seasonalityType == kChoose ? 2 : P.seasonalityType;
  if (P.s == 1) s0 = s1 = 0;
  int count = 0;
  for (int e = e0; e <= e1; ++e) {
    if (exclude && e == kMultiplicativeErrors) continue;
    for (int season = s0; season <= s1; ++season) {
      if (exclude && season == kMultiplicative) continue;
      for (int trend = t0; trend <= t1; ++trend) {
        if (exclude && trend == kMultiplicative) continue;
        out[count++] = {e, trend, season};
      }
    }
  }
  return count;
}

int PegelssearchWith(PegelsState& P, int (*estimate)(PegelsState&)) {
  Candidate candidates[kMaxCandidates];
  const int count = PegelsCandidates(P, candidates);
  const int method = P.initializationMethod;
  if (method == 3) P.initializationMethod = 1;

  Best best;
  bool found = false;
  for (int c = 0; c < count; ++c) {
    P.modelType = candidates[c].modelType;
    P.trendType = candidates[c].trendType;
    P.seasonalityType = candidates[c].seasonalityType;
    if (estimate(P) == 1 && P.icValue < best.icValue) {
      found = true;
      best.types = candidates[c];
      for (int i = 1; i <= 4; ++i) best.par[i] = P.par[i];
      best.l0 = P.l[0];
      best.b0 = P.b[0];
      for (int k = 0; k < P.s; ++k) best.seasInit[k] = P.seasInit[k];
      best.icValue = P.icValue;
    }
  }
  if (!found) {
    P.initializationMethod = method;
    return 0;
  }

  P.modelType = best.types.modelType;
  P.trendType = best.types.trendType;
  P.seasonalityType = best.types.seasonalityType;
  for (int i = 1; i <= 4; ++i) P.par[i] = best.par[i];
  P.l[0] = best.l0;
  P.b[0] = best.b0;
  for (int k = 0; k < P.s; ++k) P.seasInit[k] = best.seasInit[k];
  Pegelsfit(P, 0);

  if (method == 3) {
    P.initializationMethod = 2;
    const int ok = estimate(P);
    P.initializationMethod = method;
    if (ok == 0) return 0;
  } else {
    P.initializationMethod = method;
  }
  return 1;
}

int Pegelssearch(PegelsState& P) {
  return PegelssearchWith(P, &pegelsopt2);
}

}  // namespace vordex::smoothing
