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

// A seasonal ARMA with a constant on a series with gaps, or longer than the engine's storage,
// is the ARIMA model with a mean that R fits over the observed values. R 4.2.2, stats:
//   y <- ldeaths; y[c(10, 11, 40)] <- NA; tight <- list(reltol = 1e-14, maxit = 1000)
//   fit <- arima(y, order = c(1,0,0), seasonal = c(1,0,0), include.mean = TRUE, method = "ML",
//                optim.control = tight)
//   c(fit$loglik, coef(fit), fit$sigma2); (y - residuals(fit))[72]; predict(fit, 2)
//   t <- 1:1500; x <- 10 + sin(1.3 t) + 0.5 cos(2.9 t) + 0.3 sin(0.11 t)
//   arima(x, order = c(1,0,1), include.mean = TRUE, method = "ML", optim.control = tight)
TEST(ArmaxApi, GapsAndLongSeriesAreFittedAsRsArimaWithAMean) {
  using vordex::testing::kPeerEstimate;
  std::vector<double> y = {3035, 2552, 2704, 2554, 2014, 1655, 1721, 1524, 1596, 2074, 2199, 2512,
                           2933, 2889, 2938, 2497, 1870, 1726, 1607, 1545, 1396, 1787, 2076, 2837,
                           2787, 3891, 3179, 2011, 1636, 1580, 1489, 1300, 1356, 1653, 2013, 2823,
                           3102, 2294, 2385, 2444, 1748, 1554, 1498, 1361, 1346, 1564, 1640, 2293,
                           2815, 3137, 2679, 1969, 1870, 1633, 1529, 1366, 1357, 1570, 1535, 2491,
                           3084, 2605, 2573, 2143, 1693, 1504, 1461, 1354, 1333, 1492, 1781, 1915};
  for (std::size_t t : {9u, 10u, 39u}) y[t] = std::nan("");
  const Settings seasonal{.period = 12,
                          .horizon = 2,
                          .p = 1,
                          .d = 0,
                          .q = 0,
                          .P = 1,
                          .D = 0,
                          .Q = 0,
                          .constant = true,
                          .transform = Transform::kNone,
                          .levels = {95}};
  const Result r = Fit(y, seasonal);
  EXPECT_NEAR(r.log_likelihood / -501.088323471, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.ar.at(0) / 0.51340882511, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.seasonal_ar.at(0) / 0.603155868064, 1.0, kPeerEstimate);
  EXPECT_NEAR(*r.constant / 2039.67353947, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.sigma2 / 108150.407996, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.fitted[71] / 2335.36847151, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.mean.at(1) / 2276.03683695, 1.0, kPeerEstimate);
  EXPECT_NEAR(r.limits.at(0).lower.at(0) / 1821.23817139, 1.0, kPeerEstimate);
  EXPECT_EQ(r.missing, 3);
  EXPECT_TRUE(std::isnan(r.residuals[9]) && std::isfinite(r.fitted[9]));
  EXPECT_EQ(r.series.size(), y.size());

  std::vector<double> x(1500);
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = static_cast<double>(i + 1);
    x[i] = 10 + std::sin(1.3 * t) + 0.5 * std::cos(2.9 * t) + 0.3 * std::sin(0.11 * t);
  }
  const Result l = Fit(x, {.period = 1,
                           .horizon = 0,
                           .p = 1,
                           .d = 0,
                           .q = 1,
                           .D = 0,
                           .constant = true,
                           .transform = Transform::kNone});
  EXPECT_NEAR(l.log_likelihood / -1812.63484895, 1.0, kPeerEstimate);
  // Near cancellation of the AR and MA factors the likelihood is flat in them (3e-5 seen).
  EXPECT_NEAR(l.ar.at(0), -0.12136448392, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(*l.constant / 10.0028363329, 1.0, kPeerEstimate);
}

}  // namespace
}  // namespace vordex::armax
