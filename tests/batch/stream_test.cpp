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
using testing::Streamed;

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
