// The engine's entry point: bounds as callers supply them, the checker's settling of open
// components, and that a request's messages come back with its outcome.
#include "smoothing/run.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/capture.h"

namespace vordex::smoothing {
namespace {

TEST(SettleBounds, PairsAreTakenOnlyInsideTheUnitInterval) {
  // Four pairs asked for, six values given: one pair is read, and a lower bound of 0 stays 0.
  Bounds b = SettleBounds(4, std::vector<double>{0.0, 0.4, 0.8, 0.2, 0.3, 0.4});
  EXPECT_EQ(b.count, 1);
  EXPECT_EQ(b.lower[1], 0.0);
  EXPECT_EQ(b.upper[1], 0.4);

  b = SettleBounds(4, std::vector<double>{0.2, 1.0, 0.5, 0.3, 0.9, 0.6, 0.4, 1.0});
  EXPECT_EQ(b.count, 4);
  EXPECT_EQ(b.lower[1], 0.2);
  EXPECT_EQ(b.lower[2], 0.0);  // 1.0 is not below 1
  EXPECT_EQ(b.upper[1], 0.9);
  EXPECT_EQ(b.upper[2], 0.6);
  EXPECT_EQ(b.upper[3], 1.0);  // 0.4 lies below its lower bound 0.5
  EXPECT_EQ(b.upper[4], 1.0);  // 1.0 is not below 1

  EXPECT_EQ(SettleBounds(1, std::vector<double>{0.3}).count, 0);
  EXPECT_EQ(SettleBounds(0, std::vector<double>{0.3, 0.5}).count, 0);
}

TEST(Check, OpenComponentsAskForASearchAndShortSeriesLoseTheirSeason) {
  testing::MessageCapture capture;
  Request o;
  o.period = 12;
  o.horizon = -3;
  o.trend = Trend::kChoose;
  ASSERT_EQ(Check(o, 48), 0);
  EXPECT_EQ(o.search, Search::kAllForms);
  EXPECT_EQ(o.horizon, 0);  // a negative horizon asks for no forecasts

  Request e;
  e.period = 12;
  e.season = Season::kChoose;
  e.search = Search::kEverything;
  ASSERT_EQ(Check(e, 20), 0);
  EXPECT_EQ(e.season, Season::kNone);
  EXPECT_EQ(e.trend, Trend::kChoose);
  EXPECT_EQ(e.error, ErrorForm::kChoose);
  EXPECT_EQ(e.search, Search::kAllForms);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Insufficient data for estimation of seasonal models");
}

TEST(Run, MessagesComeBackWithTheOutcomeAndStillReachTheHandler) {
  testing::MessageCapture capture;
  Request o;
  o.period = 4;
  o.season = Season::kAdditive;  // seasonal with fewer than two seasons of data
  const std::vector<double> y = {1.0, 2.0, 3.0, 4.0, 5.0};
  const Outcome out = smoothing::Run(o, y);
  EXPECT_EQ(out.status, 61);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0].title, kCheckTitle);
  EXPECT_EQ(out.messages[0].text, "Insufficient data for estimation of seasonal models");
  EXPECT_EQ(capture.size(), 1u);
}

}  // namespace
}  // namespace vordex::smoothing
