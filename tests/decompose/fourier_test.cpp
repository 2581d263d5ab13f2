#include "decompose/fourier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kClosedForm;

// Looks a column up by name; empty when there is none.
std::vector<double> Column(const FourierTerms& f, const std::string& name) {
  for (std::size_t i = 0; i < f.names.size(); ++i)
    if (f.names[i] == name) return f.columns[i];
  return {};
}

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += n + " ";
  return s;
}

// R 4.2.2, forecast 8.20, values printed with %.17g:
//   f1 <- fourier(msts(1:700, seasonal.periods = c(48, 336)), K = c(3, 8))
//   f2 <- fourier(ts(1:10, frequency = 4), K = 2, h = 3)
//   x <- msts(numeric(200000), seasonal.periods = c(52.18, 365.25))
//   f3 <- fourier(x, K = c(2, 3), h = 5)[5, ]; f4 <- fourier(x, K = c(2, 3))[199999, ]
TEST(Fourier, AgreesWithRsFourierInNamesAndValues) {
  struct Case {
    std::vector<double> periods;
    std::vector<int> orders;
    long first_time;
    std::size_t count;
    std::string names;
    std::size_t row;  // 0-based within the requested times
    std::vector<std::pair<std::string, double>> values;
  };
  const Case cases[] = {
      {{48, 336},
       {3, 8},
       1,
       700,
       "S1-48 C1-48 S2-48 C2-48 S3-48 C3-48 S1-336 C1-336 S2-336 C2-336 S3-336 C3-336 S4-336 "
       "C4-336 S5-336 C5-336 S6-336 C6-336 S8-336 C8-336 ",  // k = 7 of 336 is k = 1 of 48
       698,
       {{"S2-48", 0.70710678118654746},
        {"C8-336", -0.62348980185873648},
        {"S5-336", 0.57867129617980984}}},
      {{4}, {2}, 11, 3, "S1-4 C1-4 C2-4 ", 1, {{"S1-4", 0.0}, {"C1-4", 1.0}, {"C2-4", 1.0}}},
      {{52.18, 365.25},
       {2, 3},
       200005,
       1,
       "S1-52 C1-52 S2-52 C2-52 S1-365 C1-365 S2-365 C2-365 S3-365 C3-365 ",
       0,
       {{"S1-52", -0.11294731413302661},
        {"C2-52", 0.97448580846027066},
        {"S1-365", -0.50279071977929324},
        {"C3-365", 0.0096762124071922157}}},
      {{52.18, 365.25},
       {2, 3},
       1,
       200000,
       "S1-52 C1-52 S2-52 C2-52 S1-365 C1-365 S2-365 C2-365 S3-365 C3-365 ",
       199998,
       {{"C1-52", 0.6706802175686033},
        {"S2-52", -0.99494956668683121},
        {"C2-365", 0.66206962151514759},
        {"S3-365", -0.95534616226320612}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    const Outcome<FourierTerms> f = Fourier(c.periods, c.orders, c.first_time, c.count);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(Joined(f.value.names), c.names);
    for (const auto& [name, value] : c.values) {
      const std::vector<double> column = Column(f.value, name);
      ASSERT_EQ(column.size(), c.count) << name;
      EXPECT_NEAR(column[c.row], value, kClosedForm) << name;
    }
  }
  EXPECT_EQ(TrendColumn(11, 3), (std::vector<double>{11.0, 12.0, 13.0}));
}

TEST(Fourier, RefusesInconsistentRequests) {
  const std::vector<double> periods = {12.0};
  EXPECT_FALSE(Fourier(periods, std::vector<int>{7}, 1, 10).ok());  // 2K > m
  EXPECT_FALSE(Fourier(periods, std::vector<int>{-1}, 1, 10).ok());
  EXPECT_FALSE(Fourier(periods, std::vector<int>{1, 2}, 1, 10).ok());
  EXPECT_FALSE(Fourier(std::vector<double>{0.0}, std::vector<int>{0}, 1, 10).ok());
}

}  // namespace
}  // namespace vordex::decompose
