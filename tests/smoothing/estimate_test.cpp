#include "smoothing/estimate.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/capture.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::MessageCapture;

void DefaultBounds(PegelsState& P) {
  for (int i = 1; i <= 4; ++i) {
    P.lower[i] = 0.1;
    P.upper[i] = 0.9;
  }
  P.upper[4] = 1.0;
}

// A short trending series with noise, worked by hand in the tests below.
constexpr double kSeries[21] = {0,    10.2, 11.1, 10.7, 12.4, 12.9, 12.1, 13.8, 14.6, 14.1, 15.3,
                                16.2, 15.8, 17.1, 17.9, 17.2, 18.8, 19.6, 19.1, 20.4, 21.3};

// A fresh state holding the 20 values of kSeries: additive errors, the given trend, no season,
// the default bounds.
PegelsState& OnTheSeries(Trend trendType) {
  PegelsState& P = FreshPegels(20, 1, 3, ErrorForm::kAdditive, trendType, Season::kNone);
  DefaultBounds(P);
  for (int t = 1; t <= 20; ++t) P.y[t] = kSeries[t];
  return P;
}

TEST(Pegelsstart, UsualRegionStartsInTheMiddleTheAdmissibleOneLow) {
  // The admissible region starts low unless a multiplicative part keeps the usual start.
  const struct {
    bool region;
    Season season;
    double x[5];
  } cases[] = {{false, Season::kAdditive, {0, 0.5, 0.5, 0.5, 0.55}},
               {true, Season::kAdditive, {0, 0.1, 0.1, 0.1, 0.9}},
               {true, Season::kMultiplicative, {0, 0.5, 0.5, 0.5, 0.55}}};
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(20, 4, 3, ErrorForm::kAdditive, Trend::kDamped, c.season);
    DefaultBounds(P);
    P.admissibleRegion = c.region;
    double x[8] = {};
    ASSERT_EQ(Pegelsstart(P, x), 4);
    for (int i = 1; i <= 4; ++i) EXPECT_DOUBLE_EQ(x[i], c.x[i]) << c.region << " " << i;
  }
}

TEST(Pegelsmse, PenaltiesGrowFromTheViolatedBound) {
  PegelsState& P = OnTheSeries(Trend::kNone);
  P.l[0] = 10.0;
  double x[4] = {};
  Pegelsstart(P, x);
  x[1] = 0.05;
  EXPECT_DOUBLE_EQ(Pegelsmse(P, x), (0.1 + 1 - 0.05) * 1e10);
  x[1] = 0.95;
  EXPECT_DOUBLE_EQ(Pegelsmse(P, x), (0.95 + 1 - 0.9) * 1e10);
  x[1] = 0.9;
  EXPECT_LT(Pegelsmse(P, x), 1e10);

  // In the admissible region the box is lifted unless the bounds fix the parameter.
  x[1] = 0.05;
  P.admissibleRegion = true;
  EXPECT_LT(Pegelsmse(P, x), 1e10);
  P.lower[1] = P.upper[1] = 0.5;
  Pegelsstart(P, x);
  x[1] = 0.6;
  EXPECT_GE(Pegelsmse(P, x), 1e10);
}

TEST(Pegelsmse, DampingStaysStrictlyInsideItsRange) {
  PegelsState& P = OnTheSeries(Trend::kDamped);
  P.l[0] = 10.0;
  P.b[0] = 0.5;
  double x[4] = {};
  Pegelsstart(P, x);
  x[1] = 0.5;
  x[2] = 0.3;
  x[3] = 0.3;
  EXPECT_DOUBLE_EQ(Pegelsmse(P, x), 1e10);
  x[3] = 1.0;
  EXPECT_DOUBLE_EQ(Pegelsmse(P, x), 1e10);
  x[3] = 0.95;
  EXPECT_LT(Pegelsmse(P, x), 1e10);
  EXPECT_EQ(P.par[4], 0.95);
}

TEST(Pegelsmse, CriteriaSelectTheirStatistic) {
  PegelsState& P = OnTheSeries(Trend::kNone);
  P.l[0] = 10.0;
  double x[2] = {};
  Pegelsstart(P, x);
  x[1] = 0.4;
  for (int c = 1; c <= 5; ++c) {
    P.optimizationCriterion = static_cast<Criterion>(c);
    const double value = Pegelsmse(P, x);
    const double want[6] = {0, P.mse[1], P.amse, P.sigma, P.mape, -P.logLik};
    EXPECT_EQ(value, want[c]) << "criterion " << c;
  }
  P.optimizationCriterion = static_cast<Criterion>(9);
  P.status = 0;
  EXPECT_EQ(Pegelsmse(P, x), P.mse[1]);
  EXPECT_EQ(P.status, kUnknownCriterion);
}

// One-step MSE of simple smoothing from the least-squares line through the first 10 points,
// computed here without the engine.
double SimpleSmoothingMse(double alpha, int n) {
  double tbar = 5.5;
  double ybar = 0.0;
  for (int t = 1; t <= 10; ++t) ybar += kSeries[t] / 10.0;
  double num = 0.0;
  double den = 0.0;
  for (int t = 1; t <= 10; ++t) {
    num += (t - tbar) * kSeries[t];
    den += (t - tbar) * (t - tbar);
  }
  double level = ybar - num / den * tbar;
  double sum = 0.0;
  for (int t = 1; t <= n; ++t) {
    const double e = kSeries[t] - level;
    sum += e * e;
    level += alpha * e;
  }
  return sum / n;
}

TEST(pegelsopt2, SimpleSmoothingReachesTheGridMinimum) {
  MessageCapture capture;
  PegelsState& P = OnTheSeries(Trend::kNone);
  P.optimizationCriterion = Criterion::kMse;
  P.initializationMethod = Initialization::kHeuristic;
  ASSERT_EQ(pegelsopt2(P), 1);
  double best = 1e300;
  double argbest = 0.0;
  for (int i = 0; i <= 1600; ++i) {
    const double a = 0.1 + 0.8 * i / 1600.0;
    const double v = SimpleSmoothingMse(a, 20);
    if (v < best) {
      best = v;
      argbest = a;
    }
  }
  // The minimiser's value may undercut the grid's, never exceed it by more than the grid's
  // resolution allows (the MSE is smooth: a step of 5e-4 in alpha changes it by about 1e-7).
  EXPECT_LE(P.mse[1], best + 1e-9);
  EXPECT_NEAR(P.par[1], argbest, 1e-3);
  EXPECT_NEAR(P.mse[1], SimpleSmoothingMse(P.par[1], 20), testing::kRecursion);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(pegelsopt2, EstimatedStatesNeverFitWorse) {
  MessageCapture capture;
  PegelsState& P = OnTheSeries(Trend::kAdditive);
  P.optimizationCriterion = Criterion::kMse;
  P.initializationMethod = Initialization::kHeuristic;
  ASSERT_EQ(pegelsopt2(P), 1);
  const double heuristic = P.mse[1];
  P.initializationMethod = Initialization::kEstimated;
  ASSERT_EQ(pegelsopt2(P), 1);
  // The second stage starts from the first stage's optimum.
  EXPECT_LE(P.mse[1], heuristic * (1 + 1e-12));
  EXPECT_EQ(P.initializationMethod, Initialization::kEstimated);
}

TEST(pegelsopt2, ZerosRefuseMultiplicativeModels) {
  MessageCapture capture;
  PegelsState& P = OnTheSeries(Trend::kMultiplicative);
  P.hasZeros = 1;
  EXPECT_EQ(pegelsopt2(P), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Error in pegelsopt2");
  EXPECT_EQ(capture.messages()[0].text,
            "**** Zeros in data ****\n ...Cannot estimate multiplicative model");
  // An additive model is still estimated.
  P.trendType = Trend::kAdditive;
  EXPECT_EQ(pegelsopt2(P), 1);
}

}  // namespace
}  // namespace vordex::smoothing
