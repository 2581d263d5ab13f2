#include "auto/seasonality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::automatic {
namespace {

using vordex::testing::kPeerPrinted;

// R 4.2.2, forecast 8.20: forecast:::seas.heuristic(x) and nsdiffs(x) for x = AirPassengers,
// UKgas, USAccDeaths.
TEST(SeasonalStrength, AgreesWithForecastsHeuristicAndNsdiffs) {
  struct Case {
    std::string dataset;
    int period;
    double strength;
  };
  const Case cases[] = {
      {"airline", 12, 0.9406724903}, {"ukgas", 4, 0.9830947826}, {"usaccdeaths", 12, 0.9447944649}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataset);
    const std::vector<double> y = testing::LoadDataset(c.dataset);
    EXPECT_NEAR(SeasonalStrength(y, c.period).value, c.strength, kPeerPrinted);
    EXPECT_EQ(NumberOfSeasonalDifferences(y, c.period).value, 1);
  }
}

// Uniform noise on [0, 1) from the Mersenne twister's raw output (the same on every platform).
std::vector<double> Noise(int n) {
  std::mt19937 gen(20240501u);
  std::vector<double> y;
  for (int t = 0; t < n; ++t) y.push_back(gen() / 4294967296.0);
  return y;
}

TEST(NumberOfSeasonalDifferences, NeedsNoneWithoutSeasonalityOrData) {
  EXPECT_EQ(NumberOfSeasonalDifferences(Noise(60), 12).value, 0);
  EXPECT_EQ(NumberOfSeasonalDifferences(std::vector<double>(40, 5.0), 4).value, 0);
  // Too short to decompose (n <= 2 m), or no longer than a period.
  EXPECT_EQ(NumberOfSeasonalDifferences(std::vector<double>{1, 5, 2, 6, 1, 5, 2, 6}, 4).value, 0);
  EXPECT_EQ(NumberOfSeasonalDifferences(std::vector<double>{1, 2, 3}, 4).value, 0);
  // A periodic series is differenced to a constant one.
  std::vector<double> periodic;
  for (int t = 0; t < 48; ++t) periodic.push_back(t % 4 == 0 ? 10.0 : 1.0 + t % 4);
  EXPECT_EQ(NumberOfSeasonalDifferences(periodic, 4).value, 1);
  EXPECT_EQ(NumberOfSeasonalDifferences(periodic, 4, {.threshold = 0.64, .max_D = 0}).value, 0);
}

TEST(SeasonalByAutocorrelation, FindsAPeriodicPatternAndNothingInNoise) {
  std::vector<double> periodic = Noise(48);
  for (std::size_t t = 0; t < periodic.size(); ++t) periodic[t] += (t % 4 == 1) ? 3.0 : 0.0;
  EXPECT_TRUE(SeasonalByAutocorrelation(periodic, 4).value);
  EXPECT_FALSE(SeasonalByAutocorrelation(Noise(48), 4).value);
  EXPECT_FALSE(SeasonalByAutocorrelation(periodic, 1).value);
  EXPECT_FALSE(
      SeasonalByAutocorrelation(std::vector<double>(periodic.begin(), periodic.begin() + 8), 4)
          .value);
}

// Thetaf's statistic by hand for y = 1, 3, 1, ... (n = 9, m = 2): the deviations from the mean
// 17/9 are -8/9 and 10/9, so n c_0 = 720/81, n c_1 = -640/81, n c_2 = 556/81, and the statistic
// |r_2| / sqrt((1 + 2 r_1^2) / 9) is about 1.44: seasonal at 80% (1.2816), not at 90% (1.6449).
TEST(SeasonalByAutocorrelation, ComparesTheStatisticWithTheLevelsCriticalValue) {
  const std::vector<double> y = {1, 3, 1, 3, 1, 3, 1, 3, 1};
  const double r1 = -640.0 / 720.0;
  const double r2 = 556.0 / 720.0;
  const double stat = r2 / std::sqrt((1.0 + 2.0 * r1 * r1) / 9.0);
  ASSERT_GT(stat, 1.2816);
  ASSERT_LT(stat, 1.6449);

  EXPECT_TRUE(SeasonalByAutocorrelation(y, 2, 0.80).value);
  EXPECT_FALSE(SeasonalByAutocorrelation(y, 2, 0.90).value);
}

TEST(Seasonality, RefusesBadRequests) {
  const std::vector<double> y = {1.0, NAN, 2.0};
  EXPECT_FALSE(SeasonalStrength(y, 12).ok());
  EXPECT_FALSE(NumberOfSeasonalDifferences(y, 12).ok());
  EXPECT_FALSE(NumberOfSeasonalDifferences(std::vector<double>{1.0, 2.0}, 1).ok());
  EXPECT_FALSE(SeasonalByAutocorrelation(y, 12).ok());
  EXPECT_FALSE(SeasonalByAutocorrelation(std::vector<double>{1.0, 2.0}, 12, 1.0).ok());
}

}  // namespace
}  // namespace vordex::automatic
