// A batch of good and bad series of every method, and bit-for-bit comparison of outcomes, for
// the batch tests.
#ifndef VORDEX_TESTS_BATCH_MIXED_H
#define VORDEX_TESTS_BATCH_MIXED_H

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "support/bits.h"
#include "support/datasets.h"
#include "vordex/batch.hpp"

namespace vordex::testing {

// One series of the batch with its own settings, and the status its failure must have (none
// when it must succeed; kEngineFailed stands for any failure of the engine itself).
struct MixedCase {
  std::string id;
  std::vector<double> values;
  batch::MethodSettings settings;
  std::optional<Status> failure;
};

inline ets::Settings QuickEts() {
  ets::Settings s;
  s.paths = 500;  // the smallest number the checker allows: fast, still a simulation
  s.horizon = 6;
  return s;
}

// Good series of the three methods with bad ones between them: no observations, an infinite
// value, zeros on the log scale, too few observations for the seasonal model, and an option the
// checker refuses.
inline std::vector<MixedCase> MixedBatch() {
  const std::vector<double> y = Airline();
  std::vector<double> with_inf = y;
  with_inf[50] = std::numeric_limits<double>::infinity();
  std::vector<double> reversed(y.rbegin(), y.rend());
  ets::Settings refused = QuickEts();
  refused.paths = 100;
  ets::Settings additive = QuickEts();
  additive.error = ets::ErrorForm::kAdditive;
  additive.trend = ets::Trend::kDamped;
  additive.season = ets::Season::kAdditive;
  arima::Settings airline_model;
  airline_model.horizon = 6;
  armax::Settings armax_model;
  armax_model.horizon = 6;
  return {
      {"ets", y, QuickEts(), std::nullopt},
      {"empty", {}, QuickEts(), Status::kEtsNoObservations},
      {"arima", y, airline_model, std::nullopt},
      {"inf", with_inf, QuickEts(), Status::kEtsNonFiniteData},
      {"armax", y, armax_model, std::nullopt},
      {"zeros", std::vector<double>(48, 0.0), airline_model, Status::kInvalidData},
      {"short", std::vector<double>(y.begin(), y.begin() + 10), airline_model,
       Status::kArimaTooFewForSeasonal},
      {"refused", y, refused, Status::kEtsPathsOutOfRange},
      {"damped", reversed, additive, std::nullopt},
      {"ets again", reversed, QuickEts(), std::nullopt},
  };
}

inline std::vector<batch::Series> SeriesOf(const std::vector<MixedCase>& cases) {
  std::vector<batch::Series> series;
  for (const MixedCase& c : cases) series.push_back({c.id, c.values});
  return series;
}

inline std::vector<batch::MethodSettings> SettingsOf(const std::vector<MixedCase>& cases) {
  std::vector<batch::MethodSettings> settings;
  for (const MixedCase& c : cases) settings.push_back(c.settings);
  return settings;
}

// Forecasts, limits, fitted values and log-likelihood of a result; empty for none.
inline std::vector<double> Numbers(const batch::MethodResult& result) {
  std::vector<double> v;
  const Forecast* f = batch::Common(result);
  if (f == nullptr) return v;
  v = f->mean;
  for (const Limits& l : f->limits) {
    v.insert(v.end(), l.lower.begin(), l.lower.end());
    v.insert(v.end(), l.upper.begin(), l.upper.end());
  }
  v.insert(v.end(), f->fitted.begin(), f->fitted.end());
  v.push_back(f->log_likelihood);
  return v;
}

inline void ExpectSameOutcome(const batch::Outcome& a, const batch::Outcome& b) {
  EXPECT_EQ(a.id, b.id);
  EXPECT_EQ(a.status, b.status) << a.id;
  EXPECT_EQ(a.text, b.text) << a.id;
  EXPECT_EQ(a.messages.size(), b.messages.size()) << a.id;
  EXPECT_EQ(a.value.index(), b.value.index()) << a.id;
  EXPECT_TRUE(SameBits(Numbers(a.value), Numbers(b.value))) << a.id;
}

inline void ExpectSameOutcomes(const std::vector<batch::Outcome>& a,
                               const std::vector<batch::Outcome>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) ExpectSameOutcome(a[i], b[i]);
}

// Pushes every case through a stream; returns the outcomes in the order delivered, and checks
// that no more than `window` series were ever held.
inline std::vector<batch::Outcome> Streamed(const std::vector<MixedCase>& cases,
                                            batch::StreamOptions options) {
  std::vector<batch::Outcome> delivered;
  batch::Stream* held = nullptr;
  batch::Stream stream(
      [&](batch::Outcome o) {
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

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_BATCH_MIXED_H
