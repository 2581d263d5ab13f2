#include "numerics/stats.h"

#include <gtest/gtest.h>

#include <vector>

#include "numerics/vectors.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using vordex::testing::kClosedForm;

// A 1-based copy of values.
Vector Series(const std::vector<double>& values) {
  auto x = vector(1, static_cast<long>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) x[static_cast<long>(i) + 1] = values[i];
  return x;
}

TEST(GetMean, AveragesTheSeriesAndRefusesAnEmptyOne) {
  auto x = Series({1.0, 2.0, 4.0, 9.0});
  EXPECT_NEAR(GetMean(x.get(), 4), 4.0, kClosedForm);
  EXPECT_NEAR(GetMean(x.get() + 2, 2), 6.5, kClosedForm);  // the sub-series x[3..4]

  testing::MessageCapture capture;
  EXPECT_EQ(GetMean(x.get(), 0), 0.0);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Error in Stats function GetMean", "No. observations <= 0",
                                platform::kStyleStop}}));
}

TEST(ACF, AutocovariancesByHandWithAndWithoutTheMean) {
  auto x = Series({1.0, 2.0, 3.0});
  auto acf = vector(1, 4);
  // About zero: (1 + 4 + 9) / 3 and (1*2 + 2*3) / 3.
  ASSERT_EQ(ACF(x.get(), 3, 1, acf.get(), 0), 1);
  EXPECT_NEAR(acf[0], 14.0 / 3.0, kClosedForm);
  EXPECT_NEAR(acf[1], 8.0 / 3.0, kClosedForm);
  // About the mean 2: deviations -1, 0, 1; lag 2 pairs the ends; lags from n on are empty.
  for (long k = 0; k <= 4; ++k) acf[k] = 99.0;
  ASSERT_EQ(ACF(x.get(), 3, 4, acf.get(), 1), 1);
  EXPECT_NEAR(acf[0], 2.0 / 3.0, kClosedForm);
  EXPECT_NEAR(acf[1], 0.0, kClosedForm);
  EXPECT_NEAR(acf[2], -1.0 / 3.0, kClosedForm);
  EXPECT_EQ(acf[3], 0.0);
  EXPECT_EQ(acf[4], 0.0);
}

TEST(ACF, RefusesEmptySeriesOrNoLagsWithoutWriting) {
  auto x = Series({1.0, 2.0});
  auto acf = vector(1, 2);
  acf[0] = acf[1] = 7.0;
  testing::MessageCapture capture;
  EXPECT_EQ(ACF(x.get(), 0, 1, acf.get(), 1), 0);
  EXPECT_EQ(ACF(x.get(), 2, 0, acf.get(), 1), 0);
  const testing::Message refused{"Error in Stats function ACF()", "No. observations or lags <= 0",
                                 platform::kStyleWarning};
  EXPECT_EQ(capture.messages(), (testing::Messages{refused, refused}));
  EXPECT_EQ(acf[0], 7.0);
  EXPECT_EQ(acf[1], 7.0);
}

TEST(LinearTrend, RecoversAnExactLineAndMatchesTheNormalEquations) {
  auto line = vector(1, 10);
  for (long t = 1; t <= 10; ++t) line[t] = 3.0 + 2.0 * t;
  double a = 0.0, b = 0.0;
  ASSERT_EQ(lineartrend(line.get(), 10, &a, &b), 1);
  EXPECT_NEAR(a, 3.0, kClosedForm);
  EXPECT_NEAR(b, 2.0, kClosedForm);

  // Scattered points: slope Sxy / Sxx and intercept ybar - slope tbar, computed directly.
  const std::vector<double> y = {4.0, 1.0, 7.0, 3.0, 8.0, 6.0, 12.0};
  auto x = Series(y);
  double sy = 0.0, st = 0.0, stt = 0.0, sty = 0.0;
  for (int t = 1; t <= 7; ++t) {
    sy += y[t - 1];
    st += t;
    stt += t * t;
    sty += t * y[t - 1];
  }
  const double slope = (7 * sty - st * sy) / (7 * stt - st * st);
  const double intercept = (sy - slope * st) / 7;
  ASSERT_EQ(lineartrend(x.get(), 7, &a, &b), 1);
  EXPECT_NEAR(b, slope, kClosedForm);
  EXPECT_NEAR(a, intercept, kClosedForm);
}

TEST(LinearTrend, OnePointGivesAFlatLineAndNoPointsFail) {
  auto x = Series({5.5});
  double a = 0.0, b = 1.0;
  testing::MessageCapture capture;
  ASSERT_EQ(lineartrend(x.get(), 1, &a, &b), 1);
  EXPECT_EQ(a, 5.5);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(capture.size(), 0u);

  a = b = 9.0;
  EXPECT_EQ(lineartrend(x.get(), 0, &a, &b), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Error in Stats function lineartrend()");
  EXPECT_EQ(a, 9.0);
  EXPECT_EQ(b, 9.0);
}

}  // namespace
}  // namespace vordex::numerics
