#include "armax/armax.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "armax/model.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using testing::kClosedForm;
using testing::kPeerCoefficient;
using testing::kPeerLogLik;
using vordex::testing::Airline;

std::vector<double> Series(int N) {
  std::vector<double> x(N);
  for (int t = 1; t <= N; ++t) x[t - 1] = 10.0 + std::sin(0.9 * t) + 0.3 * std::cos(2.1 * t);
  return x;
}

// One Armaxmain request packed into cells: the settings N, s, h, p, d, q, P, D, Q, constant,
// transform (1 log, 2 square root) in the order of the export's options.
struct Outcome {
  int status = -1;
  std::vector<double> cells;
};

Outcome Request(std::vector<int> opts, const std::vector<double>& obs, double critical = 1.96,
                int capacity = -1) {
  std::vector<double> x(obs.size() + 1);
  x[0] = critical;
  std::copy(obs.begin(), obs.end(), x.begin() + 1);
  const int N = static_cast<int>(obs.size());
  if (capacity < 0) capacity = 2 * N + 3 * opts[2] + opts[3] + opts[5] + opts[6] + opts[8] + 12;
  armax::Request request{.period = opts[1],
                         .horizon = opts[2],
                         .p = opts[3],
                         .d = opts[4],
                         .q = opts[5],
                         .P = opts[6],
                         .D = opts[7],
                         .Q = opts[8],
                         .constant = opts[9] != 0,
                         .transform = opts[10] == 1   ? Transform::kLog
                                      : opts[10] == 2 ? Transform::kSquareRoot
                                                      : Transform::kNone,
                         .critical = critical,
                         .bands = {}};
  Outcome run;
  ArmaxResult result;
  run.status = Armaxmain(x.data(), N, request, result);
  if (run.status != kArmaxOk) return run;
  std::vector<double> out(capacity, -1.0);
  int nout = capacity;
  int pack = kPackOk;
  ArmaxPackResult(result, out.data(), nout, pack);
  if (pack > 0) run.status = kArmaxPackBase + pack;
  run.cells.assign(out.begin(), out.begin() + nout);
  return run;
}

TEST(ArmaxPack, WholeBlocksInOrderAndPartialResults) {
  const double series[] = {1, 2, 3};
  const double resid[] = {4, 5, 6};
  const double f[] = {7};
  const double limits[] = {8, 9};
  const double par[] = {10, 11};
  const double b[] = {12};
  const double stats[] = {100, 14, 13, 15};  // objective, log-likelihood, sum of squares, sigma2
  std::vector<double> out(20, 0.0);
  int status = -1;

  int nout = 20;
  Armax_pack(out.data(), nout, 3, 1, 2, 1, series, resid, f, limits, par, b, stats, status);
  EXPECT_EQ(status, kPackOk);
  ASSERT_EQ(nout, 15);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], i + 1.0);

  nout = 2;
  Armax_pack(out.data(), nout, 3, 1, 2, 1, series, resid, f, limits, par, b, stats, status);
  EXPECT_EQ(status, kPackNoRoom);
  EXPECT_EQ(nout, 0);

  nout = 3;  // exactly n: the residual block does not fit
  Armax_pack(out.data(), nout, 3, 1, 2, 1, series, resid, f, limits, par, b, stats, status);
  EXPECT_EQ(status, kPackPartial);
  EXPECT_EQ(nout, 3);

  nout = 8;  // the limits do not fit, and nothing after them is tried
  Armax_pack(out.data(), nout, 3, 1, 2, 1, series, resid, f, limits, par, b, stats, status);
  EXPECT_EQ(status, kPackPartial);
  EXPECT_EQ(nout, 7);

  // Empty blocks are skipped: no forecasts, no coefficients, no constant.
  std::fill(out.begin(), out.end(), 0.0);
  nout = 9;
  Armax_pack(out.data(), nout, 3, 0, 0, 0, series, resid, f, limits, par, b, stats, status);
  EXPECT_EQ(status, kPackOk);
  EXPECT_EQ(std::vector<double>(out.begin(), out.begin() + 9),
            (std::vector<double>{1, 2, 3, 4, 5, 6, 13, 14, 15}));
}

TEST(Armaxmain, AirlineModelAgreesWithAPeerEstimate) {
  // log(airline) ARIMA(0,1,1)(0,1,1)12 without constant; R 4.2 forecast::Arima(method = "ML")
  // gives ma1 = -0.4018, sma1 = -0.5569 (R's sign convention) and log-likelihood 244.70.
  const std::vector<double> x = Airline();
  ASSERT_EQ(x.size(), 144u);
  const int h = 24;
  const Outcome run = Request({144, 12, h, 0, 1, 1, 0, 1, 1, 0, 1}, x);
  ASSERT_EQ(run.status, kArmaxOk);
  const int n = 144 - 1 - 12;
  ASSERT_EQ(run.cells.size(), static_cast<std::size_t>(2 * n + 3 * h + 2 + 3));
  const double* coef = run.cells.data() + 2 * n + 3 * h;
  EXPECT_NEAR(coef[0], 0.4018, kPeerCoefficient);
  EXPECT_NEAR(coef[1], 0.5569, kPeerCoefficient);
  EXPECT_NEAR(coef[3], 244.70, kPeerLogLik);

  // The modelled series is the seasonal and regular difference of the logs.
  EXPECT_NEAR(run.cells[0], std::log(x[13]) - std::log(x[12]) - std::log(x[1]) + std::log(x[0]),
              kClosedForm);
  // Forecasts lie between their limits, which widen with the lead time.
  const double* f = run.cells.data() + 2 * n;
  for (int j = 0; j < h; ++j) {
    EXPECT_LT(f[h + j], f[j]);
    EXPECT_GT(f[2 * h + j], f[j]);
  }
  EXPECT_GT(f[3 * h - 1] / f[h - 1], f[2 * h] / f[0]);
}

TEST(Armaxmain, RequestsTheEngineCannotTakeGetTheirStatus) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    std::vector<int> opts;
    int at;  // the observation replaced by `value` (-1: none)
    double value, critical;
    int status;
  } cases[] = {
      {{20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 1}, 5, 0.0, 1.96, kArmaxTransform},
      {{20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 0}, 7, nan, 1.96, kArmaxNonFinite},
      {{20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 0}, 7, INFINITY, 1.96, kArmaxNonFinite},
      {{20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 0}, -1, 0.0, nan, kArmaxCriticalValue},
      {{20, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}, -1, 0.0, nan, kArmaxOk},  // no forecasts: not used
      // Differencing must leave two values.
      {{8, 4, 0, 0, 1, 0, 0, 1, 0, 0, 0}, -1, 0.0, 1.96, kArmaxOk},  // n = 3
      {{8, 4, 0, 0, 2, 0, 0, 1, 0, 0, 0}, -1, 0.0, 1.96, kArmaxOk},  // n = 2
      {{8, 4, 0, 0, 3, 0, 0, 1, 0, 0, 0}, -1, 0.0, 1.96, kArmaxTooShort},
      {{8, 4, 0, 0, 0, 0, 0, 2, 0, 0, 0}, -1, 0.0, 1.96, kArmaxTooShort},
      {{300, 1, 0, 101, 0, 0, 0, 0, 0, 0, 0}, -1, 0.0, 1.96, kArmaxOrders},
      {{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, -1, 0.0, 1.96, kArmaxOrders},
      {{20, 1, -1, 0, 0, 0, 0, 0, 0, 0, 0}, -1, 0.0, 1.96, kArmaxOrders},
  };
  for (const auto& c : cases) {
    std::vector<double> x = Series(c.opts[0]);
    if (c.at >= 0) x[c.at] = c.value;
    EXPECT_EQ(Request(c.opts, x, c.critical).status, c.status) << c.opts[0] << " " << c.at;
  }
}

TEST(Armaxmain, NonSeasonalFrequencyDropsSeasonalOrdersSilently) {
  testing::MessageCapture capture;
  const int N = 40, h = 2;
  const Outcome run = Request({N, 1, h, 1, 0, 0, 1, 0, 1, 0, 0}, Series(N));
  ASSERT_EQ(run.status, kArmaxOk);
  EXPECT_EQ(run.cells.size(), static_cast<std::size_t>(2 * N + 3 * h + 1 + 3));
  EXPECT_EQ(capture.size(), 0u);
}

TEST(Armaxmain, TooLargeAutoregressiveOrderIsReducedWithBox) {
  testing::MessageCapture capture;
  const int N = 60, h = 0;
  const Outcome run = Request({N, 4, h, 5, 0, 0, 1, 0, 0, 0, 0}, Series(N));
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Armax warning", "NAR too large: reduced to < seasonal frequency",
                                platform::kStyleStop}}));
  ASSERT_EQ(run.status, kArmaxOk);
  EXPECT_EQ(run.cells.size(), static_cast<std::size_t>(2 * N + 3 + 1 + 3));
}

TEST(Armaxmain, ConstantOnlyModelPacksMeanAndCenteredResiduals) {
  const std::vector<double> x = {3.0, 5.0, 4.0, 8.0, 10.0};
  const Outcome run = Request({5, 1, 1, 0, 0, 0, 0, 0, 0, 5, 0}, x);  // constant flag 5 acts as 1
  ASSERT_EQ(run.status, kArmaxOk);
  ASSERT_EQ(run.cells.size(), static_cast<std::size_t>(2 * 5 + 3 + 1 + 3));
  EXPECT_EQ(std::vector<double>(run.cells.begin(), run.cells.begin() + 5), x);
  EXPECT_EQ(std::vector<double>(run.cells.begin() + 5, run.cells.begin() + 10),
            (std::vector<double>{-3.0, -1.0, -2.0, 2.0, 4.0}));
  EXPECT_EQ(run.cells[10], 6.0);                  // forecast = mean
  EXPECT_EQ(run.cells[13], 6.0);                  // the constant
  EXPECT_NEAR(run.cells[14], 34.0, kClosedForm);  // sum of squares
  EXPECT_NEAR(run.cells[16], 34.0 / 5.0, kClosedForm);
}

TEST(Armaxmain, CapacityOfExactlyNGivesOnlyTheSeries) {
  const Outcome run = Request({20, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Series(20), 1.96, 20);
  EXPECT_EQ(run.status, int{kArmaxPackBase} + kPackPartial);
  EXPECT_EQ(Request({20, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Series(20), 1.96, 19).status,
            int{kArmaxPackBase} + kPackNoRoom);
}

}  // namespace
}  // namespace vordex::armax
