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
  EXPECT_EQ(r.forecasts.size(), 24u);
  EXPECT_EQ(r.missing, 13);
  EXPECT_TRUE(std::isnan(r.residuals[12]) && !std::isnan(r.residuals[13]));
  EXPECT_FALSE(r.constant.has_value());
  EXPECT_TRUE(r.warnings.empty());
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
  std::vector<double> y = Airline();
  y[10] = std::nan("");
  try {
    Fit(y);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.host_text(), "Failure in Arimamain:\nModel could not be estimated");
    ASSERT_FALSE(e.messages().empty());
    EXPECT_EQ(e.messages()[0].text, "Observations must be finite numbers (no NaN or infinity)");
  }
  // Settings beyond what a 16-bit option could hold are refused by the checker, not wrapped.
  Settings huge;
  huge.horizon = 40000;
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
