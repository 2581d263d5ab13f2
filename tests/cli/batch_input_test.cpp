#include "batch_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_file.h"

namespace vordex::cli {
namespace {

using testing::TempFile;

struct Read {
  std::string error;
  std::size_t count = 0;
  std::vector<InputSeries> series;
};

Read ReadAll(const std::string& text, BatchInputOptions options = {}) {
  TempFile file(text);
  options.file = file.path();
  Read r;
  auto source = OpenBatchInput(options, r.error);
  if (!source) return r;
  r.count = source->count();
  InputSeries s;
  while (source->Next(s, r.error)) r.series.push_back(s);
  return r;
}

std::string StartOf(const InputSeries& s) {
  return s.start ? FormatTime(*s.start) : "none";
}

TEST(BatchInput, LongSeriesContiguousOrInterleavedComeInTheOrderOfTheirFirstRows) {
  for (const char* text : {"id,time,value\nb,2020-01,1\nb,2020-02,2\na,2020-01,3\n",
                           "id,time,value\nb,2020-01,1\na,2020-01,3\nb,2020-02,2\n",
                           "value,id,time\n2,b,2020-02\n1,b,2020-01\n3,a,2020-01\n"}) {
    const Read r = ReadAll(text);
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.count, 2u) << text;
    ASSERT_EQ(r.series.size(), 2u) << text;
    EXPECT_EQ(r.series[0].id, "b");
    EXPECT_EQ(r.series[0].values, (std::vector<double>{1, 2})) << text;  // put in time order
    EXPECT_EQ(StartOf(r.series[0]), "2020-01");
    EXPECT_EQ(r.series[1].id, "a");
    EXPECT_EQ(r.series[1].values, (std::vector<double>{3}));
  }
}

TEST(BatchInput, InterleavedRowsAreReadBackFromTheirPlacesWhateverTheLineForm) {
  // Semicolons, CRLF line ends, quotes, blank lines and a line longer than a read of the file.
  const std::string note(3000, 'n');
  const std::string text = "\"id\";value;note\r\n\"b\";1;x\r\na;10;" + note + "\r\n\r\nb;2;x\r\n" +
                           "a;20;\"" + note + "\"\r\nb;3;x";
  BatchInputOptions options;
  TempFile file(text);
  options.file = file.path();
  std::string error;
  auto source = OpenBatchInput(options, error);
  ASSERT_NE(source, nullptr) << error;
  InputSeries b;
  ASSERT_TRUE(source->Next(b, error)) << error;
  EXPECT_EQ(b.id, "b");
  EXPECT_EQ(b.values, (std::vector<double>{1, 2, 3}));
  // A series passed over gives its id and its rows.
  std::string id;
  std::size_t rows = 0;
  ASSERT_TRUE(source->Skip(id, rows, error)) << error;
  EXPECT_EQ(id, "a");
  EXPECT_EQ(rows, 2u);
  EXPECT_FALSE(source->Next(b, error));
  EXPECT_TRUE(error.empty()) << error;
}

TEST(BatchInput, ColumnsByOptionMissingValuesAndNoTimeColumn) {
  BatchInputOptions options;
  options.id = "store";
  options.time = "2";
  options.value = "sales";
  const Read named = ReadAll(
      "store;week;sales\nx;2020-W52;NA\nx;2020-W53;5\nx;2021-W01;\n"
      "x;2021-W02;6\n",
      options);
  ASSERT_TRUE(named.error.empty()) << named.error;
  ASSERT_EQ(named.series.size(), 1u);
  // Leading and trailing missing values go; those inside stay for the method to refuse.
  ASSERT_EQ(named.series[0].values.size(), 3u);
  EXPECT_TRUE(std::isnan(named.series[0].values[1]));
  EXPECT_EQ(StartOf(named.series[0]), "2020-W53");

  const Read untimed = ReadAll("id,value\na,3\na,1\n");
  ASSERT_EQ(untimed.series.size(), 1u);
  EXPECT_EQ(untimed.series[0].values, (std::vector<double>{3, 1}));  // file order
  EXPECT_FALSE(untimed.series[0].start.has_value());

  // Hours on the hour among half-hours are half-hours, in whichever series they come first.
  const Read halves = ReadAll(
      "id,time,value\na,2024-01-01 23:00,1\nb,2024-01-01 22:30,4\na,2024-01-01 23:30,2\n"
      "a,2024-01-02 00:00,3\nb,2024-01-01 23:00,5\n");
  ASSERT_TRUE(halves.error.empty()) << halves.error;
  ASSERT_EQ(halves.series.size(), 2u);
  for (const InputSeries& h : halves.series) EXPECT_TRUE(h.problem.empty()) << h.problem;
  EXPECT_EQ(StartOf(halves.series[0]), "2024-01-01 23:00");
  EXPECT_EQ(halves.series[0].values, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(StartOf(halves.series[1]), "2024-01-01 22:30");
}

TEST(BatchInput, RepeatedOrMissingTimesMakeOnlyThatSeriesUnfit) {
  const Read r =
      ReadAll("id,time,value\na,2001,1\na,2001,2\nb,2001,1\nb,2003,1\nc,2001,1\nc,2002,2\n");
  ASSERT_TRUE(r.error.empty()) << r.error;
  ASSERT_EQ(r.series.size(), 3u);
  EXPECT_EQ(r.series[0].problem, "time 2001 appears twice");
  EXPECT_EQ(r.series[1].problem, "no observation for 2002 (between 2001 and 2003)");
  EXPECT_TRUE(r.series[2].problem.empty());
}

TEST(BatchInput, WideColumnsAreSeriesWithTheirOwnStart) {
  BatchInputOptions options;
  options.wide = true;
  const Read r =
      ReadAll("month,north,south,none\n2020-11,1,,\n2020-12,2,5,\n2021-01,,6,\n", options);
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.count, 3u);
  ASSERT_EQ(r.series.size(), 3u);
  EXPECT_EQ(r.series[0].id, "north");
  EXPECT_EQ(r.series[0].values, (std::vector<double>{1, 2}));
  EXPECT_EQ(StartOf(r.series[0]), "2020-11");
  EXPECT_EQ(r.series[1].values, (std::vector<double>{5, 6}));
  EXPECT_EQ(StartOf(r.series[1]), "2020-12");
  // A column of missing values only is a series that cannot be fitted, not an empty one.
  EXPECT_EQ(r.series[2].problem, "no observations");
}

TEST(BatchInput, UnreadableInputNamesTheLineAndColumn) {
  BatchInputOptions wide;
  wide.wide = true;
  const struct {
    const char* text;
    BatchInputOptions options;
    const char* error;
  } cases[] = {
      {"id,time,value\na,1,2\na,2,x\n", {}, "line 3, column 3: \"x\" is not a number"},
      {"id,time,value\na,2020-01,2\na,2020-Q1,3\n",
       {},
       "line 3, column 2: \"2020-Q1\" is a quarter"},
      {"id,time,value\na,soon,2\n", {}, "line 2, column 2: \"soon\" is not a time"},
      {"id,time,value\n,1,2\n", {}, "line 2, column 1: the id is empty"},
      {"id,time,value\na,1\n", {}, "line 2: 2 cells, 3 expected"},
      {"key,time,value\na,1,2\n",
       {},
       "no column named \"id\" in the header line (key, time, "
       "value); name it with --id"},
      {"id,time,value\n", {}, "no observations"},
      {"", {}, "no header line"},
      {"time,a\n2020-01,1\n2020-03,2\n", wide,
       "line 3, column 1: \"2020-03\" does not follow 2020-01"},
      {"time,a,b\n2020-01,1\n", wide, "line 2: 2 cells, 3 expected"},
  };
  for (const auto& c : cases) {
    const Read r = ReadAll(c.text, c.options);
    EXPECT_NE(r.error.find(c.error), std::string::npos) << c.text << "\n -> " << r.error;
    EXPECT_TRUE(r.series.empty()) << c.text;
  }
  std::string error;
  BatchInputOptions missing;
  missing.file = "no/such/file.csv";
  EXPECT_EQ(OpenBatchInput(missing, error), nullptr);
  EXPECT_EQ(error, "no/such/file.csv: cannot open the file");
}

}  // namespace
}  // namespace vordex::cli
