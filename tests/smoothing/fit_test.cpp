#include "smoothing/fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <vector>

#include "support/capture.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::kClosedForm;
using testing::MessageCapture;

// Simple smoothing with additive errors: smoothing parameter alpha, initial level l0, the
// observations y in P.y[1..n], period s and three multi-step horizons.
PegelsState& SimpleSmoothing(const std::vector<double>& y, double alpha, double l0, int s = 1) {
  PegelsState& P = FreshPegels(static_cast<int>(y.size()), s, 3, ErrorForm::kAdditive, Trend::kNone,
                               Season::kNone);
  P.par[1] = alpha;
  P.l[0] = l0;
  for (std::size_t t = 0; t < y.size(); ++t) P.y[t + 1] = y[t];
  return P;
}

TEST(Pegelsforecast, TrendAndSeasonFormsFollowTheirClosedForms) {
  const struct {
    Trend trend;
    Season season;
    int s;
    double phi, trend_value;
    std::vector<double> seas, out;  // out[1..]
  } cases[] = {
      // Damped: the first step adds the whole trend, then 0.5 and 0.25 of it.
      {Trend::kDamped, Season::kNone, 1, 0.5, 1.0, {0.0}, {11.0, 11.5, 11.75}},
      {Trend::kAdditive, Season::kNone, 1, 1.0, 1.0, {0.0}, {11.0, 12.0, 13.0}},
      {Trend::kMultiplicative, Season::kNone, 1, 1.0, 1.1, {0.0}, {11.0, 12.1, 13.31}},
      {Trend::kNone, Season::kNone, 1, 1.0, 5.0, {0.0}, {10.0, 10.0}},
      // Seasonal values cycle with the period.
      {Trend::kNone, Season::kAdditive, 2, 1.0, 0.0, {1.0, -1.0}, {11.0, 9.0, 11.0}},
      {Trend::kAdditive,
       Season::kMultiplicative,
       2,
       1.0,
       2.0,
       {1.5, 0.5},
       {12.0 * 1.5, 14.0 * 0.5, 16.0 * 1.5, 18.0 * 0.5}},
  };
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(1, c.s, 3, ErrorForm::kAdditive, c.trend, c.season);
    P.par[4] = c.phi;
    std::vector<double> out(c.out.size() + 1, 0.0);
    Pegelsforecast(P, 10.0, c.trend_value, c.seas.data(), static_cast<int>(c.out.size()),
                   out.data());
    for (std::size_t k = 1; k < out.size(); ++k) EXPECT_NEAR(out[k], c.out[k - 1], kClosedForm);
  }
}

TEST(Pegelsfit, OneStepOfEachRecursionWorkedByHand) {
  // Additive trend and season: P = 11, F = 13, e = 1, x = 12, l = 11.5, growth 1.5,
  // b = 1 + 0.2 * 0.5, z = 14 - 11 = 3, S = 2 + 0.1 (3 - 2). Multiplicative: P = 11, F = 13.2,
  // x = 14/1.2, l = 11 + 0.5 (14/1.2 - 11), growth l/10, b = 1.1 + 0.2 (l/10 - 1.1),
  // z = 14/11, S = 1.2 + 0.1 (14/11 - 1.2). Damped: predicted level 11, l = 11.5, growth 1.5,
  // b = 0.8 * 1 + 0.2 * (1.5 - 1).
  const double l_mm = 11.0 + 0.5 * (14.0 / 1.2 - 11.0);
  const struct {
    Trend trend;
    Season season;
    double b0, phi, y, seas0;
    double F, l, b, S;
  } cases[] = {
      // Without trend or season their states stay untouched (7 and 8 before the step).
      {Trend::kNone, Season::kNone, 0.0, 1.0, 12.0, 0.0, 10.0, 11.0, 7.0, 8.0},
      {Trend::kAdditive, Season::kAdditive, 1.0, 1.0, 14.0, 2.0, 13.0, 11.5, 1.1, 2.1},
      {Trend::kMultiplicative, Season::kMultiplicative, 1.1, 1.0, 14.0, 1.2, 13.2, l_mm,
       1.1 + 0.2 * (l_mm / 10.0 - 1.1), 1.2 + 0.1 * (14.0 / 11.0 - 1.2)},
      {Trend::kDamped, Season::kNone, 1.0, 0.8, 12.0, 0.0, 11.0, 11.5, 0.9, 8.0},
  };
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(1, 2, 3, ErrorForm::kAdditive, c.trend, c.season);
    P.par[1] = 0.5, P.par[2] = 0.2, P.par[3] = 0.1, P.par[4] = c.phi;
    P.l[0] = 10.0, P.b[0] = c.b0;
    P.seasInit[0] = c.seas0;
    P.seasInit[1] = c.season == Season::kAdditive ? -2.0 : 0.8;
    P.y[1] = c.y;
    P.b[1] = 7.0, P.S[1] = 8.0;
    ASSERT_EQ(Pegelsfit(P, 1), 1);
    EXPECT_NEAR(P.F[1], c.F, kClosedForm);
    EXPECT_NEAR(P.e[1], c.y - c.F, kClosedForm);
    EXPECT_NEAR(P.l[1], c.l, kClosedForm);
    EXPECT_NEAR(P.b[1], c.b, kClosedForm);
    EXPECT_NEAR(P.S[1], c.S, kClosedForm);
  }
}

TEST(Pegelsfit, ErrorFormsGiveTheirVariancesAndLikelihoods) {
  // Simple smoothing, alpha 0.5, l[0] = 10, y = 12, 9: F = 10, 11 and e = 2, -2.
  PegelsState& P = SimpleSmoothing({12.0, 9.0}, 0.5, 10.0);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  const double c = 1.0 + std::log(2.0 * M_PI);
  EXPECT_DOUBLE_EQ(P.F[2], 11.0);
  EXPECT_DOUBLE_EQ(P.sigma, 2.0);
  EXPECT_NEAR(P.logLik, -0.5 * 2.0 * (std::log(4.0) + c), kClosedForm);
  // AIC with one parameter.
  EXPECT_NEAR(P.icValue, -2.0 * P.logLik + 2.0, kClosedForm);
  EXPECT_NEAR(P.mape, 100.0 * (2.0 / 12.0 + 2.0 / 9.0) / 2.0, kClosedForm);
  // mse[1] over e = 2, -2; mse[2] over the one 2-step error 9 - 10; mse[3] has no forecast.
  EXPECT_EQ(std::vector<double>(P.mse + 1, P.mse + 4), (std::vector<double>{4.0, 1.0, 0.0}));
  EXPECT_DOUBLE_EQ(P.amse, 2.5);
  P.hasZeros = 1;  // zeros make the MAPE huge
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_EQ(P.mape, 1e10);

  // Multiplicative errors: relative errors 0.2 and -2/11, and the Jacobian term ln 10 + ln 11.
  P.modelType = ErrorForm::kMultiplicative;
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  const double v = (0.04 + 4.0 / 121.0) / 2.0;
  EXPECT_NEAR(P.sigma, std::sqrt(v), kClosedForm);
  EXPECT_NEAR(P.logLik, -0.5 * (2.0 * (std::log(v) + c) + 2.0 * std::log(110.0)), kClosedForm);
  // The one-step MSE is the same whatever the error form.
  EXPECT_DOUBLE_EQ(P.mse[1], 4.0);
}

TEST(Pegelsfit, MultiStepErrorsCountForecastsInsideTheData) {
  // Simple smoothing: every k-step forecast from origin t - k is the level l[t - k], so
  // mse[k] is the mean of (y[t] - l[t - k])^2 over t = k .. n.
  const double y[11] = {0, 3, 5, 4, 6, 8, 7, 9, 12, 10, 11};
  PegelsState& P = SimpleSmoothing(std::vector<double>(std::begin(y) + 1, std::end(y)), 0.3, 2.0);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  double level[11];
  level[0] = 2.0;
  for (int t = 1; t <= 10; ++t) level[t] = level[t - 1] + 0.3 * (y[t] - level[t - 1]);
  double amse = 0.0;
  for (int k = 1; k <= 3; ++k) {
    double sum = 0.0;
    for (int t = k; t <= 10; ++t) sum += (y[t] - level[t - k]) * (y[t] - level[t - k]);
    EXPECT_NEAR(P.mse[k], sum / (10 - k + 1), testing::kRecursion) << "k = " << k;
    amse += sum / (10 - k + 1) / 3.0;
  }
  EXPECT_NEAR(P.amse, amse, testing::kRecursion);
}

TEST(Pegelsfit, HorizonsBeyondTheDataHaveNoMultiStepError) {
  PegelsState& P = SimpleSmoothing({12.0, 9.0}, 0.5, 10.0);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  // mse[1] over e = 2, -2; mse[2] over the one 2-step error 9 - 10; mse[3] has no forecast.
  EXPECT_DOUBLE_EQ(P.mse[1], 4.0);
  EXPECT_DOUBLE_EQ(P.mse[2], 1.0);
  EXPECT_DOUBLE_EQ(P.mse[3], 0.0);
  EXPECT_DOUBLE_EQ(P.amse, 2.5);
  EXPECT_TRUE(std::isfinite(P.amse));
}

TEST(Pegelsfit, AMissingValueIsPredictedAndCountedNowhere) {
  // alpha = 0.5 from l0 = 10 over 12, NaN, 9: forecasts 10, 11, 11 (the level stays 11 through the
  // gap), errors 2, NaN, -2. k-step errors of the observed values only: mse[2] has the one
  // 2-step forecast of y[3] (origin 1: 11), mse[3] that of origin 0 (10).
  PegelsState& P = SimpleSmoothing({12.0, std::nan(""), 9.0}, 0.5, 10.0);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_EQ(P.nobs, 2);
  EXPECT_EQ(P.F[2], 11.0);
  EXPECT_TRUE(std::isnan(P.e[2]));
  EXPECT_EQ(P.l[2], 11.0);
  EXPECT_EQ(P.l[3], 10.0);
  EXPECT_EQ(P.mse[1], 4.0);
  EXPECT_EQ(P.mse[2], 4.0);
  EXPECT_EQ(P.mse[3], 1.0);
  EXPECT_EQ(P.amse, 3.0);
  EXPECT_NEAR(P.logLik, -(std::log(4.0) + 1.0 + std::log(2.0 * M_PI)), kClosedForm);

  // A damped trend through a gap: the level takes the prediction, the trend is damped once.
  PegelsState& D = FreshPegels(2, 1, 3, ErrorForm::kAdditive, Trend::kDamped, Season::kNone);
  D.par[1] = 0.5;
  D.par[2] = 0.2;
  D.par[4] = 0.5;
  D.l[0] = 10.0;
  D.b[0] = 2.0;
  D.y[1] = std::nan("");
  D.y[2] = 13.0;
  ASSERT_EQ(Pegelsfit(D, 1), 1);
  EXPECT_EQ(D.l[1], 12.0);
  EXPECT_EQ(D.b[1], 1.0);
  EXPECT_EQ(D.F[2], 13.0);
  EXPECT_EQ(D.b[2], 0.5);
}

TEST(Pegelsfit, SeasonalSliceTakesInitialIndicesThenEarlierStates) {
  // alpha = 0 keeps the level at l[0], so the forecast of y[u] from any origin within one cycle
  // is l[0] plus the seasonal value of time u: seasInit for the first cycle, then S[u - s].
  const int n = 9;
  const int s = 4;
  const double y[n + 1] = {0, 12, 7, 11, 9, 13, 6, 12, 8, 14};
  PegelsState& P = FreshPegels(n, s, 4, ErrorForm::kAdditive, Trend::kNone, Season::kAdditive);
  P.par[1] = 0.0;
  P.par[3] = 0.5;
  P.l[0] = 10.0;
  const double init[s] = {2.0, -3.0, 1.5, -0.5};
  for (int k = 0; k < s; ++k) P.seasInit[k] = init[k];
  for (int t = 1; t <= n; ++t) P.y[t] = y[t];
  ASSERT_EQ(Pegelsfit(P, 1), 1);

  double base[n + 1];
  double S[n + 1];
  for (int t = 1; t <= n; ++t) {
    base[t] = t <= s ? init[t - 1] : S[t - s];
    S[t] = base[t] + 0.5 * (y[t] - 10.0 - base[t]);
    EXPECT_NEAR(P.S[t], S[t], kClosedForm) << "t = " << t;
  }
  for (int k = 1; k <= 4; ++k) {
    double sum = 0.0;
    for (int u = k; u <= n; ++u) sum += (y[u] - 10.0 - base[u]) * (y[u] - 10.0 - base[u]);
    EXPECT_NEAR(P.mse[k], sum / (n - k + 1), kClosedForm) << "k = " << k;
  }
}

TEST(Pegelsfit, ExactFitHasNoLikelihood) {
  PegelsState& P = SimpleSmoothing(std::vector<double>(5, 4.0), 0.5, 4.0);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_EQ(P.sigma, 0.0);
  EXPECT_EQ(P.logLik, -5e9);
  EXPECT_EQ(P.icValue, 1e10 + 2.0);
}

TEST(Pegelsfit, PenaltyCountsSmoothingParameters) {
  PegelsState& P = FreshPegels(100, 4, 3, ErrorForm::kAdditive, Trend::kDamped, Season::kAdditive);
  P.informationCriterion = InformationCriterion::kBic;
  P.par[1] = 0.3, P.par[2] = 0.1, P.par[3] = 0.2, P.par[4] = 0.9;
  P.l[0] = 1.0;
  for (int t = 1; t <= 100; ++t) P.y[t] = 1.0 + 0.01 * t + 0.1 * std::sin(t);
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_NEAR(P.icValue - (-2.0 * P.logLik), 4.0 * std::log(100.0), kClosedForm);
  // Counting the states too: level, trend, s - 1 = 3 seasonal and sigma, 10 in all; the AICc
  // always counts them and adds 2k(k + 1)/(n - k - 1).
  P.countStates = 1;
  P.informationCriterion = InformationCriterion::kAic;
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_NEAR(P.icValue - (-2.0 * P.logLik), 20.0, kClosedForm);
  P.countStates = 0;
  P.informationCriterion = InformationCriterion::kAicc;
  ASSERT_EQ(Pegelsfit(P, 1), 1);
  EXPECT_NEAR(P.icValue - (-2.0 * P.logLik), 20.0 + 2.0 * 10.0 * 11.0 / 89.0, kClosedForm);
}

TEST(Pegelsfit, InadmissibleParametersWriteNothing) {
  MessageCapture capture;
  PegelsState& P = SimpleSmoothing({12.0}, 1.5, 10.0);
  P.F[1] = -1.0;
  EXPECT_EQ(Pegelsfit(P, 1), 0);
  EXPECT_EQ(P.F[1], -1.0);
  EXPECT_EQ(capture.size(), 0u);
  EXPECT_EQ(Pegelsfit(P, 0), 0);
  EXPECT_EQ(capture.size(), 1u);
}

}  // namespace
}  // namespace vordex::smoothing
