#include "armax/final_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "armax/model.h"
#include "support/capture.h"
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

// The exact Gaussian fit of w = mu + u, u stationary with autocovariances gamma(0..n-1) (unit
// innovation variance), by a dense LDL' factorisation of the covariance matrix: the innovations
// e = L^-1 (w - mu) with variances v, and the generalized least-squares mean.
struct Dense {
  double mu = 0.0;
  std::vector<double> e, v;
  double sse = 0.0;  // sum e(t)^2 / v(t)
  double G = 1.0;    // prod v(t)
};

Dense DenseFit(const std::vector<double>& w, const std::vector<double>& gamma, bool constant) {
  const int n = static_cast<int>(w.size());
  std::vector<std::vector<double>> L(n, std::vector<double>(n, 0.0));
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) {
      double sum = gamma[i - j];
      for (int k = 0; k < j; ++k) sum -= L[i][k] * L[j][k] * v[k];
      if (i == j) {
        v[i] = sum;
        L[i][i] = 1.0;
      } else {
        L[i][j] = sum / v[j];
      }
    }
  }
  const auto solve = [&](const std::vector<double>& y) {
    std::vector<double> z(n);
    for (int i = 0; i < n; ++i) {
      z[i] = y[i];
      for (int k = 0; k < i; ++k) z[i] -= L[i][k] * z[k];
    }
    return z;
  };
  Dense out;
  if (constant) {
    const std::vector<double> zw = solve(w);
    const std::vector<double> z1 = solve(std::vector<double>(n, 1.0));
    double num = 0.0;
    double den = 0.0;
    for (int i = 0; i < n; ++i) {
      num += z1[i] * zw[i] / v[i];
      den += z1[i] * z1[i] / v[i];
    }
    out.mu = num / den;
  }
  std::vector<double> centred(n);
  for (int i = 0; i < n; ++i) centred[i] = w[i] - out.mu;
  out.e = solve(centred);
  out.v = v;
  for (int i = 0; i < n; ++i) {
    out.sse += out.e[i] * out.e[i] / v[i];
    out.G *= v[i];
  }
  return out;
}

double GaussianLogLik(int n, double sse, double G) {
  return -0.5 * (n * std::log(2.0 * std::numbers::pi * sse / n) + std::log(G) + n);
}

TEST(Armaxdiffop, MultipliesByRegularAndSeasonalDifferences) {
  // (1 - 0.5B)(1 - B)(1 - B^4) = 1 - 1.5B + 0.5B^2 - B^4 + 1.5B^5 - 0.5B^6.
  const double phi[] = {0.0, 0.5};
  std::vector<double> phid(7, -9.0);
  int npd = 0;
  Armaxdiffop(1, npd, 1, 4, 1, phi, phid.data());
  EXPECT_EQ(npd, 6);
  const std::vector<double> expected = {0.0, 1.5, -0.5, 0.0, 1.0, -1.5, 0.5};
  for (int i = 1; i <= 6; ++i) EXPECT_NEAR(phid[i], expected[i], kClosedForm) << "i = " << i;
}

TEST(Armaxdiffop, TwoRegularDifferencesGiveTheBinomialOperator) {
  // (1 - B)^2 = 1 - 2B + B^2.
  const double phi[] = {0.0};
  std::vector<double> phid(3);
  int npd = 0;
  Armaxdiffop(0, npd, 2, 12, 0, phi, phid.data());
  EXPECT_EQ(npd, 2);
  EXPECT_EQ(phid[1], 2.0);
  EXPECT_EQ(phid[2], -1.0);
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
  std::vector<double> v = {0.0, 1.0, -2.0};
  Armaxuntrans(v.data(), 3, Transform::kLog);
  EXPECT_NEAR(v[0], 1.0, kClosedForm);
  EXPECT_NEAR(v[1], std::exp(1.0), kClosedForm);
  EXPECT_NEAR(v[2], std::exp(-2.0), kClosedForm);
  std::vector<double> r = {-0.5, 3.0};
  Armaxuntrans(r.data(), 2, Transform::kSquareRoot);
  EXPECT_EQ(r, (std::vector<double>{0.0, 9.0}));
  std::vector<double> u = {-0.5, 3.0};
  Armaxuntrans(u.data(), 2, Transform::kNone);
  EXPECT_EQ(u, (std::vector<double>{-0.5, 3.0}));
}

TEST(Armaxloglik, GaussianLikelihoodAtTheMaximum) {
  // F = n ln(SSE) + ln(G) with SSE = 12.5, G = 3, n = 10.
  const int n = 10;
  const double F = n * std::log(12.5) + std::log(3.0);
  EXPECT_NEAR(Armaxloglik(n, F), GaussianLogLik(n, 12.5, 3.0), kClosedForm);
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

TEST(ArmaxXtra, AutoregressionWithMeanMatchesDenseGaussianFit) {
  const int n = 30;
  const double a = 0.5;
  const std::vector<double> x = Series(n, 3.0);
  const Fit fit = RunXtra(Model(1, 3, 1, 0, 0, 0, 0, 0, 1), x, {a}, 1.0);
  ASSERT_EQ(fit.status, kXtraOk);

  std::vector<double> gamma(n);
  for (int k = 0; k < n; ++k) gamma[k] = std::pow(a, k) / (1.0 - a * a);
  const Dense dense = DenseFit(x, gamma, true);
  EXPECT_NEAR(fit.b[0], dense.mu, kRecursion);
  for (int t = 0; t < n; ++t) EXPECT_NEAR(fit.e[t], dense.e[t], kRecursion);
  EXPECT_NEAR(fit.stats[kStatSigma2], dense.sse / n, kRecursion);
  EXPECT_NEAR(fit.stats[kStatLogLik], GaussianLogLik(n, dense.sse, dense.G), kRecursion);

  // The forecasts revert to the mean: f(1) = mu + a (x(N) - mu), f(2) = mu + a (f(1) - mu).
  const double mu = fit.b[0];
  EXPECT_NEAR(fit.f[0], mu + a * (x.back() - mu), kRecursion);
  EXPECT_NEAR(fit.f[1], mu + a * (fit.f[0] - mu), kRecursion);
  EXPECT_NEAR(fit.f[2], mu + a * a * a * (x.back() - mu), kRecursion);
  double ss = 0.0;
  for (double v : fit.e) ss += v * v;
  const double sigma = std::sqrt(ss / n);
  EXPECT_NEAR(fit.se[0], sigma, kRecursion);
  EXPECT_NEAR(fit.se[1], sigma * std::sqrt(1.0 + a * a), kRecursion);
}

TEST(ArmaxXtra, MovingAverageWithMeanMatchesDenseGaussianFit) {
  const int n = 28;
  const double theta = 0.4;
  const std::vector<double> x = Series(n, -2.0);
  const Fit fit = RunXtra(Model(1, 3, 0, 0, 1, 0, 0, 0, 1), x, {theta}, 1.0);
  ASSERT_EQ(fit.status, kXtraOk);

  std::vector<double> gamma(n, 0.0);
  gamma[0] = 1.0 + theta * theta;
  gamma[1] = -theta;
  const Dense dense = DenseFit(x, gamma, true);
  EXPECT_NEAR(fit.b[0], dense.mu, kRecursion);
  for (int t = 0; t < n; ++t) {
    EXPECT_NEAR(fit.e[t], dense.e[t], kRecursion);
    EXPECT_NEAR(fit.A[t], std::sqrt(dense.v[t]), kRecursion);
  }
  EXPECT_NEAR(fit.stats[kStatObjective], n * std::log(dense.sse) + std::log(dense.G), kRecursion);

  // f(1) = mu - theta e(n), f(j) = mu beyond; se(1) = sigma, se(2) = sigma sqrt(1 + theta^2).
  const double mu = fit.b[0];
  EXPECT_NEAR(fit.f[0], mu - theta * fit.e[n - 1], kRecursion);
  EXPECT_NEAR(fit.f[1], mu, kRecursion);
  EXPECT_NEAR(fit.f[2], mu, kRecursion);
  double ss = 0.0;
  for (double v : fit.e) ss += v * v;
  const double sigma = std::sqrt(ss / n);
  EXPECT_NEAR(fit.se[0], sigma, kRecursion);
  EXPECT_NEAR(fit.se[1], sigma * std::sqrt(1.0 + theta * theta), kRecursion);
  EXPECT_NEAR(fit.se[2], fit.se[1], kRecursion);
}

TEST(ArmaxXtra, InadmissibleEstimateFailsWithBox) {
  testing::MessageCapture capture;
  const Fit fit = RunXtra(Model(1, 2, 1, 0, 0, 0, 0, 0, 0), Series(20), {1.2}, 1.0);
  EXPECT_EQ(fit.status, kXtraInadmissible);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Armax error");
  EXPECT_EQ(capture.messages()[0].text, "Error in Armax_xtra: phitheta out-of-bounds");
  EXPECT_EQ(capture.messages()[0].style, platform::kStyleWarning);
}

TEST(ArmaxXtra, RegressorsAreRefusedWithoutForecasting) {
  ArmaxModelRecord m = Model(1, 2, 0, 0, 0, 0, 0, 0, 0);
  m.nreg = 1;
  const Fit fit = RunXtra(m, Series(12), {}, 1.0);
  EXPECT_EQ(fit.status, kXtraRegressionFailed);
}

}  // namespace
}  // namespace vordex::armax
