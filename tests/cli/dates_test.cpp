#include "dates.h"

#include <gtest/gtest.h>

#include <string>

namespace vordex::cli {
namespace {

// Times and the one that follows each, by the calendar (year ends, leap days, ISO weeks: 2020
// has 53 weeks, 2021 has 52; 2021-01-03 is a Sunday of week 2020-W53).
TEST(Dates, EachFormReadsBackAndContinuesAcrossYearEnds) {
  const struct {
    const char* cell;
    Calendar calendar;
    const char* next;
  } cases[] = {
      {"1990", Calendar::kCount, "1991"},
      {"7", Calendar::kCount, "8"},
      {"-1", Calendar::kCount, "0"},
      {"1999-Q4", Calendar::kQuarter, "2000-Q1"},
      {"2021-q2", Calendar::kQuarter, "2021-Q3"},
      {"1960-12", Calendar::kMonth, "1961-01"},
      {"2020-02", Calendar::kMonth, "2020-03"},
      {"2020-W52", Calendar::kWeek, "2020-W53"},
      {"2020-W53", Calendar::kWeek, "2021-W01"},
      {"2021-W52", Calendar::kWeek, "2022-W01"},
      {"2020-02-28", Calendar::kDay, "2020-02-29"},
      {"2021-02-28", Calendar::kDay, "2021-03-01"},
      {"1999-12-31", Calendar::kDay, "2000-01-01"},
      {"1999-12-31 23:00", Calendar::kHour, "2000-01-01 00:00"},
      {"2020-02-28 09:00", Calendar::kHour, "2020-02-28 10:00"},
      {"2024-02-29 23:30", Calendar::kHalfHour, "2024-03-01 00:00"},
  };
  for (const auto& c : cases) {
    const auto t = ParseTime(c.cell);
    ASSERT_TRUE(t.has_value()) << c.cell;
    EXPECT_EQ(t->calendar, c.calendar) << c.cell;
    const std::string canonical = c.cell == std::string("2021-q2") ? "2021-Q2" : c.cell;
    EXPECT_EQ(FormatTime(*t), canonical);
    EXPECT_EQ(FormatTime(Time{t->calendar, t->ordinal + 1}), c.next) << c.cell;
  }
  // Days and weeks count from fixed Mondays: 1970-01-05 was one.
  EXPECT_EQ(ParseTime("1970-01-05")->ordinal, 4);
  EXPECT_EQ(ParseTime("1970-W02")->ordinal, 0);
  // Hours count from 1970-01-01 00:00; a T and seconds of zero spell the same hour.
  EXPECT_EQ(ParseTime("1970-01-02 01:00")->ordinal, 25);
  EXPECT_EQ(ParseTime("1970-01-02T01:00:00")->ordinal, 25);
  // Among half-hours an hour is the half-hour on the hour.
  EXPECT_EQ(FormatTime(OnClockOf(*ParseTime("1970-01-02 01:00"), Calendar::kHalfHour)),
            "1970-01-02 01:00");
  EXPECT_EQ(OnClockOf(*ParseTime("1970-01-02 01:00"), Calendar::kHalfHour).ordinal + 1,
            ParseTime("1970-01-02 01:30")->ordinal);
}

TEST(Dates, CellsThatAreNoTimeAreRefused) {
  for (const char* cell : {"",
                           "abc",
                           "2020-13",
                           "2020-00",
                           "2020-Q5",
                           "2020-Q0",
                           "2021-02-29",
                           "2020-04-31",
                           "2021-W53",
                           "2020-W00",
                           "2020/01",
                           "20-01",
                           "2020-1",
                           "2020-01-1",
                           "1.5",
                           "2020-01 ",
                           "2020-01-01 24:00",
                           "2020-01-01 10:15",
                           "2020-01-01 10",
                           "2020-01-01  10:00",
                           "2020-01-01 10:00:01",
                           "2020-02-30 10:00",
                           "2020-01 10:00"}) {
    EXPECT_FALSE(ParseTime(cell).has_value()) << '"' << cell << '"';
  }
}

TEST(Dates, CalendarPeriods) {
  EXPECT_EQ(CalendarPeriod(Calendar::kMonth), 12);
  EXPECT_EQ(CalendarPeriod(Calendar::kQuarter), 4);
  EXPECT_EQ(CalendarPeriod(Calendar::kCount), 1);
  EXPECT_EQ(CalendarPeriod(Calendar::kDay), 7);
  EXPECT_EQ(CalendarPeriod(Calendar::kWeek), 1);
  EXPECT_EQ(CalendarPeriod(Calendar::kHour), 24);
  EXPECT_EQ(CalendarPeriod(Calendar::kHalfHour), 48);
}

}  // namespace
}  // namespace vordex::cli
