#include "vordex/ets.hpp"
#include "vordex/names.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "support/bits.h"
#include "support/capture.h"
#include "support/datasets.h"

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
  ExpectSameBits(a.limits[1].lower, b.limits[1].lower);
  ExpectSameBits(a.limits[1].upper, b.limits[1].upper);
  // Without a seed of its own a request takes the documented default, not the clock.
  Settings unseeded = settings;
  unseeded.seed = Settings{}.seed;
  EXPECT_EQ(unseeded.seed, kDefaultSeed);
  ExpectSameBits(Fit(y, unseeded).limits[1].upper, Fit(y, unseeded).limits[1].upper);
  settings.seed = 124;
  const Result c = Fit(y, settings);
  ExpectSameBits(a.mean, c.mean);
  EXPECT_NE(a.limits[1].upper[5], c.limits[1].upper[5]);
  // Both levels come from the same paths: the 80% limits lie inside the 95% ones.
  for (std::size_t h = 0; h < 12; ++h) {
    EXPECT_LT(a.limits[1].lower[h], a.limits[0].lower[h]);
    EXPECT_GT(a.limits[1].upper[h], a.limits[0].upper[h]);
  }
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
  EXPECT_TRUE(r.mean.empty());
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
    EXPECT_EQ(e.text(), "Failure in Pegelsmain:\nModel could not be estimated");
  }
}

TEST(EtsFit, InformationCriteriaCountParametersStatesAndSigmaAsR) {
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.horizon = 0;
  settings.information_criterion = InformationCriterion::kBic;
  const Result r = Fit(y, settings);
  const double k = 1 + r.initial_trend.has_value() + (r.model.trend == Trend::kDamped) +
                   !r.initial_seasonal.empty();
  // The criterion chosen by counts the smoothing parameters only (the settings' default).
  EXPECT_NEAR(r.information_criterion, -2.0 * r.log_likelihood + k * std::log(48.0),
              1e-9 * std::fabs(r.bic));
  EXPECT_DOUBLE_EQ(r.sigma2, r.sigma * r.sigma);
  // R 4.2.2, forecast 8.20: ets(AirPassengers, "MAM", damped = FALSE) has aic - (-2 loglik) =
  // 2 * 17 (alpha, beta, gamma, level, trend, 11 free seasonal indices, sigma).
  Settings mam{.error = ErrorForm::kMultiplicative, .trend = Trend::kAdditive,
               .season = Season::kMultiplicative};
  mam.horizon = 0;
  const Result air = Fit(testing::Airline(), mam);
  EXPECT_NEAR(air.aic + 2.0 * air.log_likelihood, 34.0, 1e-9);
  EXPECT_EQ(ModelName(air), "ETS(M,A,M)");
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
    ExpectSameBits(alone[i].limits[0].lower, together[i].limits[0].lower);
    ExpectSameBits(alone[i].limits[1].upper, together[i].limits[1].upper);
  }
}

}  // namespace
}  // namespace vordex::ets
