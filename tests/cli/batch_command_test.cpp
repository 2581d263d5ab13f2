#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "datasets.h"
#include "dates.h"
#include "support/bits.h"
#include "support/temp_file.h"
#include "vordex/auto.hpp"
#include "vordex/batch.hpp"

namespace vordex::cli {
namespace {

std::filesystem::path TempPath(const std::string& name) {
  const auto dot = name.rfind('.');
  return testing::UniqueTempPath("batch_" + name.substr(0, dot), name.substr(dot));
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The airline series from 1949-01 as "airline" in long format, then a series with a missing
// value inside and one with a month missing.
std::string LongFile() {
  std::string text = "id,time,value\n";
  const auto month = [](int k) { return FormatTime(Time{Calendar::kMonth, 1949 * 12 + k}); };
  const auto airline = FindDataset("airline")->values;
  for (std::size_t k = 0; k < airline.size(); ++k)
    text += "airline," + month(static_cast<int>(k)) + "," + std::to_string(airline[k]) + "\n";
  for (int k = 0; k < 30; ++k) text += "holey," + month(k) + "," + (k == 9 ? "NA" : "5") + "\n";
  for (int k = 0; k < 30; ++k)
    if (k != 12) text += "gappy," + month(k) + ",7\n";
  return text;
}

TEST(BatchCommand, LongFileWithDatesGivesEachSeriesItsSingleFitAndSummarisesTheBadOnes) {
  const auto input = TempPath("long.csv");
  const auto summary = TempPath("summary.csv");
  std::ofstream(input) << LongFile();
  const std::string in = input.string();
  const std::string sum = summary.string();
  const Outcome two = RunTool({"batch", "ets", in.c_str(), "--horizon", "3", "--paths", "500",
                               "--threads", "2", "--summary", sum.c_str()});
  const std::string summary_text = Slurp(summary);
  const Outcome one =
      RunTool({"batch", "ets", in.c_str(), "--horizon", "3", "--paths", "500", "--threads", "1"});
  std::filesystem::remove(input);
  std::filesystem::remove(summary);

  // Some series failed: status 3; every series has its summary line, in input order.
  EXPECT_EQ(two.status, 3) << two.err;
  EXPECT_NE(two.err.find("fitted 3 series in "), std::string::npos) << two.err;
  EXPECT_NE(two.err.find(": 1 ok, 2 failed"), std::string::npos) << two.err;
  const std::vector<std::string> rows = Lines(summary_text);
  ASSERT_EQ(rows.size(), 4u) << summary_text;
  EXPECT_EQ(rows[1].rfind("airline,ok,0,,\"ETS(", 0), 0u) << rows[1];
  EXPECT_EQ(rows[2].rfind("holey,failed,71,", 0), 0u) << rows[2];
  EXPECT_NE(rows[2].find("Pegels Error"), std::string::npos) << rows[2];
  EXPECT_EQ(rows[3],
            "gappy,failed,,no observation for 1950-01 (between 1949-12 and 1950-02),,,,,,29");

  // The forecasts continue the months, and are those of the single-series call with the
  // series' seed and the calendar's period.
  const std::vector<std::string> forecasts = Lines(two.out);
  ASSERT_EQ(forecasts.size(), 4u) << two.out;
  EXPECT_EQ(forecasts[0], "id,time,forecast,lower,upper");
  ets::Settings settings;
  settings.period = 12;
  settings.horizon = 3;
  settings.paths = 500;
  settings.seed = batch::SeriesSeed(ets::kDefaultSeed, 0);
  const auto airline = FindDataset("airline")->values;
  const ets::Result single =
      ets::Fit(std::vector<double>(airline.begin(), airline.end()), settings);
  for (std::size_t k = 0; k < 3; ++k) {
    std::istringstream row(forecasts[k + 1]);
    std::string id, time, forecast, lower, upper;
    std::getline(row, id, ',');
    std::getline(row, time, ',');
    std::getline(row, forecast, ',');
    std::getline(row, lower, ',');
    std::getline(row, upper, ',');
    EXPECT_EQ(id, "airline");
    EXPECT_EQ(time, "1961-0" + std::to_string(k + 1));
    EXPECT_TRUE(testing::SameBits(std::stod(forecast), single.forecasts[k])) << forecast;
    EXPECT_TRUE(testing::SameBits(std::stod(lower), single.lower[k])) << lower;
    EXPECT_TRUE(testing::SameBits(std::stod(upper), single.upper[k])) << upper;
  }

  // One thread writes the same; without a summary file the failures go to the error stream.
  EXPECT_EQ(one.out, two.out);
  EXPECT_NE(one.err.find("series gappy: no observation for 1950-01"), std::string::npos) << one.err;
}

TEST(BatchCommand, WideFileToJsonLines) {
  const auto input = TempPath("wide.csv");
  const auto summary = TempPath("wide_summary.json");
  {
    std::ofstream file(input);
    file << "year,nile,twice\n";
    const auto nile = FindDataset("nile")->values;
    for (std::size_t k = 0; k < nile.size(); ++k)
      file << 1871 + k << ',' << nile[k] << ',' << 2 * nile[k] << '\n';
  }
  const std::string in = input.string();
  const std::string sum = summary.string();
  const Outcome o = RunTool({"batch", "arima", "--wide", "--order", "1,1,1", in.c_str(),
                             "--horizon", "2", "--format", "json", "--summary", sum.c_str()});
  const std::vector<std::string> summary_lines = Lines(Slurp(summary));
  std::filesystem::remove(input);
  std::filesystem::remove(summary);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 4u) << o.out;
  const auto first = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(first["id"], "nile");
  EXPECT_EQ(first["time"], 1971);  // the years continue; annual data: no seasonal part
  const auto doubled = nlohmann::json::parse(lines[2]);
  EXPECT_EQ(doubled["id"], "twice");
  // Doubling a series on the log scale only shifts it: the forecasts double.
  EXPECT_NEAR(doubled["forecast"].get<double>(), 2 * first["forecast"].get<double>(),
              1e-6 * first["forecast"].get<double>());
  ASSERT_EQ(summary_lines.size(), 2u);
  const auto s = nlohmann::json::parse(summary_lines[0]);
  EXPECT_EQ(s["model"], "ARIMA(1,1,1)");
  EXPECT_TRUE(s["parameters"]["ar1"].is_number());
  EXPECT_EQ(s["n"], 100);
}

TEST(BatchCommand, AutomaticMethodsGiveTheSingleSeriesResultsAndTheirCriterion) {
  const auto input = TempPath("auto.csv");
  const auto summary = TempPath("auto_summary.json");
  const auto nile = FindDataset("nile")->values;
  {
    std::ofstream file(input);
    file << "year,nile\n";
    for (std::size_t k = 0; k < nile.size(); ++k) file << 1871 + k << ',' << nile[k] << '\n';
  }
  const std::string in = input.string();
  const std::string sum = summary.string();
  for (const char* method : {"auto-arima", "theta", "auto"}) {
    const Outcome o = RunTool({"batch", method, "--wide", in.c_str(), "--horizon", "2", "--format",
                               "json", "--summary", sum.c_str()});
    ASSERT_EQ(o.status, 0) << method << ": " << o.err;
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 2u) << o.out;
    const auto row = nlohmann::json::parse(Lines(Slurp(summary)).at(0));
    // Yearly times: period 1.
    const std::string name = method;
    double forecast = 0.0;
    if (name == "auto-arima") {
      auto_arima::Settings settings;
      settings.period = 1;
      settings.horizon = 2;
      const auto_arima::Result r = auto_arima::Fit(nile, settings);
      forecast = r.fit.forecasts[1];
      EXPECT_EQ(row["model"], auto_arima::Name(r));
      EXPECT_EQ(row["aicc"].get<double>(), r.aicc);
    } else if (name == "theta") {
      forecast = theta::Fit(nile, {1, 2, 95.0}).forecasts[1];
      EXPECT_TRUE(row["parameters"]["drift"].is_number());
    } else {
      forecast = auto_forecast::Fit(nile, {1, 2, 95.0}).forecasts[1];
      EXPECT_EQ(row["model"].get<std::string>().rfind("mean of ", 0), 0u);
    }
    EXPECT_EQ(nlohmann::json::parse(lines[1])["forecast"].get<double>(), forecast) << method;
  }
  std::filesystem::remove(input);
  std::filesystem::remove(summary);
}

TEST(BatchCommand, UnreadableInputExitsWithTwoBeforeWritingAnything) {
  const auto input = TempPath("bad.csv");
  std::ofstream(input) << "id,time,value\na,1,5\na,2,6\nb,1,seven\n";
  const std::string in = input.string();
  const Outcome o = RunTool({"batch", "armax", in.c_str()});
  std::filesystem::remove(input);
  EXPECT_EQ(o.status, 2);
  EXPECT_TRUE(o.out.empty()) << o.out;
  EXPECT_NE(o.err.find("line 4, column 3: \"seven\" is not a number"), std::string::npos) << o.err;
  EXPECT_EQ(RunTool({"batch", "ets", "no/such/file.csv"}).status, 2);
  EXPECT_NE(RunTool({"batch", "ets"}).status, 0);  // no input named
}

}  // namespace
}  // namespace vordex::cli
