#include "arima/driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arima/state.h"
#include "arima/state_fixture.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using testing::ArimaState;
using testing::Prepare;
using vordex::testing::kClosedForm;
using vordex::testing::MessageCapture;

// Peer: R 4.2.1, forecast 8.20, Arima(log(AirPassengers), order = c(0,1,1),
// seasonal = c(0,1,1), method = "ML"): ma1 = -0.4018, sma1 = -0.5569 (R's MA sign), log
// likelihood 244.70. Printed to 4 and 2 decimals, hence the tolerances.
using vordex::testing::kPeerCoefficient;
using vordex::testing::kPeerLogLik;

TEST(Arimamain, AirlineModelMatchesThePeerAndScalesBack) {
  MessageCapture capture;
  const auto y = testing::Airline();
  Prepare(y, 12, 24, 0, 1, 1, 0, 1, 1, 0, Transform::kLog);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  const auto& st = ArimaState();
  EXPECT_NEAR(st.theta[1], 0.4018, kPeerCoefficient);
  EXPECT_NEAR(st.Theta[1], 0.5569, kPeerCoefficient);
  EXPECT_NEAR(st.loglik, 244.70, kPeerLogLik);
  EXPECT_DOUBLE_EQ(st.aic, -2.0 * st.loglik + 4.0);
  EXPECT_EQ(st.c, 0.0);
  EXPECT_EQ(capture.size(), 0u);
  // The working series is back on the log scale: the differenced logarithms themselves, after
  // the 13 values lost to differencing.
  EXPECT_EQ(st.nd, 13);
  for (int t = 1; t <= st.N; ++t) {
    EXPECT_EQ(IsMissing(st.w[t]) + IsMissing(st.fitted[t]) + IsMissing(st.e[t]), t <= 13 ? 3 : 0);
    if (t <= 13) continue;
    const double expected =
        std::log(y[t - 1]) - std::log(y[t - 2]) - std::log(y[t - 13]) + std::log(y[t - 14]);
    EXPECT_NEAR(st.w[t], expected, kClosedForm);
    EXPECT_EQ(st.fitted[t], st.w[t] - st.e[t]);
  }
  // The forecasts are on the scale of the data and inside their limits.
  for (int k = 1; k <= 24; ++k) {
    EXPECT_LT(st.L[k], st.F[k]);
    EXPECT_LT(st.F[k], st.U[k]);
  }
  EXPECT_GT(st.F[1], 400.0);
  EXPECT_LT(st.F[1], 500.0);
}

TEST(Arimamain, LikelihoodIsInvariantToTheScaleOfTheData) {
  // The scale lambda is taken out before estimation and put back into the log-likelihood, so
  // multiplying the data by 10 shifts the log-likelihood by exactly -m ln 10.
  auto y = testing::SimulateArma11(120, 0.5, 0.2, 31u);
  Prepare(y, 1, 0, 1, 0, 1, 0, 0, 0, 1);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  const double loglik = ArimaState().loglik, phi = ArimaState().phi[1], c = ArimaState().c;
  for (double& v : y) v *= 10.0;
  Prepare(y, 1, 0, 1, 0, 1, 0, 0, 0, 1);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  EXPECT_NEAR(ArimaState().loglik, loglik - 120.0 * std::log(10.0), 1e-6);
  EXPECT_NEAR(ArimaState().phi[1], phi, 1e-6);
  EXPECT_NEAR(ArimaState().c, 10.0 * c, 1e-6);
}

TEST(Arimamain, MeanFlagGivesTheConstantOfTheModel) {
  auto y = testing::SimulateArma11(200, 0.5, 0.0, 41u);
  for (double& v : y) v += 3.0;
  Prepare(y, 1, 0, 1, 0, 0, 0, 0, 0, 1);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  const auto& st = ArimaState();
  double mean = 0.0;
  for (double v : y) mean += v / 200.0;
  EXPECT_NEAR(st.c, mean * (1.0 - st.phi[1]), 1e-9);
  EXPECT_DOUBLE_EQ(st.aic, -2.0 * st.loglik + 2.0 * 2);
}

TEST(Arimamain, Arima212OnALongIntegratedSeriesIsEstimated) {
  // Differences of size 1 on a level near 100 are about 0.01 after scaling; the starting-value
  // systems must not be mistaken for singular ones.
  const auto w = testing::SimulateArma11(400, 0.5, 0.4, 51u);
  std::vector<double> y;
  double level = 100.0;
  for (double v : w) y.push_back(level += v);
  MessageCapture capture;
  Prepare(y, 1, 5, 2, 1, 2, 0, 0, 0);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  EXPECT_EQ(capture.size(), 0u);
  // An ARMA(1,1) written as ARMA(2,2) is not identified coefficient by coefficient; its fit must
  // be at least as good as the ARMA(1,1) fit, which is nested in it.
  const double loglik22 = ArimaState().loglik;
  Prepare(y, 1, 5, 1, 1, 1, 0, 0, 0);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  EXPECT_GE(loglik22, ArimaState().loglik - 1e-6);
}

TEST(Arimamain, RefusesUnusableRequests) {
  MessageCapture capture;
  Prepare({1.0, 2.0, 3.0, 4.0}, 1, 0, 2, 1, 1, 0, 0, 0);
  EXPECT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 0);
  Prepare({5.0, 5.0, 5.0, 5.0, 5.0, 5.0}, 1, 0, 1, 1, 0, 0, 0, 0);
  EXPECT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 0);
  Prepare({1.0, 2.0, 1.0, 3.0, 2.0}, 1, 0, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(Arimamain(ArimaState(), kThoroughMaximumLikelihood + 1, 1), 0);
  EXPECT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 0), 0);
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{
                "Too few observations after differencing to estimate the model",
                "The differenced series is identically zero: no model can be estimated",
                "Unknown estimation method", "Settings have not been validated"}));
  for (const auto& m : capture.messages()) EXPECT_EQ(m.title, "Error in Arimalib");
}

TEST(Arimamain, RepeatedRequestsGiveIdenticalResults) {
  const auto y = testing::Airline();
  Prepare(y, 12, 6, 1, 1, 0, 0, 1, 1, 0, Transform::kSquareRoot);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  const ArimaStateRecord first = ArimaState();
  // A different request in between must leave nothing behind.
  Prepare({1.0, 3.0, 2.0, 5.0, 4.0, 6.0, 5.0}, 1, 2, 0, 1, 1, 0, 0, 0, 1);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  Prepare(y, 12, 6, 1, 1, 0, 0, 1, 1, 0, Transform::kSquareRoot);
  ASSERT_EQ(Arimamain(ArimaState(), kExactMaximumLikelihood, 1), 1);
  EXPECT_EQ(ArimaState().loglik, first.loglik);
  EXPECT_EQ(ArimaState().F[6], first.F[6]);
  EXPECT_EQ(ArimaState().Theta[1], first.Theta[1]);
}

}  // namespace
}  // namespace vordex::arima
