#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "batch/mixed.h"
#include "vordex/batch.hpp"

namespace vordex::batch {
namespace {

using testing::MixedBatch;
using testing::MixedCase;

// Pushes every case through a stream; returns the outcomes in the order delivered, and checks
// that no more than `window` series were ever held.
std::vector<Outcome> Streamed(const std::vector<MixedCase>& cases, StreamOptions options) {
  std::vector<Outcome> delivered;
  Stream* held = nullptr;
  Stream stream(
      [&](Outcome o) {
        EXPECT_LE(held->pushed() - delivered.size(), options.window);
        delivered.push_back(std::move(o));
      },
      options);
  held = &stream;
  for (const MixedCase& c : cases) stream.Push(c.id, c.values, c.settings);
  stream.Finish();
  EXPECT_EQ(stream.pushed(), cases.size());
  return delivered;
}

// Thread counts and windows: the label `threads` puts these under ThreadSanitizer.
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

TEST(Stream, CancelledSeriesAreStillDeliveredInTurn) {
  const std::vector<MixedCase> cases = MixedBatch();
  std::atomic<bool> cancel{true};
  StreamOptions options;
  options.threads = 2;
  options.window = 4;
  options.cancel = &cancel;
  const std::vector<Outcome> delivered = Streamed(cases, options);
  ASSERT_EQ(delivered.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(delivered[i].id, cases[i].id);
    EXPECT_EQ(delivered[i].status, Status::kCancelled);
  }
}

TEST(Stream, AThrowingDeliverLeavesTheStreamUsableAndUnfinishedSeriesAreDropped) {
  const std::vector<MixedCase> cases = MixedBatch();
  std::vector<std::string> ids;
  StreamOptions options;
  options.threads = 2;
  options.window = 2;
  {
    Stream stream(
        [&](Outcome o) {
          ids.push_back(o.id);
          if (ids.size() == 1) throw std::runtime_error("full disk");
        },
        options);
    bool thrown = false;
    for (const MixedCase& c : cases) {
      try {
        stream.Push(c.id, c.values, c.settings);
      } catch (const std::runtime_error&) {
        thrown = true;
      }
    }
    stream.Finish();
    EXPECT_TRUE(thrown);
    ASSERT_EQ(ids.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(ids[i], cases[i].id);

    // Series pushed but never finished are dropped with the stream.
    stream.Push(cases[0].id, cases[0].values, cases[0].settings);
  }
  EXPECT_EQ(ids.size(), cases.size());
}

}  // namespace
}  // namespace vordex::batch
