// The pieces shared by the typed requests: option narrowing, the result-cell reader and the
// missing-value marker.
#include "api/request.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/ets.hpp"

namespace vordex::api {
namespace {

// The text of the vordex::Error thrown by `call`, or "" when it throws none.
template <class F>
std::string ErrorText(F call) {
  try {
    call();
  } catch (const Error& e) {
    EXPECT_EQ(0, e.status());
    return e.host_text();
  }
  return "";
}

TEST(Option, KeepsEveryValueOfTheSixteenBitRange) {
  EXPECT_EQ(-32768, Option(-32768, "Arima", "h"));
  EXPECT_EQ(0, Option(0, "Arima", "h"));
  EXPECT_EQ(32767, Option(32767, "Arima", "h"));
}

TEST(Option, RejectsValuesJustOutsideTheRangeNamingMethodAndOption) {
  EXPECT_EQ("Armax: s does not fit a 16-bit option",
            ErrorText([] { Option(32768, "Armax", "s"); }));
  EXPECT_EQ("Ets: the period does not fit a 16-bit option",
            ErrorText([] { Option(-32769, "Ets", "the period"); }));
}

TEST(Option, EachRequestNamesItselfWhenTheSeriesIsTooLong) {
  const std::vector<double> y(40000, 1.0);
  const std::string tail = ": the number of observations does not fit a 16-bit option";
  EXPECT_EQ("Arima" + tail, ErrorText([&] { arima::Fit(y, {}); }));
  EXPECT_EQ("Armax" + tail, ErrorText([&] { armax::Fit(y, {}); }));
  EXPECT_EQ("Ets" + tail, ErrorText([&] { ets::Fit(y, {}); }));
}

TEST(CellReader, ReadsBlocksAndCellsInOrderToTheEnd) {
  const std::vector<double> cells = {1, 2, 3, 4, 5, 6};
  const std::vector<Message> warnings;
  CellReader reader(cells, "Arima", warnings);
  EXPECT_EQ((std::vector<double>{1, 2}), reader.Take(2));
  EXPECT_TRUE(reader.Take(0).empty());
  EXPECT_TRUE(reader.Take(-3).empty());
  EXPECT_EQ(3.0, reader.Next());
  EXPECT_FALSE(reader.done());
  EXPECT_EQ((std::vector<double>{4, 5, 6}), reader.Take(3));
  EXPECT_TRUE(reader.done());
  EXPECT_TRUE(reader.Take(0).empty());
}

TEST(CellReader, ReadingPastTheEndThrowsWithTheWarningsAndConsumesNothing) {
  const std::vector<double> cells = {1, 2, 3};
  const std::vector<Message> warnings = {{"Warning", "few data", 0x30u}};
  CellReader reader(cells, "Ets", warnings);
  try {
    reader.Take(4);
    ADD_FAILURE() << "a block longer than the cells was read";
  } catch (const Error& e) {
    EXPECT_EQ("Ets: unexpected result layout", e.host_text());
    ASSERT_EQ(1u, e.messages().size());
    EXPECT_EQ("few data", e.messages()[0].text);
  }
  EXPECT_EQ((std::vector<double>{1, 2, 3}), reader.Take(3));
  EXPECT_EQ("Ets: unexpected result layout", ErrorText([&] { reader.Next(); }));
  EXPECT_TRUE(reader.done());
}

TEST(CellReader, AnEmptyResultIsDoneAndHasNoCell) {
  const std::vector<double> cells;
  const std::vector<Message> warnings;
  CellReader reader(cells, "Armax", warnings);
  EXPECT_TRUE(reader.done());
  EXPECT_EQ("Armax: unexpected result layout", ErrorText([&] { reader.Next(); }));
  EXPECT_EQ("Armax: unexpected result layout", ErrorText([&] { reader.Take(1); }));
}

TEST(MissingToNaN, ReplacesOnlyTheExactMarkerBits) {
  const double next_to_marker = std::nextafter(kMissing, 0.0);
  const std::vector<double> out = MissingToNaN({kMissing, 1.5, next_to_marker, -0.0, kMissing});
  ASSERT_EQ(5u, out.size());
  EXPECT_TRUE(std::isnan(out[0]));
  EXPECT_EQ(1.5, out[1]);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(next_to_marker), std::bit_cast<std::uint64_t>(out[2]));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(-0.0), std::bit_cast<std::uint64_t>(out[3]));
  EXPECT_TRUE(std::isnan(out[4]));
}

}  // namespace
}  // namespace vordex::api
