#include "arma/likelihood.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "support/capture.h"
#include "support/datasets.h"
#include "support/dense_gaussian.h"
#include "support/simulate.h"
#include "support/tolerances.h"

namespace vordex::arma {
namespace {

using testing::kClosedForm;
using testing::kRecursion;
using testing::kRouteResidual;

// ---------------------------------------------------------------------------------------------
// An independent route to the exact Gaussian likelihood: the model's autocovariances from a long
// run of psi weights, the n x n Toeplitz covariance matrix, its Cholesky factor and the
// log-density evaluated from them.

struct Model {
  int p, q, s, P, Q;
  std::vector<double> par;
};

// Coefficients in ascending powers of B of 1 - c(1) B^step - ... - c(k) B^(k step).
std::vector<double> Operator(const double* c, int k, int step) {
  std::vector<double> a(static_cast<std::size_t>(k * step) + 1, 0.0);
  a[0] = 1.0;
  for (int i = 1; i <= k; ++i) a[static_cast<std::size_t>(i * step)] = -c[i - 1];
  return a;
}

std::vector<double> Multiply(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> r(a.size() + b.size() - 1, 0.0);
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < b.size(); ++j) r[i + j] += a[i] * b[j];
  return r;
}

// gamma(0..n-1) with unit innovation variance, from 6000 psi weights of ar(B)^-1 ma(B): every
// model below has AR roots of modulus 1.25 or more, so the truncation error is below 1e-500.
std::vector<double> AutocovariancesByPsi(const Model& m, int n) {
  const double* par = m.par.data();
  const int s = m.s > 1 ? m.s : 1;
  auto ar = Multiply(Operator(par, m.p, 1), Operator(par + m.p + m.q, m.P, s));
  auto ma = Multiply(Operator(par + m.p, m.q, 1), Operator(par + m.p + m.q + m.P, m.Q, s));
  const int terms = 6000;
  std::vector<double> psi(terms, 0.0);
  for (int j = 0; j < terms; ++j) {
    double v = j < static_cast<int>(ma.size()) ? ma[static_cast<std::size_t>(j)] : 0.0;
    for (int i = 1; i < static_cast<int>(ar.size()) && i <= j; ++i)
      v -= ar[static_cast<std::size_t>(i)] * psi[static_cast<std::size_t>(j - i)];
    psi[static_cast<std::size_t>(j)] = v;
  }
  std::vector<double> gamma(static_cast<std::size_t>(n), 0.0);
  for (int k = 0; k < n; ++k)
    for (int j = 0; j + k < terms; ++j)
      gamma[static_cast<std::size_t>(k)] +=
          psi[static_cast<std::size_t>(j)] * psi[static_cast<std::size_t>(j + k)];
  return gamma;
}

// The maximised Gaussian log-likelihood of w under covariance sigma2 * Gamma, Gamma Toeplitz in
// gamma, by the dense factorisation.
double DirectLogLik(const std::vector<double>& gamma, const std::vector<double>& w) {
  return testing::DenseGaussianFit(w, gamma, false).LogLikelihood();
}

const auto NoiseSeries = testing::GaussianNoise;

std::vector<Model> TestModels() {
  return {
      {2, 0, 1, 0, 0, {0.5, 0.3}},            // AR(2)
      {0, 2, 1, 0, 0, {0.4, -0.3}},           // MA(2)
      {1, 1, 1, 0, 0, {0.7, -0.4}},           // ARMA(1,1)
      {1, 1, 4, 1, 1, {0.5, 0.3, 0.4, 0.6}},  // (1,1)(1,1) with s = 4
      {0, 1, 4, 1, 0, {-0.6, 0.5}},           // (0,1)(1,0) with s = 4
  };
}

TEST(ArmaLogLikelihood, EqualsTheDirectGaussianLogDensity) {
  for (const Model& m : TestModels()) {
    for (int n : {10, 17, 25, 40}) {
      const auto w = NoiseSeries(n, 1000u + static_cast<unsigned>(n));
      std::vector<double> residuals(static_cast<std::size_t>(n));
      double sigma2 = 0.0;
      const double loglik = ArmaLogLikelihood(n, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(),
                                              residuals.data(), sigma2);
      const double expected = DirectLogLik(AutocovariancesByPsi(m, n), w);
      EXPECT_NEAR(loglik, expected, kRecursion)
          << "p q P Q s = " << m.p << m.q << m.P << m.Q << m.s << ", n = " << n;
      // The objective is -2 log L less the constant n (1 + ln(2 pi / n)).
      const double objective = ArmaObjective(n, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data());
      EXPECT_NEAR(objective, -2.0 * expected - n * (1.0 + std::log(2.0 * std::numbers::pi / n)),
                  kRecursion);
    }
  }
}

TEST(ArmaAutocovariances, MatchesAutocovariancesFromPsiWeights) {
  std::vector<std::pair<Model, int>> cases = {
      {{0, 0, 1, 0, 0, {}}, 4},  // white noise
      // 2 lags from an AR(3): the system is solved to lag 3 and only lags 0, 1 returned.
      {{3, 0, 1, 0, 0, {0.3, 0.2, 0.1}}, 2},
  };
  for (const Model& m : TestModels()) cases.push_back({m, 30});
  for (const auto& [m, n] : cases) {
    const int s = m.s > 1 ? m.s : 0;
    const int np = m.p + s * m.P;
    const int nq = m.q + s * m.Q;
    std::vector<double> phi(static_cast<std::size_t>(np) + 1);
    std::vector<double> theta(static_cast<std::size_t>(nq) + 1);
    ASSERT_TRUE(
        ExpandSeasonalOperators(m.p, m.q, m.s, m.P, m.Q, m.par.data(), phi.data(), theta.data()));
    std::vector<double> acvf(n);
    ASSERT_TRUE(ArmaAutocovariances(n, np, nq, phi.data(), theta.data(), acvf.data()));
    const auto expected = AutocovariancesByPsi(m, n);
    for (int k = 0; k < n; ++k) EXPECT_NEAR(acvf[k], expected[k], kRecursion) << "lag " << k;
  }
}

TEST(ArmaLogLikelihood, ResidualsAreTheOneStepPredictionErrors) {
  // AR(1), phi = 0.5: the exact predictor is 0.5 w(t-1) from t = 2 on, and the first error is
  // w(1) itself.
  const std::vector<double> w = {1.0, -2.0, 0.5, 3.0, -1.0};
  const double par[] = {0.5};
  std::vector<double> residuals(w.size());
  double sigma2 = 0.0;
  ArmaLogLikelihood(5, 1, 0, 1, 0, 0, par, w.data(), residuals.data(), sigma2);
  EXPECT_NEAR(residuals[0], 1.0, kClosedForm);
  double S = 1.0 * 1.0 / (4.0 / 3.0);  // the first error standardised by gamma(0)
  for (std::size_t t = 1; t < w.size(); ++t) {
    EXPECT_NEAR(residuals[t], w[t] - 0.5 * w[t - 1], kClosedForm);
    S += residuals[t] * residuals[t];
  }
  EXPECT_NEAR(sigma2, S / 5.0, kClosedForm);
}

TEST(ArmaLogLikelihood, ReversedStationarySeriesHasTheSameLikelihood) {
  const Model m = TestModels()[3];
  auto w = NoiseSeries(33, 7u);
  std::vector<double> residuals(w.size());
  double sigma2 = 0.0;
  const double forward = ArmaLogLikelihood(33, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(),
                                           residuals.data(), sigma2);
  std::reverse(w.begin(), w.end());
  const double backward = ArmaLogLikelihood(33, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(),
                                            residuals.data(), sigma2);
  EXPECT_NEAR(forward, backward, kRecursion);
}

TEST(ArmaLogLikelihood, InadmissibleParametersShowTheBoxAndLeaveOutputsAlone) {
  testing::MessageCapture capture;
  const double par[] = {1.2};
  const double w[] = {1.0, 2.0, 3.0};
  double residuals[] = {7.0, 7.0, 7.0};
  double sigma2 = 7.0;
  EXPECT_EQ(ArmaLogLikelihood(3, 1, 0, 1, 0, 0, par, w, residuals, sigma2), kLogLikFailed);
  EXPECT_EQ(
      capture.messages(),
      (testing::Messages{{"Armax error", "Error in Armaxcomp: phitheta out-of-bounds", 0x10010u}}));
  EXPECT_EQ(sigma2, 7.0);
  EXPECT_EQ(residuals[0], 7.0);
}

TEST(ArmaObjective, SmallCasesInClosedFormAndRejectedPointsSilently) {
  testing::MessageCapture capture;
  const std::vector<double> w = {1.0, -2.0, 2.0, 0.5}, zeros = {0.0, 0.0, 0.0};
  const auto noise = NoiseSeries(20, 3u);
  const double rejected = kObjectiveRejected;
  const struct {
    const char* name;
    std::vector<double> w;
    int n, p, q, P;
    std::vector<double> par;
    double expected;
  } cases[] = {
      {"white noise: n ln(sum of squares)", w, 3, 0, 0, 0, {}, 3.0 * std::log(9.0)},
      // n = 1: S = w^2 / gamma(0), G = gamma(0) = 4/3, objective ln S + ln G = ln w^2.
      {"one value, lag 1 not read", {2.0}, 1, 1, 0, 0, {0.5}, std::log(4.0)},
      {"no values", {2.0}, 0, 1, 0, 0, {0.5}, rejected},
      {"AR root inside the kernel's bound", w, 4, 1, 0, 0, {0.99995}, rejected},
      {"MA(2) root inside the unit circle", w, 4, 0, 2, 0, {0.3, 1.5}, rejected},
      {"all zero: not minus infinity", zeros, 3, 1, 0, 0, {0.5}, rejected},
      // With frequency 1 seasonal coefficients are tested but do not enter.
      {"inadmissible seasonal with s = 1", noise, 20, 1, 0, 1, {0.5, 1.3}, rejected},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(ArmaObjective(c.n, c.p, c.q, 1, c.P, 0, c.par.data(), c.w.data()), c.expected,
                kClosedForm)
        << c.name;
  EXPECT_EQ(capture.size(), 0u);
  const double ar[] = {0.5}, with_seasonal[] = {0.5, 0.3};
  EXPECT_EQ(ArmaObjective(20, 1, 0, 1, 1, 0, with_seasonal, noise.data()),
            ArmaObjective(20, 1, 0, 1, 0, 0, ar, noise.data()));
}

TEST(PolynomialInadmissible, BoundsTheCoefficientOfDegreeOneAndTheRootsOfHigherDegrees) {
  // (1 - z / r1)(1 - z / r2) = 1 - (1/r1 + 1/r2) z + z^2 / (r1 r2); a complex pair r, conj(r)
  // gives c = (2 Re r / |r|^2, -1 / |r|^2).
  auto roots = [](double r1, double r2) {
    return std::vector<double>{1.0 / r1 + 1.0 / r2, -1.0 / (r1 * r2)};
  };
  const struct {
    std::vector<double> c;
    bool bad;
  } cases[] = {
      {{0.9999}, false},
      {{0.99990001}, true},
      {{-0.99991}, true},
      {roots(1.00009, 3.0), true},
      {roots(1.00011, 3.0), false},
      {roots(-1.00005, -4.0), true},
      {{2.0 * 0.6 / 1.44, -1.0 / 1.44}, false},  // modulus 1.2
      {{2.0 * 0.5 / 0.81, -1.0 / 0.81}, true},   // modulus 0.9
      // Trailing zeros lower the degree: 0.999900005 is rejected by the coefficient test though
      // its root lies at 1.0000999..., which a root test would pass.
      {{0.5, 0.0}, false},
      {{0.999900005, 0.0, 0.0}, true},
      {{0.0, 0.0}, false},
      {{}, false},
      {{0.2, std::nan("")}, true},
      {{INFINITY}, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PolynomialInadmissible(c.c.data(), static_cast<int>(c.c.size())), c.bad)
        << c.c.size() << " " << (c.c.empty() ? 0.0 : c.c[0]);
}

TEST(ArmaInadmissible, TestsEachPolynomialInItsOwnCoefficients) {
  // Seasonal AR 0.9 alone is admissible as a polynomial in B^s although the product with the
  // nonseasonal AR would not be examined.
  const double ok[] = {0.5, 0.4, 0.9, 0.8};
  EXPECT_FALSE(ArmaInadmissible(1, 1, 1, 1, ok));
  const double bad_ma[] = {0.5, 1.01, 0.9, 0.8};
  EXPECT_TRUE(ArmaInadmissible(1, 1, 1, 1, bad_ma));
  const double bad_sma[] = {0.5, 0.4, 0.9, -1.01};
  EXPECT_TRUE(ArmaInadmissible(1, 1, 1, 1, bad_sma));
  EXPECT_FALSE(ArmaInadmissible(0, 0, 0, 0, nullptr));
}

TEST(ExpandSeasonalOperators, MultipliesOutTheSeasonalOperators) {
  const double par[] = {0.5, 0.4, 0.9, 0.8};  // phi, theta, Phi, Theta
  std::vector<double> phi(14, 99.0), theta(14, 99.0);
  ASSERT_TRUE(ExpandSeasonalOperators(1, 1, 12, 1, 1, par, phi.data(), theta.data()));
  for (int k = 0; k <= 13; ++k) {
    const double ephi = k == 1 ? 0.5 : k == 12 ? 0.9 : k == 13 ? -0.45 : 0.0;
    const double etheta = k == 1 ? 0.4 : k == 12 ? 0.8 : k == 13 ? -0.32 : 0.0;
    EXPECT_EQ(phi[k], ephi) << k;
    EXPECT_DOUBLE_EQ(theta[k], etheta) << k;
  }
}

TEST(ExpandSeasonalOperators, OverlappingOrdersFailWithoutStoppingTheProcess) {
  testing::MessageCapture capture;
  const double par[] = {0.1, 0.1, 0.1, 0.1, 0.5};
  std::vector<double> phi(9, 0.0), theta(1, 0.0);
  EXPECT_FALSE(ExpandSeasonalOperators(4, 0, 4, 1, 0, par, phi.data(), theta.data()));
  const double ma[] = {0.1, 0.1, 0.5};
  std::vector<double> theta2(7, 0.0), phi2(1, 0.0);
  EXPECT_FALSE(ExpandSeasonalOperators(0, 2, 2, 0, 2, ma, phi2.data(), theta2.data()));
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{"Error in Phithetaplus: NAR >= seasonal frequency",
                                      "Error in Phithetaplus: NMA >= seasonal frequency"}));
  EXPECT_EQ(capture.messages()[0].title, "Armax error");
  // The objective turns such a request into a rejected point.
  const double w[] = {1.0, 2.0, -1.0, 0.5, 0.3, 0.1, -0.2, 0.4, 1.1, -0.7};
  EXPECT_EQ(ArmaObjective(10, 4, 0, 4, 1, 0, par, w), kObjectiveRejected);
}

TEST(WhitenDurbinLevinson, AR1HasUnitVariancesAfterTheFirst) {
  // AR(1), phi = 0.5: gamma(k) = 0.5^k / 0.75; v(0) = gamma(0), v(t) = 1 afterwards, so
  // G = gamma(0) and Z(t) = w(t) - 0.5 w(t-1) for t >= 2.
  const int n = 6;
  double acvf[n];
  for (int k = 0; k < n; ++k) acvf[k] = std::pow(0.5, k) / 0.75;
  const double X[2 * n] = {1, 2, 3, -1, 0.5, 4, /* second column */ 0, 1, 0, 1, 0, 1};
  double Z[2 * n];
  double A[n];
  double G = 0.0;
  ASSERT_TRUE(WhitenDurbinLevinson(acvf, X, n, 2, Z, G, A));
  EXPECT_NEAR(G, 1.0 / 0.75, kClosedForm);
  EXPECT_NEAR(A[0], std::sqrt(1.0 / 0.75), kClosedForm);
  for (int col = 0; col < 2; ++col) {
    EXPECT_NEAR(Z[col * n], X[col * n] / std::sqrt(1.0 / 0.75), kClosedForm);
    for (int t = 1; t < n; ++t) {
      EXPECT_NEAR(A[t], 1.0, kClosedForm);
      EXPECT_NEAR(Z[col * n + t], X[col * n + t] - 0.5 * X[col * n + t - 1], kClosedForm);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The filter (ArmaObjective, ArmaLogLikelihood, WhitenChandrasekhar) against the Durbin-Levinson
// pass over the autocovariances (ArmaAutocovariances over n lags, then WhitenDurbinLevinson), the
// O(n^2) route the likelihood took before.

struct Evaluation {
  double loglik = 0.0;
  std::vector<double> residuals;
};

// The full operators of m (element 0 unused), as the likelihood forms them.
void FullOperators(const Model& m, std::vector<double>& phi, std::vector<double>& theta) {
  const int s = m.s > 1 ? m.s : 0;
  phi.assign(static_cast<std::size_t>(m.p + s * m.P) + 1, 0.0);
  theta.assign(static_cast<std::size_t>(m.q + s * m.Q) + 1, 0.0);
  std::copy(m.par.begin(), m.par.begin() + m.p, phi.begin() + 1);
  std::copy(m.par.begin() + m.p, m.par.begin() + m.p + m.q, theta.begin() + 1);
  if (s > 0)
    ExpandSeasonalOperators(m.p, m.q, m.s, m.P, m.Q, m.par.data(), phi.data(), theta.data());
}

Evaluation DurbinLevinson(const Model& m, const std::vector<double>& w) {
  const int n = static_cast<int>(w.size());
  std::vector<double> phi, theta;
  FullOperators(m, phi, theta);
  const int np = static_cast<int>(phi.size()) - 1;
  const int nq = static_cast<int>(theta.size()) - 1;
  std::vector<double> acvf(w.size()), Z(w.size()), A(w.size());
  double G = 0.0;
  ArmaAutocovariances(n, np, nq, phi.data(), theta.data(), acvf.data());
  WhitenDurbinLevinson(acvf.data(), w.data(), n, 1, Z.data(), G, A.data());
  Evaluation ev;
  double S = 0.0;
  for (std::size_t t = 0; t < w.size(); ++t) {
    S += Z[t] * Z[t];
    ev.residuals.push_back(A[t] * Z[t]);
  }
  ev.loglik =
      -0.5 * (n * std::log(S) + std::log(G) + n * (1.0 + std::log(2.0 * std::numbers::pi / n)));
  return ev;
}

// ArmaLogLikelihood and the Durbin-Levinson pass agree: the log-likelihood absolutely, the
// residuals relative to the largest of them. Largest differences seen: 7.7e-12 and 3.0e-13, both
// for the MA(1) with its root at 1.001 on 1000 values.
void ExpectRoutesAgree(const Model& m, const std::vector<double>& w, const std::string& label) {
  Evaluation fast;
  fast.residuals.resize(w.size());
  double sigma2 = 0.0;
  fast.loglik = ArmaLogLikelihood(static_cast<int>(w.size()), m.p, m.q, m.s, m.P, m.Q, m.par.data(),
                                  w.data(), fast.residuals.data(), sigma2);
  const Evaluation reference = DurbinLevinson(m, w);
  EXPECT_NEAR(fast.loglik, reference.loglik, kRecursion) << label;
  double scale = 0.0, worst = 0.0;
  for (std::size_t t = 0; t < w.size(); ++t) {
    scale = std::max(scale, std::fabs(reference.residuals[t]));
    worst = std::max(worst, std::fabs(fast.residuals[t] - reference.residuals[t]));
  }
  EXPECT_LE(worst, kRouteResidual * scale) << label << ", n = " << w.size();
}

// data/<name>.csv (its logarithm when asked) differenced d times at lag 1 and D times at lag s,
// less its mean, as the ARIMA engine prepares a series.
std::vector<double> Working(const std::string& name, bool log, int d, int D, int s) {
  std::vector<double> w = testing::LoadDataset(name);
  if (log)
    for (double& v : w) v = std::log(v);
  auto difference = [&w](int lag) {
    for (std::size_t t = w.size(); t-- > static_cast<std::size_t>(lag);) w[t] -= w[t - lag];
    w.erase(w.begin(), w.begin() + lag);
  };
  for (int i = 0; i < d; ++i) difference(1);
  for (int i = 0; i < D; ++i) difference(s);
  double mean = 0.0;
  for (double v : w) mean += v / static_cast<double>(w.size());
  for (double& v : w) v -= mean;
  return w;
}

// n values of the ARMA process m with unit innovations, after 500 values of burn-in.
std::vector<double> SimulateArma(const Model& m, int n, unsigned seed) {
  const double* par = m.par.data();
  const int s = m.s > 1 ? m.s : 1;
  const auto ar = Multiply(Operator(par, m.p, 1), Operator(par + m.p + m.q, m.P, s));
  const auto ma = Multiply(Operator(par + m.p, m.q, 1), Operator(par + m.p + m.q + m.P, m.Q, s));
  const auto a = NoiseSeries(n + 500, seed);
  std::vector<double> w(a.size(), 0.0);
  for (std::size_t t = 0; t < a.size(); ++t) {
    double v = 0.0;
    for (std::size_t j = 0; j < ma.size() && j <= t; ++j) v += ma[j] * a[t - j];
    for (std::size_t i = 1; i < ar.size() && i <= t; ++i) v -= ar[i] * w[t - i];
    w[t] = v;
  }
  return {w.end() - n, w.end()};
}

std::string Orders(const Model& m) {
  std::ostringstream out;
  out << " (" << m.p << "," << m.q << ")(" << m.P << "," << m.Q << ")" << m.s;
  return out.str();
}

TEST(ArmaLogLikelihood, MatchesTheDurbinLevinsonPassOnTheSampleSeries) {
  // (0,1,1), (2,1,1) and (1,0,1)(1,0,0)s (for s = 1 without the seasonal factor) on each series,
  // the airline model at its estimates, and models with every factor.
  const std::pair<const char*, int> series[] = {
      {"airline", 12}, {"lynx", 1}, {"nile", 1}, {"ukgas", 4}, {"usaccdeaths", 12}};
  for (const auto& [name, s] : series) {
    const auto differenced = Working(name, false, 1, 0, s);
    ExpectRoutesAgree({0, 1, s, 0, 0, {0.4}}, differenced, std::string(name) + " (0,1,1)");
    ExpectRoutesAgree({2, 1, s, 0, 0, {0.5, -0.2, 0.6}}, differenced,
                      std::string(name) + " (2,1,1)");
    const Model seasonal =
        s > 1 ? Model{1, 1, s, 1, 0, {0.7, -0.3, 0.5}} : Model{1, 1, s, 0, 0, {0.7, -0.3}};
    ExpectRoutesAgree(seasonal, Working(name, false, 0, 0, s),
                      std::string(name) + " (1,0,1)(1,0,0)");
  }
  ExpectRoutesAgree({0, 1, 12, 0, 1, {0.4018, 0.5569}}, Working("airline", true, 1, 1, 12),
                    "airline model");
  ExpectRoutesAgree({2, 2, 12, 1, 1, {0.3, -0.2, 0.4, 0.1, 0.3, 0.5}},
                    Working("airline", true, 1, 1, 12), "airline (2,1,2)(1,1,1)12");
  ExpectRoutesAgree({1, 1, 4, 2, 2, {0.2, 0.5, 0.3, 0.2, 0.4, 0.3}},
                    Working("ukgas", true, 1, 1, 4), "ukgas (1,1,1)(2,1,2)4");
}

TEST(ArmaLogLikelihood, MatchesTheDurbinLevinsonPassOnSimulatedSeries) {
  const Model models[] = {
      {2, 2, 1, 0, 0, {0.5, -0.3, 0.4, 0.2}},  // the differenced ARIMA(2,1,2) of the benchmarks
      {1, 1, 1, 0, 0, {0.9, 1.0 / 1.05}},      // MA root 1.05: steady after some 400 values
      {0, 1, 12, 0, 1, {0.4, 0.6}},            // the airline model's ARMA part
      {1, 0, 12, 1, 0, {0.5, 0.95}},           // seasonal AR close to the unit circle
      {3, 0, 1, 0, 0, {0.6, 0.2, -0.3}},       // AR(3): exact after 3 values
      {0, 3, 4, 0, 1, {0.3, 0.2, 0.1, 0.5}},   // a seasonal MA factor beside a longer one
  };
  unsigned seed = 11;
  for (const Model& m : models)
    for (int n : {1, 2, 13, 50, 250, 1000, 1500})  // beyond 1,000: the other order of the sum
      ExpectRoutesAgree(m, SimulateArma(m, n, seed++), "simulated" + Orders(m));
}

TEST(ArmaLogLikelihood, MatchesTheDurbinLevinsonPassNearNonInvertibleModels) {
  // MA roots of modulus 1.001 to 1.01: the filter converges slowly and must stay exact to the end.
  // Data from each model and, for the MA(1) near 1, a differenced white noise (an MA(1) with its
  // root at 1, as an ARIMA fit meets it after one difference too many).
  for (double root : {1.001, 1.002, 1.005, 1.01}) {
    const Model models[] = {
        {0, 1, 1, 0, 0, {1.0 / root}},
        {0, 1, 1, 0, 0, {-1.0 / root}},
        {1, 1, 1, 0, 0, {0.5, 1.0 / root}},
        // A complex pair root exp(+-i pi/3): 1 - (2 Re / |r|^2) z + z^2 / |r|^2.
        {0, 2, 1, 0, 0, {1.0 / root, -1.0 / (root * root)}},
        // A seasonal MA factor with its 12 roots of modulus root.
        {0, 1, 12, 0, 1, {0.4, std::pow(root, -12.0)}},
    };
    unsigned seed = 101;
    for (const Model& m : models)
      for (int n : {100, 1000, 1500})
        ExpectRoutesAgree(m, SimulateArma(m, n, seed++),
                          "root " + std::to_string(root) + Orders(m));
    auto noise = NoiseSeries(1001, seed);
    for (std::size_t t = 0; t + 1 < noise.size(); ++t) noise[t] = noise[t + 1] - noise[t];
    noise.pop_back();
    ExpectRoutesAgree(models[0], noise, "differenced noise, root " + std::to_string(root));
  }
}

TEST(WhitenChandrasekhar, WhitensEveryColumnAsDurbinLevinson) {
  // The ARMAX use: the series and a column of ones, whitened with the same predictor.
  const Model m{1, 1, 4, 1, 0, {0.6, 0.3, 0.5}};
  std::vector<double> phi, theta;
  FullOperators(m, phi, theta);
  const int n = 300;
  std::vector<double> X = SimulateArma(m, n, 5u);
  X.resize(2 * n, 1.0);
  std::vector<double> Z(X.size()), Zref(X.size()), A(n), Aref(n), acvf(n);
  double G = 0.0, Gref = 0.0;
  ASSERT_TRUE(
      WhitenChandrasekhar(n, 5, 1, phi.data(), theta.data(), X.data(), 2, Z.data(), G, A.data()));
  ArmaAutocovariances(n, 5, 1, phi.data(), theta.data(), acvf.data());
  WhitenDurbinLevinson(acvf.data(), X.data(), n, 2, Zref.data(), Gref, Aref.data());
  EXPECT_NEAR(std::log(G), std::log(Gref), kRecursion);
  for (int t = 0; t < n; ++t) {
    EXPECT_NEAR(A[t], Aref[t], kRecursion) << t;
    EXPECT_NEAR(Z[t], Zref[t], kRecursion) << t;
    EXPECT_NEAR(Z[n + t], Zref[n + t], kRecursion) << t;
  }
  // Sizes that leave nothing to do are refused.
  EXPECT_FALSE(
      WhitenChandrasekhar(0, 5, 1, phi.data(), theta.data(), X.data(), 2, Z.data(), G, A.data()));
  EXPECT_FALSE(
      WhitenChandrasekhar(n, 5, 1, phi.data(), theta.data(), X.data(), 0, Z.data(), G, A.data()));
  EXPECT_FALSE(
      WhitenChandrasekhar(n, -1, 1, phi.data(), theta.data(), X.data(), 2, Z.data(), G, A.data()));
}

TEST(LikelihoodWorkspace, ReservedOnceServesEveryLaterEvaluationUnchanged) {
  const Model airline{0, 1, 12, 0, 1, {0.4, 0.6}};
  const Model small{1, 1, 1, 0, 0, {0.5, 0.3}};
  const auto w = SimulateArma(airline, 400, 9u);
  LikelihoodWorkspace ws;
  ASSERT_TRUE(ws.Reserve(400, 0, 1, 12, 0, 1));
  const long size = ws.size();
  std::vector<double> e1(w.size()), e2(w.size());
  double s1 = 0.0, s2 = 0.0;
  // Evaluations of the reserved model and of smaller ones take no storage and give the numbers of
  // a fresh evaluation, bit for bit, whatever the workspace held before.
  for (int round = 0; round < 2; ++round) {
    for (const Model& m : {airline, small}) {
      EXPECT_EQ(ArmaObjective(400, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(), ws),
                ArmaObjective(400, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data()));
      EXPECT_EQ(
          ArmaLogLikelihood(400, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(), e1.data(), s1,
                            ws),
          ArmaLogLikelihood(400, m.p, m.q, m.s, m.P, m.Q, m.par.data(), w.data(), e2.data(), s2));
      EXPECT_EQ(e1, e2);
      EXPECT_EQ(s1, s2);
    }
  }
  EXPECT_EQ(ws.size(), size);
  // A larger evaluation enlarges it; invalid sizes are refused and leave it as it was.
  const Model longer{0, 1, 12, 0, 2, {0.4, 0.6, 0.2}};
  ArmaObjective(400, longer.p, longer.q, longer.s, longer.P, longer.Q, longer.par.data(), w.data(),
                ws);
  EXPECT_GT(ws.size(), size);
  const long grown = ws.size();
  EXPECT_FALSE(ws.Reserve(0, 0, 1, 12, 0, 1));
  EXPECT_FALSE(ws.ReserveOperators(10, 1, -1, 1));
  EXPECT_EQ(ws.size(), grown);
}

}  // namespace
}  // namespace vordex::arma
