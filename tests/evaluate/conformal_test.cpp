#include "evaluate/conformal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/tolerances.h"

namespace vordex::evaluate {
namespace {

using vordex::testing::kClosedForm;

// Errors of 5 origins x 3 steps; step 2 misses one.
const std::vector<double> kErrors = {3.0, -8.0, 12.5, -1.5, 4.0, -20.0, 6.0, NAN,
                                     7.0, -2.5, 9.5,  -3.0, 0.5, -6.0,  15.0};
const std::vector<double> kLevels = {80.0, 95.0};

// numpy 1.24.2, per step h with s = abs(E[:, h]) without its NaN and f = (100, 110, 120):
//   distribution: np.quantile(np.concatenate([f[h] - s, f[h] + s]), 1 - (100 - level) / 200)
//                 - f[h], statsforecast's rule (the lower cut gives the same width);
//   error:        np.quantile(s, level / 100).
TEST(ConformalHalfWidths, AgreeWithNumpysQuantilesOfTheAbsoluteErrors) {
  const double distribution[2][3] = {{3.299999999999997, 8.450000000000003, 15.5},
                                     {5.325000000000003, 9.237499999999997, 18.875}};
  const double error[2][3] = {{3.6000000000000005, 8.600000000000001, 16.0},
                              {5.3999999999999995, 9.274999999999999, 19.0}};
  const auto d = ConformalHalfWidths(kErrors, 5, 3, kLevels);
  const auto e = ConformalHalfWidths(kErrors, 5, 3, kLevels, ConformalMethod::kError);
  ASSERT_TRUE(d.ok() && e.ok());
  EXPECT_EQ(d.value.scores, (std::vector<int>{5, 4, 5}));
  for (int k = 0; k < 2; ++k) {
    for (int h = 0; h < 3; ++h) {
      EXPECT_NEAR(d.value.at(k, h), distribution[k][h], kClosedForm);
      EXPECT_NEAR(e.value.at(k, h), error[k][h], kClosedForm);
    }
  }
}

TEST(ConformalLimits, CentreTheWidthsOnTheForecasts) {
  const auto w = ConformalHalfWidths(kErrors, 5, 3, kLevels).value;
  const auto limits = ConformalLimits(std::vector<double>{100.0, 110.0}, w);
  ASSERT_TRUE(limits.ok() && limits.value.size() == 2u);
  EXPECT_EQ(limits.value[1].lower, (std::vector<double>{100.0 - w.at(1, 0), 110.0 - w.at(1, 1)}));
  EXPECT_EQ(limits.value[1].upper, (std::vector<double>{100.0 + w.at(1, 0), 110.0 + w.at(1, 1)}));
  EXPECT_FALSE(ConformalLimits(std::vector<double>(4, 1.0), w).ok());  // beyond the steps
  // A step without any error has NaN widths; shapes and levels are checked.
  EXPECT_TRUE(
      std::isnan(ConformalHalfWidths(std::vector<double>{1.0, NAN}, 1, 2, kLevels).value.at(0, 1)));
  EXPECT_FALSE(ConformalHalfWidths(kErrors, 4, 3, kLevels).ok());
  EXPECT_FALSE(ConformalHalfWidths(kErrors, 5, 3, std::vector<double>{100.0}).ok());
}

}  // namespace
}  // namespace vordex::evaluate
