#include "smoothing/init.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "decompose/classical.h"
#include "decompose/interpolate.h"
#include "numerics/stats.h"
#include "numerics/vectors.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// The first w observations y[1..w] (1-based in the result too), complete: a missing value is
// interpolated linearly between its nearest observed neighbours, looking beyond w when the last
// ones are missing, and takes the nearest observed value before the first or after the last
// observation (decompose::InterpolateMissing without a period). Empty when y[1..w] is complete
// or nothing is observed: the caller then reads y itself.
std::vector<double> CompleteStart(const PegelsState& P, int w) {
  const auto missing = [&](int t) { return std::isnan(P.y[static_cast<std::size_t>(t)]); };
  int t = 1;
  while (t <= w && !missing(t)) ++t;
  if (t > w) return {};
  // The interpolation needs the first observation after the window when the window ends missing.
  int u = w;
  while (u < P.n && missing(u)) ++u;
  const auto filled = decompose::InterpolateMissing(
      std::span<const double>(P.y.data() + 1, static_cast<std::size_t>(u)), {});
  if (!filled.ok()) return {};
  std::vector<double> start(static_cast<std::size_t>(w) + 1, 0.0);
  std::copy(filled.value.begin(), filled.value.begin() + w, start.begin() + 1);
  return start;
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
  const bool decomposed = s >= 2 && n >= 2 * s;
  const int m5 = std::min(5 * s, n);
  // The heuristic needs a complete start: with missing values there, it reads their linear
  // interpolation (the recursion itself still treats them as missing).
  const std::vector<double> complete = CompleteStart(P, decomposed ? m5 : nfit);
  const double* y = complete.empty() ? P.y.data() : complete.data();  // y[1..w]

  if (decomposed) {
    // s >= 2 and m5 >= 2 s: the decomposition has what it needs.
    const decompose::Outcome<decompose::ClassicalResult> dec = decompose::ClassicalDecomposition(
        std::span<const double>(y + 1, static_cast<std::size_t>(m5)), s,
        additive ? decompose::SeasonalForm::kAdditive : decompose::SeasonalForm::kMultiplicative);
    if (!dec.ok()) return numerics::ReportError("Error in Pegelsinit", dec.text.c_str(), 0);
    if (seasonal)
      for (int k = 0; k < s; ++k) P.seasInit[k] = dec.value.indices[static_cast<std::size_t>(k)];
    double adj[5 * MAXS + 1];
    for (int t = 1; t <= m5; ++t) adj[t] = dec.value.adjusted[static_cast<std::size_t>(t - 1)];
    if (numerics::lineartrend(adj, std::min(nfit, m5), &intercept, &slope) == 0) return 0;
  } else {
    if (numerics::lineartrend(y, nfit, &intercept, &slope) == 0) return 0;
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
