#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/datasets.h"
#include "support/temp_file.h"
#include "vordex/auto.hpp"
#include "vordex/names.hpp"

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
  const auto_forecast::Result expected = auto_forecast::Fit(y, {.period = 12, .horizon = 4});
  EXPECT_EQ(Column(c["forecasts"], "mean"), expected.mean);
  EXPECT_EQ(Column(c["forecasts"], "lower_80"), expected.limits[0].lower);
  EXPECT_EQ(Column(c["forecasts"], "upper_95"), expected.limits[1].upper);
  EXPECT_EQ(Column(c["forecasts"], "auto_arima"), expected.arima->mean);
  EXPECT_EQ(c["members"].size(), 3u);

  const Outcome chosen =
      RunTool({"auto-arima", "--dataset", "airline", "--horizon", "2", "--format", "json"});
  ASSERT_EQ(chosen.status, 0) << chosen.err;
  const Json a = Json::parse(chosen.out);
  const auto_arima::Result arima = auto_arima::Fit(y, {.period = 12, .horizon = 2});
  EXPECT_EQ(a["model"]["model"], ModelName(arima));
  EXPECT_EQ(a["search"].size(), arima.path.size());
  EXPECT_EQ(a["statistics"]["aicc"].get<double>(), arima.aicc);
  EXPECT_EQ(Column(a["forecasts"], "upper_95"), arima.limits[1].upper);

  const Outcome theta = RunTool(
      {"theta", "--dataset", "nile", "--horizon", "3", "--format", "json", "--level", "80"});
  ASSERT_EQ(theta.status, 0) << theta.err;
  const Json t = Json::parse(theta.out);
  EXPECT_EQ(t["forecasts"][0].size(), 4u);  // t, mean and the one level's pair
  EXPECT_EQ(Column(t["forecasts"], "lower_80"),
            theta::Fit(testing::LoadDataset("nile"), {.period = 1, .horizon = 3, .levels = {80}})
                .limits[0]
                .lower);
}

TEST(AutoCommands, ShortSeriesFallBackWithAWarningAndFailuresExitNonZero) {
  // Two values: too few for every model; the naive forecast stands in, and says so.
  const auto path = testing::UniqueTempPath("auto_two");
  std::ofstream(path) << "y\n1\n2\n";
  const std::string name = path.string();
  const Outcome theta = RunTool({"theta", name.c_str()});
  const Outcome combined = RunTool({"auto", name.c_str(), "--horizon", "1"});
  std::ofstream(path) << "y\n1\ninf\n3\n";
  const Outcome infinite = RunTool({"auto", name.c_str()});
  std::filesystem::remove(path);
  for (const Outcome* o : {&theta, &combined}) {
    EXPECT_EQ(o->status, 0) << o->err;
    EXPECT_NE(o->err.find("warning: fallback"), std::string::npos) << o->err;
  }
  EXPECT_NE(infinite.status, 0);
}

TEST(AutoCommands, TakeSeveralPeriodsOrTheUsualOnesOfTheCalendar) {
  // Three years of weeks: the weekly calendar proposes 52.18; --period takes a list.
  std::string text = "time,value\n";
  std::vector<double> y;
  for (int t = 0; t < 160; ++t) {
    y.push_back(100.0 + 10.0 * std::sin(2.0 * M_PI * t / 52.18) + 0.1 * t + (t % 3) * 0.5);
    const int week = t % 52 + 1;
    text += std::to_string(2001 + t / 52) + "-W" + (week < 10 ? "0" : "") + std::to_string(week) +
            "," + std::to_string(y.back()) + "\n";
    y.back() = std::stod(text.substr(text.rfind(',') + 1));
  }
  testing::TempFile file(text);
  const std::string path = file.path();
  const auto run = [&](std::vector<const char*> extra) {
    std::vector<const char*> args = {"auto", path.c_str(), "--horizon", "3", "--format", "json"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Outcome out = RunTool(args);
    EXPECT_EQ(out.status, 0) << out.err;
    return Json::parse(out.out);
  };
  const Json weekly = run({});
  EXPECT_EQ(Column(weekly["forecasts"], "mean"),
            auto_forecast::Fit(y, {.periods = {52.18}, .horizon = 3}).mean);
  EXPECT_EQ(weekly["members"][0]["method"], "auto_arima");  // non-seasonal, beside MSTL
  EXPECT_EQ(weekly["members"][1]["method"], "mstl");
  const Json two = run({"--period", "4,13"});
  EXPECT_EQ(Column(two["forecasts"], "mean"),
            auto_forecast::Fit(y, {.periods = {4, 13}, .horizon = 3}).mean);

  // Hours propose a day and a week, 24 and 168, half-hours 48 and 336 (the first cell, on the
  // hour, reads as a half-hour among them); the forecasts continue the clock.
  const struct {
    int per_hour, n;
    std::vector<double> periods;
    const char* next;  // the first forecast's time
  } clocks[] = {{1, 400, {24, 168}, "2024-01-17 16:00"}, {2, 700, {48, 336}, "2024-01-15 14:00"}};
  for (const auto& c : clocks) {
    std::string text = "time,value\n";
    std::vector<double> load;
    for (int t = 0; t < c.n; ++t) {
      const int day_length = 24 * c.per_hour;
      load.push_back(50.0 + 5.0 * std::sin(2.0 * M_PI * t / day_length) +
                     2.0 * ((t / day_length) % 7 == 6) + (t % 5) * 0.25);
      const int day = 1 + t / day_length, hour = (t % day_length) / c.per_hour;
      text += std::string("2024-01-") + (day < 10 ? "0" : "") + std::to_string(day) + " " +
              (hour < 10 ? "0" : "") + std::to_string(hour) + (t % c.per_hour ? ":30," : ":00,") +
              std::to_string(load.back()) + "\n";
      load.back() = std::stod(text.substr(text.rfind(',') + 1));
    }
    testing::TempFile file_of_times(text);
    const std::string times_path = file_of_times.path();
    const Outcome o = RunTool({"auto", times_path.c_str(), "--horizon", "3", "--format", "json"});
    ASSERT_EQ(o.status, 0) << o.err;
    const Json by_clock = Json::parse(o.out);
    EXPECT_EQ(Column(by_clock["forecasts"], "mean"),
              auto_forecast::Fit(load, {.periods = c.periods, .horizon = 3}).mean);
    EXPECT_EQ(by_clock["forecasts"][0]["time"], c.next);
  }
}

}  // namespace
}  // namespace vordex::cli
