#include "smoothing/simulate.h"

#include <cmath>
#include <vector>

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
  const bool multErrors = P.modelType == ErrorForm::kMultiplicative;

  double pred = L;
  if (P.trendType == Trend::kAdditive || P.trendType == Trend::kDamped)
    pred = L + T;
  else if (P.trendType == Trend::kMultiplicative)
    pred = L * T;
  double mu = pred;
  if (P.seasonalityType == Season::kAdditive)
    mu = pred + v;
  else if (P.seasonalityType == Season::kMultiplicative)
    mu = pred * v;

  double eps;
  if (P.bootstrapType == Disturbances::kGaussian) {
    eps = RandNormal() * P.sigma;
  } else {
    const int k = RandInt(1, static_cast<int>(P.pool.size()));
    eps = P.pool[static_cast<std::size_t>(k - 1)];
  }

  double vnew = v;
  if (HasSeason(P.seasonalityType)) {
    double g = P.par[3] * eps;
    if (multErrors) g *= mu;
    vnew = P.seasonalityType == Season::kAdditive ? v + g : v * (1.0 + g / mu);
  }
  double a = P.par[1] * eps;
  if (multErrors) a *= mu;
  if (P.seasonalityType == Season::kMultiplicative) a /= v;

  const double Lnew = pred + a;
  const double dT = P.par[2] * a;
  switch (P.trendType) {
    case Trend::kAdditive:
      T = T + dT;
      break;
    case Trend::kMultiplicative:
      T = T + dT / L;
      break;
    case Trend::kDamped:
      T = P.par[4] * T + dT;
      break;
    default:
      break;
  }
  L = Lnew;
  if (HasSeason(P.seasonalityType)) v = vnew;
  return multErrors ? mu * (1.0 + eps) : mu + eps;
}

int Pegelssim(PegelsState& P, int h, double c, double* lo, double* hi) {
  std::vector<std::vector<double>> lower, upper;
  const double levels[1] = {c};
  const int ok = PegelssimLevels(P, h, levels, lower, upper);
  if (ok && h >= 1)
    for (int i = 1; i <= h; ++i) {
      lo[i] = lower[0][static_cast<std::size_t>(i)];
      hi[i] = upper[0][static_cast<std::size_t>(i)];
    }
  return ok;
}

void PegelsDisturbances(PegelsState& P) {
  const bool multErrors = P.modelType == ErrorForm::kMultiplicative;
  P.pool.clear();
  P.pool.reserve(static_cast<std::size_t>(P.nobs));
  for (int t = 1; t <= P.n; ++t) {
    if (std::isnan(P.y[t])) continue;
    P.pool.push_back(!multErrors ? P.e[t] : (std::fabs(P.F[t]) < kTiny ? kHuge : P.e[t] / P.F[t]));
  }
}

int PegelssimLevels(PegelsState& P, int h, std::span<const double> levels,
                    std::vector<std::vector<double>>& lo, std::vector<std::vector<double>>& hi) {
  if (h < 1) return 1;
  if (P.bootstrapType == Disturbances::kResampled) PegelsDisturbances(P);
  const int n = P.n;
  double seas[MAXS] = {};
  if (HasSeason(P.seasonalityType))
    for (int k = 0; k < P.s; ++k) seas[k] = P.S[n - P.s + 1 + k];
  return PegelssimFrom(P, P.l[n], HasTrend(P.trendType) ? P.b[n] : 0.0, seas, h, levels, lo, hi);
}

int PegelssimFrom(PegelsState& P, double level, double trend, const double* next, int h,
                  std::span<const double> levels, std::vector<std::vector<double>>& lo,
                  std::vector<std::vector<double>>& hi) {
  if (h < 1) return 1;
  if (levels.empty()) {  // paths that no quantile reads
    lo.clear();
    hi.clear();
    return 1;
  }
  const int nb = P.bootstrapSamples / kBatches > 0 ? P.bootstrapSamples / kBatches : 1;
  auto sims = numerics::matrix(1, h, 1, nb);
  if (!sims)
    return numerics::ReportError("Error in Pegelslib",
                                 "Matrix allocation failure in function Pegelssim()", 0);
  const std::size_t nlevels = levels.size();
  lo.assign(nlevels, std::vector<double>(static_cast<std::size_t>(h) + 1, 0.0));
  hi.assign(nlevels, std::vector<double>(static_cast<std::size_t>(h) + 1, 0.0));
  // The lower and upper probability of each level, in pairs.
  std::vector<double> probs;
  for (const double c : levels) {
    const double p1 = 0.5 - 0.005 * c;
    probs.push_back(p1);
    probs.push_back(1.0 - p1);
  }
  std::vector<double> q(probs.size());
  const int s = P.s;
  const bool seasonal = HasSeason(P.seasonalityType);

  for (int batch = 0; batch < kBatches; ++batch) {
    for (int j = 1; j <= nb; ++j) {
      double L = level;
      double T = trend;
      double seas[MAXS] = {};
      if (seasonal)
        for (int k = 0; k < s; ++k) seas[k] = next[k];
      for (int i = 0; i < h; ++i) {
        double v = seasonal ? seas[i % s] : 0.0;
        sims[i + 1][j] = Pegelssimstep(P, L, T, v);
        if (seasonal) seas[i % s] = v;
      }
    }
    for (int i = 1; i <= h; ++i) {
      numerics::Quantile(sims[i], nb, probs.data(), static_cast<int>(probs.size()), kQuantileType,
                         q.data());
      for (std::size_t j = 0; j < nlevels; ++j) {
        lo[j][static_cast<std::size_t>(i)] += 0.1 * q[2 * j];
        hi[j][static_cast<std::size_t>(i)] += 0.1 * q[2 * j + 1];
      }
    }
  }
  return 1;
}

}  // namespace vordex::smoothing
