#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "batch/mixed.h"
#include "vordex/batch.hpp"

namespace vordex::batch {
namespace {

using testing::MixedBatch;
using testing::MixedCase;

// The outcome of the single-series call of series i of a batch with seed `seed`.
Outcome SingleCall(const MixedCase& c, std::size_t i, std::uint32_t seed) {
  Outcome out;
  out.id = c.id;
  try {
    std::visit(
        [&](auto s) {
          if constexpr (requires { s.seed; }) s.seed = SeriesSeed(seed, i);
          auto r = Fit(c.values, s);
          out.messages = r.warnings;
          out.result.emplace<decltype(r)>(std::move(r));
        },
        c.settings);
  } catch (const Error& e) {
    out.status = e.status();
    out.messages = e.messages();
  }
  return out;
}

TEST(SeriesSeed, IsTheUpperHalfOfSplitMix64sOutputs) {
  // SplitMix64 started at 0 (Vigna's splitmix64.c): 0xe220a8397b1dcdaf, 0x6e789e6aa1b965f4,
  // 0x06c45d188009454f.
  EXPECT_EQ(SeriesSeed(0, 0), 0xe220a839u);
  EXPECT_EQ(SeriesSeed(0, 1), 0x6e789e6au);
  EXPECT_EQ(SeriesSeed(0, 2), 0x06c45d18u);
  // Neighbouring batch seeds and indices give unrelated seeds.
  EXPECT_NE(SeriesSeed(1, 0), SeriesSeed(0, 1));
  EXPECT_NE(SeriesSeed(7, 3), SeriesSeed(8, 3));
}

TEST(FitMany, EachSeriesGetsWhatItsSingleCallGivesAndBadOnesFailAlone) {
  const std::vector<MixedCase> cases = MixedBatch();
  const std::vector<MethodSettings> settings = testing::SettingsOf(cases);
  Options options;
  options.seed = 99;
  const std::vector<Outcome> outcomes = FitMany(testing::SeriesOf(cases), settings, options);
  ASSERT_EQ(outcomes.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Outcome single = SingleCall(cases[i], i, options.seed);
    EXPECT_EQ(outcomes[i].id, cases[i].id);
    EXPECT_EQ(outcomes[i].status, single.status) << cases[i].id;
    EXPECT_EQ(outcomes[i].messages.size(), single.messages.size()) << cases[i].id;
    EXPECT_TRUE(
        testing::SameBits(testing::Numbers(outcomes[i].result), testing::Numbers(single.result)))
        << cases[i].id;
    if (!cases[i].failure) {
      EXPECT_TRUE(outcomes[i].ok()) << cases[i].id << ": " << outcomes[i].message;
      continue;
    }
    EXPECT_EQ(outcomes[i].status, *cases[i].failure) << cases[i].id;
    EXPECT_FALSE(outcomes[i].message.empty()) << cases[i].id;
    EXPECT_EQ(outcomes[i].message.find('\n'), std::string::npos) << cases[i].id;
    EXPECT_EQ(outcomes[i].result.index(), 0u) << cases[i].id;
  }
  // The checker's text and the engine's reach the user.
  EXPECT_NE(outcomes[7].message.find("Bootstrap samples"), std::string::npos)
      << outcomes[7].message;
  EXPECT_NE(outcomes[5].message.find("log of zero"), std::string::npos) << outcomes[5].message;
}

TEST(FitMany, SharedSettingsTakeTheBatchSeedAndCountsMustMatch) {
  const std::vector<double> y = testing::Airline();
  const std::vector<Series> series = {{"a", y}, {"b", y}};
  ets::Settings settings = testing::QuickEts();
  settings.seed = 1;  // replaced by each series' own seed
  Options options;
  options.seed = 5;
  const std::vector<Outcome> outcomes = FitMany(series, MethodSettings(settings), options);
  for (std::size_t i = 0; i < 2; ++i) {
    settings.seed = SeriesSeed(5, i);
    EXPECT_TRUE(testing::SameBits(std::get<ets::Result>(outcomes[i].result).upper,
                                  ets::Fit(y, settings).upper));
  }
  // Two series with the same values differ only by their seeds.
  EXPECT_NE(std::get<ets::Result>(outcomes[0].result).upper[0],
            std::get<ets::Result>(outcomes[1].result).upper[0]);

  const std::vector<MethodSettings> three(3, testing::QuickEts());
  for (const Outcome& o : FitMany(series, three)) {
    EXPECT_EQ(o.status, Status::kInvalidSettings);
    EXPECT_NE(o.message.find("3 settings for 2 series"), std::string::npos) << o.message;
  }
  EXPECT_TRUE(FitMany({}, MethodSettings(settings)).empty());
}

// Thread counts and completion orders: the label `threads` puts these under ThreadSanitizer.
TEST(FitManyThreads, OneTwoAndSixteenThreadsGiveTheSameBitsInAnyOrder) {
  const std::vector<MixedCase> cases = MixedBatch();
  const std::vector<Series> series = testing::SeriesOf(cases);
  const std::vector<MethodSettings> settings = testing::SettingsOf(cases);
  Options one;
  one.threads = 1;
  const std::vector<Outcome> reference = FitMany(series, settings, one);
  for (int threads : {2, 16}) {
    Options options;
    options.threads = threads;
    // Stalls after some series change which worker takes which series next, and so the order
    // in which the series finish.
    options.progress = [threads](std::size_t done, std::size_t) {
      if ((done * 7 + static_cast<std::size_t>(threads)) % 3 == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    testing::ExpectSameOutcomes(FitMany(series, settings, options), reference);
  }
}

TEST(FitManyThreads, ProgressCountsEverySeriesOnceAndNeverOverlaps) {
  const std::vector<MixedCase> cases = MixedBatch();
  const std::vector<Series> series = testing::SeriesOf(cases);
  std::vector<std::size_t> seen;
  std::atomic<bool> inside{false};
  bool overlapped = false;
  Options options;
  options.threads = 4;
  options.progress = [&](std::size_t done, std::size_t total) {
    if (inside.exchange(true)) overlapped = true;
    EXPECT_EQ(total, series.size());
    seen.push_back(done);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    inside = false;
  };
  FitMany(series, testing::SettingsOf(cases), options);
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(seen.size(), series.size());
  for (std::size_t k = 0; k < seen.size(); ++k) EXPECT_EQ(seen[k], k + 1);
}

TEST(FitManyThreads, CancellingOrAThrowingProgressLeavesTheRestUnstarted) {
  const std::vector<MixedCase> cases = MixedBatch();
  const std::vector<Series> series = testing::SeriesOf(cases);
  const std::vector<MethodSettings> settings = testing::SettingsOf(cases);
  const auto expect_started = [&](const std::vector<Outcome>& outcomes, std::size_t started) {
    ASSERT_EQ(outcomes.size(), series.size());
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      EXPECT_EQ(outcomes[i].id, series[i].id);
      EXPECT_EQ(outcomes[i].status == Status::kCancelled, i >= started) << i;
    }
  };
  // One worker takes the series in order: the flag raised after the second stops the third.
  std::atomic<bool> cancel{false};
  Options options;
  options.threads = 1;
  options.cancel = &cancel;
  options.progress = [&](std::size_t done, std::size_t) { cancel = done == 2; };
  expect_started(FitMany(series, settings, options), 2);

  cancel = true;
  options.progress = nullptr;
  expect_started(FitMany(series, settings, options), 0);

  options.cancel = nullptr;
  options.progress = [](std::size_t done, std::size_t) {
    if (done == 3) throw std::runtime_error("stop");
  };
  EXPECT_THROW(FitMany(series, settings, options), std::runtime_error);
}

}  // namespace
}  // namespace vordex::batch
