#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"

namespace vordex::cli {
namespace {

TEST(EtsCommand, JsonCarriesModelParametersStatesStatisticsAndForecasts) {
  const Outcome o =
      RunTool({"ets", "--horizon", "6", "--paths", "1000", "--seed", "3", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto j = nlohmann::json::parse(o.out);
  for (const char* key : {"model", "parameters", "initial_states", "statistics", "forecasts"})
    EXPECT_TRUE(j.contains(key)) << key;
  ASSERT_EQ(j["forecasts"].size(), 6u);
  EXPECT_EQ(j["forecasts"][0]["t"], 145);
  for (const auto& row : j["forecasts"]) {
    EXPECT_LE(row["lower"].get<double>(), row["forecast"].get<double>());
    EXPECT_GE(row["upper"].get<double>(), row["forecast"].get<double>());
  }
  // The airline series is monthly: a seasonal model with twelve initial indices is expected.
  EXPECT_EQ(j["model"]["period"], 12);
  EXPECT_EQ(j["model"]["selected_by"], "aic");
  EXPECT_TRUE(j["parameters"].is_object());
  EXPECT_TRUE(j["statistics"]["rmse_h1"].is_number());
}

TEST(EtsCommand, SameSeedSameOutput) {
  const std::vector<const char*> args = {"ets",      "--error",  "additive",  "--trend", "damped",
                                         "--season", "additive", "--horizon", "4",       "--seed",
                                         "99",       "--format", "csv"};
  const Outcome a = RunTool(args);
  const Outcome b = RunTool(args);
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("phi"), std::string::npos);
  EXPECT_NE(a.out.find("given"), std::string::npos);
}

TEST(EtsCommand, RefusedSettingsFailWithTheLibrarysMessage) {
  const Outcome paths = RunTool({"ets", "--paths", "100"});
  EXPECT_NE(paths.status, 0);
  EXPECT_NE(paths.err.find("#Bootstrap samples must be between 500 & 50000"), std::string::npos)
      << paths.err;
  const Outcome bounds = RunTool({"ets", "--bounds", "0.1", "0.2", "0.3", "0.4"});
  EXPECT_NE(bounds.status, 0);
  EXPECT_NE(bounds.err.find("--bounds"), std::string::npos) << bounds.err;
  const Outcome level = RunTool({"ets", "--level", "120"});
  EXPECT_NE(level.status, 0);
  EXPECT_NE(level.err.find("Confidence level"), std::string::npos) << level.err;
}

}  // namespace
}  // namespace vordex::cli
