// The typed ARIMA interface: defaults, and failures as exceptions carrying status and messages.
#include "vordex/arima.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/capture.h"
#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using vordex::testing::Airline;

TEST(ArimaFit, DefaultsAreTheAirlineModel) {
  const Result r = Fit(Airline());
  // R 4.2.1, forecast 8.20, Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(r.ma.at(0), 0.4018, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.seasonal_ma.at(0), 0.5569, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.log_likelihood, 244.70, vordex::testing::kPeerLogLik);
  EXPECT_NEAR(r.sigma2, 0.001348, 1e-6);
  EXPECT_EQ(r.mean.size(), 24u);
  EXPECT_EQ(r.lost, 13);
  EXPECT_TRUE(std::isnan(r.residuals[12]) && !std::isnan(r.residuals[13]));
  EXPECT_FALSE(r.constant.has_value());
  EXPECT_TRUE(r.warnings.empty());
  // R counts ma1, sma1 and sigma2 over the 131 differenced values; the same call prints AIC
  // -483.40, AICc -483.21 and BIC -474.77 at its own optimum.
  EXPECT_NEAR(r.aic, -483.40, 2 * vordex::testing::kPeerLogLik);
  EXPECT_NEAR(r.aicc - r.aic, -483.21 + 483.40, 0.005);
  EXPECT_NEAR(r.bic - r.aic, -474.77 + 483.40, 0.005);
}

TEST(ArimaFit, FittedValuesAreOnTheObservationsScaleAndLimitsFollowTheirLevels) {
  const std::vector<double> y = Airline();
  const Result r = Fit(y, {.horizon = 6, .levels = {80.0, 95.0}});
  // Residuals are on the log scale: the log of a fitted value plus its residual is the log of
  // the observation.
  for (std::size_t t = 13; t < y.size(); ++t)
    EXPECT_NEAR(std::log(r.fitted[t]) + r.residuals[t], std::log(y[t]), 1e-12) << t;
  EXPECT_TRUE(std::isnan(r.fitted[12]));
  // On the log scale each limit lies z standard errors from the forecast: the half-widths of the
  // two levels stand in the ratio of their normal quantiles, qnorm(0.9) / qnorm(0.975).
  ASSERT_EQ(r.limits.size(), 2u);
  EXPECT_EQ(r.limits[0].level, 80.0);
  for (std::size_t h = 0; h < 6; ++h) {
    const double w80 = std::log(r.limits[0].upper[h]) - std::log(r.mean[h]);
    const double w95 = std::log(r.limits[1].upper[h]) - std::log(r.mean[h]);
    EXPECT_NEAR(w80 / w95, 1.2815515655446004 / 1.9599639845400536, 1e-12);
  }
  // A critical value replaces the levels with one pair labelled by its normal coverage.
  const Result c = Fit(y, {.horizon = 1, .critical_value = 1.959963984540054});
  ASSERT_EQ(c.limits.size(), 1u);
  EXPECT_NEAR(c.limits[0].level, 95.0, 1e-9);
  EXPECT_THROW(Fit(y, {.levels = {95.0, 100.0}}), Error);
}

TEST(ArimaFit, FailuresThrowWithStatusTextAndMessagesWithoutShowingThem) {
  testing::MessageCapture shown;
  Settings settings;
  settings.P = 1;
  settings.period = 1;
  try {
    Fit(Airline(), settings);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kArimaSeasonalForNonSeasonal);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Arima Error");
    EXPECT_EQ(e.messages()[0].text, "Seasonal model requested for non-seasonal data");
  }
  // The driver's failures keep the export's text and the box they raised.
  try {
    Fit(std::vector<double>(144, 0.0), {.transform = Transform::kNone});
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.text(), "Failure in Arimamain:\nModel could not be estimated");
    ASSERT_FALSE(e.messages().empty());
    EXPECT_EQ(e.messages()[0].text,
              "All transformed observations are zero: the series cannot be scaled");
  }
  // Beyond the export's limits: horizons and series up to ten million.
  Settings huge;
  huge.horizon = 10'000'001;
  try {
    Fit(Airline(), huge);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kArimaHorizonTooLarge);
  }
  huge = Settings{};
  huge.P = 3;
  huge.period = 2'000'000'000;  // p + P s would overflow 32 bits
  EXPECT_THROW(Fit(Airline(), huge), Error);
  EXPECT_EQ(shown.size(), 0u);
}

}  // namespace
}  // namespace vordex::arima
