#include "armax/estimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "armax/model.h"
#include "numerics/kernels/error_state.h"
#include "numerics/powell.h"
#include "support/capture.h"
#include "support/dense_gaussian.h"
#include "support/simulate.h"
#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using testing::kClosedForm;
using testing::kOptimiser;
using testing::kRecursion;

// An AR(1) series with mean mu, started from its stationary distribution.
std::vector<double> Ar1(int n, double a, double mu, unsigned seed) {
  const std::vector<double> z = testing::GaussianNoise(n, seed);
  std::vector<double> w(n);
  double u = z[0] / std::sqrt(1.0 - a * a);
  for (int t = 0; t < n; ++t) {
    if (t > 0) u = a * u + z[t];
    w[t] = mu + u;
  }
  return w;
}

ArmaxModelRecord Record(int n, int p, int q, int constant) {
  ArmaxModelRecord m;
  m.n = n;
  m.s = 1;
  m.p = p;
  m.q = q;
  m.constant = constant;
  return m;
}

// The concentrated objective n ln(SSE) + ln det(Sigma) of w = mu + u, u ARMA(1,1) with unit
// innovation variance, at the generalized least-squares mean, from the dense covariance matrix.
// Autocovariances of ARMA(1,1): gamma0 = (1 - 2 a theta + theta^2)/(1 - a^2),
// gamma1 = (1 - a theta)(a - theta)/(1 - a^2), gamma(k) = a gamma(k-1).
double DenseProfile(const std::vector<double>& w, double a, double theta) {
  std::vector<double> gamma(w.size());
  gamma[0] = (1.0 - 2.0 * a * theta + theta * theta) / (1.0 - a * a);
  gamma[1] = (1.0 - a * theta) * (a - theta) / (1.0 - a * a);
  for (std::size_t k = 2; k < w.size(); ++k) gamma[k] = a * gamma[k - 1];
  return testing::DenseGaussianFit(w, gamma, true).Objective();
}

TEST(Armaxols1, ThroughTheOriginAndAboutTheMeans) {
  // y = (2, 1, 4), x = (0, 1, 2): about the means Sxy = 2, Sxx = 2, Syy = 14/3; about 0
  // Sxy = 9, Sxx = 5, Syy = 21.
  const struct {
    std::vector<double> y, x;
    int centre;
    double b, sse;
  } cases[] = {{{1, 2, 3}, {1, 2, 3}, 0, 1.0, 0.0},
               {{2, 1, 4}, {0, 1, 2}, 1, 1.0, 14.0 / 3.0 - 2.0},
               {{2, 1, 4}, {0, 1, 2}, 0, 1.8, 21.0 - 9.0 * 1.8}};
  for (const auto& c : cases) {
    double b = 0.0, sse = -1.0;
    Armaxols1(c.y.data(), c.x.data(), 3, c.centre, b, sse);
    EXPECT_NEAR(b, c.b, kClosedForm);
    EXPECT_NEAR(sse, c.sse, kClosedForm);
  }
}

TEST(Armaxregmat, CopiesTheSeriesAndAddsTheColumnOfOnes) {
  const double Y[] = {5.0, 6.0, 7.0};
  double X[6] = {};
  int constant = 3;
  EXPECT_EQ(Armaxregmat(Y, X, 3, 0, 1, constant), 0);
  EXPECT_EQ(constant, 1);
  EXPECT_EQ(std::vector<double>(X, X + 6), (std::vector<double>{5.0, 6.0, 7.0, 1.0, 1.0, 1.0}));

  int none = 0;
  double Z[3] = {};
  EXPECT_EQ(Armaxregmat(Y, Z, 3, 0, 0, none), 0);
  EXPECT_EQ(std::vector<double>(Z, Z + 3), (std::vector<double>{5.0, 6.0, 7.0}));
  EXPECT_EQ(Armaxregmat(Y, Z, 3, 0, 1, none), -1);
  int with = 1;
  EXPECT_EQ(Armaxregmat(Y, X, 3, 1, 2, with), -2);
}

TEST(Armaxprofile, EqualsTheDenseGaussianProfileWithTheMeanConcentratedOut) {
  const std::vector<double> w = Ar1(40, 0.4, 2.0, 7);
  const int n = 40;
  std::vector<double> X(2 * n);
  for (int t = 0; t < n; ++t) {
    X[t] = w[t];
    X[n + t] = 1.0;
  }
  const double par[] = {0.55, 0.3};  // a, theta
  const double value = Armaxprofile(n, 1, 1, 1, 0, 0, par, X.data(), 1);
  EXPECT_NEAR(value, DenseProfile(w, 0.55, 0.3), kRecursion * std::abs(value));

  // Without the constant the profile is the likelihood kernel's own objective.
  const double plain = Armaxprofile(n, 1, 1, 1, 0, 0, par, X.data(), 0);
  EXPECT_NEAR(plain, arma::ArmaObjective(n, 1, 1, 1, 0, 0, par, w.data()), kClosedForm * 1e3);
  // An inadmissible point is rejected silently.
  testing::MessageCapture capture;
  const double explosive[] = {1.5};
  EXPECT_EQ(Armaxprofile(n, 1, 0, 1, 0, 0, explosive, w.data(), 0), kObjectiveRejected);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(Armaxml, StorageLimitsOnTheRegressionMatrix) {
  testing::MessageCapture capture;
  std::vector<double> w = Ar1(2001, 0.3, 0.0, 11);
  double par[] = {0.01};
  double fmin = 0.0;
  int status = -1;

  ArmaxModelRecord with_constant = Record(1001, 1, 0, 1);
  Armaxml(with_constant, w.data(), par, fmin, status);
  EXPECT_EQ(status, kMlStorageLimit);
  ArmaxModelRecord without = Record(2001, 1, 0, 0);
  Armaxml(without, w.data(), par, fmin, status);
  EXPECT_EQ(status, kMlStorageLimit);
  const testing::Message exceeded{
      "Armax error", "Common storage exceeded in armaxml: too much data", platform::kStyleWarning};
  EXPECT_EQ(capture.messages(), (testing::Messages{exceeded, exceeded}));

  // n = 1000 with the constant fits.
  capture.clear();
  ArmaxModelRecord largest = Record(1000, 1, 0, 1);
  Armaxml(largest, w.data(), par, fmin, status);
  EXPECT_EQ(status, kMlOk);
  EXPECT_NEAR(par[0], 0.3, 0.1);  // several standard errors (0.03) of the estimate
}

TEST(Armaxml, NoArmaCoefficientsIsRefusedWithWarning) {
  testing::MessageCapture capture;
  const std::vector<double> w = Ar1(30, 0.3, 0.0, 5);
  double fmin = 0.0;
  int status = -1;
  ArmaxModelRecord m = Record(30, 0, 0, 1);
  Armaxml(m, w.data(), nullptr, fmin, status);
  EXPECT_EQ(status, kMlNoArma);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Armax warning", "No ARMA parameters: Armaxml terminating...",
                                platform::kStyleWarning}}));
}

TEST(Armaxml, FindsTheMinimumOfTheProfileAndReportsItsValue) {
  const int n = 120;
  const std::vector<double> w = Ar1(n, 0.6, 5.0, 2024);
  ArmaxModelRecord m = Record(n, 1, 0, 7);
  double par[] = {0.01};
  double fmin = 0.0;
  int status = -1;
  Armaxml(m, w.data(), par, fmin, status);
  ASSERT_EQ(status, kMlOk);
  EXPECT_EQ(m.constant, 1);

  std::vector<double> X(2 * n);
  for (int t = 0; t < n; ++t) {
    X[t] = w[t];
    X[n + t] = 1.0;
  }
  EXPECT_EQ(fmin, Armaxprofile(n, 1, 0, 1, 0, 0, par, X.data(), 1));

  // A second route to the minimum: golden-section search of the one-dimensional profile.
  double lo = -0.99, hi = 0.99;
  const double g = (std::sqrt(5.0) - 1.0) / 2.0;
  const auto F = [&](double a) { return Armaxprofile(n, 1, 0, 1, 0, 0, &a, X.data(), 1); };
  for (int i = 0; i < 200; ++i) {
    const double c = hi - g * (hi - lo);
    const double d = lo + g * (hi - lo);
    if (F(c) < F(d))
      hi = d;
    else
      lo = c;
  }
  const double best = 0.5 * (lo + hi);
  EXPECT_NEAR(par[0], best, kOptimiser);
  EXPECT_LE(fmin, F(best) + kOptimiser * kOptimiser);
}

TEST(Armaxml, HighOrderOnFewObservationsEndsWithinTheRootWorkBudget) {
  // A fuzzer's request: ARMA(83,1) for 48 observations 100 * 1.5^t differenced twice, so the
  // modelled series is w(t) = 25 * 1.5^t, t = 0..45. Each gradient costs 84 to 168 evaluations,
  // each finding the roots of a degree-83 polynomial; without a bound on that work DUMINF made
  // over 11,000 evaluations (minutes under the sanitizers).
  constexpr int n = 46, p = 83;
  std::vector<double> w(n);
  for (int t = 0; t < n; ++t) w[t] = 25.0 * std::pow(1.5, t);
  ArmaxModelRecord m = Record(n, p, 1, 0);
  std::vector<double> par(p + 1, kStartValue);
  double fmin = 0.0;
  int status = -1;
  Armaxml(m, w.data(), par.data(), fmin, status);
  EXPECT_EQ(status, kMlMinimiser);
  EXPECT_EQ(kernels::IERCD(), 4);  // DUMINF's limit on evaluations
  EXPECT_GT(m.evaluations, p + 1);
  EXPECT_LE(m.evaluations, static_cast<long>(kRootWorkBudget / (p * p * p)));
}

TEST(Armaxml, RefinementAlongTheEdgeEndsWithinItsEvaluations) {
  // A fuzzer's request: ARMA(0,1)(4,2)12 for the differences of these 37 observations. DUMINF
  // ends at the edge of the admissible region, where the direction-set refinement crept on for
  // hundreds of iterations (56,404 evaluations in all, a minute under the sanitizers).
  const double y[] = {
      99.736455500125885, 99.60572612285614,  99.60996812582016,  99.814851343631744,
      99.365394949913025, 99.234913289546967, 99.509676218032837, 99.565864741802216,
      99.082357943058014, 99.22160392999649,  98.972055017948151, 98.894432783126831,
      98.985122978687286, 99.322056591510773, 99.057132482528687, 99.537978410720825,
      99.898865461349487, 99.725740909576416, 99.908343613147736, 99.939802706241608,
      99.655744671821594, 99.260278880596161, 98.830823957920074, 98.64970463514328,
      98.27951967716217,  98.486766040325165, 98.56965309381485,  98.448965489864349,
      98.211913466453552, 98.462818145751953, 98.893519043922424, 98.570793092250824,
      98.404944121837616, 98.888185620307922, 98.776770532131195, 98.824817657470703,
      98.790940880775452};
  constexpr int n = 36;
  std::vector<double> w(n);
  for (int t = 0; t < n; ++t) w[t] = y[t + 1] - y[t];
  ArmaxModelRecord m = Record(n, 0, 1, 0);
  m.s = 12;
  m.P = 4;
  m.Q = 2;
  std::vector<double> par(m.npar(), kStartValue);
  double fmin = 0.0;
  int status = -1;
  Armaxml(m, w.data(), par.data(), fmin, status);
  EXPECT_EQ(status, kMlOk);
  // DUMINF's limit MAXFCN + 2 npar MAXGRD, then two refinements.
  const long duminf = 400 + 2 * m.npar() * 400;
  EXPECT_LE(m.evaluations, duminf + 2 * (kRefineEvaluations + numerics::kLineSearchEvaluations));
  std::vector<double> X(w);  // the objective at the returned point is fmin
  EXPECT_EQ(fmin, Armaxprofile(n, 0, 1, 12, 4, 2, par.data(), X.data(), 0));
}

TEST(Loglfe, ParameterCountOfAnotherModelFailsWithoutStopping) {
  testing::MessageCapture capture;
  LoglfeSharedRecord shared;
  shared.n = 3;
  shared.p = 1;
  const double x[] = {0.1, 0.2};
  double f = 0.0;
  loglfe(&shared, 2, x, f);
  EXPECT_EQ(f, kObjectiveRejected);
  EXPECT_TRUE(shared.count_mismatch);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Armax error", "Error in sub loglfe: npar .ne. (p+q+sp+sq)!",
                                platform::kStyleStop}}));
}

}  // namespace
}  // namespace vordex::armax
