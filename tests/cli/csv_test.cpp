#include "csv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vordex::cli {
namespace {

TEST(Csv, LinesCellsAndWhereTheyAre) {
  std::istringstream in("\n a ; \"b\" \n\n1;;NA\r\n");
  CsvReader reader(in, "in.csv");
  std::vector<std::string_view> cells;
  ASSERT_TRUE(reader.Next(cells));
  EXPECT_EQ(cells, (std::vector<std::string_view>{"a", "b"}));
  EXPECT_EQ(reader.line(), 2u);
  ASSERT_TRUE(reader.Next(cells));
  EXPECT_EQ(cells, (std::vector<std::string_view>{"1", "", "NA"}));
  EXPECT_EQ(reader.Where(3), "in.csv: line 4, column 3");
  EXPECT_FALSE(reader.Next(cells));
  EXPECT_FALSE(reader.failed());
}

TEST(Csv, MissingMarkersNumbersAndColumns) {
  for (const char* cell : {"", "NA", "na", "NaN", "nan"}) EXPECT_TRUE(IsMissingCell(cell)) << cell;
  for (const char* cell : {"0", "N/A", "-"}) EXPECT_FALSE(IsMissingCell(cell)) << cell;
  EXPECT_EQ(ParseNumber("+2.5e1"), 25.0);
  EXPECT_FALSE(ParseNumber("2,5").has_value());
  const std::vector<std::string> header = {"id", "time", "value"};
  EXPECT_EQ(FindColumn("value", header, 3), 2u);
  EXPECT_EQ(FindColumn("2", header, 3), 1u);
  EXPECT_FALSE(FindColumn("4", header, 3).has_value());
  EXPECT_FALSE(FindColumn("0", header, 3).has_value());
  EXPECT_FALSE(FindColumn("Value", header, 3).has_value());
}

}  // namespace
}  // namespace vordex::cli
