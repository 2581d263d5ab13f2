#include "auto/combination.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vordex::automatic {
namespace {

TEST(Combine, EqualWeightMeansHorizonByHorizon) {
  // Three parts whose means are known exactly: (1 + 2 + 6) / 3 = 3, and so on.
  const std::vector<Forecasts> parts = {
      {{1, 10}, {0, 8}, {2, 12}}, {{2, 20}, {1, 17}, {3, 23}}, {{6, 30}, {2, 26}, {10, 34}}};
  const auto out = Combine(parts);
  ASSERT_TRUE(out.ok()) << out.error;
  EXPECT_EQ(out.value.mean, (std::vector<double>{3, 20}));
  EXPECT_EQ(out.value.lower, (std::vector<double>{1, 17}));
  EXPECT_EQ(out.value.upper, (std::vector<double>{5, 23}));
  // One part is itself.
  const auto one = Combine(std::vector<Forecasts>{parts[1]});
  EXPECT_EQ(one.value.mean, parts[1].mean);
}

TEST(Combine, RefusesNothingUnequalHorizonsAndNonFiniteValues) {
  EXPECT_FALSE(Combine({}).ok());
  EXPECT_FALSE(Combine(std::vector<Forecasts>{{{1, 2}, {0, 1}, {2, 3}}, {{1}, {0}, {2}}}).ok());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const auto bad = Combine(std::vector<Forecasts>{{{1, nan}, {0, 1}, {2, 3}}});
  EXPECT_FALSE(bad.ok());
  EXPECT_NE(bad.error.find("horizon 2"), std::string::npos) << bad.error;
}

}  // namespace
}  // namespace vordex::automatic
