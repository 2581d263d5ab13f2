#include "common.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

namespace vordex::cli {
namespace {

std::string Write(OutputFormat format, const std::vector<Section>& sections) {
  std::ostringstream out;
  WriteSections(out, format, sections);
  return out.str();
}

// Parses args as the options of one command that uses AddCommonOptions.
CommonOptions Parse(std::vector<std::string> args) {
  CLI::App app("test");
  CommonOptions options;
  AddCommonOptions(&app, options);
  std::reverse(args.begin(), args.end());  // CLI11 takes a reversed vector
  app.parse(args);
  return options;
}

TEST(CommonOptions, DefaultsAndParsedValues) {
  const CommonOptions defaults = Parse({});
  EXPECT_TRUE(defaults.input.file.empty());
  EXPECT_EQ(defaults.format, OutputFormat::kTable);
  EXPECT_EQ(defaults.horizon, kDefaultHorizon);
  const CommonOptions given = Parse(
      {"data.csv", "--column", "sales", "--no-header", "--format", "JSON", "--horizon", "24"});
  EXPECT_EQ(given.input.file, "data.csv");
  EXPECT_EQ(given.input.column, "sales");
  EXPECT_TRUE(given.input.no_header);
  EXPECT_EQ(given.format, OutputFormat::kJson);
  EXPECT_EQ(given.horizon, 24);
}

TEST(CommonOptions, BadValuesAreRefused) {
  EXPECT_THROW(Parse({"--format", "xml"}), CLI::ParseError);
  EXPECT_THROW(Parse({"--horizon", "-1"}), CLI::ParseError);
  EXPECT_EQ(Parse({"--horizon", "0"}).horizon, 0);  // no forecasts
  EXPECT_THROW(Parse({"file.csv", "--dataset", "nile"}), CLI::ParseError);
}

// Parses --level as every method's command takes it.
std::vector<double> ParseLevels(std::vector<std::string> args) {
  CLI::App app("test");
  std::vector<double> levels = kDefaultLevels;
  AddLevelOption(&app, levels);
  std::reverse(args.begin(), args.end());
  app.parse(args);
  return levels;
}

TEST(LevelOption, TakesSeveralPercentsAndRefusesFractions) {
  EXPECT_EQ(ParseLevels({}), (std::vector<double>{80, 95}));
  EXPECT_EQ(ParseLevels({"--level", "90"}), (std::vector<double>{90}));
  EXPECT_EQ(ParseLevels({"--level", "50,99.5"}), (std::vector<double>{50, 99.5}));
  for (const char* refused : {"0.95", "0", "100", "120", "-5", "ninety"})
    EXPECT_THROW(ParseLevels({"--level", refused}), CLI::ParseError) << refused;
  try {
    ParseLevels({"--level", "0.95"});
  } catch (const CLI::ParseError& e) {
    EXPECT_NE(std::string(e.what()).find("did you mean 95?"), std::string::npos) << e.what();
  }
}

TEST(ForecastSection, OneColumnPairPerLevelNamedWithoutTrailingZeros) {
  Forecast f;
  f.mean = {10, 11};
  f.limits = {{80, {9, 10}, {11, 12}}, {99.5, {7, 8}, {13, 14}}, {95.0004, {8, 9}, {12, 13}}};
  LoadedSeries series;
  series.values = {1, 2, 3};
  const Section s = ForecastSection(series, f);
  std::vector<std::string> names;
  for (const Column& c : s.columns) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"t", "mean", "lower_80", "upper_80", "lower_99.5",
                                             "upper_99.5", "lower_95.0004", "upper_95.0004"}));
  // Each level's limits beside its own name, the times continuing the series.
  const std::string csv = Write(OutputFormat::kCsv, {s});
  EXPECT_EQ(csv.substr(csv.find('\n') + 1), "4,10,9,11,7,13,8,12\n5,11,10,12,8,14,9,13\n");
}

TEST(LoadSeries, DefaultsToTheAirlineSeries) {
  const LoadedSeries s = LoadSeries(InputOptions{});
  ASSERT_TRUE(s.ok()) << s.error;
  EXPECT_EQ(s.name, "airline");
  EXPECT_EQ(s.frequency, 12);
  EXPECT_EQ(s.values.size(), 144u);
}

TEST(LoadSeries, NamedDatasetAndFailures) {
  InputOptions nile;
  nile.dataset = "nile";
  const LoadedSeries s = LoadSeries(nile);
  ASSERT_TRUE(s.ok()) << s.error;
  EXPECT_EQ(s.frequency, 1);
  EXPECT_EQ(s.values.front(), 1120.0);

  InputOptions unknown;
  unknown.dataset = "sunspots";
  EXPECT_FALSE(LoadSeries(unknown).ok());
  InputOptions column_without_file;
  column_without_file.column = "2";
  EXPECT_FALSE(LoadSeries(column_without_file).ok());
  InputOptions missing_file;
  missing_file.file = "no/such/file.csv";
  const LoadedSeries missing = LoadSeries(missing_file);
  EXPECT_FALSE(missing.ok());
  EXPECT_TRUE(missing.values.empty());
}

TEST(WriteSections, TableAlignsNumbersRightAndTextLeft) {
  const Section s{"forecasts",
                  {Column{"name", {std::string("a"), std::string("bbb")}},
                   NumberColumn("value", {1.5, 1234567.0})}};
  EXPECT_EQ(Write(OutputFormat::kTable, {s}),
            "name        value\n"
            "a             1.5\n"
            "bbb   1.23457e+06\n");
}

TEST(WriteSections, MissingValuesAndShortColumns) {
  const Section s{"s", {NumberColumn("x", {1.0, std::nan("")}), NumberColumn("y", {2.0})}};
  EXPECT_EQ(Write(OutputFormat::kTable, {s}), "x  y\n1  2\n-  -\n");
  EXPECT_EQ(Write(OutputFormat::kCsv, {s}), "x,y\n1,2\n,\n");
  const auto json = nlohmann::json::parse(Write(OutputFormat::kJson, {s}));
  EXPECT_TRUE(json["s"][1]["x"].is_null());
  EXPECT_TRUE(json["s"][1]["y"].is_null());
  EXPECT_EQ(json["s"][0]["y"], 2);
}

TEST(WriteSections, CsvRoundTripsNumbersAndQuotesText) {
  const double third = 1.0 / 3.0;
  const Section s{"s", {NumberColumn("v", {third}), Column{"t", {std::string("a,\"b\"")}}}};
  const std::string csv = Write(OutputFormat::kCsv, {s});
  EXPECT_EQ(csv.substr(0, 4), "v,t\n");
  const std::string number = csv.substr(4, csv.find(',', 4) - 4);
  EXPECT_EQ(std::stod(number), third);  // shortest form that reads back exactly
  EXPECT_NE(csv.find("\"a,\"\"b\"\"\""), std::string::npos) << csv;
}

TEST(WriteSections, SeveralSections) {
  const std::vector<Section> sections = {Section{"forecasts", {NumberColumn("h", {1, 2})}},
                                         Section{"statistics", {NumberColumn("aic", {-3.25})}}};
  EXPECT_EQ(Write(OutputFormat::kTable, sections),
            "forecasts\nh\n1\n2\n\nstatistics\n  aic\n-3.25\n");
  EXPECT_EQ(Write(OutputFormat::kCsv, sections), "h\n1\n2\n\n# statistics\naic\n-3.25\n");
  const auto json = nlohmann::json::parse(Write(OutputFormat::kJson, sections));
  ASSERT_EQ(json["forecasts"].size(), 2u);
  EXPECT_EQ(json["forecasts"][1]["h"], 2);
  EXPECT_EQ(json["statistics"][0]["aic"], -3.25);
}

TEST(WriteSections, RecordsAreObjectsInJsonAndRowsElsewhere) {
  const Section r = Record("statistics", Column{"name", {std::string("aic"), std::string("n")}},
                           NumberColumn("value", {-3.25, 12}));
  EXPECT_EQ(Write(OutputFormat::kCsv, {r}), "name,value\naic,-3.25\nn,12\n");
  EXPECT_EQ(Write(OutputFormat::kTable, {r}), "name  value\naic   -3.25\nn        12\n");
  const auto json = nlohmann::json::parse(Write(OutputFormat::kJson, {r}));
  EXPECT_EQ(json["statistics"], nlohmann::json::parse(R"({"aic": -3.25, "n": 12})"));
}

}  // namespace
}  // namespace vordex::cli
