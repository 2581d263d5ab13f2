#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/temp_file.h"
#include "support/tolerances.h"
#include "vordex/forecast.hpp"

namespace vordex::cli {
namespace {

using testing::kPeerCoefficient;
using testing::kPeerLogLik;

Outcome RunArima(std::vector<const char*> args) {
  args.insert(args.begin(), "arima");
  return RunTool(args);
}

// Normal quantiles of the default levels, R 4.2.2: qnorm(c(0.9, 0.975)).
constexpr double kZ80 = 1.2815515655446008;
constexpr double kZ95 = 1.9599639845400536;
// The limits pass through exp and a normal quantile approximation.
constexpr double kLimitRatio = testing::kRecursion;
// Information criteria are -2 log-likelihood plus a count: twice the likelihood's tolerance.
constexpr double kPeerCriterion = 2 * kPeerLogLik;

nlohmann::json Json(const Outcome& o) {
  EXPECT_EQ(o.status, 0) << o.err;
  return o.status == 0 ? nlohmann::json::parse(o.out) : nlohmann::json();
}

TEST(ArimaCommand, AirlineModelAsAskedForInJson) {
  const auto j = Json(RunArima({"--order", "0,1,1", "--seasonal", "0,1,1", "--period", "12",
                                "--transform", "log", "--dataset", "airline", "--format", "json"}));
  ASSERT_FALSE(j.is_null());
  // Coefficients and statistics are objects keyed by name.
  ASSERT_EQ(j["coefficients"].size(), 2u);
  // R 4.2 forecast::Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(j["coefficients"]["ma1"].get<double>(), 0.4018, kPeerCoefficient);
  EXPECT_NEAR(j["coefficients"]["sma1"].get<double>(), 0.5569, kPeerCoefficient);
  EXPECT_NEAR(j["statistics"]["log_likelihood"].get<double>(), 244.70, kPeerLogLik);
  ASSERT_EQ(j["forecasts"].size(), static_cast<std::size_t>(kDefaultHorizon));
  EXPECT_EQ(j["forecasts"][0]["t"], 145);
  // On the log scale each level's limits lie its normal quantile of standard errors from the
  // forecast, on both sides: the 80% and 95% columns are those levels' limits.
  for (const auto& row : j["forecasts"]) {
    const double m = std::log(row["mean"].get<double>());
    const double up80 = std::log(row["upper_80"].get<double>()) - m;
    EXPECT_NEAR(m - std::log(row["lower_80"].get<double>()), up80, kLimitRatio * up80);
    EXPECT_NEAR((std::log(row["upper_95"].get<double>()) - m) / up80, kZ95 / kZ80, kLimitRatio);
    EXPECT_NEAR((m - std::log(row["lower_95"].get<double>())) / up80, kZ95 / kZ80, kLimitRatio);
  }
}

TEST(ArimaCommand, InformationCriteriaCountCoefficientsConstantAndSigma2AsR) {
  struct Case {
    std::vector<const char*> args;
    double aic, aicc, bic;  // R 4.2.2, forecast 8.20: f$aic, f$aicc, f$bic of the call named
  };
  const Case cases[] = {
      // Arima(log(AirPassengers), c(0,1,1), seasonal = c(0,1,1), method = "ML")
      {{"--dataset", "airline"}, -483.39906, -483.21008, -474.77347},
      // Arima(Nile, c(1,0,1), include.mean = TRUE, method = "ML"); --mean is the former name.
      {{"--dataset", "nile", "--order", "1,0,1", "--transform", "none", "--constant"},
       1282.078,
       1282.499,
       1292.498},
      {{"--dataset", "nile", "--order", "1,0,1", "--transform", "none", "--mean"},
       1282.078,
       1282.499,
       1292.498},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = c.args;
    args.insert(args.end(), {"--format", "json", "--horizon", "1"});
    const auto j = Json(RunArima(args));
    ASSERT_FALSE(j.is_null()) << c.args[1];
    EXPECT_NEAR(j["statistics"]["aic"].get<double>(), c.aic, kPeerCriterion) << c.args.back();
    EXPECT_NEAR(j["statistics"]["aicc"].get<double>(), c.aicc, kPeerCriterion) << c.args.back();
    EXPECT_NEAR(j["statistics"]["bic"].get<double>(), c.bic, kPeerCriterion) << c.args.back();
    // The constant is a coefficient; annual data have no seasonal part.
    EXPECT_EQ(j["coefficients"].contains("constant"), c.args[1] == std::string("nile"));
    EXPECT_EQ(j["coefficients"].contains("sma1"), c.args[1] == std::string("airline"));
  }
}

TEST(ArimaCommand, CriticalValueReplacesTheLevels) {
  // qnorm(0.975) standard errors are the 95% limits.
  const auto critical = Json(RunArima({"--critical", "1.9599639845400536", "--format", "json"}));
  const auto level = Json(RunArima({"--level", "95", "--format", "json"}));
  ASSERT_FALSE(critical.is_null());
  ASSERT_FALSE(level.is_null());
  const auto& row = critical["forecasts"][3];
  EXPECT_EQ(row.size(), 4u) << row;  // t, mean and one pair
  EXPECT_NEAR(row["upper_95"].get<double>(), level["forecasts"][3]["upper_95"].get<double>(),
              kLimitRatio * row["upper_95"].get<double>());
  EXPECT_NE(RunArima({"--critical", "2", "--level", "90"}).status, 0);
}

TEST(ArimaCommand, RejectedSettingsExitNonZeroWithTheMessage) {
  const Outcome o = RunArima({"--dataset", "nile", "--seasonal", "1,0,0"});
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("Arima Error: Seasonal model requested for non-seasonal data"),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("(arima_seasonal_for_non_seasonal)"), std::string::npos) << o.err;
  EXPECT_TRUE(o.out.empty());
}

TEST(ArimaCommand, ADatedFileContinuesItsDatesWithTheCalendarsPeriod) {
  // The UK gas series from 1960-Q1 beside a text column: the values are the first numeric
  // column, the period that of quarters, and the fit that of the embedded series (frequency 4).
  const auto path = testing::UniqueTempPath("arima_dated");
  {
    std::ofstream file(path);
    file << "region,quarter,gas\n";
    const Outcome series = RunTool({"series", "--dataset", "ukgas", "--format", "json"});
    const auto rows = nlohmann::json::parse(series.out)["series"];
    for (std::size_t k = 0; k < rows.size(); ++k)
      file << "uk," << 1960 + k / 4 << "-Q" << k % 4 + 1 << "," << rows[k]["ukgas"] << "\n";
  }
  const std::string name = path.string();
  const Outcome dated = RunArima({name.c_str(), "--horizon", "2", "--format", "json"});
  const Outcome embedded = RunArima({"--dataset", "ukgas", "--horizon", "2", "--format", "json"});
  std::filesystem::remove(path);
  ASSERT_EQ(dated.status, 0) << dated.err;
  EXPECT_EQ(dated.err, "vordex arima: " + name +
                           ": column \"gas\" (the first numeric one), times from \"quarter\" "
                           "(quarters, period 4)\n");
  const auto j = nlohmann::json::parse(dated.out);
  const auto e = nlohmann::json::parse(embedded.out);
  EXPECT_EQ(j["coefficients"], e["coefficients"]);
  EXPECT_EQ(j["forecasts"][0]["time"], "1987-Q1");
  EXPECT_EQ(j["forecasts"][1]["time"], "1987-Q2");
  EXPECT_EQ(j["forecasts"][1]["mean"], e["forecasts"][1]["mean"]);
}

TEST(ArimaCommand, RefusedDataExitsNonZeroWithTheReason) {
  // The logarithm of a series with a zero: refused, naming the value.
  const auto path = testing::UniqueTempPath("arima_zero");
  {
    std::ofstream file(path);
    file << "y\n3\n0\n2\n5\n4\n6\n";
  }
  const std::string name = path.string();
  const Outcome o = RunArima({name.c_str(), "--transform", "log", "--horizon", "1"});
  std::filesystem::remove(path);
  EXPECT_NE(o.status, 0);
  EXPECT_TRUE(o.out.empty());
  EXPECT_NE(o.err.find("log of zero or negative values (the observation at time 2)"),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("(invalid_data)"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace vordex::cli
