#include "decompose/classical.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerPrinted;

// The centred moving average reproduces a linear trend and removes a pattern that sums to zero
// over a cycle (additive) or has mean 1 (multiplicative, flat level), so such series decompose
// exactly; the trend is NaN where the average does not reach.
TEST(ClassicalDecomposition, RecoversAnExactTrendAndPattern) {
  struct Case {
    SeasonalForm form;
    std::vector<double> pattern;
    double slope;
  };
  const Case cases[] = {{SeasonalForm::kAdditive, {1.0, -2.0, 1.0}, 0.5},
                        {SeasonalForm::kAdditive, {2.0, -1.0, -3.0, 2.0}, 0.5},
                        {SeasonalForm::kMultiplicative, {1.2, 0.9, 0.7, 1.2}, 0.0},
                        {SeasonalForm::kMultiplicative, {1.1, 0.8, 1.3, 0.9, 0.9}, 0.0}};
  for (const Case& c : cases) {
    const int m = static_cast<int>(c.pattern.size());
    for (int n : {2 * m, 6 * m + 1}) {
      SCOPED_TRACE(::testing::Message() << m << " " << n);
      const bool additive = c.form == SeasonalForm::kAdditive;
      std::vector<double> x(static_cast<std::size_t>(n));
      for (int t = 0; t < n; ++t) {
        const double level = 10.0 + c.slope * t;
        x[t] = additive ? level + c.pattern[t % m] : level * c.pattern[t % m];
      }
      const Outcome<ClassicalResult> r = ClassicalDecomposition(x, m, c.form);
      ASSERT_TRUE(r.ok());
      for (int j = 0; j < m; ++j) EXPECT_NEAR(r.value.indices[j], c.pattern[j], kClosedForm);
      for (int t = 0; t < n; ++t) {
        EXPECT_NEAR(r.value.adjusted[t], 10.0 + c.slope * t, kClosedForm);
        const bool reached = t >= m / 2 && t + m / 2 < n;
        if (reached) {
          EXPECT_NEAR(r.value.trend[t], 10.0 + c.slope * t, kClosedForm);
        }
        EXPECT_EQ(std::isnan(r.value.trend[t]), !reached);
      }
    }
  }
}

// R 4.2.2: d <- decompose(AirPassengers, "multiplicative"); d$figure; d$trend[c(7, 70, 138)].
// R 4.2.2: d <- decompose(UKgas); d$figure; d$trend[c(3, 50, 106)].
TEST(ClassicalDecomposition, AgreesWithRsDecompose) {
  struct Case {
    const char* dataset;
    int period;
    SeasonalForm form;
    std::vector<double> figure;
    int times[3];
    double trend[3];
  };
  const Case cases[] = {
      {"airline",
       12,
       SeasonalForm::kMultiplicative,
       {0.910230367372201, 0.883625320694376, 1.007366287603545, 0.975906012322847,
        0.981378027495129, 1.112775826679273, 1.226555542931201, 1.219910969445625,
        1.060491932646818, 0.921757240410498, 0.801178082413474, 0.898824389985011},
       {7, 70, 138},
       {126.791666666667, 250.25, 475.041666666667}},
      {"ukgas",
       4,
       SeasonalForm::kAdditive,
       {175.1381009615385, -36.1412259615385, -168.9676682692308, 29.9707932692308},
       {3, 50, 106},
       {123.675, 250.3375, 727.4}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataset);
    const ClassicalResult r =
        ClassicalDecomposition(testing::LoadDataset(c.dataset), c.period, c.form).value;
    for (int j = 0; j < c.period; ++j)
      EXPECT_NEAR(r.indices[j], c.figure[j], kPeerPrinted * std::fabs(c.figure[j]));
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(r.trend[c.times[k] - 1], c.trend[k], kPeerPrinted * c.trend[k]);
  }
}

TEST(ClassicalDecomposition, RefusesShortSeriesAndPeriodsBelowTwo) {
  const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(ClassicalDecomposition({x.data(), 7}, 4, SeasonalForm::kAdditive).ok());
  EXPECT_FALSE(ClassicalDecomposition(x, 1, SeasonalForm::kAdditive).ok());
  EXPECT_TRUE(ClassicalDecomposition(x, 4, SeasonalForm::kAdditive).ok());
}

}  // namespace
}  // namespace vordex::decompose
