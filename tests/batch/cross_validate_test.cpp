#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "batch/mixed.h"
#include "support/tolerances.h"
#include "vordex/cross_validation.hpp"

namespace vordex::batch {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::SameBits;

arima::Settings Airline(int horizon) {
  arima::Settings s;
  s.horizon = horizon;
  return s;
}

// Refitting every window, origin i's forecasts are those of the single fit to the first
// origin_i values, and its actuals the values that followed (NaN beyond the data).
TEST(CrossValidate, RefittedOriginsAreSingleFitsOfTheirTrainingWindow) {
  const std::vector<double> y = testing::Airline();
  const std::vector<Series> series = {{"airline", y}};
  CrossValidationSettings v;
  v.horizon = 6;
  v.initial = 140;  // origins 140, 142 (step 2): 4 and 2 actuals
  v.step = 2;
  const CrossValidationResult r = CrossValidate(series, Airline(99), v);
  const SeriesValidation& s = r.series[0];
  ASSERT_TRUE(Succeeded(s.status)) << s.text;
  ASSERT_EQ(s.origins, (std::vector<int>{140, 142}));
  for (std::size_t i = 0; i < 2; ++i) {
    const arima::Result fit = arima::Fit(std::span(y).first(s.origins[i]), Airline(6));
    EXPECT_TRUE(s.refitted[i]);
    EXPECT_TRUE(SameBits(std::span(s.mean).subspan(i * 6, 6), fit.mean));
    EXPECT_TRUE(SameBits(std::span(s.limits[1].upper).subspan(i * 6, 6), fit.limits[1].upper));
    for (int k = 0; k < 6; ++k) {
      const int t = s.origins[i] + k;
      if (t < 144)
        EXPECT_EQ(s.actual[i * 6 + k], y[t]);
      else
        EXPECT_TRUE(std::isnan(s.actual[i * 6 + k]));
    }
  }
  // The per-step measures pool each step over the origins; the whole block pools every pair.
  std::vector<double> actual, mean;
  for (std::size_t j = 0; j < s.actual.size(); ++j)
    if (!std::isnan(s.actual[j])) actual.push_back(s.actual[j]), mean.push_back(s.mean[j]);
  EXPECT_NEAR(s.accuracy.mae, MeasureAccuracy(actual, mean).mae, kClosedForm * s.accuracy.mae);
  EXPECT_EQ(s.by_step[0].n, 2);
  EXPECT_EQ(s.by_step[3].n, 1);  // origin 140 only
  EXPECT_EQ(s.by_step[5].n, 0);  // beyond the data from both
}

// Windows mode places the last origin `horizon` before the end; continuing a model between
// re-estimations (refit every 2nd window) gives the forecasts of the fit at the last refit
// filtered through the values since (arima::Update), without re-estimation.
TEST(CrossValidate, ContinuedOriginsFilterTheNewValuesThroughTheLastFit) {
  const std::vector<double> y = testing::Airline();
  CrossValidationSettings v;
  v.horizon = 12;
  v.windows = 3;
  v.step = 4;
  v.refit = 2;
  const std::vector<Series> series = {{"airline", y}};
  const SeriesValidation s = CrossValidate(series, Airline(99), v).series[0];
  ASSERT_EQ(s.origins, (std::vector<int>{124, 128, 132}));
  EXPECT_EQ(s.refitted, (std::vector<bool>{true, false, true}));
  const arima::Result first = arima::Fit(std::span(y).first(124), Airline(12));
  const arima::Result continued = arima::Update(first, std::span(y).subspan(124, 4));
  EXPECT_TRUE(SameBits(std::span(s.mean).subspan(12, 12), continued.mean));
  // A series too short for the first origin fails alone.
  const std::vector<Series> two = {{"short", std::span(y).first(12)}, {"airline", y}};
  const CrossValidationResult r = CrossValidate(two, Airline(99), v);
  EXPECT_EQ(r.series[0].status, Status::kTooFewObservations);
  EXPECT_TRUE(SameBits(r.series[1].mean, s.mean));
  EXPECT_TRUE(SameBits(r.accuracy.mase, s.accuracy.mase));
}

// One inner window gives one score s per step; the 2 paths f -+ s have the type-7 quantile of
// probability 1 - a/2 at s (1 - a): the half-width is s * level / 100.
TEST(ConformalForecast, OneWindowsHalfWidthIsTheScoreTimesTheLevel) {
  const std::vector<double> y = testing::Airline();
  const Outcome out = ConformalForecast({"airline", y}, Airline(99), 6, 1, 7);
  ASSERT_TRUE(out.ok()) << out.text;
  const Forecast& f = *Common(out.value);
  const arima::Result inner = arima::Fit(std::span(y).first(138), Airline(6));
  for (const Limits& l : f.limits)
    for (int k = 0; k < 6; ++k) {
      const double s = std::abs(y[138 + k] - inner.mean[k]);
      EXPECT_NEAR(l.upper[k] - f.mean[k], s * l.level / 100, kClosedForm * y[138 + k]);
      EXPECT_NEAR(f.mean[k] - l.lower[k], s * l.level / 100, kClosedForm * y[138 + k]);
    }
}

// Series run with SeriesSeed(seed, id) on any worker: the simulated ETS limits and the conformal
// limits come out bit for bit the same for one or two threads and either order.
TEST(CrossValidate, IdenticalBitsForAnyThreadCountAndOrder) {
  const std::vector<double> y = testing::Airline();
  const std::vector<double> z(y.begin() + 24, y.end());
  const std::vector<Series> series = {{"a", y}, {"b", z}}, swapped = {series[1], series[0]};
  CrossValidationSettings v;
  v.horizon = 6;
  v.windows = 2;
  v.refit = 0;
  v.conformal = true;
  v.conformal_windows = 2;
  Options one, two;
  one.threads = 1;
  two.threads = 2;
  const MethodSettings ets = testing::QuickEts();
  const CrossValidationResult r1 = CrossValidate(series, ets, v, one);
  const CrossValidationResult r2 = CrossValidate(swapped, ets, v, two);
  for (std::size_t i = 0; i < 2; ++i) {
    const SeriesValidation &a = r1.series[i], &b = r2.series[1 - i];
    ASSERT_TRUE(Succeeded(a.status)) << a.text;
    EXPECT_TRUE(SameBits(a.mean, b.mean));
    EXPECT_TRUE(SameBits(a.limits[0].lower, b.limits[0].lower));
    EXPECT_TRUE(SameBits(a.conformal[1].upper, b.conformal[1].upper));
    EXPECT_EQ(a.conformal_intervals.size(), 2u);
  }
  EXPECT_TRUE(SameBits(r1.intervals[1].coverage, r2.intervals[1].coverage));
}

TEST(CrossValidate, RefusesSettingsOutOfRangeAndMethodsWithFutureInputs) {
  const std::vector<double> y = testing::Airline();
  const std::vector<Series> series = {{"a", y}};
  const auto refused = [&](CrossValidationSettings v, MethodSettings m) {
    EXPECT_THROW(CrossValidate(series, m, v), Error);
  };
  refused({.horizon = 0}, Airline(1));
  refused({.step = 0}, Airline(1));
  refused({.refit = -1}, Airline(1));
  refused({}, armax::Settings{});
}

}  // namespace
}  // namespace vordex::batch
