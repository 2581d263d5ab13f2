#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/datasets.h"
#include "vordex/auto.hpp"

namespace vordex::cli {
namespace {

using Json = nlohmann::json;

std::vector<double> Column(const Json& rows, const char* name) {
  std::vector<double> v;
  for (const Json& row : rows) v.push_back(row[name].get<double>());
  return v;
}

TEST(AutoCommands, PrintWhatTheLibraryGivesForTheSameSettings) {
  // Each command on the embedded airline series (period 12 from the dataset) against the
  // library called directly.
  const std::vector<double> y = testing::Airline();
  const Outcome combined =
      RunTool({"auto", "--dataset", "airline", "--horizon", "4", "--format", "json"});
  ASSERT_EQ(combined.status, 0) << combined.err;
  const Json c = Json::parse(combined.out);
  const auto_forecast::Result expected = auto_forecast::Fit(y, {12, 4, 95.0});
  EXPECT_EQ(Column(c["forecasts"], "forecast"), expected.forecasts);
  EXPECT_EQ(Column(c["forecasts"], "lower"), expected.lower);
  EXPECT_EQ(Column(c["forecasts"], "auto_arima"), expected.arima->fit.forecasts);
  EXPECT_EQ(c["members"].size(), 3u);

  const Outcome chosen =
      RunTool({"auto-arima", "--dataset", "airline", "--horizon", "2", "--format", "json"});
  ASSERT_EQ(chosen.status, 0) << chosen.err;
  const Json a = Json::parse(chosen.out);
  auto_arima::Settings settings;
  settings.horizon = 2;
  const auto_arima::Result arima = auto_arima::Fit(y, settings);
  EXPECT_EQ(a["model"]["model"], auto_arima::Name(arima));
  EXPECT_EQ(a["search"].size(), arima.path.size());
  EXPECT_EQ(Column(a["forecasts"], "upper"), arima.fit.upper);

  const Outcome theta = RunTool(
      {"theta", "--dataset", "nile", "--horizon", "3", "--format", "json", "--level", "80"});
  ASSERT_EQ(theta.status, 0) << theta.err;
  const Json t = Json::parse(theta.out);
  EXPECT_EQ(Column(t["forecasts"], "lower"),
            theta::Fit(testing::LoadDataset("nile"), {1, 3, 80.0}).lower);
}

TEST(AutoCommands, AFailureExitsNonZeroWithTheReason) {
  const Outcome o = RunTool({"theta", "--dataset", "nile", "--level", "100"});
  EXPECT_NE(o.status, 0);
  EXPECT_TRUE(o.out.empty());
  EXPECT_NE(o.err.find("vordex theta: "), std::string::npos) << o.err;
}

}  // namespace
}  // namespace vordex::cli
