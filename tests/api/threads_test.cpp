// Requests on different threads must not interfere: every request keeps its state to itself.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/bits.h"
#include "support/datasets.h"
#include "vordex/vordex.hpp"

namespace vordex {
namespace {

struct Outcome {
  std::vector<double> arima;
  std::vector<double> armax;
  std::vector<double> ets;
};

Outcome RunAll(const std::vector<double>& y, int variant) {
  Outcome out;
  arima::Settings a;
  a.p = variant % 2;  // threads fit different models at the same time
  out.arima = arima::Fit(y, a).mean;
  armax::Settings x;
  x.horizon = 12;
  x.p = variant % 2;
  out.armax = armax::Fit(y, x).mean;
  ets::Settings e;
  e.seed = 1234u + static_cast<unsigned>(variant);
  e.paths = 500;
  e.horizon = 12;
  const ets::Result r = ets::Fit(y, e);
  out.ets = r.limits[1].lower;
  out.ets.insert(out.ets.end(), r.mean.begin(), r.mean.end());
  return out;
}

TEST(Threads, ConcurrentRequestsGiveWhatTheyGiveAlone) {
  const std::vector<double> y = testing::Airline();
  constexpr int kThreads = 4;
  std::vector<Outcome> alone;
  for (int i = 0; i < kThreads; ++i) alone.push_back(RunAll(y, i));
  std::vector<Outcome> together(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] { together[static_cast<std::size_t>(i)] = RunAll(y, i); });
  for (auto& t : threads) t.join();
  for (std::size_t i = 0; i < kThreads; ++i) {
    EXPECT_TRUE(testing::SameBits(alone[i].arima, together[i].arima)) << i;
    EXPECT_TRUE(testing::SameBits(alone[i].armax, together[i].armax)) << i;
    EXPECT_TRUE(testing::SameBits(alone[i].ets, together[i].ets)) << i;
    EXPECT_FALSE(alone[i].arima.empty());
  }
}

}  // namespace
}  // namespace vordex
