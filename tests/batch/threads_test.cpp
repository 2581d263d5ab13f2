// The batch layer on several threads: the same bits for any number of workers and any order of
// completion, progress reported once per series and never concurrently, cancellation, and the
// stream's order. Built into the thread-test program, which also runs under ThreadSanitizer.
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
using testing::Streamed;

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

TEST(StreamThreads, DeliversFitManysOutcomesInPushOrderForAnyThreadsAndWindow) {
  const std::vector<MixedCase> cases = MixedBatch();
  Options batch_options;
  batch_options.seed = 11;
  const std::vector<Outcome> reference =
      FitMany(testing::SeriesOf(cases), testing::SettingsOf(cases), batch_options);
  for (int threads : {1, 2, 4}) {
    for (std::size_t window : {1, 3, 64}) {
      StreamOptions options;
      options.threads = threads;
      options.window = window;
      options.seed = 11;
      testing::ExpectSameOutcomes(Streamed(cases, options), reference);
    }
  }
}

}  // namespace
}  // namespace vordex::batch
