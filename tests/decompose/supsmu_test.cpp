#include "decompose/supsmu.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kClosedForm;

// Every smoother pass fits local lines, so a straight line comes back unchanged at any spacing;
// with a single abscissa every point gets the mean. (Agreement with R's supsmu on real data is
// checked through MSTL's non-seasonal case.)
TEST(SuperSmoother, ReproducesLinesAndAveragesATiedAbscissa) {
  std::vector<double> x;
  std::vector<double> y;
  for (int t = 0; t < 200; ++t) {
    x.push_back(t * t / 50.0);
    y.push_back(3.0 - 0.25 * x.back());
  }
  const std::vector<double> smooth = SuperSmoother(x, y).value;
  for (std::size_t t = 0; t < y.size(); ++t) EXPECT_NEAR(smooth[t], y[t], kClosedForm * 100.0);

  const std::vector<double> same(4, 1.0);
  const std::vector<double> values = {1.0, 2.0, 4.0, 9.0};
  EXPECT_EQ(SuperSmoother(same, values).value, std::vector<double>(4, 4.0));
  EXPECT_FALSE(SuperSmoother(values, std::vector<double>{1.0}).ok());
  EXPECT_FALSE(SuperSmoother(std::vector<double>{2.0, 1.0}, std::vector<double>{1.0, 1.0}).ok());
}

}  // namespace
}  // namespace vordex::decompose
