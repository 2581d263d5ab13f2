#include "arima/prepare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "arima/state.h"
#include "arima/state_fixture.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using testing::ArimaState;
using testing::Prepare;
using vordex::testing::kClosedForm;
using vordex::testing::MessageCapture;

TEST(Arimatransform, ScalesByTheLargestAbsoluteValue) {
  Prepare({10.0, 20.0, -40.0}, 1, 0, 0, 0, 0, 0, 0, 0);
  ASSERT_EQ(Arimatransform(ArimaState()), 0);
  EXPECT_EQ(ArimaState().lambda, 40.0);
  EXPECT_EQ(ArimaState().y[1], 0.25);
  EXPECT_EQ(ArimaState().y[3], -1.0);
}

TEST(Arimatransform, LogAndSquareRootRoundTrip) {
  Prepare({1.0, std::exp(2.0), std::exp(4.0)}, 1, 0, 0, 0, 0, 0, 0, 0, 0, Transform::kLog);
  ASSERT_EQ(Arimatransform(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().lambda, 4.0, kClosedForm);
  EXPECT_NEAR(std::exp(ArimaState().lambda * ArimaState().y[2]), std::exp(2.0), 1e-10);
  Prepare({0.0, 4.0, 9.0}, 1, 0, 0, 0, 0, 0, 0, 0, 0, Transform::kSquareRoot);
  ASSERT_EQ(Arimatransform(ArimaState()), 0);  // zeros are fine for the square root
  EXPECT_EQ(ArimaState().lambda, 3.0);
  const double back = ArimaState().lambda * ArimaState().y[2];
  EXPECT_NEAR(back * back, 4.0, kClosedForm);
}

TEST(Arimatransform, RejectsDataUnfitForTheTransform) {
  MessageCapture capture;
  Prepare({1.0, 0.0, 2.0}, 1, 0, 0, 0, 0, 0, 0, 0, 0, Transform::kLog);
  EXPECT_EQ(Arimatransform(ArimaState()), -1);
  Prepare({1.0, -0.5, 2.0}, 1, 0, 0, 0, 0, 0, 0, 0, 0, Transform::kSquareRoot);
  EXPECT_EQ(Arimatransform(ArimaState()), -1);
  EXPECT_EQ(ArimaState().y[2], -0.5);  // untouched
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].title, "Error in Arimalib");
  EXPECT_EQ(capture.messages()[0].text, "Can't take log of zero or negative values");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);
  EXPECT_EQ(capture.messages()[1].text, "Can't take sqrt of negative values");
}

TEST(Arimatransform, RefusesAllZeroAndNonFiniteData) {
  MessageCapture capture;
  Prepare({0.0, 0.0, 0.0}, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Arimatransform(ArimaState()), -1);
  EXPECT_EQ(capture.messages().back().text,
            "All transformed observations are zero: the series cannot be scaled");
  Prepare({1.0, std::numeric_limits<double>::quiet_NaN(), 2.0}, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Arimatransform(ArimaState()), -1);
  EXPECT_EQ(capture.messages().back().text,
            "Observations must be finite numbers (no NaN or infinity)");
  Prepare({1.0, INFINITY}, 1, 0, 0, 0, 0, 0, 0, 0, 0, Transform::kLog);
  EXPECT_EQ(Arimatransform(ArimaState()), -1);
  EXPECT_EQ(capture.size(), 3u);
}

TEST(Arimadifference, SeasonalAndRegularDifferencesWithMarkers) {
  std::vector<double> y(30);
  for (int t = 0; t < 30; ++t) y[t] = 0.1 * t * t + std::sin(t);
  Prepare(y, 12, 0, 0, 1, 0, 0, 1, 0);
  for (int t = 1; t <= 30; ++t) ArimaState().y[t] = y[t - 1];
  Arimadifference(ArimaState());
  EXPECT_EQ(ArimaState().nd, 13);
  for (int t = 1; t <= 13; ++t) EXPECT_TRUE(IsMissing(ArimaState().w[t])) << t;
  // (1 - B)(1 - B^12) y(t) = y(t) - y(t-1) - y(t-12) + y(t-13).
  for (int t = 14; t <= 30; ++t) {
    const double expected = y[t - 1] - y[t - 2] - y[t - 13] + y[t - 14];
    EXPECT_NEAR(ArimaState().w[t], expected, kClosedForm) << t;
  }
}

TEST(Arimadifference, TwoRegularDifferences) {
  Prepare({1.0, 4.0, 9.0, 16.0, 25.0}, 1, 0, 0, 2, 0, 0, 0, 0);
  Arimadifference(ArimaState());
  EXPECT_EQ(ArimaState().nd, 2);
  EXPECT_TRUE(IsMissing(ArimaState().w[1]));
  EXPECT_TRUE(IsMissing(ArimaState().w[2]));
  EXPECT_EQ(ArimaState().w[3], 2.0);
  EXPECT_EQ(ArimaState().w[5], 2.0);
}

TEST(Arimadifference, NoDifferencingAfterARequestWithDifferencingLeavesNoMarker) {
  Prepare({1.0, 2.0, 3.0, 4.0, 5.0}, 4, 0, 0, 1, 0, 0, 1, 0);
  Arimadifference(ArimaState());
  EXPECT_EQ(ArimaState().nd, 5);
  // The next request on this thread writes a new series without resetting the record.
  ArimaState().d = ArimaState().D = 0;
  Arimadifference(ArimaState());
  EXPECT_EQ(ArimaState().nd, 0);
  for (int t = 1; t <= 5; ++t) EXPECT_EQ(ArimaState().w[t], t);
}

TEST(Arimadifference, SeriesShorterThanTheSeasonStaysInsideTheSeries) {
  Prepare({1.0, 2.0, 3.0}, 12, 0, 0, 0, 0, 0, 1, 0);
  ArimaState().w.push_back(7.0);  // a sentinel after the series: w[4]
  Arimadifference(ArimaState());
  for (int t = 1; t <= 3; ++t) EXPECT_TRUE(IsMissing(ArimaState().w[t]));
  EXPECT_EQ(ArimaState().w[4], 7.0);
}

TEST(IsMissing, ComparesTheBitPattern) {
  EXPECT_TRUE(IsMissing(-99999.0));
  EXPECT_FALSE(IsMissing(-99999.0 + 1e-11));
  EXPECT_FALSE(IsMissing(99999.0));
}

}  // namespace
}  // namespace vordex::arima
