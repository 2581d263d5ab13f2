#include "evaluate/aggregate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vordex::evaluate {
namespace {

// 3 origins x 2 steps; origin 2 has no second step (beyond the data).
const std::vector<double> kActual = {10, 12, 11, 14, 13, NAN};
const std::vector<double> kForecast = {9, 9, 12, 12, 12, 12};
const std::vector<NaiveScale> kScales = {{2.0, 5.0, 10}, {1.0, 2.0, 11}, {4.0, 8.0, 12}};

// The errors by step are (1, -1, 1) and (3, 2); scaled by origin: |e| / s1 = (0.5, 1, 0.25) and
// (1.5, 2); e^2 / s2 = (0.2, 0.5, 0.125) and (1.8, 2).
TEST(AccuracyByStep, ScalesEachOriginByItsOwnTrainingWindow) {
  const auto r = AccuracyByStep(kActual, kForecast, 3, 2, kScales);
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.value.size(), 2u);
  EXPECT_EQ(r.value[1].n, 2);
  EXPECT_DOUBLE_EQ(r.value[0].mase, 1.75 / 3);
  EXPECT_DOUBLE_EQ(r.value[1].mase, 1.75);
  EXPECT_DOUBLE_EQ(r.value[1].rmsse, std::sqrt(1.9));
  EXPECT_DOUBLE_EQ(r.value[0].acf1, -2.0 / 3);  // errors 1, -1, 1 about their mean 1/3
  const auto block = AccuracyOfBlock(kActual, kForecast, 3, 2, kScales);
  ASSERT_TRUE(block.ok());
  EXPECT_EQ(block.value.n, 5);
  EXPECT_DOUBLE_EQ(block.value.mase, (1.75 + 3.5) / 5);
  EXPECT_TRUE(std::isnan(block.value.acf1));
  EXPECT_FALSE(AccuracyByStep(kActual, kForecast, 2, 2, kScales).ok());
  EXPECT_FALSE(AccuracyOfBlock(kActual, kForecast, 3, 2, std::vector<NaiveScale>(2)).ok());
}

TEST(MeanAccuracy, AveragesEachMeasureOverTheSeriesWhereItExists) {
  Accuracy a{.n = 3, .mae = 1.0, .smape = 10.0}, b{.n = 4, .mae = 3.0};  // b has no sMAPE
  const Accuracy mean = MeanAccuracy(std::vector<Accuracy>{a, b});
  EXPECT_EQ(mean.n, 7);
  EXPECT_EQ(mean.mae, 2.0);
  EXPECT_EQ(mean.smape, 10.0);
  EXPECT_TRUE(std::isnan(mean.me));
  const auto by_step =
      IntervalAccuracyByStep(kActual, kForecast, kActual, 90.0, 3, 2, kScales).value;
  // Limits [forecast, actual]: step 1 covers 2 of 3 (origin 1's lower limit 12 is above 11),
  // step 2 both.
  EXPECT_DOUBLE_EQ(MeanIntervalAccuracy(by_step).coverage, 5.0 / 6);
  EXPECT_EQ(by_step[1].n, 2);
}

}  // namespace
}  // namespace vordex::evaluate
