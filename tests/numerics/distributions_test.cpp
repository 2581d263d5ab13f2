#include "numerics/distributions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using vordex::testing::kClosedForm;

// R 4.2.2: sprintf("%.16f", qnorm(c(0.975, 0.95, 1e-10, 0.3))) (R's qnorm is AS 241 as well).
TEST(NormalQuantile, AgreesWithRsQnormInTheCentreAndBothTails) {
  EXPECT_NEAR(NormalQuantile(0.975), 1.9599639845400536, kClosedForm);
  EXPECT_NEAR(NormalQuantile(0.95), 1.6448536269514715, kClosedForm);
  EXPECT_NEAR(NormalQuantile(1e-10), -6.3613409024040557, kClosedForm * 10);
  EXPECT_NEAR(NormalQuantile(0.3), -0.5244005127080407, kClosedForm);
  EXPECT_EQ(NormalQuantile(0.5), 0.0);
  EXPECT_NEAR(NormalQuantile(0.2) + NormalQuantile(0.8), 0.0, kClosedForm);
}

TEST(NormalQuantile, GivesInfinitiesAtTheEndsAndNanOutside) {
  EXPECT_EQ(NormalQuantile(0.0), -INFINITY);
  EXPECT_EQ(NormalQuantile(1.0), INFINITY);
  EXPECT_TRUE(std::isnan(NormalQuantile(-0.1)));
  EXPECT_TRUE(std::isnan(NormalQuantile(NAN)));
}

}  // namespace
}  // namespace vordex::numerics
