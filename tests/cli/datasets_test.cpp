#include "datasets.h"

#include <gtest/gtest.h>

#include <string>

namespace vordex::cli {
namespace {

// Lengths, first and last values as published with R's datasets package (AirPassengers, lynx,
// Nile, UKgas, USAccDeaths) and, for the airline series, Box and Jenkins' Series G.
TEST(Datasets, EmbeddedSeriesHaveTheirPublishedLengthsAndEnds) {
  const struct {
    const char* name;
    int frequency;
    std::size_t length;
    double first, last;
  } expected[] = {
      {"airline", 12, 144, 112, 432},      {"lynx", 1, 114, 269, 3396},
      {"nile", 1, 100, 1120, 740},         {"ukgas", 4, 108, 160.1, 782.8},
      {"usaccdeaths", 12, 72, 9007, 9240},
  };
  for (const auto& e : expected) {
    const Dataset* d = FindDataset(e.name);
    ASSERT_NE(d, nullptr) << e.name;
    EXPECT_EQ(d->frequency, e.frequency) << e.name;
    ASSERT_EQ(d->values.size(), e.length) << e.name;
    EXPECT_EQ(d->values.front(), e.first) << e.name;  // copied digits: exact
    EXPECT_EQ(d->values.back(), e.last) << e.name;
    EXPECT_FALSE(d->description.empty()) << e.name;
    EXPECT_FALSE(d->start.empty()) << e.name;
  }
  EXPECT_EQ(Datasets().size(), std::size(expected));
}

TEST(Datasets, ListedByNameAndFoundOnlyByExactName) {
  const auto all = Datasets();
  for (std::size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1].name, all[i].name);
  EXPECT_EQ(FindDataset("Airline"), nullptr);
  EXPECT_EQ(FindDataset(""), nullptr);
  ASSERT_NE(FindDataset(kDefaultDataset), nullptr);
}

TEST(Datasets, AirlineSeriesSumsToItsPublishedTotal) {
  // Sum of AirPassengers (R: sum(AirPassengers) = 40363) catches a dropped or doubled line.
  double total = 0.0;
  for (double x : FindDataset("airline")->values) total += x;
  EXPECT_EQ(total, 40363.0);
}

}  // namespace
}  // namespace vordex::cli
