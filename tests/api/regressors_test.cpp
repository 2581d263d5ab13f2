// The ready-made regressors: Fourier terms against R's fourier(), the trend and event dummies by
// construction, and a regression on them against R's Arima(xreg =).
#include "vordex/regressors.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/tolerances.h"
#include "vordex/arima.hpp"
#include "vordex/error.hpp"

namespace vordex {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerEstimate;
using vordex::testing::kPeerMaximum;

// R 4.2.2, forecast 8.20, values printed with %.17g:
//   f <- fourier(ts(1:30, frequency = 12), K = 2); f[30, ]; fourier(.., K = 2, h = 3)[3, ]
//   y <- msts(numeric(120), seasonal.periods = c(7, 52.18))
//   fourier(y, K = c(3, 2))[100, ]; fourier(y, K = c(3, 2), h = 4)[4, ]
TEST(FourierTerms, AgreeWithRsFourierInSampleAndAhead) {
  struct Case {
    std::size_t rows;
    int horizon;
    std::vector<FourierPeriod> periods;
    std::vector<std::string> names;
    std::size_t row;  // 0-based in sample
    std::vector<double> in_sample, future_last;
  };
  const Case cases[] = {
      {30, 3, {{12, 2}}, {"S1-12", "C1-12", "S2-12", "C2-12"}, 29, {0, -1, 0, 1}, {-1, 0, 0, -1}},
      {120,
       4,
       {{7, 3}, {52.18, 2}},
       {"S1-7", "C1-7", "S2-7", "C2-7", "S3-7", "C3-7", "S1-52", "C1-52", "S2-52", "C2-52"},
       99,
       {0.97492791218182506, -0.22252093395630806, -0.43388373911754663, -0.90096886790242481,
        -0.78183148246804168, 0.62348980185871805, -0.50121612135085514, 0.86532213637350375,
        -0.86742680982432663, 0.49756479939600934},
       {-0.97492791218182007, -0.22252093395633016, 0.43388373911758704, -0.90096886790240516,
        0.78183148246801382, 0.62348980185875347, 0.70090687859858825, -0.71325279356844018,
        -0.9998475783835572, 0.01745909506636778}}};
  for (const Case& c : cases) {
    const Design d = FourierTerms(c.rows, c.horizon, c.periods);
    ASSERT_EQ(d.in_sample.names, c.names);
    ASSERT_EQ(d.future.names, c.names);
    ASSERT_EQ(d.in_sample.rows(), c.rows);
    ASSERT_EQ(d.future.rows(), static_cast<std::size_t>(c.horizon));
    for (std::size_t j = 0; j < c.names.size(); ++j) {
      EXPECT_NEAR(d.in_sample.column(j)[c.row], c.in_sample[j], kClosedForm) << c.names[j];
      EXPECT_NEAR(d.future.column(j).back(), c.future_last[j], kClosedForm) << c.names[j];
    }
  }
}

TEST(Regressors, TrendAndEventsMarkTheirRowsInSampleAndAhead) {
  Design d = Trend(5, 2);
  d.Append(EventDummy("sale", 5, 2, std::vector<long>{2, 6, 99}));
  // Weekly times (day numbers 0, 7, ...): day 9 lies in the second week, day 36 in the first
  // week ahead (35..41), day 48 past the last interval.
  d.Append(EventDummy("holiday", std::vector<double>{0, 7, 14, 21, 28}, std::vector<double>{35, 42},
                      std::vector<double>{9, 36, 49, -3}));
  const Regressors expected{{"trend", "sale", "holiday"},
                            {1, 2, 3, 4, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0}};
  EXPECT_EQ(d.in_sample.names, expected.names);
  EXPECT_EQ(d.in_sample.values, expected.values);
  EXPECT_EQ(d.future.values, (std::vector<double>{6, 7, 1, 0, 1, 0}));
}

TEST(Regressors, RefuseWhatTheyCannotMake) {
  const std::vector<FourierPeriod> too_many = {{12, 7}};
  EXPECT_THROW(FourierTerms(30, 3, too_many), Error);
  EXPECT_THROW(FourierTerms(30, 3, {}), Error);
  EXPECT_THROW(Trend(5, -1), Error);
  EXPECT_THROW(EventDummy("x", 5, 1, std::vector<long>{0}), Error);
  EXPECT_THROW(EventDummy("x", std::vector<double>{1, 1}, {}, std::vector<double>{1}), Error);
}

// R 4.2.2, forecast 8.20 (fourier), stats (arima, predict):
//   X <- cbind(fourier(ldeaths, K = 2), trend = 1:72)
//   fit <- arima(ldeaths, order = c(1,0,0), xreg = X, method = "ML",
//                optim.control = list(reltol = 1e-14, maxit = 1000))
//   predict(fit, 3, newxreg = cbind(fourier(ldeaths, K = 2, h = 3), trend = 73:75))
// (forecast::Arima reports sigma2 over n less the coefficients; arima's is the ML estimate.)
TEST(Regressors, HarmonicRegressionWithTrendMatchesRsArima) {
  const std::vector<double> ldeaths = {
      3035, 2552, 2704, 2554, 2014, 1655, 1721, 1524, 1596, 2074, 2199, 2512, 2933, 2889, 2938,
      2497, 1870, 1726, 1607, 1545, 1396, 1787, 2076, 2837, 2787, 3891, 3179, 2011, 1636, 1580,
      1489, 1300, 1356, 1653, 2013, 2823, 3102, 2294, 2385, 2444, 1748, 1554, 1498, 1361, 1346,
      1564, 1640, 2293, 2815, 3137, 2679, 1969, 1870, 1633, 1529, 1366, 1357, 1570, 1535, 2491,
      3084, 2605, 2573, 2143, 1693, 1504, 1461, 1354, 1333, 1492, 1781, 1915};
  const std::vector<FourierPeriod> year = {{12, 2}};
  Design d = FourierTerms(ldeaths.size(), 3, year);
  d.Append(Trend(ldeaths.size(), 3));
  arima::Settings s;
  s.period = 1;
  s.d = s.q = s.D = s.Q = 0;
  s.p = 1;
  s.constant = true;
  s.transform = Transform::kNone;
  s.levels = {95};
  s.regressors = d.in_sample;
  s.future = d.future;
  const arima::Result r = arima::Fit(ldeaths, s);
  EXPECT_NEAR(r.log_likelihood / -488.885622042, 1.0, kPeerMaximum);
  EXPECT_NEAR(r.sigma2 / 46265.5428801, 1.0, kPeerEstimate);
  const std::vector<std::pair<std::string, double>> b = {
      {"mean", 2239.49492859},  {"S1-12", 614.751293306},  {"C1-12", 437.792749699},
      {"S2-12", 159.822066116}, {"C2-12", -10.4551096086}, {"trend", -5.02650676115}};
  ASSERT_EQ(r.regression.size(), b.size());
  for (std::size_t j = 0; j < b.size(); ++j) {
    EXPECT_EQ(r.regression[j].name, b[j].first);
    EXPECT_NEAR(r.regression[j].estimate / b[j].second, 1.0, kPeerEstimate) << b[j].first;
  }
  const std::vector<double> mean = {2655.15100816, 2758.92635879, 2487.37728173};
  const std::vector<double> upper = {3076.72802104, 3182.40799862, 2910.87613098};
  for (std::size_t h = 0; h < 3; ++h) {
    EXPECT_NEAR(r.mean[h] / mean[h], 1.0, kPeerEstimate);
    EXPECT_NEAR(r.limits.at(0).upper[h] / upper[h], 1.0, kPeerEstimate);
  }
}

}  // namespace
}  // namespace vordex
