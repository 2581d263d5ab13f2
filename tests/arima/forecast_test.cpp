#include "arima/forecast.h"

#include <gtest/gtest.h>

#include <cmath>
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

// y already transformed and scaled (lambda = 1), sigma2 given, residuals 0.
void Ready(const std::vector<double>& y, int s, int h, int d, int D, double sigma2,
           double critical = 0.0, Transform transform = Transform::kNone) {
  Prepare(y, s, h, 0, d, 0, 0, D, 0, 0, transform, critical);
  ArimaState().lambda = 1.0;
  ArimaState().sigma2 = sigma2;
  ArimaState().nd = d + D * s;
  ArimaState().phistar[0] = ArimaState().thetastar[0] = 1.0;
}

TEST(Arimaforecast, RandomWalkRepeatsTheLastValueWithSqrtKErrors) {
  Ready({0.3, 0.1, 0.4, 0.2}, 1, 5, 1, 0, 0.04);
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  const auto& st = ArimaState();
  EXPECT_EQ(st.r, 1);
  EXPECT_EQ(st.A[1], 1.0);
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(st.psi[k - 1], 1.0);
    EXPECT_NEAR(st.F[k], 0.2, kClosedForm);
    EXPECT_NEAR(st.U[k] - st.F[k], 1.96 * 0.2 * std::sqrt(k), kClosedForm);
    EXPECT_NEAR(st.F[k] - st.L[k], 1.96 * 0.2 * std::sqrt(k), kClosedForm);
  }
}

TEST(Arimaforecast, SeasonalNaiveRepeatsTheLastSeason) {
  const std::vector<double> y = {0.1, 0.5, 0.3, 0.9, 0.2, 0.6, 0.4, 1.0};
  Ready(y, 4, 9, 0, 1, 0.01);
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  const auto& st = ArimaState();
  EXPECT_EQ(st.r, 4);
  EXPECT_EQ(st.A[4], 1.0);
  EXPECT_EQ(st.A[1], 0.0);
  for (int k = 1; k <= 9; ++k) EXPECT_NEAR(st.F[k], y[4 + (k - 1) % 4], kClosedForm) << k;
  // The variance grows only at k = 1, 5, 9: one new innovation per season.
  auto half = [&](int k) { return st.U[k] - st.F[k]; };
  EXPECT_NEAR(half(4), half(1), kClosedForm);
  EXPECT_NEAR(half(5), 1.96 * 0.1 * std::sqrt(2.0), kClosedForm);
  EXPECT_NEAR(half(8), half(5), kClosedForm);
  EXPECT_NEAR(half(9), 1.96 * 0.1 * std::sqrt(3.0), kClosedForm);
}

TEST(Arimapsi, WeightsOfAnArima011AreOneMinusTheta) {
  // (1 - B) y = (1 - 0.4 B) e: psi_j = 1 - 0.4 for j >= 1, so the k-step variance is
  // sigma2 (1 + (k - 1) 0.36).
  Ready({0.1, 0.2, 0.3}, 1, 6, 1, 0, 0.25);
  ArimaState().q = ArimaState().qq = 1;
  ArimaState().thetastar[1] = 0.4;
  ArimaState().e[2] = 0.05;
  ArimaState().e[3] = -0.1;
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  const auto& st = ArimaState();
  for (int j = 1; j <= 6; ++j) EXPECT_NEAR(st.psi[j], 0.6, kClosedForm);
  for (int k = 1; k <= 6; ++k)
    EXPECT_NEAR(st.U[k] - st.F[k], 1.96 * 0.5 * std::sqrt(1.0 + (k - 1) * 0.36), kClosedForm);
  // F(1) = y(N) - 0.4 e(N); later forecasts stay there.
  EXPECT_NEAR(st.F[1], 0.3 + 0.4 * 0.1, kClosedForm);
  EXPECT_NEAR(st.F[4], st.F[1], kClosedForm);
}

TEST(Arimapsi, ArOneWeightsArePowers) {
  Ready({0.1, 0.2, 0.3}, 1, 5, 0, 0, 1.0);
  ArimaState().p = ArimaState().pp = 1;
  ArimaState().phistar[1] = 0.5;
  Arimaoperator(ArimaState());
  Arimapsi(ArimaState());
  for (int j = 0; j <= 5; ++j) EXPECT_NEAR(ArimaState().psi[j], std::pow(0.5, j), kClosedForm);
}

TEST(Arimaoperator, MultipliesInBothDifferences) {
  // (1 - 0.5 B)(1 - B)(1 - B^4) = 1 - 1.5B + 0.5B^2 - B^4 + 1.5B^5 - 0.5B^6.
  Ready({}, 4, 0, 1, 1, 1.0);
  ArimaState().p = ArimaState().pp = 1;
  ArimaState().phistar[1] = 0.5;
  Arimaoperator(ArimaState());
  const double expected[] = {1.0, 1.5, -0.5, 0.0, 1.0, -1.5, 0.5};
  EXPECT_EQ(ArimaState().r, 6);
  for (int i = 1; i <= 6; ++i) EXPECT_NEAR(ArimaState().A[i], expected[i], kClosedForm) << i;
  EXPECT_EQ(ArimaState().A[7], 0.0);
}

TEST(Arimaforecast, UndoesTheLogAndSquareRootTransforms) {
  Ready({0.5, 0.7}, 1, 2, 1, 0, 0.01, 0.0, Transform::kLog);
  ArimaState().lambda = 2.0;
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().F[1], std::exp(2.0 * 0.7), 1e-12);
  EXPECT_NEAR(ArimaState().L[1], std::exp(2.0 * (0.7 - 1.96 * 0.1)), 1e-12);
  EXPECT_NEAR(ArimaState().U[2], std::exp(2.0 * (0.7 + 1.96 * 0.1 * std::sqrt(2.0))), 1e-12);
  // Square root: a negative lower limit on the root scale becomes 0.
  Ready({0.5, 0.1}, 1, 1, 1, 0, 0.01, 0.0, Transform::kSquareRoot);
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().F[1], 0.01, kClosedForm);
  EXPECT_EQ(ArimaState().L[1], 0.0);
  EXPECT_NEAR(ArimaState().U[1], (0.1 + 0.196) * (0.1 + 0.196), kClosedForm);
}

TEST(Arimaforecast, CriticalValueChoosesTheWidth) {
  Ready({0.5, 0.7}, 1, 1, 1, 0, 0.01, 3.0);
  ASSERT_EQ(Arimaforecast(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().U[1] - ArimaState().F[1], 0.3, kClosedForm);
  for (double critical : {0.0, -2.0, std::nan("")}) {
    Ready({0.5, 0.7}, 1, 1, 1, 0, 0.01, critical);
    ASSERT_EQ(Arimaforecast(ArimaState()), 0);
    EXPECT_NEAR(ArimaState().U[1] - ArimaState().F[1], 0.196, kClosedForm);
  }
  MessageCapture capture;
  Ready({0.5, 0.7}, 1, 1, 1, 0, 0.01, 0.0);
  ArimaState().confidence = 90.0;
  EXPECT_EQ(Arimaforecast(ArimaState()), -1);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text,
            "Critical value not supplied for nonstandard confidence level");
}

TEST(Arimaforecast, RefusesAReachBeforeTheFirstObservation) {
  MessageCapture capture;
  // (1 - B^4)^2 reaches back 8 values; only 6 are there.
  Ready({0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, 4, 2, 0, 2, 0.01);
  EXPECT_EQ(Arimaforecast(ArimaState()), -1);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Error in Arimalib");
  EXPECT_EQ(capture.messages()[0].text, "Too few observations to forecast with this model");
}

TEST(Arimapoint, ResidualsBeforeTheWorkingSeriesCountAsZero) {
  // MA(3) on one difference with N = 3: the forecast for time 4 reaches e(3), e(2) and e(1), and
  // e(1) was lost to differencing.
  Ready({0.2, 0.4, 0.3}, 1, 1, 1, 0, 0.01);
  ArimaState().q = ArimaState().qq = 3;
  ArimaState().thetastar[1] = 0.1;
  ArimaState().thetastar[2] = 0.2;
  ArimaState().thetastar[3] = 0.3;
  ArimaState().e[1] = kMissing;
  ArimaState().e[2] = 0.05;
  ArimaState().e[3] = -0.05;
  Arimaoperator(ArimaState());
  // y(3) - 0.1 e(3) - 0.2 e(2); e(1) is the marker and counts as 0.
  EXPECT_NEAR(Arimapoint(ArimaState(), 4), 0.3 + 0.005 - 0.01, kClosedForm);
}

}  // namespace
}  // namespace vordex::arima
