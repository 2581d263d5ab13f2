#include "smoothing/simulate.h"

#include <cmath>

#include "numerics/quantiles.h"
#include "numerics/vectors.h"
#include "smoothing/random.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

constexpr int kBatches = 10;
// Type of the sample quantiles: median-unbiased, (p + 1)/3 offset.
constexpr int kQuantileType = 8;

}  // namespace

double Pegelssimstep(PegelsState& P, double& L, double& T, double& v) {
  const bool multErrors = P.modelType == kMultiplicativeErrors;

  double pred = L;
  if (P.trendType == kAdditive || P.trendType == kDamped)
    pred = L + T;
  else if (P.trendType == kMultiplicative)
    pred = L * T;
  double mu = pred;
  if (P.seasonalityType == kAdditive)
    mu = pred + v;
  else if (P.seasonalityType == kMultiplicative)
    mu = pred * v;

  double eps;
  if (P.bootstrapType == 0) {
    eps = RandNormal() * P.sigma;
  } else {
    const int t = RandInt(1, P.n);
    eps = !multErrors ? P.e[t] : (std::fabs(P.F[t]) < kTiny ? kHuge : P.e[t] / P.F[t]);
  }

  double vnew = v;
  if (P.seasonalityType > 0) {
    double g = P.par[3] * eps;
    if (multErrors) g *= mu;
    vnew = P.seasonalityType == kAdditive ? v + g : v * (1.0 + g / mu);
  }
  double a = P.par[1] * eps;
  if (multErrors) a *= mu;
  if (P.seasonalityType == kMultiplicative) a /= v;

  const double Lnew = pred + a;
  const double dT = P.par[2] * a;
  switch (P.trendType) {
    case kAdditive:
      T = T + dT;
      break;
    case kMultiplicative:
      T = T + dT / L;
      break;
    case kDamped:
      T = P.par[4] * T + dT;
      break;
    default:
      break;
  }
  L = Lnew;
  if (P.seasonalityType > 0) v = vnew;
  return multErrors ? mu * (1.0 + eps) : mu + eps;
}

int Pegelssim(PegelsState& P, int h, double c, double* lo, double* hi) {
  if (h < 1) return 1;
  const int nb = P.bootstrapSamples / kBatches > 0 ? P.bootstrapSamples / kBatches : 1;
  auto sims = numerics::matrix(1, h, 1, nb);
  if (!sims)
    return numerics::ReportError("Error in Pegelslib",
                                 "Matrix allocation failure in function Pegelssim()", 0);
  for (int i = 1; i <= h; ++i) lo[i] = hi[i] = 0.0;
  const double p1 = 0.5 - 0.005 * c;
  const double probs[2] = {p1, 1.0 - p1};
  const int n = P.n;
  const int s = P.s;
  const bool seasonal = P.seasonalityType > 0;

  for (int batch = 0; batch < kBatches; ++batch) {
    for (int j = 1; j <= nb; ++j) {
      double L = P.l[n];
      double T = P.trendType > 0 ? P.b[n] : 0.0;
      double seas[MAXS] = {};
      if (seasonal)
        for (int k = 0; k < s; ++k) seas[k] = P.S[n - s + 1 + k];
      for (int i = 0; i < h; ++i) {
        double v = seasonal ? seas[i % s] : 0.0;
        sims[i + 1][j] = Pegelssimstep(P, L, T, v);
        if (seasonal) seas[i % s] = v;
      }
    }
    for (int i = 1; i <= h; ++i) {
      double q[2] = {0.0, 0.0};
      numerics::Quantile(sims[i], nb, probs, 2, kQuantileType, q);
      lo[i] += 0.1 * q[0];
      hi[i] += 0.1 * q[1];
    }
  }
  return 1;
}

}  // namespace vordex::smoothing
