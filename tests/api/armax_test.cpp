// The typed ARMAX interface: defaults, orders as the engine adjusts them, and failures.
#include "vordex/armax.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using vordex::testing::Airline;

TEST(ArmaxApi, DefaultsAreTheAirlineModel) {
  const Result r = Fit(Airline());
  // R 4.2.1, forecast 8.20, Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(r.ma.at(0), 0.4018, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.seasonal_ma.at(0), 0.5569, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.log_likelihood, 244.70, vordex::testing::kPeerLogLik);
  EXPECT_EQ(r.series.size(), 131u);
  EXPECT_EQ(r.limits.at(1).lower.size(), 24u);
  EXPECT_EQ(r.residuals.size(), 144u);
  // -2 log L + 2 k with two coefficients, no constant, and sigma2.
  EXPECT_DOUBLE_EQ(r.aic, -2.0 * r.log_likelihood + 6.0);
  // Residuals on the log scale: the log of a fitted value plus its residual is the log of the
  // observation.
  for (std::size_t t = 13; t < 144; ++t)
    EXPECT_NEAR(std::log(r.fitted[t]) + r.residuals[t], std::log(Airline()[t]), 1e-12) << t;
}

TEST(ArmaxApi, FailuresThrowWithStatusOrHostText) {
  Settings settings;
  settings.period = 4;
  settings.p = 4;
  try {
    Fit(std::vector<double>(20, 1.0), settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kArmaxOrderNotBelowPeriod);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Armax Error");
  }
  settings = Settings{.period = 1, .horizon = 2, .d = 0, .D = 0};
  std::vector<double> x(20, 2.0);
  x[3] = -1.0;
  try {
    Fit(x, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.text(), "Error in Armaxfe:\n-- requested transform could not be performed");
  }
}

TEST(ArmaxApi, SeasonalOrdersAreDroppedWithoutSeasonality) {
  const Settings settings{.period = 1,
                          .horizon = 0,
                          .p = 1,
                          .d = 0,
                          .q = 0,
                          .P = 1,
                          .D = 0,
                          .Q = 1,
                          .transform = Transform::kNone};
  std::vector<double> x(50);
  for (int t = 0; t < 50; ++t) x[t] = std::sin(0.8 * t) + 0.2 * std::cos(2.3 * t);
  const Result r = Fit(x, settings);
  EXPECT_EQ(r.ar.size(), 1u);
  EXPECT_TRUE(r.seasonal_ar.empty());
  EXPECT_TRUE(r.seasonal_ma.empty());
  EXPECT_FALSE(r.constant.has_value());
}

}  // namespace
}  // namespace vordex::armax
