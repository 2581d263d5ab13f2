#include "vordex/evaluate.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex {
namespace {

using vordex::testing::kClosedForm;

// R 4.2.2, forecast 8.20:
//   y <- ts(airline, frequency = 12, start = 1949); train <- window(y, end = c(1958, 12))
//   test <- window(y, start = c(1959, 1)); fc <- snaive(train, h = 24, level = c(80, 95))
//   accuracy(fc, test)["Test set", ]
// sMAPE and RMSSE as R expressions, e <- test - fc$mean:
//   mean(200 * abs(e) / (abs(test) + abs(fc$mean))); sqrt(mean(e^2) / mean(diff(train, 12)^2))
// coverage, interval score and MSIS with a <- 1 - level / 100, lo, up <- fc$lower, fc$upper:
//   mean(test >= lo & test <= up);
//   is <- mean((up - lo) + 2 / a * (lo - test) * (test < lo) + 2 / a * (test - up) * (test > up))
//   is / mean(abs(diff(train, lag = 12)))
// The seasonal naive forecast repeats the last year of the training data; its limits are
// -+ a half-width per year of the horizon (R: fc$upper - fc$mean).
TEST(MeasureAccuracy, SeasonalNaiveOnAirlineEqualsRsAccuracy) {
  const std::vector<double> y = vordex::testing::LoadDataset("airline");
  ASSERT_EQ(y.size(), 144u);
  const std::vector<double> train(y.begin(), y.begin() + 120), test(y.begin() + 120, y.end());
  Forecast fc;
  for (int k = 0; k < 24; ++k) fc.mean.push_back(train[108 + k % 12]);
  struct Level {
    double level, width1, width2, coverage, interval_score, msis;
  };
  const Level levels[] = {
      {80, 41.65827510032011, 58.91369763194211, 0.16666666666666666, 329.33232695966046,
       11.525564261712033},
      {95, 63.71083384381194, 90.10072529201761, 0.625, 384.61716550257461, 13.460354463473124}};
  for (const Level& l : levels) {
    Limits limits{l.level, {}, {}};
    for (int k = 0; k < 24; ++k) {
      const double w = k < 12 ? l.width1 : l.width2;
      limits.lower.push_back(fc.mean[k] - w);
      limits.upper.push_back(fc.mean[k] + w);
    }
    fc.limits.push_back(limits);
  }
  const AccuracyReport r = MeasureAccuracy(fc, test, train, 12);
  EXPECT_EQ(r.point.n, 24);
  EXPECT_NEAR(r.point.me, 71.25, kClosedForm * 71.25);
  EXPECT_NEAR(r.point.rmse, 76.994588554434571, kClosedForm * 77);
  EXPECT_NEAR(r.point.mae, 71.25, kClosedForm * 71.25);
  EXPECT_NEAR(r.point.mpe, 15.523355162420376, kClosedForm * 16);
  EXPECT_NEAR(r.point.mape, 15.523355162420376, kClosedForm * 16);
  EXPECT_NEAR(r.point.mase, 2.4935191186001298, kClosedForm * 2.5);
  EXPECT_NEAR(r.point.acf1, 0.72846282750691105, kClosedForm);
  EXPECT_NEAR(r.point.smape, 17.012625361650954, kClosedForm * 17);
  EXPECT_NEAR(r.point.rmsse, 2.3686178859489013, kClosedForm * 2.4);
  ASSERT_EQ(r.intervals.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(r.intervals[i].level, levels[i].level);
    EXPECT_NEAR(r.intervals[i].coverage, levels[i].coverage, kClosedForm);
    // The limits were rebuilt from half-widths printed to 17 digits: relative 1e-12 holds.
    EXPECT_NEAR(r.intervals[i].interval_score, levels[i].interval_score,
                kClosedForm * levels[i].interval_score);
    EXPECT_NEAR(r.intervals[i].msis, levels[i].msis, kClosedForm * levels[i].msis);
  }
  // Fewer actuals score the leading steps; more than the forecasts are refused.
  EXPECT_EQ(MeasureAccuracy(fc, std::span(test).first(6), train, 12).point.n, 6);
  std::vector<double> longer = test;
  longer.push_back(1.0);
  EXPECT_THROW(MeasureAccuracy(fc, longer, train, 12), Error);
}

TEST(MeasureAccuracy, RefusesInvalidArgumentsWithAnError) {
  const std::vector<double> a = {1, 2, 3}, f = {1, 2};
  EXPECT_THROW(MeasureAccuracy(a, f), Error);
  EXPECT_THROW(MeasureIntervals(a, a, a, 0.95), Error);
  EXPECT_THROW(PinballLoss(a, a, 1.0), Error);
  // At tau = 1/2 the pinball loss is half the MAE.
  const std::vector<double> q = {2, 2, 2};
  EXPECT_NEAR(PinballLoss(a, q, 0.5), 0.5 * MeasureAccuracy(a, q).mae, kClosedForm);
}

// R 4.2.2: r <- diff(diff(log(AirPassengers)), lag = 12)   (131 values)
//   Box.test(r, lag = 24, type = "Ljung-Box", fitdf = 2); acf(r, lag.max = 2)$acf
// checkresiduals on a model with 2 coefficients and period 12 tests lag min(24, round(131 / 5))
// = 24 with fitdf 2, and plots the bound qnorm(0.975) / sqrt(131).
TEST(DiagnoseResiduals, EqualsRsBoxTestAndAcfWithTheModelsDegreesOfFreedom) {
  const std::vector<double> y = vordex::testing::LoadDataset("airline");
  std::vector<double> d, r;
  for (std::size_t t = 1; t < y.size(); ++t) d.push_back(std::log(y[t]) - std::log(y[t - 1]));
  for (std::size_t t = 12; t < d.size(); ++t) r.push_back(d[t] - d[t - 12]);
  const ResidualDiagnostics diag = DiagnoseResiduals(r, 12, 2);
  EXPECT_EQ(diag.ljung_box.lag, 24);
  EXPECT_EQ(diag.ljung_box.df, 22);
  EXPECT_NEAR(diag.ljung_box.statistic, 74.265181594545012, kClosedForm * 74);
  EXPECT_NEAR(diag.ljung_box.p_value, 1.3874509130484824e-07, 1e-9 * 1.4e-7);
  EXPECT_NEAR(diag.acf.acf[1], -0.3411237982983546, kClosedForm);
  EXPECT_NEAR(diag.acf.acf[2], 0.10504674962356635, kClosedForm);
  EXPECT_NEAR(diag.acf.bound, 1.959963984540054 / std::sqrt(131.0), kClosedForm);
  EXPECT_EQ(LjungBox(r, 24, 2).statistic, diag.ljung_box.statistic);
}

// forecast 8.20's modeldf: p + q + P + Q for ARIMA; length(par) for ETS (alpha, beta, gamma and
// the states l, b, s_0 .. s_{m-2} of ETS(A,A,A) with m = 12: 3 + 2 + 11 = 16).
TEST(Diagnostics, CountsEachModelsEstimatedParametersAsR) {
  const std::vector<double> y = vordex::testing::LoadDataset("airline");
  const arima::Result airline = arima::Fit(y);  // the airline model: q = Q = 1
  EXPECT_EQ(Diagnostics(airline).fitdf, 2);
  ets::Settings s;
  s.error = ets::ErrorForm::kAdditive;
  s.trend = ets::Trend::kAdditive;
  s.season = ets::Season::kAdditive;
  s.horizon = 0;
  const ResidualDiagnostics e = Diagnostics(ets::Fit(y, s));
  EXPECT_EQ(e.fitdf, 16);
  EXPECT_EQ(e.ljung_box.lag, 24);  // max(16 + 3, min(2 * 12, round(144 / 5))) = 24
  EXPECT_EQ(e.ljung_box.df, 8);
}

}  // namespace
}  // namespace vordex
