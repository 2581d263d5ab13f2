#include "vordex/ets.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "support/bits.h"
#include "support/capture.h"

namespace vordex::ets {
namespace {

// Monthly series with trend and a multiplicative season, four years.
std::vector<double> Monthly() {
  std::vector<double> y;
  for (int t = 1; t <= 48; ++t)
    y.push_back((100.0 + 2.0 * t) * (1.0 + 0.2 * std::sin(2.0 * M_PI * t / 12.0)) +
                3.0 * std::cos(1.7 * t));
  return y;
}

void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
  EXPECT_TRUE(testing::SameBits(a, b));
}

TEST(EtsFit, SeedReproducesLimitsAndOtherSeedsMoveThem) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kAdditive;
  settings.season = Season::kAdditive;
  settings.horizon = 12;
  settings.paths = 2000;
  settings.seed = 123;
  const Result a = Fit(y, settings);
  const Result b = Fit(y, settings);
  ExpectSameBits(a.lower, b.lower);
  ExpectSameBits(a.upper, b.upper);
  // Without a seed of its own a request takes the documented default, not the clock.
  Settings unseeded = settings;
  unseeded.seed = Settings{}.seed;
  EXPECT_EQ(unseeded.seed, kDefaultSeed);
  ExpectSameBits(Fit(y, unseeded).upper, Fit(y, unseeded).upper);
  settings.seed = 124;
  const Result c = Fit(y, settings);
  ExpectSameBits(a.forecasts, c.forecasts);
  EXPECT_NE(a.upper[5], c.upper[5]);
  EXPECT_FALSE(a.searched);
  EXPECT_EQ(a.model.trend, Trend::kAdditive);
  ASSERT_TRUE(a.initial_trend.has_value());
  EXPECT_EQ(a.initial_seasonal.size(), 12u);
}

TEST(EtsFit, DecodesModelsWithoutTrendOrSeason) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kNone;
  settings.season = Season::kNone;
  settings.horizon = 0;
  settings.seed = 1;
  const Result r = Fit(y, settings);
  EXPECT_FALSE(r.initial_trend.has_value());
  EXPECT_TRUE(r.initial_seasonal.empty());
  EXPECT_TRUE(r.forecasts.empty());
  EXPECT_EQ(r.beta, 0.0);
  EXPECT_EQ(r.phi, 1.0);
  EXPECT_EQ(r.rmse.size(), 12u);
}

TEST(EtsFit, TooFewDataForSeasonsDropsTheSeasonWithAWarning) {
  testing::MessageCapture capture;
  const std::vector<double> all = Monthly();
  const std::vector<double> y(all.begin(), all.begin() + 20);
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kAdditive;
  settings.season = Season::kAuto;
  settings.horizon = 3;
  settings.seed = 2;
  const Result r = Fit(y, settings);
  EXPECT_FALSE(r.searched);
  EXPECT_EQ(r.model.season, Season::kNone);
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_EQ(r.warnings[0].text, "Insufficient data for estimation of seasonal models");
}

TEST(EtsFit, FailuresThrowWithCodeAndMessages) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.paths = 100;
  try {
    Fit(y, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEtsPathsOutOfRange);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Pegels Error");
  }
  settings.paths = 500;
  settings.bounds = {{0.1, 0.5}, {0.1, 0.5}};
  try {
    Fit(y, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kInvalidSettings);
  }
  settings.bounds.clear();
  settings.transform = Transform::kLog;
  std::vector<double> negative = y;
  negative[3] = -1.0;
  try {
    Fit(negative, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.host_text(), "Failure in Pegelsmain:\nModel could not be estimated");
  }
}

TEST(EtsFit, BothInformationCriteriaComeFromTheSameLikelihood) {
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.horizon = 0;
  settings.information_criterion = InformationCriterion::kBic;
  const Result r = Fit(y, settings);
  const double k = 1 + r.initial_trend.has_value() + (r.model.trend == Trend::kDamped) +
                   !r.initial_seasonal.empty();
  EXPECT_EQ(r.bic, r.information_criterion);
  EXPECT_NEAR(r.bic, -2.0 * r.log_likelihood + k * std::log(48.0), 1e-9 * std::fabs(r.bic));
  EXPECT_NEAR(r.aic, -2.0 * r.log_likelihood + 2.0 * k, 1e-9 * std::fabs(r.aic));
  EXPECT_DOUBLE_EQ(r.sigma2, r.sigma * r.sigma);
}

TEST(EtsFit, BoundsReachTheEngine) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kNone;
  settings.season = Season::kAdditive;
  settings.horizon = 0;
  settings.bounds = {{0.2, 0.3}};
  const Result r = Fit(y, settings);
  EXPECT_GE(r.alpha, 0.2);
  EXPECT_LE(r.alpha, 0.3);
  EXPECT_GE(r.gamma, 0.2);
  EXPECT_LE(r.gamma, 0.3);
}

TEST(EtsFit, RequestsOnSeveralThreadsDoNotInterfere) {
  // Engine state, generator and line-search context are per thread: concurrent seeded requests
  // give exactly what the same requests give one after another.
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.horizon = 6;
  settings.paths = 1000;
  settings.multisteps = 4;
  std::vector<Result> alone(4);
  for (std::uint32_t i = 0; i < 4; ++i) {
    settings.seed = 40 + i;
    alone[i] = Fit(y, settings);
  }
  std::vector<Result> together(4);
  std::vector<std::thread> threads;
  for (std::uint32_t i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      Settings mine = settings;
      mine.seed = 40 + i;
      together[i] = Fit(y, mine);
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 4; ++i) {
    ExpectSameBits(alone[i].fitted, together[i].fitted);
    ExpectSameBits(alone[i].lower, together[i].lower);
    ExpectSameBits(alone[i].upper, together[i].upper);
  }
}

}  // namespace
}  // namespace vordex::ets
