#include "smoothing/init.h"

#include <gtest/gtest.h>

#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::kClosedForm;

TEST(Pegelsinit, LineThroughAtMostTenObservationsGivesLevelAndTrend) {
  const auto line = [](int t) { return 2.0 + 0.5 * t; };
  const struct {
    int n;
    double (*y)(int);
    Trend trend;
    double level, b0;
  } cases[] = {
      {7, line, Trend::kAdditive, 2.0, 0.5},
      {7, line, Trend::kMultiplicative, 2.0, 0.5 / 2.0 + 1.0},
      {7, line, Trend::kNone, 2.0, 0.0},
      // A jump after the first ten points must not influence the start.
      {15, [](int t) { return t <= 10 ? 1.0 + 3.0 * t : 1000.0; }, Trend::kAdditive, 1.0, 3.0},
      // A zero intercept starts a multiplicative trend without growth.
      {6, [](int t) { return 0.5 * t; }, Trend::kMultiplicative, 0.0, 1.0},
  };
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(c.n, 1, 3, ErrorForm::kAdditive, c.trend, Season::kNone);
    for (int t = 1; t <= c.n; ++t) P.y[t] = c.y(t);
    ASSERT_EQ(Pegelsinit(P), 1);
    EXPECT_NEAR(P.l[0], c.level, kClosedForm);
    EXPECT_NEAR(P.b[0], c.b0, kClosedForm);
  }
}

TEST(Pegelsinit, SeasonalDecompositionRecoversLineAndIndices) {
  // y = 3 + 2t + season: the 2x4 centred average of a line plus indices summing to 0 is the line
  // itself, so the adjusted data are exactly 3 + 2t and the indices come back unchanged.
  const double season[4] = {1.5, -0.5, 2.0, -3.0};
  PegelsState& P =
      FreshPegels(100, 4, 3, ErrorForm::kAdditive, Trend::kAdditive, Season::kAdditive);
  for (int t = 1; t <= 100; ++t) P.y[t] = 3.0 + 2.0 * t + season[(t - 1) % 4];
  ASSERT_EQ(Pegelsinit(P), 1);
  EXPECT_NEAR(P.l[0], 3.0, testing::kRecursion);
  EXPECT_NEAR(P.b[0], 2.0, testing::kRecursion);
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(P.seasInit[k], season[k], testing::kRecursion);

  // Without seasonality in the model the same adjusted line is used and seasInit is not written.
  P.seasonalityType = Season::kNone;
  for (int k = 0; k < 4; ++k) P.seasInit[k] = 42.0;
  ASSERT_EQ(Pegelsinit(P), 1);
  EXPECT_NEAR(P.l[0], 3.0, testing::kRecursion);
  EXPECT_EQ(P.seasInit[0], 42.0);
}

TEST(Pegelsinit, TooFewDataForDecompositionGiveNeutralIndices) {
  PegelsState& P =
      FreshPegels(20, 12, 3, ErrorForm::kAdditive, Trend::kNone, Season::kMultiplicative);
  for (int t = 1; t <= 20; ++t) P.y[t] = 5.0 + t;
  for (int k = 0; k < 12; ++k) P.seasInit[k] = 42.0;
  ASSERT_EQ(Pegelsinit(P), 1);
  // The line through the raw y[1..10] = 6 .. 15.
  EXPECT_NEAR(P.l[0], 5.0, kClosedForm);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(P.seasInit[k], 1.0);
}

TEST(Pegelsfullstart, SecondStageLayoutAndReadBack) {
  PegelsState& P = FreshPegels(40, 4, 3, ErrorForm::kAdditive, Trend::kDamped, Season::kAdditive);
  P.par[1] = 0.1;
  P.par[2] = 0.2;
  P.par[3] = 0.3;
  P.par[4] = 0.9;
  P.l[0] = 5.0;
  P.b[0] = 0.5;
  const double init[4] = {1.0, -2.0, 0.5, 0.5};
  for (int k = 0; k < 4; ++k) P.seasInit[k] = init[k];
  double x[32] = {};
  ASSERT_EQ(Pegelsfullstart(P, x), 9);
  const double expected[10] = {0, 0.1, 0.2, 0.3, 0.9, 5.0, 0.5, 1.0, -2.0, 0.5};
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(x[i], expected[i]) << "position " << i;

  x[5] = 6.0;
  x[6] = 0.25;
  x[7] = 2.0;
  x[8] = -1.0;
  x[9] = 0.75;
  Pegelsreadstates(P, x);
  EXPECT_EQ(P.l[0], 6.0);
  EXPECT_EQ(P.b[0], 0.25);
  EXPECT_EQ(P.seasInit[0], 2.0);
  EXPECT_EQ(P.seasInit[2], 0.75);
  // The fourth additive index makes the sum 0.
  EXPECT_DOUBLE_EQ(P.seasInit[3], -1.75);

  P.seasonalityType = Season::kMultiplicative;
  Pegelsreadstates(P, x);
  EXPECT_DOUBLE_EQ(P.seasInit[3], 4.0 - 1.75);
}

}  // namespace
}  // namespace vordex::smoothing
