#include "decompose/stl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kPeerPrinted;
using vordex::testing::kRecursion;

// R 4.2.2: s <- stl(AirPassengers, s.window = 11)$time.series; s[t, "seasonal"], s[t, "trend"].
TEST(Stl, AgreesWithRsStlOnTheAirlineSeries) {
  struct Point {
    int t;
    double seasonal;
    double trend;
  };
  const Point points[] = {{1, -16.9770740864, 123.1450569281},
                          {2, -17.1776333372, 123.7250692399},
                          {51, 6.0902454183, 219.8336506502},
                          {101, -5.4731904078, 362.9592605845},
                          {144, -44.1963249790, 496.6832540252}};
  const std::vector<double> y = testing::Airline();
  const Outcome<StlResult> fit = Stl(y, 12);
  ASSERT_TRUE(fit.ok());
  for (const Point& p : points) {
    SCOPED_TRACE(p.t);
    const std::size_t i = static_cast<std::size_t>(p.t - 1);
    EXPECT_NEAR(fit.value.seasonal[i], p.seasonal, kPeerPrinted * 500.0);
    EXPECT_NEAR(fit.value.trend[i], p.trend, kPeerPrinted * 500.0);
    EXPECT_NEAR(fit.value.remainder[i], y[i] - p.seasonal - p.trend, kPeerPrinted * 500.0);
  }
}

// Without robustness passes every loess weight depends on positions only, so the decomposition
// is linear in the data.
TEST(Stl, IsLinearInTheDataWithoutRobustness) {
  const std::vector<double> a = testing::LoadDataset("ukgas");
  std::vector<double> b(a.size());
  for (std::size_t t = 0; t < b.size(); ++t) b[t] = std::sin(0.3 * t) + 0.01 * t * t;
  std::vector<double> mix(a.size());
  for (std::size_t t = 0; t < a.size(); ++t) mix[t] = 2.0 * a[t] - 3.0 * b[t];
  const StlResult fa = Stl(a, 4).value;
  const StlResult fb = Stl(b, 4).value;
  const StlResult fm = Stl(mix, 4).value;
  for (std::size_t t = 0; t < a.size(); ++t) {
    EXPECT_NEAR(fm.seasonal[t], 2.0 * fa.seasonal[t] - 3.0 * fb.seasonal[t], kRecursion * 1e3);
    EXPECT_NEAR(fm.trend[t], 2.0 * fa.trend[t] - 3.0 * fb.trend[t], kRecursion * 1e3);
  }
}

// R 4.2.2: stl(AirPassengers, s.window = 11, robust = TRUE)$time.series[1:3, "seasonal"]. Fifteen
// robustness passes reach these values only with the reference's choice of the median residual.
TEST(Stl, RobustFitAgreesWithRsAndDiscountsAnOutlier) {
  const StlSettings robust = {.inner = 1, .outer = 15};
  const StlResult fit = Stl(testing::Airline(), 12, robust).value;
  const double seasonal[] = {-20.8731757956, -21.2312604614, 3.5621706755};
  for (int t = 0; t < 3; ++t) EXPECT_NEAR(fit.seasonal[t], seasonal[t], kPeerPrinted * 500.0);

  std::vector<double> y = testing::LoadDataset("usaccdeaths");
  y[30] += 5000.0;
  const StlResult plain = Stl(y, 12).value;
  const StlResult discounted = Stl(y, 12, robust).value;
  // The robust fit leaves the outlier in the remainder instead of spreading it.
  EXPECT_GT(std::fabs(discounted.remainder[30]), std::fabs(plain.remainder[30]));
  EXPECT_LT(std::fabs(discounted.remainder[29]), std::fabs(plain.remainder[29]));
}

TEST(Stl, RefusesWhatItCannotDecompose) {
  const std::vector<double> y(30, 1.0);
  EXPECT_EQ(Stl(y, 1).text, "STL: the period is below 2");
  EXPECT_EQ(Stl(y, 15).text, "STL: the series has no more than two periods");
  EXPECT_FALSE(Stl(y, 4, {.seasonal_window = 1}).ok());
  EXPECT_FALSE(Stl(y, 4, {.trend_degree = 2}).ok());
  std::vector<double> bad = y;
  bad[3] = INFINITY;
  EXPECT_EQ(Stl(bad, 4).text, "STL: a value is not finite");
}

}  // namespace
}  // namespace vordex::decompose
