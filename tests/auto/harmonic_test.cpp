#include "auto/harmonic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/datasets.h"

namespace vordex::automatic {
namespace {

// R 4.2.2, forecast 8.20: for K in 0..m/2 the AICc of CV(lm(y ~ fourier(y, K))) (K = 0: lm(y ~
// 1)); the least is at K = 5 (usaccdeaths, 914.915), 1 (log airline, -237.786) and 1 (UK gas,
// 1172.005).
TEST(ChooseFourierOrders, AgreesWithTheLeastAiccOfRsRegressions) {
  struct Case {
    std::string dataset;
    double period;
    bool log;
    int order;
  };
  const Case cases[] = {
      {"usaccdeaths", 12, false, 5}, {"airline", 12, true, 1}, {"ukgas", 4, false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataset);
    std::vector<double> y = testing::LoadDataset(c.dataset);
    if (c.log)
      for (double& v : y) v = std::log(v);
    const double periods[] = {c.period};
    const Outcome<std::vector<int>> orders = ChooseFourierOrders(y, periods);
    ASSERT_TRUE(orders.ok()) << orders.text;
    EXPECT_EQ(orders.value, std::vector<int>{c.order});
  }
}

TEST(ChooseFourierOrders, SettlesThePeriodsOneAfterAnotherAndSkipsGaps) {
  // Two harmonics of a week and one of a 30.5-day month over two years of days, with noise a
  // fifth of the smallest amplitude and a gap: the orders come back.
  std::vector<double> y;
  std::uint32_t state = 2024;
  for (int t = 1; t <= 730; ++t) {
    state = state * 1664525u + 1013904223u;
    const double noise = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    y.push_back(50.0 + 6.0 * std::sin(2 * M_PI * t / 7) + 3.0 * std::cos(4 * M_PI * t / 7) +
                4.0 * std::sin(2 * M_PI * t / 30.5) + noise);
  }
  y[100] = std::numeric_limits<double>::quiet_NaN();
  const double periods[] = {7, 30.5};
  const Outcome<std::vector<int>> orders = ChooseFourierOrders(y, periods);
  ASSERT_TRUE(orders.ok()) << orders.text;
  EXPECT_EQ(orders.value, (std::vector<int>{2, 1}));
  // A bound below the orders caps them.
  EXPECT_EQ(ChooseFourierOrders(y, periods, {.max_order = 1}).value, (std::vector<int>{1, 1}));

  const double bad[] = {1.5};
  EXPECT_EQ(ChooseFourierOrders(y, bad).status, Status::kInvalidSettings);
  EXPECT_EQ(ChooseFourierOrders(std::vector<double>{1, 2}, periods).status,
            Status::kTooFewObservations);
}

}  // namespace
}  // namespace vordex::automatic
