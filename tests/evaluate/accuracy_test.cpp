#include "evaluate/accuracy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numerics/distributions.h"
#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::evaluate {
namespace {

using vordex::testing::kClosedForm;

// R's discoveries (yearly counts of great discoveries 1860-1959), which has zeros.
const std::vector<double> kDiscoveries = {
    5,  3, 0,  2, 0, 3, 2, 3, 6, 1, 2, 1, 2, 1, 3, 3, 3, 5, 2, 4, 4, 0, 2, 3, 7,
    12, 3, 10, 9, 2, 3, 7, 7, 2, 3, 3, 6, 2, 4, 3, 5, 2, 2, 4, 0, 4, 2, 5, 2, 3,
    3,  6, 5,  8, 3, 6, 6, 0, 5, 2, 2, 2, 6, 3, 4, 4, 2, 2, 4, 7, 5, 3, 3, 0, 2,
    2,  2, 1,  3, 4, 2, 2, 1, 1, 1, 2, 1, 4, 4, 3, 2, 1, 4, 1, 1, 1, 0, 0, 2, 0};

enum class Method { kSnaive, kNaive, kMeanf };

// The forecasts of R's snaive, naive and meanf from train for h steps.
std::vector<double> Forecast(Method method, const std::vector<double>& train, int h) {
  const int n = static_cast<int>(train.size());
  double mean = 0.0;
  for (double v : train) mean += v / n;
  std::vector<double> f(h);
  for (int i = 0; i < h; ++i)
    f[i] = method == Method::kSnaive  ? train[n - 12 + i % 12]
           : method == Method::kNaive ? train[n - 1]
                                      : mean;
  return f;
}

// Relative agreement to 1e-12 for values far from 0, absolute near it (max seen 1e-15).
void ExpectClose(double actual, double expected, int what) {
  if (std::isinf(expected)) {
    EXPECT_EQ(actual, expected) << "measure " << what;
    return;
  }
  EXPECT_NEAR(actual, expected, kClosedForm * std::fmax(1.0, std::fabs(expected)))
      << "measure " << what;
}

// R 4.2.2, forecast 8.20, options(digits = 17), for each case f (AP <- AirPassengers):
//   accuracy(f, x)[2, ]  with f one of
//     snaive|naive|meanf(window(AP, end = c(1958, 12)), h = 24), x = AP
//     naive(window(Nile, end = 1950), h = 20), x = Nile
//     naive(window(discoveries, end = 1956), h = 3); meanf(window(discoveries, end = 1949), h = 10)
//     snaive(tr, h = 24) with APn <- AP; APn[c(50, 125, 134, 140)] <- NA; tr <- window(APn, end =
//       c(1958, 12)), x = APn
//   e <- x - f$mean over the test window; sMAPE: mean(200 * abs(e) / (abs(x) + abs(f$mean)),
//   na.rm = TRUE); RMSSE: sqrt(mean(e^2, na.rm = TRUE) / mean(diff(tr, m)^2, na.rm = TRUE)).
TEST(ScoreForecasts, AgreesWithRsAccuracyOnPublicSeries) {
  std::vector<double> ap = testing::Airline();
  std::vector<double> apn = ap;
  for (int i : {49, 124, 133, 139}) apn[i] = NAN;
  const std::vector<double> nile = testing::LoadDataset("nile");
  struct Case {
    std::string name;
    const std::vector<double>& x;
    int train, h, lag;
    Method method;
    int n, n_percent;
    double expected[9];  // ME, RMSE, MAE, MPE, MAPE, MASE, ACF1, sMAPE, RMSSE
  };
  // clang-format off
  const Case cases[] = {
      {"snaive AirPassengers", ap, 120, 24, 12, Method::kSnaive, 24, 24,
       {71.25, 76.99458855443457139, 71.25, 15.52335516242037627, 15.52335516242037627,
        2.49351911860012976, 0.72846282750691105, 17.012625361650954, 2.3686178859489013}},
      {"naive AirPassengers", ap, 120, 24, 12, Method::kNaive, 24, 24,
       {115.25, 137.32898455897793610, 115.25, 23.57746741367814991, 23.57746741367814991,
        4.03337653920933281, 0.72824322607880276, 27.751037418812395, 4.2247110503827852}},
      {"meanf AirPassengers", ap, 120, 24, 12, Method::kMeanf, 24, 24,
       {206.34166666666666856, 219.43921915368224518, 206.34166666666666856, 44.23460647651405964,
        44.23460647651405964, 7.22128969539857479, 0.72824322607880299, 57.583350643392272,
        6.7507037718449636}},
      {"naive Nile", nile, 80, 20, 1, Method::kNaive, 20, 20,
       {-12.94999999999999929, 123.06238255454020702, 101.95000000000000284, -3.40772468242302873,
        11.96264826803401959, 0.76038991691842894, 0.19228751795086321, 11.615098384229992,
        0.72075388618177771}},
      // Zero actuals with a zero forecast: 0/0 percentage terms are left out.
      {"naive discoveries", kDiscoveries, 97, 3, 1, Method::kNaive, 3, 1,
       {0.66666666666666663, 1.15470053837925146, 0.66666666666666663, 100, 100,
        0.32820512820512820, -0.66666666666666674, 200, 0.42489524138251572}},
      // Zero actuals with non-zero forecasts: infinite percentage errors.
      {"meanf discoveries", kDiscoveries, 90, 10, 1, Method::kMeanf, 10, 10,
       {-2.11111111111111072, 2.41180225629233291, 2.24888888888888872, -INFINITY, INFINITY,
        1.07608124253285520, -0.10588235294117644, 114.64557340583518, 0.86744606509808353}},
      {"snaive AirPassengers with gaps", apn, 120, 24, 12, Method::kSnaive, 21, 21,
       {70.42857142857143060, 76.68643637443015848, 70.42857142857143060, 15.41201675874529009,
        15.41201675874529009, 2.43808901744891271, 0.68288480674686436, 16.903305708842694,
        2.3404759050303285}},
  };
  // clang-format on
  constexpr double Accuracy::*kFields[9] = {&Accuracy::me,   &Accuracy::rmse,  &Accuracy::mae,
                                            &Accuracy::mpe,  &Accuracy::mape,  &Accuracy::mase,
                                            &Accuracy::acf1, &Accuracy::smape, &Accuracy::rmsse};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> train(c.x.begin(), c.x.begin() + c.train);
    const std::vector<double> test(c.x.begin() + c.train, c.x.begin() + c.train + c.h);
    const std::vector<double> f = Forecast(c.method, train, c.h);
    const auto r = ScoreForecasts(test, f, train, c.lag);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.n, c.n);
    EXPECT_EQ(r.value.n_percent, c.n_percent);
    for (int i = 0; i < 9; ++i) ExpectClose(r.value.*kFields[i], c.expected[i], i);
    const Score mape = Compute(Measure::kMape, test, f, train, c.lag);
    EXPECT_EQ(mape.value, r.value.mape);
    EXPECT_EQ(mape.n, c.n_percent);
  }
}

// R 4.2.2, forecast 8.20: f <- snaive(tr, h = 24, level = c(80, 95)) with tr as above;
// y <- window(AP, start = 1959); a <- 1 - level / 100; for each level
//   is <- (hi - lo) + 2/a * (lo - y) * (y < lo) + 2/a * (y - hi) * (y > hi)
//   mean(y >= lo & y <= hi); mean(is); mean(is) / mean(abs(diff(tr, 12)))
//   mean(pmax(tau * (y - q), (tau - 1) * (y - q))) for q = lower 95% (tau 0.025), upper 80%
//   (tau 0.9). The limits are f -+ z sqrt(k) sigma, k = 1 + (h - 1) %/% 12, sigma =
//   sqrt(f$model$sigma2) = 32.506124779003542.
TEST(ScoreIntervals, AgreesWithTheIntervalScoreAndMsisOfSeasonalNaiveLimits) {
  const std::vector<double> ap = testing::Airline();
  const std::vector<double> train(ap.begin(), ap.begin() + 120), test(ap.begin() + 120, ap.end());
  const std::vector<double> f = Forecast(Method::kSnaive, train, 24);
  // level, coverage, interval score, MSIS, tau, pinball loss (of the upper limit at 80%, of the
  // lower one at 95%)
  const double cases[2][6] = {
      {80, 0.16666666666666666, 329.33232695966046, 11.525564261712033, 0.9, 20.779634059352937},
      {95, 0.625, 384.61716550257461, 13.460354463473124, 0.025, 3.7038944891978698}};
  for (const auto& c : cases) {
    std::vector<double> lower(24), upper(24);
    for (int h = 0; h < 24; ++h) {
      const double half =
          numerics::NormalQuantile(0.5 + c[0] / 200) * std::sqrt(1.0 + h / 12) * 32.506124779003542;
      lower[h] = f[h] - half;
      upper[h] = f[h] + half;
    }
    const auto r = ScoreIntervals(test, lower, upper, c[0], train, 12);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.n, 24);
    EXPECT_NEAR(r.value.coverage, c[1], kClosedForm);
    EXPECT_NEAR(r.value.interval_score, c[2], kClosedForm * c[2]);
    EXPECT_NEAR(r.value.msis, c[3], kClosedForm * c[3]);
    EXPECT_NEAR(PinballLoss(test, c[0] == 80 ? upper : lower, c[4]).value, c[5],
                kClosedForm * c[5]);
  }
}

TEST(Accuracy, FollowsItsRulesForGapsZerosAndInvalidArguments) {
  const std::vector<double> y = {4, NAN, 0, 2, 5}, f = {3, 1, 0, NAN, 7}, flat = {2, 2, 2, 2};
  // Pinball loss at the median is half the MAE, over the same pairs.
  EXPECT_EQ(PinballLoss(y, f, 0.5).value, Compute(Measure::kMae, y, f).value / 2);
  EXPECT_EQ(PinballLoss(y, f, 0.5).n, 3);
  // A constant training series: MASE infinite, or NaN when every error is 0 too.
  EXPECT_EQ(Compute(Measure::kMase, y, f, flat).value, INFINITY);
  EXPECT_TRUE(std::isnan(Compute(Measure::kMase, {{0.0, 1.0}}, {{0.0, 1.0}}, flat).value));
  EXPECT_TRUE(std::isnan(ScoreForecasts(y, f).value.mase));  // no training data, no scale
  EXPECT_FALSE(ScoreForecasts(y, flat).ok());
  EXPECT_FALSE(ScoreForecasts(y, f, flat, 0).ok());
  EXPECT_FALSE(ScoreIntervals(y, f, y, 100.0).ok());
  EXPECT_EQ(Coverage(y, f, flat).n, 0);  // invalid: lengths differ
  EXPECT_EQ(Coverage(y, y, y).value, 1.0);
  EXPECT_EQ(SeasonalNaiveScale({{1, 5, 2}}, 3).n, 0);
}

}  // namespace
}  // namespace vordex::evaluate
