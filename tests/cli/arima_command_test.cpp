#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/temp_file.h"
#include "support/tolerances.h"

namespace vordex::cli {
namespace {

using testing::kPeerCoefficient;
using testing::kPeerLogLik;

Outcome RunArima(std::vector<const char*> args) {
  args.insert(args.begin(), "arima");
  return RunTool(args);
}

TEST(ArimaCommand, AirlineModelAsAskedForInJson) {
  const Outcome o =
      RunArima({"--order", "0,1,1", "--seasonal", "0,1,1", "--period", "12", "--transform", "log",
                "--horizon", "24", "--dataset", "airline", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.err.empty()) << o.err;
  const auto j = nlohmann::json::parse(o.out);
  // Coefficients and statistics are objects keyed by name.
  ASSERT_EQ(j["coefficients"].size(), 2u);
  // R 4.2 forecast::Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(j["coefficients"]["ma1"].get<double>(), 0.4018, kPeerCoefficient);
  EXPECT_NEAR(j["coefficients"]["sma1"].get<double>(), 0.5569, kPeerCoefficient);
  EXPECT_NEAR(j["statistics"]["log_likelihood"].get<double>(), 244.70, kPeerLogLik);
  ASSERT_EQ(j["forecasts"].size(), 24u);
  EXPECT_EQ(j["forecasts"][0]["t"], 145);
  for (const auto& row : j["forecasts"]) {
    EXPECT_LT(row["lower"].get<double>(), row["forecast"].get<double>());
    EXPECT_GT(row["upper"].get<double>(), row["forecast"].get<double>());
  }
}

TEST(ArimaCommand, DefaultsAreTheAirlineModelWithTheSeriesOwnPeriod) {
  const Outcome o = RunArima({"--horizon", "2"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("sma1"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("forecast"), std::string::npos) << o.out;
}

TEST(ArimaCommand, MeanAddsTheConstantInCsv) {
  const Outcome o = RunArima({"--dataset", "nile", "--order", "1,0,1", "--transform", "none",
                              "--mean", "--horizon", "3", "--format", "csv"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\nar1,"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\nconstant,"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("sma1"), std::string::npos) << o.out;  // annual data: no seasonal part
}

TEST(ArimaCommand, RejectedSettingsExitNonZeroWithTheMessage) {
  const Outcome o = RunArima({"--dataset", "nile", "--seasonal", "1,0,0"});
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("Arima Error: Seasonal model requested for non-seasonal data"),
            std::string::npos)
      << o.err;
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
  EXPECT_EQ(j["forecasts"][1]["forecast"], e["forecasts"][1]["forecast"]);
}

TEST(ArimaCommand, EngineFailureExitsNonZeroWithTheReason) {
  // The logarithm of a series with a zero: the engine refuses the data.
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
  EXPECT_NE(o.err.find("Error in Arimalib: Can't take log of zero or negative values"),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("Failure in Arimamain"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace vordex::cli
