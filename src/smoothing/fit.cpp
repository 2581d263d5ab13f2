#include "smoothing/fit.h"

#include <algorithm>
#include <cmath>

#include "smoothing/admissible.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// 1 + ln(2 pi): the constant of minus twice the Gaussian log-likelihood per observation.
constexpr double kLogTwoPiPlusOne = 2.83787706640935;

// a / d, or kHuge when |d| is below kTiny.
inline double GuardedRatio(double a, double d) {
  return std::fabs(d) < kTiny ? kHuge : a / d;
}

}  // namespace

void Pegelsforecast(PegelsState& P, double level, double trend, const double* seas, int count,
                    double* out) {
  const int s = P.s;
  const double phi = P.par[4];
  double L = level;
  double d = trend;
  for (int i = 0; i < count; ++i) {
    switch (P.trendType) {
      case kAdditive:
        L = L + trend;
        break;
      case kMultiplicative:
        L = L * trend;
        break;
      case kDamped:
        L = L + d;
        d = d * phi;
        break;
      default:
        break;
    }
    if (P.seasonalityType == kAdditive)
      out[i + 1] = L + seas[i % s];
    else if (P.seasonalityType == kMultiplicative)
      out[i + 1] = L * seas[i % s];
    else
      out[i + 1] = L;
  }
}

int Pegelsfit(PegelsState& P, int silent) {
  if (Pegelsadmissible(P, silent) == 0) return 0;
  const int n = P.n;
  const int s = P.s;
  const int m = P.multisteps;
  const int trend = P.trendType;
  const int season = P.seasonalityType;
  const double alpha = P.par[1];
  const double beta = P.par[2];
  const double gamma = P.par[3];
  const double phi = P.par[4];

  double acc[MAXS + 1] = {};
  double slice[MAXS] = {};
  const int nslice = std::min(s, m);
  double R = 0.0;
  double A = 0.0;

  for (int t = 1; t <= n; ++t) {
    const double lp = P.l[t - 1];
    const double bp = P.b[t - 1];
    // Seasonal values of times t .. t + min(s, m) - 1: initial indices for the first cycle,
    // then the states computed one cycle earlier.
    if (season > 0) {
      for (int j = 0; j < nslice; ++j) {
        const int u = t + j;
        slice[j] = u <= s ? P.seasInit[u - 1] : P.S[u - s];
      }
    }
    // Forecasts of y[t], y[t+1], ... from origin t - 1; later origins overwrite all but F[t].
    Pegelsforecast(P, lp, bp, slice, std::min(m, n - t + 1), P.F + t - 1);

    double pred = lp;
    if (trend == kAdditive || trend == kDamped)
      pred = lp + bp;
    else if (trend == kMultiplicative)
      pred = lp * bp;

    const double yt = P.y[t];
    double x = yt;
    if (season == kAdditive)
      x = yt - slice[0];
    else if (season == kMultiplicative)
      x = GuardedRatio(yt, slice[0]);

    const double lt = pred + alpha * (x - pred);
    P.l[t] = lt;

    if (trend > 0) {
      const double g = trend == kMultiplicative ? GuardedRatio(lt, lp) : lt - lp;
      P.b[t] = phi * bp + beta * (g - bp);
    }
    if (season > 0) {
      // The seasonal update uses the predicted level, not the new one.
      const double z = season == kAdditive ? yt - pred : GuardedRatio(yt, pred);
      P.S[t] = slice[0] + gamma * (z - slice[0]);
    }

    const double et = yt - P.F[t];
    P.e[t] = et;
    acc[1] += et * et;
    A += std::fabs(yt) < kTiny ? kHuge : std::fabs(et / yt);
    for (int k = 1; k < m && t + k <= n; ++k) {
      const double ek = P.y[t + k] - P.F[t + k];
      acc[k + 1] += ek * ek;
    }
    if (P.modelType == kMultiplicativeErrors) {
      const double r = GuardedRatio(et, P.F[t]);
      R += r * r;
    }
  }

  // Horizon k has n - k + 1 forecasts inside the data; none when k > n.
  const int kmax = std::min(m, n);
  double sum = 0.0;
  for (int k = 1; k <= m; ++k) {
    P.mse[k] = k <= kmax ? acc[k] / (n - k + 1) : 0.0;
    if (k <= kmax) sum += P.mse[k];
  }
  P.amse = sum / kmax;

  P.mape = P.hasZeros ? kHuge : 100.0 * A / n;

  double v = P.mse[1];
  double T = 0.0;
  if (P.modelType == kMultiplicativeErrors) {
    v = R / n;
    for (int t = 1; t <= n; ++t) T += std::log(std::fabs(P.F[t]));
  }
  P.sigma = (v < 0.0 || std::isnan(v)) ? kHuge : std::sqrt(v);
  const double D = (std::fabs(v) < kTiny || std::isnan(v))
                       ? kHuge
                       : n * (std::log(v) + kLogTwoPiPlusOne) + 2.0 * T;

  // Smoothing parameters in the model; initial states and sigma are not counted.
  const int k = 1 + (trend > 0) + (trend == kDamped) + (season > 0);
  P.icValue = P.informationCriterion <= 1 ? D + 2.0 * k : D + k * std::log(static_cast<double>(n));
  P.logLik = -0.5 * D;
  return 1;
}

}  // namespace vordex::smoothing
