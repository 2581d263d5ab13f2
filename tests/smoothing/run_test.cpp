// The engine's entry point: bounds as callers supply them, the checker's settling of open
// components, and that a request's messages come back with its outcome.
#include "smoothing/run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bits.h"
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
  o.trend = Trend::kAuto;
  ASSERT_EQ(Check(o, 48), Status::kOk);
  EXPECT_EQ(o.search, Search::kAllForms);
  EXPECT_EQ(o.horizon, 0);  // a negative horizon asks for no forecasts

  Request e;
  e.period = 12;
  e.season = Season::kAuto;
  e.search = Search::kEverything;
  ASSERT_EQ(Check(e, 20), Status::kOk);
  EXPECT_EQ(e.season, Season::kNone);
  EXPECT_EQ(e.trend, Trend::kAuto);
  EXPECT_EQ(e.error, ErrorForm::kAuto);
  EXPECT_EQ(e.search, Search::kAllForms);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Insufficient data for estimation of seasonal models");
}

TEST(Check, TheObservationAndHorizonLimitsAreTheExports) {
  testing::MessageCapture capture;
  Request o;
  o.horizon = MAXH + 1;
  EXPECT_EQ(Check(o, MAXN + 1), Status::kOk);
  o.export_limits = true;
  EXPECT_EQ(Check(o, MAXN + 1), Status::kEtsTooMuchData);
  EXPECT_EQ(Check(o, MAXN), Status::kEtsHorizonTooLarge);
}

TEST(Run, MessagesComeBackWithTheOutcomeAndAreNotShown) {
  testing::MessageCapture capture;
  Request o;
  o.period = 4;
  o.season = Season::kAdditive;  // seasonal with fewer than two seasons of data
  const std::vector<double> y = {1.0, 2.0, 3.0, 4.0, 5.0};
  const Outcome out = smoothing::Run(o, y);
  EXPECT_EQ(out.status, Status::kEtsTooFewForSeasonal);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0].title, kCheckTitle);
  EXPECT_EQ(out.messages[0].text, "Insufficient data for estimation of seasonal models");
  EXPECT_EQ(out.text, out.messages[0].text);
  EXPECT_EQ(capture.size(), 0u);
}

// The candidates of a search on a pool of threads: the same winner, numbers and messages as one
// after another, for every search mode and initialization.
TEST(Run, SearchOnThreadsGivesTheSequentialResults) {
  std::vector<double> y;
  for (int t = 1; t <= 60; ++t)
    y.push_back((50.0 + t) * (1.0 + 0.3 * std::sin(2.0 * M_PI * t / 12.0)) + std::cos(1.3 * t));
  for (Search search : {Search::kAdditiveOnly, Search::kEverything}) {
    for (Initialization init : {Initialization::kHeuristic, Initialization::kEstimatedForWinner}) {
      Request o;
      o.period = 12;
      o.horizon = 6;
      o.search = search;
      o.initialization = init;
      o.criterion = Criterion::kLikelihood;
      o.seed = -7;
      const Outcome one = smoothing::Run(o, y);
      o.threads = 4;
      const Outcome four = smoothing::Run(o, y);
      ASSERT_TRUE(one.ok());
      EXPECT_EQ(static_cast<int>(four.value.model.trend), static_cast<int>(one.value.model.trend));
      EXPECT_TRUE(testing::SameBits(four.value.fitted, one.value.fitted));
      EXPECT_TRUE(testing::SameBits(four.value.upper, one.value.upper));
      EXPECT_EQ(four.value.information_criterion, one.value.information_criterion);
      ASSERT_EQ(four.messages.size(), one.messages.size());
    }
  }
}

}  // namespace
}  // namespace vordex::smoothing
