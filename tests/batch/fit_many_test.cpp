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
          if constexpr (requires { r.warnings; }) out.messages = r.warnings;
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

}  // namespace
}  // namespace vordex::batch
