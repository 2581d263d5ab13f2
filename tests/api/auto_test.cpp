#include "vordex/auto.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

using testing::kClosedForm;
using testing::kPeerForecast;
using testing::kPeerLogLik;

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
  const theta::Result theta = theta::Fit(
      y,
      {.period = 12, .horizon = 6, .levels = {80.0}, .transform = Transform::kNone, .box_cox = {}});

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
  // A gap in a short series: each member forecasts it or is named with its reason, and the
  // forecast is the mean of those that forecast.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto_forecast::Settings s;
  s.period = 1;
  s.horizon = 3;
  const auto_forecast::Result r =
      auto_forecast::Fit(std::vector<double>{1.0, nan, 3.0, 4.0, 6.0, 5.0, 7.0}, s);
  std::vector<const std::vector<double>*> present;
  std::size_t failed = 0;
  const auto check = [&](const char* name, const auto& member) {
    const bool named = std::any_of(r.failures.begin(), r.failures.end(), [&](const std::string& f) {
      return f.rfind(std::string(name) + ": ", 0) == 0;
    });
    EXPECT_NE(member.has_value(), named) << name;
    if (member) present.push_back(&member->mean);
    failed += named ? 1 : 0;
  };
  check("ets", r.smoothing);
  check("auto_arima", r.arima);
  check("theta", r.theta);
  ASSERT_FALSE(present.empty());
  EXPECT_EQ(failed, r.failures.size());
  EXPECT_TRUE(testing::SameBits(r.mean, MeanOf(present)));
  EXPECT_EQ(r.status, present.size() == 1 ? Status::kSingleMember : Status::kOk);
}

// A positive series of n values with cycles of 24 and 168 steps, a slow trend and deterministic
// noise.
std::vector<double> TwoCycles(int n) {
  std::vector<double> y;
  std::uint32_t state = 12345;
  for (int t = 0; t < n; ++t) {
    state = state * 1664525u + 1013904223u;
    const double noise = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    y.push_back(100.0 + 0.05 * t + 10.0 * std::sin(2 * M_PI * t / 24) +
                5.0 * std::cos(2 * M_PI * t / 168) + 2.0 * noise);
  }
  return y;
}

TEST(AutoForecast, ChoosesTheMethodsThatFitThePeriods) {
  struct Case {
    const char* what;
    int n;
    int period;
    std::vector<double> periods;
    const char* name;  // the model name's beginning
    int single;        // the single season's period, 0 on the seasonal route
  };
  const Case cases[] = {
      {"one period up to 24 as before", 100, 12, {}, "mean of ETS(", 12},
      {"no period with two cycles", 100, 12, {52.18}, "mean of ETS(", 1},
      {"the long period dropped, the short kept", 200, 12, {7, 168}, "mean of ETS(", 7},
      {"a period above 24", 200, 30, {}, "mean of ARIMA(", 0},
      {"a non-integer period", 200, 12, {52.18}, "mean of ARIMA(", 0},
      {"two periods", 400, 12, {168, 24}, "MSTL(24,168) + AR(", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto_forecast::Settings s;
    s.period = c.period;
    s.periods = c.periods;
    s.horizon = 5;
    s.levels = {80.0};
    s.threads = 1;
    const auto_forecast::Result r = auto_forecast::Fit(TwoCycles(c.n), s);
    EXPECT_EQ(ModelName(r).rfind(c.name, 0), 0u) << ModelName(r);
    EXPECT_EQ(r.status, Status::kOk);
    if (c.single > 0) {
      EXPECT_EQ(r.period, c.single);
      EXPECT_TRUE(r.smoothing && r.arima && r.theta && !r.mstl);
    } else {
      ASSERT_TRUE(r.mstl && !r.smoothing);
      // One long period: the mean with a non-seasonal ARIMA; several: MSTL alone.
      const bool one_period = c.periods.size() <= 1;
      ASSERT_EQ(r.arima.has_value(), one_period);
      for (std::size_t k = 0; k < r.mean.size(); ++k)
        EXPECT_TRUE(testing::SameBits(
            r.mean[k], one_period ? (r.mstl->mean[k] + r.arima->mean[k]) / 2 : r.mstl->mean[k]));
      if (one_period) {
        EXPECT_EQ(r.arima->period, 1);
      }
      // A positive series is modelled on the square-root scale of the measured choice.
      EXPECT_EQ(r.mstl->lambda, 0.5);
    }
  }
}

// R 4.2.2, forecast 8.20: f <- stlf(taylor, h = 48) chooses ETS(M,N,N) with alpha at R's bound
// 0.9999 for the seasonally adjusted series: f$mean[c(1, 2, 24, 48)], and the widths of f's limits
// at steps 1 and 48, which ours match up to the Monte Carlo error of 5000 simulated paths.
TEST(Mstl, ForecastsTaylorsDemandAsStlf) {
  const std::vector<double> y =
      testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor.csv")[0];
  ASSERT_EQ(y.size(), 4032u);
  mstl::Settings s;
  s.periods = {48, 336};
  s.horizon = 48;
  s.threads = 1;
  const mstl::Result r = mstl::Fit(y, s);
  EXPECT_EQ(ModelName(r), "MSTL(48,336) + ETS(M,N,N)");
  const std::pair<int, double> mean[] = {
      {1, 21781.5844782}, {2, 21153.5910085}, {24, 36459.7180090}, {48, 25589.0064907}};
  for (const auto& [h, value] : mean) EXPECT_NEAR(r.mean[h - 1], value, kPeerForecast * value);
  // The 2.5% and 10% quantiles of 5000 paths have relative standard errors near 1.5%; the
  // widths agree within about three of them.
  constexpr double kSimulatedWidth = 0.05;
  const double widths[2][2] = {{244.517066426, 1694.111825502}, {373.95658254, 2590.92045380}};
  for (int l = 0; l < 2; ++l)
    for (int k = 0; k < 2; ++k) {
      const int h = k == 0 ? 0 : 47;
      const double width = r.limits[l].upper[h] - r.limits[l].lower[h];
      EXPECT_NEAR(width, widths[l][k], kSimulatedWidth * widths[l][k]) << r.limits[l].level;
    }
  // The fitted values are the smoothing model's and the seasonal components'.
  EXPECT_NEAR(r.fitted[100], r.smoothing->fitted[100] + r.seasonal[0][100] + r.seasonal[1][100],
              kClosedForm * y[100]);
}

TEST(Mstl, ATransformIsTheSameFitOnTheTransformedSeries) {
  const std::vector<double> y = TwoCycles(500);
  std::vector<double> logged;
  for (const double v : y) logged.push_back(std::log(v));
  mstl::Settings s;
  s.periods = {24, 168};
  s.horizon = 30;
  s.levels = {80.0, 95.0};
  s.adjusted = mstl::AdjustedModel::kAutoregression;
  const mstl::Result plain = mstl::Fit(logged, s);
  s.transform = Transform::kLog;
  const mstl::Result transformed = mstl::Fit(y, s);
  ASSERT_EQ(transformed.lambda, 0.0);
  for (std::size_t h = 0; h < 30; ++h) {
    EXPECT_NEAR(transformed.mean[h], std::exp(plain.mean[h]), kClosedForm * y[0]);
    EXPECT_NEAR(transformed.limits[1].lower[h], std::exp(plain.limits[1].lower[h]),
                kClosedForm * y[0]);
  }
  EXPECT_TRUE(testing::SameBits(transformed.residuals, plain.residuals));
  EXPECT_TRUE(testing::SameBits(transformed.trend, plain.trend));
}

TEST(Mstl, ANonIntegerPeriodAndAGapStillForecastEveryStep) {
  // Three years of weekly values with a gap: the last 52 seasonal values repeat.
  std::vector<double> y = TwoCycles(160);
  y[100] = std::numeric_limits<double>::quiet_NaN();
  mstl::Settings s;
  s.periods = {52.18};
  s.horizon = 110;
  s.adjusted = mstl::AdjustedModel::kTheta;
  const mstl::Result r = mstl::Fit(y, s);
  EXPECT_EQ(r.missing, 1);
  EXPECT_TRUE(std::isnan(r.remainder[100]));
  ASSERT_EQ(r.mean.size(), 110u);
  // Theta without drift differences is linear in h, so the seasonal part is what is left.
  const std::vector<double>& season = r.seasonal[0];
  for (std::size_t h = 0; h < 110; ++h) {
    const double trend = r.theta->mean[h];
    EXPECT_NEAR(r.mean[h] - trend, season[160 - 52 + h % 52], kClosedForm * y[0]) << h;
  }
  EXPECT_EQ(ModelName(r), "MSTL(52.18) + Theta");
}

TEST(Mstl, RefusesSettingsOutOfRange) {
  const std::vector<double> y = TwoCycles(100);
  const auto status_of = [&](auto&& change) {
    mstl::Settings s;
    s.periods = {24};
    change(s);
    try {
      mstl::Fit(y, s);
    } catch (const Error& e) {
      return e.status();
    }
    return Status::kOk;
  };
  EXPECT_EQ(status_of([](mstl::Settings& s) { s.periods = {-1}; }), Status::kInvalidSettings);
  EXPECT_EQ(status_of([](mstl::Settings& s) {
              s.horizon = 121;
              s.adjusted = mstl::AdjustedModel::kArima;
            }),
            Status::kInvalidSettings);
  // The horizon bound is automatic ARIMA's alone.
  EXPECT_EQ(status_of([](mstl::Settings& s) {
              s.horizon = 200;
              s.adjusted = mstl::AdjustedModel::kTheta;
            }),
            Status::kOk);
  EXPECT_EQ(status_of([](mstl::Settings& s) { s.seasonal_windows = {1}; }),
            Status::kInvalidSettings);
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

// R 4.2.2, forecast 8.20: K = 5 has the least AICc of lm(y ~ fourier(y, K)) for USAccDeaths, and
// f <- auto.arima(y, xreg = fourier(y, K = 5), seasonal = FALSE) is "Regression with ARIMA(0,1,1)
// errors" with AICc 1018.01636081; forecast(f, xreg = fourier(y, K = 5, h = 6))$mean below.
TEST(Harmonic, ReproducesRsAutoArimaWithFourierTerms) {
  const std::vector<double> y = testing::LoadDataset("usaccdeaths");
  const double periods[] = {12.0};
  EXPECT_EQ(harmonic::ChooseOrders(y, periods), std::vector<int>{5});
  harmonic::Settings s;
  s.periods = {12.0};
  s.horizon = 6;
  const harmonic::Result r = harmonic::Fit(y, s);
  EXPECT_EQ(ModelName(r), "Harmonic regression [12: K=5] with ARIMA(0,1,1) errors");
  EXPECT_NEAR(r.aicc, 1018.01636081, kPeerLogLik);
  const double mean[] = {8298.19879589, 7577.54670067, 8334.26250640,
                         8587.06518751, 9414.57598113, 9924.75763146};
  for (int h = 0; h < 6; ++h) EXPECT_NEAR(r.mean[h], mean[h], kPeerForecast * mean[h]) << h;
  // The orders given are the orders used; an order above half its period is refused.
  s.orders = {2};
  EXPECT_EQ(harmonic::Fit(y, s).orders, std::vector<int>{2});
  s.orders = {7};
  EXPECT_THROW(harmonic::Fit(y, s), Error);
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
  auto_forecast::Settings full;
  full.levels = {100.0};
  EXPECT_EQ(status_of([&] { auto_forecast::Fit(y, full); }), Status::kInvalidSettings);
  EXPECT_EQ(status_of([&] {
              theta::Settings t;
              t.period = 0;
              theta::Fit(y, t);
            }),
            Status::kInvalidSettings);
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
