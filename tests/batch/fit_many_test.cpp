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

// The outcome of the single-series call of a series of a batch with seed `seed`.
Outcome SingleCall(const MixedCase& c, std::uint32_t seed) {
  Outcome out;
  out.id = c.id;
  try {
    std::visit(
        [&](auto s) {
          if constexpr (requires { s.seed; }) s.seed = SeriesSeed(seed, c.id);
          auto r = Fit(c.values, s);
          out.messages = r.warnings;
          out.value.emplace<decltype(r)>(std::move(r));
        },
        c.settings);
  } catch (const Error& e) {
    out.status = e.status();
    out.messages = e.messages();
  }
  return out;
}

TEST(FitMany, EachSeriesGetsWhatItsSingleCallGivesAndBadOnesFailAlone) {
  const std::vector<MixedCase> cases = MixedBatch();
  const std::vector<MethodSettings> settings = testing::SettingsOf(cases);
  Options options;
  options.seed = 99;
  const std::vector<Outcome> outcomes = FitMany(testing::SeriesOf(cases), settings, options);
  ASSERT_EQ(outcomes.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Outcome single = SingleCall(cases[i], options.seed);
    EXPECT_EQ(outcomes[i].id, cases[i].id);
    EXPECT_EQ(outcomes[i].status, single.status) << cases[i].id;
    EXPECT_EQ(outcomes[i].messages.size(), single.messages.size()) << cases[i].id;
    EXPECT_TRUE(
        testing::SameBits(testing::Numbers(outcomes[i].value), testing::Numbers(single.value)))
        << cases[i].id;
    if (!cases[i].failure) {
      EXPECT_TRUE(outcomes[i].ok()) << cases[i].id << ": " << outcomes[i].text;
      continue;
    }
    EXPECT_EQ(outcomes[i].status, *cases[i].failure) << cases[i].id;
    EXPECT_FALSE(outcomes[i].text.empty()) << cases[i].id;
    EXPECT_EQ(outcomes[i].text.find('\n'), std::string::npos) << cases[i].id;
    EXPECT_EQ(outcomes[i].value.index(), 0u) << cases[i].id;
  }
  // The checker's text and the engine's reach the user.
  EXPECT_NE(outcomes[7].text.find("Bootstrap samples"), std::string::npos)
      << outcomes[7].text;
  EXPECT_NE(outcomes[5].text.find("log of zero"), std::string::npos) << outcomes[5].text;
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
    settings.seed = SeriesSeed(5, series[i].id);
    EXPECT_TRUE(testing::SameBits(std::get<ets::Result>(outcomes[i].value).limits[1].upper,
                                  ets::Fit(y, settings).limits[1].upper));
  }
  // Two series with the same values differ only by their seeds.
  EXPECT_NE(std::get<ets::Result>(outcomes[0].value).limits[1].upper[0],
            std::get<ets::Result>(outcomes[1].value).limits[1].upper[0]);
  // A series' outcome does not depend on its place in the batch.
  const std::vector<Series> swapped = {series[1], series[0]};
  const std::vector<Outcome> again = FitMany(swapped, MethodSettings(settings), options);
  testing::ExpectSameOutcome(again[0], outcomes[1]);
  testing::ExpectSameOutcome(again[1], outcomes[0]);

  const std::vector<MethodSettings> three(3, testing::QuickEts());
  for (const Outcome& o : FitMany(series, three)) {
    EXPECT_EQ(o.status, Status::kInvalidSettings);
    EXPECT_NE(o.text.find("3 settings for 2 series"), std::string::npos) << o.text;
  }
  EXPECT_TRUE(FitMany({}, MethodSettings(settings)).empty());
}

}  // namespace
}  // namespace vordex::batch
