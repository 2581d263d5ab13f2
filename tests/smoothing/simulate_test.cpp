#include "smoothing/simulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "smoothing/fit.h"
#include "smoothing/random.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;

TEST(Pegelssim, GaussianSimpleSmoothingLimitsMatchTheory) {
  // Simple smoothing with additive Gaussian errors: y[n+k] = l[n] + eps[n+k] + alpha * (eps[n+1]
  // + ... + eps[n+k-1]), so the k-step distribution is normal with mean l[n] and standard
  // deviation sigma_k = sigma * sqrt(1 + (k - 1) alpha^2).
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  const double alpha = 0.3;
  const double sigma = 0.1;
  const double level = 1.0;
  P.par[1] = alpha;
  P.sigma = sigma;
  P.l[10] = level;
  P.bootstrapType = Disturbances::kGaussian;
  P.bootstrapSamples = 50000;
  const int h = 6;
  double lo[h + 1];
  double hi[h + 1];
  SetSeed(-2024);
  ASSERT_EQ(Pegelssim(P, h, 95.0, lo, hi), 1);

  // Each limit is the mean of 10 batch quantiles over 5000 paths, i.e. about one quantile over
  // N = 50000 paths, whose standard error is sqrt(p (1 - p) / N) / density(q):
  // sqrt(0.025 * 0.975 / 50000) / phi(1.959964) = 6.98e-4 / 0.058445 = 0.01195 sigma_k.
  // The type-8 interpolation bias is O(1/N), far below that. Allow 4 standard errors.
  const double z = 1.959963984540054;
  const double se = 0.01195;
  for (int k = 1; k <= h; ++k) {
    const double sk = sigma * std::sqrt(1.0 + (k - 1) * alpha * alpha);
    EXPECT_NEAR(lo[k], level - z * sk, 4 * se * sk) << "k = " << k;
    EXPECT_NEAR(hi[k], level + z * sk, 4 * se * sk) << "k = " << k;
  }
}

TEST(Pegelssim, CoverageOfSimulatedLimitsOnFreshPaths) {
  // A second route: draw fresh paths with the same generator and count how many fall inside
  // the limits at k = 4. Coverage 0.95, N = 20000: binomial standard error
  // sqrt(0.95 * 0.05 / N) = 1.54e-3, plus the limits' own sampling error (about 0.012 sigma_k
  // on each side, moving coverage by 2 * 0.012 * 0.058 = 1.4e-3); allow 4 of the sum.
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  P.par[1] = 0.5;
  P.sigma = 1.0;
  P.l[10] = 0.0;
  P.bootstrapSamples = 50000;
  double lo[5];
  double hi[5];
  SetSeed(-8);
  ASSERT_EQ(Pegelssim(P, 4, 95.0, lo, hi), 1);
  const int N = 20000;
  int inside = 0;
  for (int j = 0; j < N; ++j) {
    double L = 0.0;
    double T = 0.0;
    double v = 0.0;
    double y = 0.0;
    for (int i = 0; i < 4; ++i) y = Pegelssimstep(P, L, T, v);
    inside += (y >= lo[4] && y <= hi[4]);
  }
  EXPECT_NEAR(inside / double(N), 0.95, 4 * (1.54e-3 + 1.4e-3));
}

TEST(Pegelssimstep, ResampledDisturbancesAreTheFittedErrorsOfTheObservedTimes) {
  PegelsState& P = FreshPegels(6, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  const double e[7] = {0, 0.1, -0.2, 0.3, 0.05, -0.15, 0.7};
  std::set<double> errors;
  for (int t = 1; t <= 6; ++t) {
    P.e[t] = e[t];
    P.F[t] = 1.0 + t;
    if (t != 6) errors.insert(e[t]);
  }
  P.y[6] = std::nan("");  // a missing value has no error to draw
  P.bootstrapType = Disturbances::kResampled;
  P.par[1] = 0.0;
  PegelsDisturbances(P);
  SetSeed(-3);
  std::set<double> seen;
  for (int j = 0; j < 2000; ++j) {
    double L = 0.0;
    double T = 0.0;
    double v = 0.0;
    // With a zero level and alpha 0 the simulated observation is the disturbance itself.
    const double eps = Pegelssimstep(P, L, T, v);
    ASSERT_EQ(errors.count(eps), 1u) << eps;
    seen.insert(eps);
  }
  EXPECT_EQ(seen.size(), 5u);

  // Multiplicative errors resample the relative errors e[t] / F[t].
  P.modelType = ErrorForm::kMultiplicative;
  PegelsDisturbances(P);
  std::set<double> relative;
  for (int t = 1; t <= 5; ++t) relative.insert(1.0 * (1.0 + e[t] / (1.0 + t)));
  for (int j = 0; j < 500; ++j) {
    double L = 1.0;
    double T = 0.0;
    double v = 0.0;
    ASSERT_EQ(relative.count(Pegelssimstep(P, L, T, v)), 1u);
  }
}

TEST(Pegelssim, WithoutNoiseEveryModelFollowsItsPointForecasts) {
  // sigma = 0: every path is the forecast path, so both limits equal Pegelsforecast's values.
  // This ties the simulated updates to the recursion for each trend, season and error form.
  const double tol = 1e-12;
  for (ErrorForm model : {ErrorForm::kMultiplicative, ErrorForm::kAdditive}) {
    for (Trend trend : {Trend::kNone, Trend::kAdditive, Trend::kMultiplicative, Trend::kDamped}) {
      for (Season season : {Season::kNone, Season::kAdditive, Season::kMultiplicative}) {
        PegelsState& P = FreshPegels(8, 4, 3, model, trend, season);
        P.par[1] = 0.4;
        P.par[2] = 0.1;
        P.par[3] = 0.2;
        P.par[4] = trend == Trend::kDamped ? 0.8 : 1.0;
        P.sigma = 0.0;
        P.l[8] = 2.0;
        P.b[8] = trend == Trend::kMultiplicative ? 1.05 : 0.1;
        const double seas[4] = {1.1, 0.9, 1.2, 0.8};
        for (int k = 0; k < 4; ++k)
          P.S[5 + k] = season == Season::kAdditive ? seas[k] - 1.0 : seas[k];
        P.bootstrapSamples = 500;
        double lo[10];
        double hi[10];
        double fc[10];
        ASSERT_EQ(Pegelssim(P, 9, 95.0, lo, hi), 1);
        Pegelsforecast(P, P.l[8], P.b[8], P.S.data() + 5, 9, fc);
        for (int k = 1; k <= 9; ++k) {
          EXPECT_NEAR(lo[k], fc[k], tol * std::fabs(fc[k]))
              << "model " << static_cast<int>(model) << " trend " << static_cast<int>(trend)
              << " season " << static_cast<int>(season) << " k " << k;
          EXPECT_NEAR(hi[k], fc[k], tol * std::fabs(fc[k]));
        }
      }
    }
  }
}

TEST(Pegelssim, ConfidenceLevelSetsTheProbabilities) {
  // Bootstrap from two equally likely errors -1 and 1 with alpha 0: at k = 1 the sample holds
  // only -1 and 1, so the 100% limits are exactly -1 and 1 and the 0% limits meet at a median.
  PegelsState& P = FreshPegels(2, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  P.e[1] = -1.0;
  P.e[2] = 1.0;
  P.bootstrapType = Disturbances::kResampled;
  P.bootstrapSamples = 5005;
  P.l[2] = 0.0;
  double lo[2];
  double hi[2];
  SetSeed(-1);
  ASSERT_EQ(Pegelssim(P, 1, 100.0, lo, hi), 1);
  EXPECT_NEAR(lo[1], -1.0, 1e-12);
  EXPECT_NEAR(hi[1], 1.0, 1e-12);
  ASSERT_EQ(Pegelssim(P, 1, 0.0, lo, hi), 1);
  EXPECT_EQ(lo[1], hi[1]);
}

}  // namespace
}  // namespace vordex::smoothing
