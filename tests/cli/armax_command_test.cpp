#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/tolerances.h"

namespace vordex::cli {
namespace {

using testing::kPeerCoefficient;
using testing::kPeerLogLik;

Outcome RunArmax(std::vector<const char*> args) {
  args.insert(args.begin(), "armax");
  return RunTool(args);
}

TEST(ArmaxCommand, DefaultsFitTheAirlineModel) {
  // Default input is the airline series (frequency 12), default model log (0,1,1)(0,1,1)12.
  const Outcome o = RunArmax({"--horizon", "3", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto j = nlohmann::json::parse(o.out);
  ASSERT_EQ(j["forecasts"].size(), 3u);
  EXPECT_EQ(j["forecasts"][0]["t"], 145);
  ASSERT_EQ(j["coefficients"].size(), 2u);
  // R 4.2 forecast::Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(j["coefficients"]["ma1"].get<double>(), 0.4018, kPeerCoefficient);
  EXPECT_NEAR(j["coefficients"]["sma1"].get<double>(), 0.5569, kPeerCoefficient);
  EXPECT_NEAR(j["statistics"]["log_likelihood"].get<double>(), 244.70, kPeerLogLik);
  // f$aic of that call, -483.39906: two coefficients and sigma2 counted.
  EXPECT_NEAR(j["statistics"]["aic"].get<double>(), -483.39906, 2 * kPeerLogLik);
  // The default levels' limits, nested around the forecast.
  for (const auto& row : j["forecasts"]) {
    EXPECT_LT(row["lower_95"].get<double>(), row["lower_80"].get<double>());
    EXPECT_LT(row["lower_80"].get<double>(), row["mean"].get<double>());
    EXPECT_LT(row["mean"].get<double>(), row["upper_80"].get<double>());
    EXPECT_LT(row["upper_80"].get<double>(), row["upper_95"].get<double>());
  }
}

TEST(ArmaxCommand, ConstantAndOrdersAppearInTheCoefficients) {
  const Outcome o = RunArmax({"--order", "1", "0", "0", "--seasonal", "0", "0", "0", "--constant",
                              "--transform", "none", "--format", "csv"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\nar1,"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\nconstant,"), std::string::npos) << o.out;
}

TEST(ArmaxCommand, RejectedSettingsExitNonZeroWithTheMessage) {
  const Outcome o = RunArmax({"--order", "12", "0", "0"});
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("Inappropriate (p,q) values for seasonal model"), std::string::npos)
      << o.err;
  EXPECT_TRUE(o.out.empty());
}

}  // namespace
}  // namespace vordex::cli
