#include "series_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace vordex::cli {
namespace {

ReadResult Read(const std::string& text, const std::string& column = "",
                HeaderMode header = HeaderMode::kAuto, const std::string& time = "") {
  std::istringstream in(text);
  return ReadSeries(in, "input.csv", ReadOptions{column, header, time});
}

TEST(SeriesInput, ChoosesAColumnByNameOrPosition) {
  const std::string text = "date,sales,cost\n2020-01,10,1.5\n2020-02,12,-2e1\n";
  ReadResult by_name = Read(text, "cost");
  ASSERT_TRUE(by_name.ok()) << by_name.error;
  EXPECT_EQ(by_name.values, (std::vector<double>{1.5, -20.0}));
  EXPECT_EQ(by_name.name, "cost");
  ReadResult by_position = Read(text, "2");
  ASSERT_TRUE(by_position.ok()) << by_position.error;
  EXPECT_EQ(by_position.values, (std::vector<double>{10.0, 12.0}));
  EXPECT_EQ(by_position.name, "sales");
}

TEST(SeriesInput, TheFirstColumnIsTheDefault) {
  ReadResult r = Read("y\n1\n2\n3\n");
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.values, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(r.name, "y");
}

TEST(SeriesInput, AHeaderIsDetectedOnlyWhenItsCellIsNotANumber) {
  ReadResult no_header = Read("5\n6\n");
  ASSERT_TRUE(no_header.ok()) << no_header.error;
  EXPECT_EQ(no_header.values, (std::vector<double>{5.0, 6.0}));
  EXPECT_EQ(no_header.name, "column 1");
  // The chosen cell decides: a text in another column does not make the line a header.
  ReadResult mixed = Read("a,7\nb,8\n", "2");
  ASSERT_TRUE(mixed.ok()) << mixed.error;
  EXPECT_EQ(mixed.values, (std::vector<double>{7.0, 8.0}));
}

TEST(SeriesInput, NoHeaderMakesTheFirstLineAnObservation) {
  ReadResult r = Read("1\n2\n", "", HeaderMode::kAbsent);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.values.size(), 2u);
  ReadResult text_first = Read("y\n2\n", "", HeaderMode::kAbsent);
  EXPECT_FALSE(text_first.ok());
  EXPECT_NE(text_first.error.find("line 1, column 1"), std::string::npos) << text_first.error;
  ReadResult by_name = Read("y\n2\n", "y", HeaderMode::kAbsent);
  EXPECT_FALSE(by_name.ok());
  EXPECT_NE(by_name.error.find("header"), std::string::npos) << by_name.error;
}

TEST(SeriesInput, SemicolonsTabsQuotesBlankLinesAndCarriageReturns) {
  ReadResult semicolon = Read("a;b\r\n1;2\r\n\r\n3;4\r\n", "b");
  ASSERT_TRUE(semicolon.ok()) << semicolon.error;
  EXPECT_EQ(semicolon.values, (std::vector<double>{2.0, 4.0}));
  ReadResult tab = Read("\"a\"\t\"b\"\n\"1\"\t+2.5\n", "a");
  ASSERT_TRUE(tab.ok()) << tab.error;
  EXPECT_EQ(tab.values, (std::vector<double>{1.0}));
}

TEST(SeriesInput, EmptyInputIsRefused) {
  for (const char* text : {"", "\n\n", "y\n", "y\n  \n"}) {
    ReadResult r = Read(text);
    EXPECT_FALSE(r.ok()) << text;
    EXPECT_TRUE(r.values.empty());
    EXPECT_NE(r.error.find("input.csv: no observations"), std::string::npos) << r.error;
  }
}

TEST(SeriesInput, ANonNumericCellNamesItsLineAndColumn) {
  ReadResult r = Read("a,b\n1,2\n3,4x\n", "b");
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(r.values.empty());  // nothing half-read is handed on
  EXPECT_EQ(r.error, "input.csv: line 3, column 2: \"4x\" is not a number (nor empty, NA or NaN)");
}

TEST(SeriesInput, MissingCellsAreGapsInPlaceAndLeadingOnesAreDropped) {
  // Empty, NA and NaN cells are missing values at their own times: the neighbours keep theirs.
  const ReadResult r = Read("time,y\n2020-01,NA\n2020-02,1\n2020-03,\n2020-04,NaN\n2020-05,4\n");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.values.size(), 4u);
  EXPECT_EQ(r.values[0], 1.0);
  EXPECT_TRUE(std::isnan(r.values[1]) && std::isnan(r.values[2]));
  EXPECT_EQ(r.values[3], 4.0);
  EXPECT_EQ(FormatTime(*r.start), "2020-02");
  EXPECT_FALSE(Read("y\nNA\n\n").ok());  // nothing observed
}

TEST(SeriesInput, AMissingColumnIsRefused) {
  ReadResult name = Read("a,b\n1,2\n", "c");
  EXPECT_FALSE(name.ok());
  EXPECT_NE(name.error.find("no column named \"c\""), std::string::npos) << name.error;
  EXPECT_NE(name.error.find("(a, b)"), std::string::npos) << name.error;
  ReadResult past_end = Read("a,b\n1,2\n", "3");
  EXPECT_FALSE(past_end.ok());
  EXPECT_NE(past_end.error.find("no column 3"), std::string::npos) << past_end.error;
  ReadResult zero = Read("a,b\n1,2\n", "0");
  EXPECT_FALSE(zero.ok());
  ReadResult short_line = Read("a,b\n1,2\n3\n", "b");
  EXPECT_FALSE(short_line.ok());
  EXPECT_NE(short_line.error.find("line 3: no column 2"), std::string::npos) << short_line.error;
}

TEST(SeriesInput, InfiniteValuesAreRefused) {
  for (const char* cell : {"inf", "-inf", "Infinity", "1e999"}) {
    ReadResult r = Read(std::string("y\n1\n") + cell + "\n");
    EXPECT_FALSE(r.ok()) << cell;
    EXPECT_NE(r.error.find("line 3, column 1"), std::string::npos) << cell << ": " << r.error;
  }
}

TEST(SeriesInput, ATimeColumnIsFoundAndTheFirstNumericColumnIsPicked) {
  const struct {
    const char* text;
    const char* name;
    const char* time_name;
    const char* start;
  } cases[] = {
      {"region,date,sales\nnorth,2020-01,10\nnorth,2020-02,12\n", "sales", "date", "2020-01"},
      {"year,flow\n1871,10\n1872,12\n", "flow", "year", "1871"},
      {"t,y\n1,10\n2,12\n", "y", "t", "1"},
      {"2020-Q4,10\n2021-Q1,12\n", "column 2", "column 1", "2020-Q4"},
      {"a,b\n10,5\n12,6\n", "a", "", ""},
  };
  for (const auto& c : cases) {
    const ReadResult r = Read(c.text);
    ASSERT_TRUE(r.ok()) << c.text << r.error;
    EXPECT_EQ(r.values, (std::vector<double>{10, 12})) << c.text;
    EXPECT_EQ(r.name, c.name);
    EXPECT_TRUE(r.picked) << c.text;
    EXPECT_EQ(r.time_name, c.time_name);
    EXPECT_EQ(r.start ? FormatTime(*r.start) : "", c.start);
  }
  // A named time column must hold times; times must follow each other.
  EXPECT_NE(Read("a,b\nx,1\n", "b", HeaderMode::kAuto, "a").error.find("\"x\" is not a time"),
            std::string::npos);
  EXPECT_EQ(Read("date,v\n2020-01,1\n2020-03,2\n").error,
            "input.csv: line 3, column 1: 2020-03 does not follow 2020-01 (times must be "
            "consecutive and in order)");
}

TEST(SeriesInput, AFileThatCannotBeOpenedIsRefused) {
  ReadResult r = ReadSeriesFile("no/such/file.csv", ReadOptions{});
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.error, "no/such/file.csv: cannot open the file");
}

}  // namespace
}  // namespace vordex::cli
