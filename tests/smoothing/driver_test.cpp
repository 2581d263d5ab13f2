#include "smoothing/driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "smoothing/random.h"
#include "support/capture.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::MessageCapture;

constexpr double kSeries[13] = {0, 12, 14, 13, 15, 17, 16, 18, 17, 19, 21, 20, 22};

PegelsState& SimpleRequest() {
  PegelsState& P = FreshPegels(12, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  for (int t = 1; t <= 12; ++t) P.y[t] = kSeries[t];
  P.h = 3;
  P.bootstrapSamples = 500;
  P.optimizationCriterion = Criterion::kMse;
  P.initializationMethod = Initialization::kHeuristic;
  P.confidenceLevels = {90.0};
  P.scale = -1.0;
  SetSeed(-11);
  return P;
}

TEST(Pegelstransform, ScalesToUnitMaximumAndRefusesWhatItCannotTransform) {
  PegelsState& P = FreshPegels(3, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  P.y[1] = -2.0, P.y[2] = 4.0, P.y[3] = 1.0;
  ASSERT_EQ(Pegelstransform(P, 1), 0);
  EXPECT_EQ(P.scale, 4.0);
  EXPECT_EQ(std::vector<double>(P.y.begin() + 1, P.y.begin() + 4),
            (std::vector<double>{-0.5, 1.0, 0.25}));
  const struct {
    Transform transform;
    double y1, y2;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {Transform::kLog, 0.0, 3.0, "Data error: Can't take log of zero or negative values"},
      {Transform::kSquareRoot, 0.0, 3.0, nullptr},  // square roots accept zeros
      {Transform::kSquareRoot, -1.0, 3.0, "Data error: Can't take sqrt of negative values"},
      {Transform::kNone, 0.0, 0.0, "Data error: data all zeros"},
  };
  for (const auto& c : cases) {
    MessageCapture capture;
    PegelsState& Q = FreshPegels(2, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
    Q.transformType = c.transform;
    Q.y[1] = c.y1, Q.y[2] = c.y2;
    EXPECT_EQ(Pegelstransform(Q, 1), c.message == nullptr ? 0 : -1);
    if (c.message == nullptr) continue;
    EXPECT_EQ(capture.messages(), (testing::Messages{{"Error in Pegelslib", c.message, 0x30u}}));
  }
}

TEST(PegelsZeroScan, JudgesTheTransformedScaledData) {
  const double x[4] = {0, 1.0, 5.0, 2.0};
  EXPECT_EQ(PegelsZeroScan(x, 3, Transform::kNone), 0);
  // ln 1 = 0.
  EXPECT_EQ(PegelsZeroScan(x, 3, Transform::kLog), 1);
  const double z[3] = {0, 0.0, 2.0};
  EXPECT_EQ(PegelsZeroScan(z, 2, Transform::kSquareRoot), 1);
  // Values the log cannot take are left to the transform's own refusal.
  EXPECT_EQ(PegelsZeroScan(z, 2, Transform::kLog), 0);
  // Missing values are passed over.
  const double gap[4] = {0, std::nan(""), 5.0, 2.0};
  EXPECT_EQ(PegelsZeroScan(gap, 3, Transform::kLog), 0);
}

TEST(Pegelsmain, ResultsComeBackOnTheDataScale) {
  MessageCapture capture;
  PegelsState& P = SimpleRequest();
  ASSERT_EQ(Pegelsmain(P, 1, 1), 1);
  EXPECT_EQ(capture.size(), 0u);
  for (int t = 1; t <= 12; ++t) {
    EXPECT_NEAR(P.y[t], kSeries[t], 1e-12 * 22);
    EXPECT_NEAR(P.e[t], P.y[t] - P.F[t], 1e-12 * 22);
  }
  // Simple smoothing forecasts the last level, l[n] = F[n] + alpha e[n], at every horizon.
  const double last = P.F[12] + P.par[1] * P.e[12];
  for (int k = 1; k <= 3; ++k) {
    EXPECT_NEAR(P.fc[k], last, 1e-12 * 22);
    EXPECT_LT(P.lo[0][k], P.fc[k]);
    EXPECT_GT(P.hi[0][k], P.fc[k]);
  }
  // Statistics on the data scale: sigma is the root one-step MSE, and the log-likelihood
  // follows from it.
  EXPECT_NEAR(P.sigma * P.sigma, P.mse[1], 1e-12 * P.mse[1]);
  const double D = 12 * (std::log(P.mse[1]) + 1.0 + std::log(2 * M_PI));
  EXPECT_NEAR(P.logLik, -0.5 * D, 1e-9);
  EXPECT_NEAR(P.icValue, D + 2.0, 1e-9);
}

TEST(Pegelsmain, LogTransformRestoresOnlyForecastsAndLimits) {
  MessageCapture capture;
  PegelsState& P = SimpleRequest();
  P.transformType = Transform::kLog;
  ASSERT_EQ(Pegelsmain(P, 1, 1), 1);
  EXPECT_NEAR(P.y[1], std::log(12.0), 1e-12);
  const double last = P.F[12] + P.par[1] * P.e[12];
  EXPECT_NEAR(P.fc[1], std::exp(last), 1e-12 * 22);
}

TEST(Pegelsmain, SinglePairOfBoundsAppliesToEveryParameter) {
  MessageCapture capture;
  PegelsState& P = SimpleRequest();
  P.boundsCount = 1;
  P.lower[1] = 0.0;
  P.upper[1] = 0.5;
  ASSERT_EQ(Pegelsmain(P, 1, 1), 1);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(P.lower[i], 0.1);
    EXPECT_EQ(P.upper[i], 0.5);
  }
  EXPECT_EQ(P.lower[4], 0.1);
  EXPECT_EQ(P.upper[4], 1.0);
  EXPECT_LE(P.par[1], 0.5);

  PegelsState& Q = SimpleRequest();
  Q.boundsCount = 1;
  Q.lower[1] = 0.3;
  Q.upper[1] = 0.2;
  ASSERT_EQ(Pegelsmain(Q, 1, 1), 1);
  EXPECT_EQ(Q.lower[1], 0.1);
  EXPECT_EQ(Q.upper[1], 0.9);
  EXPECT_EQ(Q.upper[4], 1.0);
}

TEST(Pegelsmain, NoHorizonNoSimulation) {
  MessageCapture capture;
  PegelsState& P = SimpleRequest();
  P.h = 0;
  P.lo = {{0.0, 123.0}};
  const int idum = (SetSeed(-11), Generator().idum);
  ASSERT_EQ(Pegelsmain(P, 1, 1), 1);
  EXPECT_EQ(P.lo[0][1], 123.0);
  // Not a single random number was drawn.
  EXPECT_EQ(Generator().idum, idum);
}

TEST(Pegelsmain, DataErrorsAndZerosUnderAMultiplicativeModelFailTheRequest) {
  // ln 1 = 0 is a zero, which refuses multiplicative models; ln -1 is a data error.
  for (const double y : {1.0, -1.0}) {
    MessageCapture capture;
    PegelsState& P = SimpleRequest();
    P.y[3] = y;
    P.transformType = Transform::kLog;
    P.modelType = ErrorForm::kMultiplicative;
    EXPECT_EQ(Pegelsmain(P, 1, 1), 0);
    EXPECT_EQ(P.hasZeros, y == 1.0 ? 1 : 0);
    ASSERT_EQ(capture.size(), 1u);
    EXPECT_EQ(capture.messages()[0].title, y == 1.0 ? "Error in pegelsopt2" : "Error in Pegelslib");
  }
}

TEST(Pegelsmain, UnknownCriterionFallsBackToMseWithAStopBox) {
  MessageCapture capture;
  PegelsState& P = SimpleRequest();
  P.optimizationCriterion = static_cast<Criterion>(9);
  ASSERT_EQ(Pegelsmain(P, 1, 1), 1);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{
                {"Pegelslib Warning", "Unknown criterion in Pegelsmse: MSE assumed", 0x10010u}}));
}

}  // namespace
}  // namespace vordex::smoothing
