#include "arima/polynomials.h"

#include <gtest/gtest.h>

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
using vordex::testing::kRecursion;
using vordex::testing::MessageCapture;

// Loads w[1..n] = x with nd = 0 (no differencing).
void LoadWorking(const std::vector<double>& x) {
  for (std::size_t t = 0; t < x.size(); ++t) ArimaState().w[t + 1] = x[t];
  ArimaState().nd = 0;
}

// Autocovariance at lag k about 0 with divisor n.
double Acov(const std::vector<double>& x, int k) {
  double sum = 0.0;
  for (std::size_t t = 0; t + k < x.size(); ++t) sum += x[t] * x[t + k];
  return sum / x.size();
}

TEST(Arimaexpand, MultipliesTheFactorsAndArimafactorsReadsThemBack) {
  Prepare({}, 12, 0, 1, 0, 1, 1, 0, 1);
  ArimaState().phi[1] = 0.5;
  ArimaState().Phi[1] = 0.3;
  ArimaState().theta[1] = -0.4;
  ArimaState().Theta[1] = 0.6;
  Arimaexpand(ArimaState());
  const auto& st = ArimaState();
  EXPECT_EQ(st.phistar[0], 1.0);
  EXPECT_EQ(st.phistar[1], 0.5);
  EXPECT_EQ(st.phistar[12], 0.3);
  EXPECT_EQ(st.phistar[13], -0.5 * 0.3);
  EXPECT_EQ(st.thetastar[13], 0.4 * 0.6);
  for (int i : {2, 11, 14, 84}) EXPECT_EQ(st.phistar[i], 0.0) << i;
  ArimaState().phi[1] = ArimaState().Phi[1] = ArimaState().theta[1] = ArimaState().Theta[1] = 0.0;
  Arimafactors(ArimaState());
  EXPECT_EQ(st.phi[1], 0.5);
  EXPECT_EQ(st.Phi[1], 0.3);
  EXPECT_EQ(st.theta[1], -0.4);
  EXPECT_EQ(st.Theta[1], 0.6);
  EXPECT_EQ(st.phi[0], 1.0);
}

TEST(Arimaexpand, IgnoresSeasonalFactorsForNonSeasonalData) {
  Prepare({}, 1, 0, 1, 0, 0, 0, 0, 0);
  ArimaState().phi[1] = 0.5;
  ArimaState().Phi[1] = 0.3;
  Arimaexpand(ArimaState());
  EXPECT_EQ(ArimaState().phistar[1], 0.5);
  EXPECT_EQ(ArimaState().phistar[2], 0.0);
}

TEST(Arimaresid, ConditionalResidualsWithZeroPresample) {
  Prepare({0, 0, 0, 0, 0, 0}, 1, 0, 2, 1, 0, 0, 0, 0);
  const double w[] = {kMissing, 1.0, -2.0, 0.5, 3.0, -1.0};
  for (int t = 1; t <= 6; ++t) ArimaState().w[t] = w[t - 1];
  ArimaState().nd = 1;
  ArimaState().phistar[1] = 0.4;
  ArimaState().phistar[2] = -0.2;
  EXPECT_EQ(Arimaresid(ArimaState()), 5);
  const auto& e = ArimaState().e;
  EXPECT_EQ(e[2], 1.0);  // no complete past: the residual is the working value
  EXPECT_EQ(e[3], -2.0);
  double S = 1.0 + 4.0;
  for (int t = 4; t <= 6; ++t) {
    EXPECT_NEAR(e[t], w[t - 1] - 0.4 * w[t - 2] + 0.2 * w[t - 3], kClosedForm);
    S += e[t] * e[t];
  }
  EXPECT_NEAR(ArimaState().sigma2, S / 5.0, kClosedForm);
}

TEST(Yulew, OrdersOneAndTwoSolveTheYuleWalkerEquations) {
  const auto x = testing::SimulateArma11(200, 0.6, 0.0, 11u);
  Prepare(x, 1, 0, 2, 0, 0, 0, 0, 0);
  LoadWorking(x);
  double out[3] = {0, 0, 0};
  ASSERT_EQ(Yulew(ArimaState(), 1, out), 0);
  const double g0 = Acov(x, 0), g1 = Acov(x, 1), g2 = Acov(x, 2);
  EXPECT_NEAR(out[1], g1 / g0, kRecursion);
  ASSERT_EQ(Yulew(ArimaState(), 2, out), 0);
  // Cramer's rule on [g0 g1; g1 g0] a = [g1; g2].
  const double det = g0 * g0 - g1 * g1;
  EXPECT_NEAR(out[1], (g1 * g0 - g1 * g2) / det, kRecursion);
  EXPECT_NEAR(out[2], (g0 * g2 - g1 * g1) / det, kRecursion);
  ASSERT_EQ(Yulew(ArimaState(), 0, out), 0);
  EXPECT_EQ(out[0], 1.0);
}

TEST(Hannan, StartsDoNotDependOnTheScaleOfTheSeries) {
  // A series of size 1e-4 makes the 2 x 2 autocovariance matrix's determinant about 1e-16, far
  // below the inversion's absolute threshold; autocorrelations keep it near 1 - rho1^2. The
  // pure autoregression goes through Yule-Walker alone.
  const auto x = testing::SimulateArma11(300, 0.5, -0.4, 23u);
  std::vector<double> small(x);
  for (double& v : small) v *= 1e-4;
  const std::vector<double>* series[] = {&x, &small};
  for (const int q : {0, 1}) {
    double start[2][2];
    for (int k = 0; k < 2; ++k) {
      MessageCapture capture;
      Prepare(*series[k], 1, 0, 2 - q, 0, q, 0, 0, 0);
      LoadWorking(*series[k]);
      ASSERT_EQ(Hannan(ArimaState()), 0);
      EXPECT_EQ(capture.size(), 0u);
      start[k][0] = ArimaState().phi[1];
      start[k][1] = q == 0 ? ArimaState().phi[2] : ArimaState().theta[1];
    }
    EXPECT_NE(start[0][0], 0.05);  // not the fallback
    EXPECT_NEAR(start[1][0], start[0][0], kRecursion);
    EXPECT_NEAR(start[1][1], start[0][1], kRecursion);
  }
}

TEST(Yulew, RejectsANegativeOrder) {
  MessageCapture capture;
  double out[1];
  EXPECT_EQ(Yulew(ArimaState(), -1, out), -1);
  EXPECT_EQ(capture.messages(),
            (vordex::testing::Messages{
                {"Error in Arimalib", "invaild AR order in yule-walker estimation", 0x30u}}));
}

TEST(Hannan, PureAutoregressionIsTheYuleWalkerFit) {
  const auto x = testing::SimulateArma11(150, 0.5, 0.0, 5u);
  Prepare(x, 1, 0, 1, 0, 0, 0, 0, 0);
  LoadWorking(x);
  ASSERT_EQ(Hannan(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().phi[1], Acov(x, 1) / Acov(x, 0), kRecursion);
}

TEST(Hannan, MovingAverageIsMinusTheRegressionOnTheLaggedResidual) {
  const auto x = testing::SimulateArma11(300, 0.0, 0.5, 17u);
  const int n = static_cast<int>(x.size());
  Prepare(x, 1, 0, 0, 0, 1, 0, 0, 0);
  LoadWorking(x);
  ASSERT_EQ(Hannan(ArimaState()), 0);
  // The same steps by hand: AR(1) by Yule-Walker, residuals e(1) = w(1), e(t) = w(t) - a w(t-1),
  // then w(t) on e(t-1) for t = 3..n.
  const double a = Acov(x, 1) / Acov(x, 0);
  std::vector<double> e(n);
  e[0] = x[0];
  for (int t = 1; t < n; ++t) e[t] = x[t] - a * x[t - 1];
  double sxy = 0.0, sxx = 0.0;
  for (int t = 2; t < n; ++t) {
    sxy += x[t] * e[t - 1];
    sxx += e[t - 1] * e[t - 1];
  }
  EXPECT_NEAR(ArimaState().theta[1], -sxy / sxx, kRecursion);
}

TEST(Hannan, TooShortForTheRegressionStartsFromTheFallbackValues) {
  // (0,0,1)(0,0,1)4 with 10 values: the regression would begin after nd + qq + m = 10 values.
  MessageCapture capture;
  const auto x = testing::SimulateArma11(10, 0.0, 0.5, 3u);
  Prepare(x, 4, 0, 0, 0, 1, 0, 0, 1);
  LoadWorking(x);
  ASSERT_EQ(Hannan(ArimaState()), 0);
  EXPECT_EQ(ArimaState().theta[1], 0.05);
  EXPECT_EQ(ArimaState().Theta[1], 0.05);
  EXPECT_EQ(capture.size(), 0u);
}

}  // namespace
}  // namespace vordex::arima
