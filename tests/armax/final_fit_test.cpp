#include "armax/final_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "armax/model.h"
#include "support/capture.h"
#include "support/dense_gaussian.h"
#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using testing::kClosedForm;
using testing::kRecursion;

// A deterministic, irregular test series.
std::vector<double> Series(int N, double level = 0.0) {
  std::vector<double> x(N);
  for (int t = 1; t <= N; ++t)
    x[t - 1] = level + std::sin(1.3 * t) + 0.5 * std::cos(0.31 * t * t) + 0.05 * t;
  return x;
}

// What Armax_xtra returns for one request.
struct Fit {
  std::vector<double> w, x, e, A, f, se, limits, b, stats;
  int status = -1;
};

// Runs the front end on the observations, then the final fit.
Fit RunXtra(ArmaxModelRecord model, std::vector<double> x, std::vector<double> par, double c) {
  Fit fit;
  const int N = static_cast<int>(x.size());
  std::vector<double> W(N);
  EXPECT_TRUE(Armaxfe(x.data(), W.data(), N, model.transform, model.d, model.D, model.s, model.n));
  fit.w.assign(W.end() - model.n, W.end());
  fit.x = x;
  fit.e.assign(model.n, 0.0);
  fit.A.assign(model.n, 0.0);
  fit.f.assign(model.h, 0.0);
  fit.se.assign(model.h, 0.0);
  fit.limits.assign(2 * model.h, 0.0);
  fit.b.assign(model.k() + 1, 0.0);
  fit.stats.assign(kStatistics, 0.0);
  Armax_xtra(model, fit.w.data(), fit.x.data(), c, par.data(), fit.e.data(), fit.A.data(),
             fit.f.data(), fit.se.data(), fit.limits.data(), fit.b.data(), fit.stats.data(),
             fit.status);
  return fit;
}

ArmaxModelRecord Model(int s, int h, int p, int d, int q, int P, int D, int Q, int constant,
                       Transform transform = Transform::kNone) {
  ArmaxModelRecord m;
  m.s = s;
  m.h = h;
  m.p = p;
  m.d = d;
  m.q = q;
  m.P = P;
  m.D = D;
  m.Q = Q;
  m.constant = constant;
  m.transform = transform;
  return m;
}

// The Gaussian log-likelihood at sigma2 = sse / n of a fit with variance product G.
double GaussianLogLik(int n, double sse, double G) {
  return -0.5 * (n * std::log(2.0 * std::numbers::pi * sse / n) + std::log(G) + n);
}

TEST(Armaxdiffop, MultipliesByRegularAndSeasonalDifferences) {
  const struct {
    int np;
    std::vector<double> phi;
    int d, s, D;
    std::vector<double> phid;  // phid(1..npd) in the convention 1 - sum phid(i) B^i
  } cases[] = {
      // (1 - 0.5B)(1 - B)(1 - B^4) = 1 - 1.5B + 0.5B^2 - B^4 + 1.5B^5 - 0.5B^6.
      {1, {0.0, 0.5}, 1, 4, 1, {1.5, -0.5, 0.0, 1.0, -1.5, 0.5}},
      {0, {0.0}, 2, 12, 0, {2.0, -1.0}},  // (1 - B)^2 = 1 - 2B + B^2
  };
  for (const auto& c : cases) {
    std::vector<double> phid(c.phid.size() + 1, -9.0);
    int npd = 0;
    Armaxdiffop(c.np, npd, c.d, c.s, c.D, c.phi.data(), phid.data());
    EXPECT_EQ(npd, static_cast<int>(c.phid.size()));
    for (std::size_t i = 1; i < phid.size(); ++i) EXPECT_NEAR(phid[i], c.phid[i - 1], kClosedForm);
  }
}

TEST(Armaxpsi, WeightsOfAutoregressiveAndMixedModels) {
  const int h = 6;
  std::vector<double> psi(h + 1);
  const double ar[] = {0.0, 0.6};
  const double none[] = {0.0};
  Armaxpsi(h, 1, 0, none, ar, psi.data());
  for (int j = 0; j <= h; ++j) EXPECT_NEAR(psi[j], std::pow(0.6, j), kClosedForm);

  // ARMA(1,1): psi(j) = a^(j-1) (a - theta) for j >= 1.
  const double ma[] = {0.0, 0.3};
  Armaxpsi(h, 1, 1, ma, ar, psi.data());
  EXPECT_EQ(psi[0], 1.0);
  for (int j = 1; j <= h; ++j) EXPECT_NEAR(psi[j], std::pow(0.6, j - 1) * 0.3, kClosedForm);

  // An MA operator longer than the horizon: only psi(0..h) are formed.
  std::vector<double> short_psi(3, -1.0);
  const double ma4[] = {0.0, 0.1, 0.2, 0.3, 0.4};
  Armaxpsi(2, 0, 4, ma4, none, short_psi.data());
  EXPECT_EQ(short_psi, (std::vector<double>{1.0, -0.1, -0.2}));
}

TEST(Armaxfcst, MovingAverageLongerThanHorizonUsesOnlyPastInnovations) {
  const double theta[] = {0.0, 0.5, -0.25, 0.125};
  const double none[] = {0.0};
  const std::vector<double> e = {0.3, -1.0, 2.0, 0.5};
  const std::vector<double> history = {9.0, 9.0, 9.0, 9.0};
  std::vector<double> f(2), se(2);
  ASSERT_TRUE(Armaxfcst(0, 3, 2, 4, none, theta, 1.0, 4.0, history.data(), 4, e.data(), f.data(),
                        se.data()));
  EXPECT_NEAR(f[0], 1.0 - 0.5 * 0.5 + 0.25 * 2.0 - 0.125 * -1.0, kClosedForm);
  EXPECT_NEAR(f[1], 1.0 + 0.25 * 0.5 - 0.125 * 2.0, kClosedForm);
  EXPECT_NEAR(se[0], 2.0, kClosedForm);
  EXPECT_NEAR(se[1], 2.0 * std::sqrt(1.25), kClosedForm);
}

TEST(Armaxfcst, ValuesBeforeTheFirstObservationCountAsZero) {
  // An AR operator of degree 3 over a history of 2 values: x(n - 2) is 0.
  const double phi[] = {0.0, 0.5, 0.25, 0.125};
  const double none[] = {0.0};
  const std::vector<double> history = {2.0, 4.0};
  const std::vector<double> e = {0.0, 0.0};
  std::vector<double> f(1), se(1);
  ASSERT_TRUE(
      Armaxfcst(3, 0, 1, 2, phi, none, 0.0, 1.0, history.data(), 2, e.data(), f.data(), se.data()));
  EXPECT_NEAR(f[0], 0.5 * 4.0 + 0.25 * 2.0, kClosedForm);
}

TEST(Armaxuntrans, LogSquareRootAndNone) {
  const struct {
    Transform transform;
    std::vector<double> values, back;
  } cases[] = {{Transform::kLog, {0.0, 1.0, -2.0}, {1.0, std::exp(1.0), std::exp(-2.0)}},
               {Transform::kSquareRoot, {-0.5, 3.0}, {0.0, 9.0}},
               {Transform::kNone, {-0.5, 3.0}, {-0.5, 3.0}}};
  for (const auto& c : cases) {
    std::vector<double> v = c.values;
    Armaxuntrans(v.data(), static_cast<int>(v.size()), c.transform);
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(v[i], c.back[i], kClosedForm);
  }
  // F = n ln(SSE) + ln(G) with SSE = 12.5, G = 3, n = 10.
  EXPECT_NEAR(Armaxloglik(10, 10 * std::log(12.5) + std::log(3.0)), GaussianLogLik(10, 12.5, 3.0),
              kClosedForm);
}

TEST(Armaxresid, SubtractsTheFittedRegression) {
  // Y = [y | x1 | x2] by columns, n = 3.
  const double Y[] = {1.0, 2.0, 3.0, 1.0, 1.0, 1.0, 0.0, 1.0, 2.0};
  const double b[] = {0.5, 2.0};
  double r[3];
  Armaxresid(Y, 3, 2, b, r);
  EXPECT_EQ(r[0], 0.5);
  EXPECT_EQ(r[1], -0.5);
  EXPECT_EQ(r[2], -1.5);
}

TEST(ArmaxXtra, WhiteNoiseWithoutConstantForecastsZero) {
  const std::vector<double> x = Series(30);
  const double c = 1.96;
  const Fit fit = RunXtra(Model(1, 3, 0, 0, 0, 0, 0, 0, 0), x, {}, c);
  ASSERT_EQ(fit.status, kXtraOk);
  double ss = 0.0;
  for (double v : x) ss += v * v;
  const double sigma = std::sqrt(ss / 30.0);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(fit.f[j], 0.0);
    EXPECT_NEAR(fit.se[j], sigma, kClosedForm);
    EXPECT_NEAR(fit.limits[j], -c * sigma, kClosedForm);
    EXPECT_NEAR(fit.limits[3 + j], c * sigma, kClosedForm);
  }
  EXPECT_EQ(fit.e, fit.w);
  EXPECT_NEAR(fit.stats[kStatSumSq], ss, kClosedForm * ss);
  EXPECT_NEAR(fit.stats[kStatSigma2], ss / 30.0, kClosedForm);
  EXPECT_NEAR(fit.stats[kStatObjective], 30.0 * std::log(ss), kClosedForm * 100.0);
  EXPECT_NEAR(fit.stats[kStatLogLik], GaussianLogLik(30, ss, 1.0), kClosedForm * 100.0);
}

TEST(ArmaxXtra, ConstantOnlyModelUsesTheArithmeticMean) {
  const std::vector<double> x = {2.0, 4.0, 9.0, 1.0};
  const Fit fit = RunXtra(Model(1, 2, 0, 0, 0, 0, 0, 0, 1), x, {}, 1.0);
  ASSERT_EQ(fit.status, kXtraOk);
  EXPECT_EQ(fit.b[0], 4.0);
  EXPECT_EQ(fit.e, (std::vector<double>{-2.0, 0.0, 5.0, -3.0}));
  EXPECT_EQ(fit.f, (std::vector<double>{4.0, 4.0}));
  EXPECT_NEAR(fit.se[0], std::sqrt(38.0 / 4.0), kClosedForm);
}

TEST(ArmaxXtra, RandomWalkRepeatsTheLastObservation) {
  const std::vector<double> x = Series(25, 10.0);
  const Fit fit = RunXtra(Model(1, 4, 0, 1, 0, 0, 0, 0, 0), x, {}, 2.0);
  ASSERT_EQ(fit.status, kXtraOk);
  double ss = 0.0;
  for (int t = 1; t < 25; ++t) ss += (x[t] - x[t - 1]) * (x[t] - x[t - 1]);
  const double sigma = std::sqrt(ss / 24.0);
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(fit.f[j - 1], x.back(), kClosedForm);
    EXPECT_NEAR(fit.se[j - 1], sigma * std::sqrt(j), kClosedForm);
    EXPECT_NEAR(fit.limits[j - 1], x.back() - 2.0 * sigma * std::sqrt(j), kClosedForm * 10.0);
  }
}

TEST(ArmaxXtra, LogTransformGivesAsymmetricLimits) {
  std::vector<double> x = Series(25, 10.0);
  for (double& v : x) v = std::exp(v / 4.0);
  const Fit fit = RunXtra(Model(1, 2, 0, 1, 0, 0, 0, 0, 0, Transform::kLog), x, {}, 1.5);
  ASSERT_EQ(fit.status, kXtraOk);
  const double last = std::log(x.back());
  EXPECT_NEAR(fit.f[0], x.back(), kClosedForm * x.back());
  for (int j = 0; j < 2; ++j) {
    EXPECT_NEAR(fit.limits[j], std::exp(last - 1.5 * fit.se[j]), kClosedForm * x.back());
    EXPECT_NEAR(fit.limits[2 + j], std::exp(last + 1.5 * fit.se[j]), kClosedForm * x.back());
    EXPECT_GT(fit.limits[2 + j] - fit.f[j], fit.f[j] - fit.limits[j]);
  }
}

TEST(ArmaxXtra, SquareRootTransformClampsNegativeLowerLimitsToZero) {
  const std::vector<double> x = {1.0, 4.0, 0.0, 9.0, 1.0};
  const Fit fit = RunXtra(Model(1, 1, 0, 0, 0, 0, 0, 0, 0, Transform::kSquareRoot), x, {}, 1.0);
  ASSERT_EQ(fit.status, kXtraOk);
  // On the root scale: forecast 0, standard error sqrt(mean of x) = sqrt(3).
  EXPECT_NEAR(fit.se[0], std::sqrt(3.0), kClosedForm);
  EXPECT_EQ(fit.f[0], 0.0);
  EXPECT_EQ(fit.limits[0], 0.0);
  EXPECT_NEAR(fit.limits[1], 3.0, kClosedForm);
}

TEST(ArmaxXtra, SeasonalDifferenceGivesTheSeasonalNaiveForecast) {
  const std::vector<double> x = Series(16, 5.0);
  const Fit fit = RunXtra(Model(4, 6, 0, 0, 0, 0, 1, 0, 0), x, {}, 1.0);
  ASSERT_EQ(fit.status, kXtraOk);
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(fit.f[k - 1], x[16 - 4 + k - 1], kClosedForm);
  EXPECT_NEAR(fit.f[4], fit.f[0], kClosedForm);
  EXPECT_NEAR(fit.f[5], fit.f[1], kClosedForm);
  EXPECT_NEAR(fit.se[3], fit.se[0], kClosedForm);
  EXPECT_NEAR(fit.se[4], fit.se[0] * std::sqrt(2.0), kClosedForm);
}

TEST(ArmaxXtra, ArmaModelsWithMeanMatchTheDenseGaussianFit) {
  // AR(1), a = 0.5: the forecasts revert to the mean, f(k) = mu + a^k (x(N) - mu), with standard
  // errors sigma sqrt(1 + a^2 + ..). MA(1), theta = 0.4: f(1) = mu - theta e(n), then mu, with
  // standard errors sigma and sigma sqrt(1 + theta^2) beyond.
  const double a = 0.5, theta = 0.4;
  for (const bool ar : {true, false}) {
    const int n = ar ? 30 : 28;
    const std::vector<double> x = Series(n, ar ? 3.0 : -2.0);
    const Fit fit = RunXtra(Model(1, 3, ar, 0, !ar, 0, 0, 0, 1), x, {ar ? a : theta}, 1.0);
    ASSERT_EQ(fit.status, kXtraOk);
    std::vector<double> gamma(n, 0.0);
    for (int k = 0; k < n; ++k) gamma[k] = ar ? std::pow(a, k) / (1.0 - a * a) : 0.0;
    if (!ar) gamma[0] = 1.0 + theta * theta, gamma[1] = -theta;
    const auto dense = testing::DenseGaussianFit(x, gamma, true);
    EXPECT_NEAR(fit.b[0], dense.mu, kRecursion);
    for (int t = 0; t < n; ++t) {
      EXPECT_NEAR(fit.e[t], dense.e[t], kRecursion);
      EXPECT_NEAR(fit.A[t], std::sqrt(dense.v[t]), kRecursion);
    }
    EXPECT_NEAR(fit.stats[kStatSigma2], dense.sse / n, kRecursion);
    EXPECT_NEAR(fit.stats[kStatObjective], dense.Objective(), kRecursion);
    EXPECT_NEAR(fit.stats[kStatLogLik], dense.LogLikelihood(), kRecursion);

    const double mu = fit.b[0];
    double ss = 0.0;
    for (double v : fit.e) ss += v * v;
    const double sigma = std::sqrt(ss / n);
    for (int k = 1; k <= 3; ++k) {
      const double f =
          ar ? mu + std::pow(a, k) * (x.back() - mu) : (k == 1 ? mu - theta * fit.e[n - 1] : mu);
      EXPECT_NEAR(fit.f[k - 1], f, kRecursion) << ar << " " << k;
    }
    EXPECT_NEAR(fit.se[0], sigma, kRecursion);
    EXPECT_NEAR(fit.se[1], sigma * std::sqrt(1.0 + (ar ? a * a : theta * theta)), kRecursion);
    EXPECT_NEAR(fit.se[2],
                sigma * std::sqrt(ar ? 1.0 + a * a + std::pow(a, 4) : 1.0 + theta * theta),
                kRecursion);
  }
}

TEST(ArmaxXtra, InadmissibleEstimateFailsWithBox) {
  testing::MessageCapture capture;
  const Fit fit = RunXtra(Model(1, 2, 1, 0, 0, 0, 0, 0, 0), Series(20), {1.2}, 1.0);
  EXPECT_EQ(fit.status, kXtraInadmissible);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Armax error", "Error in Armax_xtra: phitheta out-of-bounds",
                                platform::kStyleWarning}}));
}

TEST(ArmaxXtra, RegressorsAreRefusedWithoutForecasting) {
  ArmaxModelRecord m = Model(1, 2, 0, 0, 0, 0, 0, 0, 0);
  m.nreg = 1;
  const Fit fit = RunXtra(m, Series(12), {}, 1.0);
  EXPECT_EQ(fit.status, kXtraRegressionFailed);
}

}  // namespace
}  // namespace vordex::armax
