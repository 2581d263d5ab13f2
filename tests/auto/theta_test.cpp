#include "auto/theta.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::automatic {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerForecast;
using vordex::testing::kRecursion;

// R 4.2.2, forecast 8.20: f <- thetaf(x, h = 6); f$mean, and f$model$sigma times (n - 2) for the
// sum of squared SES errors (thetaf's "sigma" holds sigma2).
TEST(Theta, AgreesWithThetafOnASeasonalAndANonSeasonalSeries) {
  struct Case {
    std::string dataset;
    int period;
    bool seasonal;
    std::vector<double> mean;
    double sse;
  };
  const Case cases[] = {
      {"nile",
       1,
       false,
       {799.811996, 798.454844, 797.097691, 795.740538, 794.383385, 793.026233},
       2038674.4383},
      {"usaccdeaths",
       12,
       true,
       {8270.693806, 7508.923867, 8322.124807, 8554.143505, 9450.092974, 9870.933620},
       4771099.5312}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataset);
    const std::vector<double> y = testing::LoadDataset(c.dataset);
    const Outcome<ThetaResult> r = Theta({.period = c.period, .horizon = 6}, y);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.seasonal, c.seasonal);
    for (std::size_t h = 0; h < c.mean.size(); ++h)
      EXPECT_NEAR(r.value.forecasts[h], c.mean[h], kPeerForecast * c.mean[h]);
    EXPECT_LE(r.value.sigma2 * (y.size() - 2.0), c.sse);
  }
}

// y = 100 s_t with indices s of mean 1: the moving average over a cycle is 100, the ratios are
// the indices, the adjusted series is flat, so the forecasts are 100 s and the limits collapse.
TEST(Theta, RecoversAnExactMultiplicativePattern) {
  const double s[4] = {0.7, 1.2, 0.9, 1.2};
  std::vector<double> y;
  for (int t = 0; t < 40; ++t) y.push_back(100.0 * s[t % 4]);
  const ThetaResult r = Theta({.period = 4, .horizon = 6}, y).value;
  ASSERT_TRUE(r.seasonal);
  for (int j = 0; j < 4; ++j) EXPECT_NEAR(r.seasonal_indices[j], s[j], kClosedForm);
  EXPECT_NEAR(r.drift, 0.0, kClosedForm);
  for (int h = 0; h < 6; ++h) {
    EXPECT_NEAR(r.forecasts[h], 100.0 * s[(40 + h) % 4], kRecursion);
    EXPECT_NEAR(r.limits[1].upper[h] - r.limits[1].lower[h], 0.0, kRecursion);
  }
}

TEST(Theta, ScalesWithTheDataAndWidensTheLimitsAsSmoothingDoes) {
  const std::vector<double> y = testing::LoadDataset("nile");
  std::vector<double> scaled(y.size());
  for (std::size_t t = 0; t < y.size(); ++t) scaled[t] = 1e-3 * y[t];
  const ThetaResult a = Theta({.period = 1, .horizon = 4, .levels = {80.0}}, y).value;
  const ThetaResult b = Theta({.period = 1, .horizon = 4, .levels = {80.0}}, scaled).value;
  EXPECT_NEAR(a.alpha, b.alpha, 1e-6);
  for (int h = 0; h < 4; ++h) {
    EXPECT_NEAR(1e-3 * a.forecasts[h], b.forecasts[h], 1e-6 * b.forecasts[h]);
    EXPECT_NEAR(1e-3 * a.limits[0].lower[h], b.limits[0].lower[h], 1e-6 * b.forecasts[h]);
  }
  // Variance sigma2 (1 + (h - 1) alpha^2) at step h; 80% limits lie 1.2816 sigma_h either side.
  const double w1 = a.limits[0].upper[0] - a.limits[0].lower[0];
  EXPECT_NEAR(w1, 2.0 * 1.2815515655446004 * std::sqrt(a.sigma2), kRecursion * w1);
  EXPECT_NEAR((a.limits[0].upper[3] - a.limits[0].lower[3]) / w1, std::sqrt(1.0 + 3.0 * a.alpha * a.alpha), kRecursion);
}

TEST(Theta, RefusesBadRequests) {
  const std::vector<double> y = testing::LoadDataset("nile");
  EXPECT_EQ(Theta({}, std::vector<double>{1.0, 2.0}).text, "Theta: fewer than 3 observed values");
  EXPECT_EQ(Theta({.period = 0}, y).text, "Theta: the period is below 1");
  EXPECT_EQ(Theta({.horizon = -1}, y).text, "Theta: the horizon is negative");
  EXPECT_EQ(Theta({.levels = {100.0}}, y).text, "Theta: the level is not between 0 and 100");
  EXPECT_FALSE(Theta({.seasonality_level = 1.5}, y).ok());
  EXPECT_EQ(Theta({}, std::vector<double>{1.0, INFINITY, 3.0}).text, "Theta: a value is infinite");
}

}  // namespace
}  // namespace vordex::automatic

namespace vordex::automatic {
namespace {

TEST(Theta, FillsGapsBeforeFittingAndLeavesTheirResidualsMissing) {
  std::vector<double> y = testing::LoadDataset("airline");
  const ThetaResult whole = Theta({.period = 12, .horizon = 3}, y).value;
  y[60] = NAN;
  const Outcome<ThetaResult> gap = Theta({.period = 12, .horizon = 3}, y);
  ASSERT_TRUE(gap.ok()) << gap.text;
  EXPECT_TRUE(std::isnan(gap.value.residuals[60]));
  EXPECT_FALSE(std::isnan(gap.value.fitted[60]));
  // One value filled in of 144 moves the forecasts by little (0.5% here).
  for (int h = 0; h < 3; ++h)
    EXPECT_NEAR(gap.value.forecasts[h], whole.forecasts[h], 5e-3 * whole.forecasts[h]);
}

}  // namespace
}  // namespace vordex::automatic
