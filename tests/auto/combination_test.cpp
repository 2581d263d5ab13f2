#include "auto/combination.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vordex::automatic {
namespace {

TEST(Combine, EqualWeightMeansHorizonByHorizon) {
  // Three parts whose means are known exactly: (1 + 2 + 6) / 3 = 3, and so on.
  // Fitted values: a part without one at a time leaves the mean of the others.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Forecasts> parts = {
      {{1, 10}, {{95, {0, 8}, {2, 12}}}, {nan, 3}},
      {{2, 20}, {{95, {1, 17}, {3, 23}}}, {4, 6}},
      {{6, 30}, {{95, {2, 26}, {10, 34}}}, {8, 9}}};
  const auto out = Combine(parts);
  ASSERT_TRUE(out.ok()) << out.text;
  EXPECT_EQ(out.value.mean, (std::vector<double>{3, 20}));
  EXPECT_EQ(out.value.limits[0].lower, (std::vector<double>{1, 17}));
  EXPECT_EQ(out.value.limits[0].upper, (std::vector<double>{5, 23}));
  EXPECT_EQ(out.value.fitted, (std::vector<double>{6, 6}));
  // One part is itself.
  const auto one = Combine(std::vector<Forecasts>{parts[1]});
  EXPECT_EQ(one.value.mean, parts[1].mean);
}

TEST(Combine, RefusesNothingUnequalHorizonsAndNonFiniteValues) {
  EXPECT_FALSE(Combine({}).ok());
  EXPECT_FALSE(Combine(std::vector<Forecasts>{{{1, 2}, {{95, {0, 1}, {2, 3}}}, {}},
                                               {{1}, {{95, {0}, {2}}}, {}}})
                   .ok());
  EXPECT_FALSE(Combine(std::vector<Forecasts>{{{1}, {{95, {0}, {2}}}, {}},
                                               {{1}, {{80, {0}, {2}}}, {}}})
                   .ok());
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const auto bad = Combine(std::vector<Forecasts>{{{1, nan}, {{95, {0, 1}, {2, 3}}}, {}}});
  EXPECT_FALSE(bad.ok());
  EXPECT_NE(bad.text.find("horizon 2"), std::string::npos) << bad.text;
}

}  // namespace
}  // namespace vordex::automatic
