#include "arima/estimate.h"

#include <gtest/gtest.h>

#include <vector>

#include "arima/polynomials.h"
#include "arima/state.h"
#include "arima/state_fixture.h"
#include "arma/likelihood.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using testing::ArimaState;
using testing::Prepare;
using vordex::testing::kOptimiser;
using vordex::testing::MessageCapture;

// Working series w[2..n+1] = x after one (pretended) difference: nd = 1, w[1] the marker.
void LoadDifferenced(const std::vector<double>& x) {
  Prepare(std::vector<double>(x.size() + 1, 0.0), 1, 0, 0, 1, 0, 0, 0, 0);
  ArimaState().w[1] = kMissing;
  for (std::size_t t = 0; t < x.size(); ++t) ArimaState().w[t + 2] = x[t];
  ArimaState().nd = 1;
}

TEST(Arimaadmissible, RejectsRootsInsideTheUnitCircle) {
  Prepare(std::vector<double>(3, 0.0), 1, 0, 1, 0, 0, 0, 0, 0);
  ArimaState().phi[1] = 1.2;  // root 1/1.2
  EXPECT_EQ(Arimaadmissible(ArimaState()), 0);
  ArimaState().phi[1] = 0.99995;  // root 1.00005: passes here ...
  EXPECT_EQ(Arimaadmissible(ArimaState()), 1);
  // ... but the likelihood kernel, with its margin, rejects it.
  const double par[] = {0.0, 0.99995};
  const double w[] = {0.0, 1.0, -1.0, 0.5};
  for (int t = 1; t <= 3; ++t) ArimaState().w[t] = w[t];
  EXPECT_EQ(Arimaobjective(ArimaState(), const_cast<double*>(par)), arma::kObjectiveRejected);
}

TEST(Arimaadmissible, TestsSeasonalFactorsAsPolynomialsOfDegreeSP) {
  Prepare({}, 4, 0, 0, 0, 1, 1, 0, 1);
  ArimaState().theta[1] = 0.5;
  ArimaState().Phi[1] = 0.9;  // 1 - 0.9 z^4: roots of modulus 0.9^-1/4 > 1
  ArimaState().Theta[1] = 0.3;
  EXPECT_EQ(Arimaadmissible(ArimaState()), 1);
  ArimaState().Phi[1] = -1.1;  // roots of modulus 1.1^-1/4 < 1
  EXPECT_EQ(Arimaadmissible(ArimaState()), 0);
  ArimaState().Phi[1] = 0.2;
  ArimaState().Theta[1] = 1.5;
  EXPECT_EQ(Arimaadmissible(ArimaState()), 0);
}

TEST(MaxLik, ReachesTheLikelihoodMaximumAndFillsTheResults) {
  const auto x = testing::SimulateArma11(200, 0.6, -0.3, 21u);
  LoadDifferenced(x);
  ArimaState().p = ArimaState().q = 1;
  ArimaState().pp = ArimaState().qq = 1;
  ArimaState().mean = 1;
  ArimaState().phi[1] = ArimaState().theta[1] = 0.05;
  ASSERT_EQ(MaxLik(ArimaState()), 0);
  const auto& st = ArimaState();
  const int m = 200;
  // The optimum: no neighbour along either axis has a larger likelihood.
  double best[] = {0.0, st.phi[1], st.theta[1]};
  const double f0 = Arimaobjective(ArimaState(), best);
  for (int i = 1; i <= 2; ++i) {
    for (double step : {-1e-3, 1e-3}) {
      double moved[] = {0.0, st.phi[1], st.theta[1]};
      moved[i] += step;
      EXPECT_GE(Arimaobjective(ArimaState(), moved), f0 - 1e-9);
    }
  }
  // The results are the kernel's at the optimum.
  std::vector<double> residuals(m);
  double sigma2 = 0.0;
  const double loglik = arma::ArmaLogLikelihood(m, 1, 1, 1, 0, 0, best + 1, st.w.data() + 2,
                                                residuals.data(), sigma2);
  EXPECT_EQ(st.loglik, loglik);
  EXPECT_EQ(st.sigma2, sigma2);
  EXPECT_TRUE(IsMissing(st.e[1]));
  EXPECT_EQ(st.e[2], residuals[0]);
  EXPECT_EQ(st.e[201], residuals[199]);
  // Mean flag 1 with p = q = 1: the penalty is 2 * 3.
  EXPECT_DOUBLE_EQ(st.aic, -2.0 * st.loglik + 6.0);
  EXPECT_EQ(st.phistar[1], st.phi[1]);
  // The data came from phi = 0.6, theta = -0.3; 200 values give standard errors near 0.1.
  EXPECT_NEAR(st.phi[1], 0.6, 0.3);
  EXPECT_NEAR(st.theta[1], -0.3, 0.3);
}

TEST(MaxLik, AStartRejectedByTheKernelIsReplacedByTheFallback) {
  MessageCapture capture;
  const auto x = testing::SimulateArma11(150, 0.5, 0.0, 8u);
  LoadDifferenced(x);
  ArimaState().p = ArimaState().pp = 1;
  ArimaState().phi[1] = 0.05;
  ASSERT_EQ(MaxLik(ArimaState()), 0);
  const double from_fallback = ArimaState().phi[1];
  LoadDifferenced(x);
  ArimaState().p = ArimaState().pp = 1;
  ArimaState().phi[1] = 0.99995;
  ASSERT_EQ(MaxLik(ArimaState()), 0);
  EXPECT_NEAR(ArimaState().phi[1], from_fallback, kOptimiser);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(MaxLik, WithoutCoefficientsOnlyEvaluatesTheLikelihood) {
  const std::vector<double> x = {1.0, -1.0, 2.0, 0.0};
  LoadDifferenced(x);
  ASSERT_EQ(MaxLik(ArimaState()), 0);
  EXPECT_DOUBLE_EQ(ArimaState().sigma2, 6.0 / 4.0);
  EXPECT_DOUBLE_EQ(ArimaState().aic, -2.0 * ArimaState().loglik);
}

}  // namespace
}  // namespace vordex::arima
