#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"

namespace vordex::cli {
namespace {

// Two criteria from one log-likelihood differ by their counts up to rounding.
constexpr double kSameLikelihood = 1e-9;

TEST(EtsCommand, JsonCarriesModelParametersStatesStatisticsAndForecasts) {
  const Outcome o =
      RunTool({"ets", "--horizon", "6", "--paths", "1000", "--seed", "3", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto j = nlohmann::json::parse(o.out);
  for (const char* key : {"model", "parameters", "initial_states", "statistics", "forecasts"})
    EXPECT_TRUE(j.contains(key)) << key;
  ASSERT_EQ(j["forecasts"].size(), 6u);
  EXPECT_EQ(j["forecasts"][0]["t"], 145);
  // Quantiles of the same simulated paths: the 95% limits hold the 80% ones.
  for (const auto& row : j["forecasts"]) {
    EXPECT_LE(row["lower_95"].get<double>(), row["lower_80"].get<double>());
    EXPECT_LE(row["lower_80"].get<double>(), row["mean"].get<double>());
    EXPECT_GE(row["upper_80"].get<double>(), row["mean"].get<double>());
    EXPECT_GE(row["upper_95"].get<double>(), row["upper_80"].get<double>());
  }
  // The airline series is monthly: a seasonal model with twelve initial indices is expected.
  EXPECT_EQ(j["model"]["period"], 12);
  EXPECT_EQ(j["model"]["selected_by"], "aic");
  EXPECT_EQ(j["initial_states"].size(), 2u + 12u);
  // The search's criterion counts the smoothing parameters alone (count_states is off), aic all
  // of them, the initial states and sigma too: 3 + 2 + 11 + 1 for ETS(M,A,M) over 144 values.
  ASSERT_EQ(j["model"]["model"], "ETS(M,A,M)");
  EXPECT_NEAR(
      j["statistics"]["aic"].get<double>() - j["model"]["information_criterion"].get<double>(),
      2.0 * (2 + 11 + 1), kSameLikelihood);
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
  EXPECT_NE(a.out.find("\nphi,"), std::string::npos);
  EXPECT_NE(a.out.find("\nselected_by,given"), std::string::npos);
  EXPECT_NE(a.out.find("\ntrend,damped"), std::string::npos);
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
  EXPECT_NE(level.err.find("level must be in percent"), std::string::npos) << level.err;
  const Outcome name = RunTool({"ets", "--trend", "quadratic"});
  EXPECT_NE(name.status, 0);
  EXPECT_NE(name.err.find("none, additive, multiplicative, damped, auto"), std::string::npos)
      << name.err;
}

TEST(EtsCommand, NamesTakeAnyCaseAndTheLibrarysAliases) {
  // Letters of the ETS notation, former names (winner, bootstrap, amse) and canonical ones in
  // any case give the same settings, hence the same output.
  const auto run = [](std::vector<const char*> names) {
    std::vector<const char*> args = {"ets",     "--dataset", "ukgas",    "--horizon", "2",
                                     "--paths", "500",       "--format", "csv"};
    args.insert(args.end(), names.begin(), names.end());
    return RunTool(args);
  };
  const Outcome canonical =
      run({"--error", "additive", "--trend", "damped", "--season", "multiplicative", "--init",
           "estimated_for_winner", "--disturbances", "resampled", "--criterion", "average_mse"});
  ASSERT_EQ(canonical.status, 0) << canonical.err;
  EXPECT_NE(canonical.out.find("ETS(A,Ad,M)"), std::string::npos) << canonical.out;
  const Outcome aliases = run({"--error", "A", "--trend", "Ad", "--season", "m", "--init", "winner",
                               "--disturbances", "bootstrap", "--criterion", "AMSE"});
  EXPECT_EQ(aliases.out, canonical.out);
}

}  // namespace
}  // namespace vordex::cli
