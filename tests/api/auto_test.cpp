#include "vordex/auto.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/bits.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "support/tolerances.h"
#include "vordex/names.hpp"

namespace vordex {
namespace {

// The mean of the members' values at each horizon, summed in the members' order.
std::vector<double> MeanOf(const std::vector<const std::vector<double>*>& members) {
  std::vector<double> mean(members.front()->size(), 0.0);
  for (const auto* m : members)
    for (std::size_t k = 0; k < mean.size(); ++k) mean[k] += (*m)[k];
  for (double& v : mean) v /= static_cast<double>(members.size());
  return mean;
}

TEST(AutoForecast, IsTheMeanOfTheMethodsFittedOnTheirOwn) {
  testing::MessageCapture capture;
  const std::vector<double> y = testing::Airline();
  auto_forecast::Settings s;
  s.horizon = 6;
  s.levels = {80.0};
  s.seed = 7;
  const auto_forecast::Result r = auto_forecast::Fit(y, s);
  ASSERT_TRUE(r.failures.empty());

  // Each member as a user would ask for it alone.
  ets::Settings e = ets::AutoSettings(12, 6);
  e.levels = {80.0};
  e.seed = 7;
  const ets::Result smoothing = ets::Fit(y, e);
  auto_arima::Settings a;
  a.horizon = 6;
  a.levels = {80.0};
  const auto_arima::Result arima = auto_arima::Fit(y, a);
  const theta::Result theta = theta::Fit(y, {.period = 12, .horizon = 6, .levels = {80.0}});

  EXPECT_TRUE(testing::SameBits(r.smoothing->mean, smoothing.mean));
  EXPECT_TRUE(testing::SameBits(r.arima->mean, arima.mean));
  EXPECT_TRUE(testing::SameBits(r.theta->mean, theta.mean));
  EXPECT_TRUE(testing::SameBits(r.mean, MeanOf({&smoothing.mean, &arima.mean, &theta.mean})));
  const auto lower = [](const Forecast& f) { return &f.limits[0].lower; };
  const auto upper = [](const Forecast& f) { return &f.limits[0].upper; };
  EXPECT_TRUE(
      testing::SameBits(r.limits[0].lower, MeanOf({lower(smoothing), lower(arima), lower(theta)})));
  EXPECT_TRUE(
      testing::SameBits(r.limits[0].upper, MeanOf({upper(smoothing), upper(arima), upper(theta)})));
  EXPECT_EQ(r.status, Status::kOk);
  EXPECT_EQ(ModelName(r),
            "mean of ETS(M,A,M) + ARIMA(2,1,1)(0,1,0)[12] + Theta (seasonally adjusted)");
  EXPECT_TRUE(capture.messages().empty());
}

TEST(AutoForecast, AMemberThatFailsIsLeftOutAndNamed) {
  // A period beyond the smoothing method's 24: the others still forecast.
  std::vector<double> y;
  for (int t = 0; t < 120; ++t) y.push_back(50.0 + 10.0 * std::sin(2.0 * M_PI * t / 30.0) + t);
  auto_forecast::Settings s;
  s.period = 30;
  s.horizon = 3;
  const auto_forecast::Result r = auto_forecast::Fit(y, s);
  EXPECT_FALSE(r.smoothing);
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].rfind("ets: ", 0), 0u) << r.failures[0];
  ASSERT_TRUE(r.arima && r.theta);
  EXPECT_TRUE(testing::SameBits(r.mean, MeanOf({&r.arima->mean, &r.theta->mean})));
  EXPECT_EQ(r.status, Status::kOk);
}

// Automatic ARIMA with regressors: the horizon of their future values, the regressors' names in
// the result, and a result arima::Predict continues with the same forecasts.
TEST(AutoArimaFit, WithRegressorsForecastsFromTheirFutureAndContinues) {
  const auto lake = testing::PeerColumns("lakehuron");
  auto_arima::Settings s;
  s.period = 1;
  s.regressors.Add("time", lake[1]);
  s.future.Add("time", std::vector<double>{1973, 1974, 1975});
  const auto_arima::Result r = auto_arima::Fit(lake[0], s);
  EXPECT_EQ(ModelName(r).rfind("Regression with ARIMA(", 0), 0u) << ModelName(r);
  ASSERT_EQ(r.mean.size(), 3u);
  EXPECT_EQ(r.regression.back().name, "time");
  const arima::Result again = arima::Predict(r, 3, s.levels, s.future);
  for (std::size_t h = 0; h < 3; ++h)
    EXPECT_NEAR(again.mean[h], r.mean[h], testing::kClosedForm * r.mean[h]);
  s.future.names = {"year"};
  EXPECT_THROW(auto_arima::Fit(lake[0], s), Error);
}

TEST(AutomaticMethods, RefuseBadSettingsAndFailWithTheReasons) {
  const std::vector<double> y = testing::Airline();
  const auto status_of = [](auto&& fit) {
    try {
      fit();
    } catch (const Error& e) {
      return e.status();
    }
    return Status::kOk;
  };
  EXPECT_EQ(status_of([&] { auto_forecast::Fit(y, {.levels = {100.0}}); }),
            Status::kInvalidSettings);
  EXPECT_EQ(status_of([&] { theta::Fit(y, {.period = 0}); }), Status::kInvalidSettings);
  auto_arima::Settings a;
  a.horizon = 10'000'001;
  EXPECT_EQ(status_of([&] { auto_arima::Fit(y, a); }), Status::kInvalidSettings);
  a.horizon = 6;
  a.D = 2;
  EXPECT_EQ(status_of([&] { auto_arima::Fit(y, a); }), Status::kInvalidSettings);

  // An infinite value is refused before any member runs.
  const double inf = std::numeric_limits<double>::infinity();
  try {
    auto_forecast::Fit(std::vector<double>{1.0, inf, 3.0, 4.0}, {.period = 1, .horizon = 3});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kInvalidData);
    EXPECT_NE(std::string(e.what()).find("infinite"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace vordex
