#include "arima/prepare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "arima/state.h"
#include "arima/state_fixture.h"
#include "support/bits.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using testing::ArimaState;
using testing::Prepare;
using vordex::testing::kClosedForm;
using vordex::testing::MessageCapture;

TEST(Arimatransform, TransformsThenScalesByTheLargestAbsoluteValue) {
  const struct {
    std::vector<double> y;
    Transform transform;
    double lambda, y2;  // y[2] after the transform and the scaling
  } cases[] = {
      {{10.0, 20.0, -40.0}, Transform::kNone, 40.0, 0.5},
      {{1.0, std::exp(2.0), std::exp(4.0)}, Transform::kLog, 4.0, 0.5},
      {{0.0, 4.0, 9.0}, Transform::kSquareRoot, 3.0, 2.0 / 3.0},  // zeros are fine for the root
  };
  for (const auto& c : cases) {
    Prepare(c.y, 1, 0, 0, 0, 0, 0, 0, 0, 0, c.transform);
    ASSERT_EQ(Arimatransform(ArimaState()), 0);
    EXPECT_NEAR(ArimaState().lambda, c.lambda, kClosedForm);
    EXPECT_NEAR(ArimaState().y[2], c.y2, kClosedForm);
    EXPECT_NEAR(ArimaState().y[3], c.y[2] < 0.0 ? -1.0 : 1.0, kClosedForm);
  }
}

TEST(Arimatransform, RefusesDataUnfitForTheTransformAndLeavesThemAlone) {
  const struct {
    std::vector<double> y;
    Transform transform;
    const char* message;
  } cases[] = {
      {{1.0, 0.0, 2.0}, Transform::kLog, "Can't take log of zero or negative values"},
      {{1.0, -0.5, 2.0}, Transform::kSquareRoot, "Can't take sqrt of negative values"},
      {{0.0, 0.0, 0.0},
       Transform::kNone,
       "All transformed observations are zero: the series cannot be scaled"},
      {{1.0, std::nan(""), 2.0},
       Transform::kNone,
       "Observations must be finite numbers (no NaN or infinity)"},
      {{1.0, INFINITY, 2.0},
       Transform::kLog,
       "Observations must be finite numbers (no NaN or infinity)"},
  };
  for (const auto& c : cases) {
    MessageCapture capture;
    Prepare(c.y, 1, 0, 0, 0, 0, 0, 0, 0, 0, c.transform);
    EXPECT_EQ(Arimatransform(ArimaState()), -1);
    EXPECT_EQ(capture.messages(),
              (vordex::testing::Messages{{"Error in Arimalib", c.message, 0x30u}}));
    EXPECT_TRUE(vordex::testing::SameBits(ArimaState().y[2], c.y[1])) << "untouched";
  }
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
