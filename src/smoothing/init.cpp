#include "smoothing/init.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "decompose/classical.h"
#include "numerics/stats.h"
#include "numerics/vectors.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// Number of free smoothing parameters of the current model, phi included.
int SmoothingCount(const PegelsState& P) {
  return 1 + HasTrend(P.trendType) + HasSeason(P.seasonalityType) + (P.trendType == Trend::kDamped);
}

}  // namespace

int Pegelsinit(PegelsState& P) {
  const int n = P.n;
  const int s = P.s;
  const bool seasonal = HasSeason(P.seasonalityType);
  const int additive = P.seasonalityType == Season::kMultiplicative ? 0 : 1;
  const int nfit = std::min(n, 10);
  double intercept = 0.0;
  double slope = 0.0;

  if (s >= 2 && n >= 2 * s) {
    const int m5 = std::min(5 * s, n);
    // s >= 2 and m5 >= 2 s: the decomposition has what it needs.
    const decompose::Outcome<decompose::ClassicalResult> dec = decompose::ClassicalDecomposition(
        std::span<const double>(P.y + 1, static_cast<std::size_t>(m5)), s,
        additive ? decompose::SeasonalForm::kAdditive : decompose::SeasonalForm::kMultiplicative);
    if (!dec.ok()) return numerics::ReportError("Error in Pegelsinit", dec.text.c_str(), 0);
    if (seasonal)
      for (int k = 0; k < s; ++k) P.seasInit[k] = dec.value.indices[static_cast<std::size_t>(k)];
    double adj[5 * MAXS + 1];
    for (int t = 1; t <= m5; ++t) adj[t] = dec.value.adjusted[static_cast<std::size_t>(t - 1)];
    if (numerics::lineartrend(adj, std::min(nfit, m5), &intercept, &slope) == 0) return 0;
  } else {
    if (numerics::lineartrend(P.y, nfit, &intercept, &slope) == 0) return 0;
    // Too few data for a decomposition: a seasonal model starts without seasonal effects.
    if (seasonal)
      for (int k = 0; k < s; ++k) P.seasInit[k] = additive ? 0.0 : 1.0;
  }

  P.l[0] = intercept;
  if (P.trendType == Trend::kMultiplicative)
    P.b[0] = std::fabs(intercept) < kTiny ? 1.0 : slope / intercept + 1.0;
  else if (P.trendType == Trend::kAdditive || P.trendType == Trend::kDamped)
    P.b[0] = slope;
  else
    P.b[0] = 0.0;
  return 1;
}

int Pegelsfullstart(PegelsState& P, double* x) {
  int k = 0;
  x[++k] = P.par[1];
  if (HasTrend(P.trendType)) x[++k] = P.par[2];
  if (HasSeason(P.seasonalityType)) x[++k] = P.par[3];
  if (P.trendType == Trend::kDamped) x[++k] = P.par[4];
  x[++k] = P.l[0];
  if (HasTrend(P.trendType)) x[++k] = P.b[0];
  if (HasSeason(P.seasonalityType) && P.s != 1)
    for (int j = 0; j <= P.s - 2; ++j) x[++k] = P.seasInit[j];
  return k;
}

void Pegelsreadstates(PegelsState& P, const double* x) {
  int k = SmoothingCount(P);
  P.l[0] = x[++k];
  if (HasTrend(P.trendType)) P.b[0] = x[++k];
  if (HasSeason(P.seasonalityType) && P.s != 1) {
    double sum = 0.0;
    for (int j = 0; j <= P.s - 2; ++j) {
      P.seasInit[j] = x[++k];
      sum += P.seasInit[j];
    }
    P.seasInit[P.s - 1] = P.seasonalityType == Season::kAdditive ? -sum : P.s - sum;
  }
}

}  // namespace vordex::smoothing
