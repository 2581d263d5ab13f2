#include "arma/state_space.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "numerics/powell.h"
#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::arma {
namespace {

using testing::kClosedForm;
using testing::kOptimiser;
using testing::kPeerMaximum;
using testing::kPeerSameFilter;
using testing::kRecursion;

constexpr double kNA = std::numeric_limits<double>::quiet_NaN();

// The columns of tests/arma/data/<name>.csv ("NA" for a missing value).
std::vector<std::vector<double>> Columns(const std::string& name) {
  return testing::LoadCsvColumns(std::string(VORDEX_ARMA_TEST_DATA_DIR) + "/" + name + ".csv");
}

std::vector<double> LogAirline() {
  auto y = testing::Airline();
  for (double& v : y) v = std::log(v);
  return y;
}

RegArimaModel Orders(int p, int d, int q, int P = 0, int D = 0, int Q = 0, int s = 1) {
  RegArimaModel m;
  m.p = p, m.d = d, m.q = q, m.P = P, m.D = D, m.Q = Q, m.s = s;
  return m;
}

// ---------------------------------------------------------------------------------------------
// Invariances.

// The factor of rows added in blocks by reflections equals the one of Givens rotations row by row
// (the triangular factor with a positive diagonal is unique): blocks of one, of five and of the
// likelihoods' size, over rows with exact zeros, a zero row and a leading column that starts at 0.
TEST(AddLeastSquaresRows, EqualsRotationsRowByRow) {
  constexpr int kCols = 4, kRows = 70;
  std::vector<double> rows;
  unsigned state = 12345;
  for (int t = 0; t < kRows; ++t)
    for (int j = 0; j < kCols; ++j) {
      state = state * 1103515245u + 12345u;
      const double u = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
      rows.push_back(t == 7 || (j == 0 && t < 3) || (j == 2 && t % 5 == 0) ? 0.0 : u * (j + 1));
    }
  std::vector<double> want(kCols * kCols, 0.0);
  std::vector<double> copy = rows;
  for (int t = 0; t < kRows; ++t) AddLeastSquaresRow(want.data(), kCols, copy.data() + t * kCols);
  for (const int block : {1, 5, kLeastSquaresBlock}) {
    std::vector<double> got(kCols * kCols, 0.0);
    copy = rows;
    for (int t = 0; t < kRows; t += block)
      AddLeastSquaresRows(got.data(), kCols, copy.data() + t * kCols, std::min(block, kRows - t));
    for (int i = 0; i < kCols * kCols; ++i)
      EXPECT_NEAR(got[i], want[i], 1e-12) << block << " " << i;
  }
}

TEST(RegArimaObjective, CompleteSeriesEqualsTheDifferencedSeriesLikelihood) {
  const auto y = LogAirline();
  struct Case {
    RegArimaModel model;
    std::vector<double> par;
  };
  const std::vector<Case> cases = {
      {Orders(0, 1, 1, 0, 1, 1, 12), {0.4, 0.6}},
      {Orders(2, 1, 1, 1, 1, 0, 12), {0.3, -0.2, 0.5, -0.4}},
      {Orders(1, 2, 0), {-0.5}},
      {Orders(1, 0, 1), {0.6, -0.3}},
  };
  for (const Case& c : cases) {
    const RegArimaModel& m = c.model;
    // The differenced series, (1 - B)^d (1 - B^s)^D y.
    std::vector<double> w = y;
    auto difference = [&w](int lag) {
      for (std::size_t t = w.size() - 1; t >= static_cast<std::size_t>(lag); --t)
        w[t] -= w[t - lag];
      w.erase(w.begin(), w.begin() + lag);
    };
    for (int i = 0; i < m.d; ++i) difference(1);
    for (int i = 0; i < m.D; ++i) difference(m.s);
    const double expected =
        ArmaObjective(static_cast<int>(w.size()), m.p, m.q, m.s, m.P, m.Q, c.par.data(), w.data());
    const double value = RegArimaObjective(m, c.par.data(), {y, {}, 0});
    EXPECT_NEAR(value, expected, kRecursion * std::fabs(expected)) << "d = " << m.d;
  }
}

TEST(RegArimaObjective, MissingValuesAtTheEndChangeNothing) {
  auto y = LogAirline();
  for (int t : {3, 14, 50, 51}) y[t] = kNA;
  const RegArimaModel m = Orders(0, 1, 1, 0, 1, 1, 12);
  const double par[] = {0.4, 0.6};
  const double cut = RegArimaObjective(m, par, {y, {}, 0});
  y.insert(y.end(), {kNA, kNA});
  EXPECT_EQ(RegArimaObjective(m, par, {y, {}, 0}), cut);
}

TEST(RegArimaEvaluate, ConstantRegressorGivesTheGlsMean) {
  // Second route: whiten y and the constant by the Chandrasekhar filter and regress.
  auto y = testing::LoadDataset("nile");
  const int n = static_cast<int>(y.size());
  const double par[] = {0.8, 0.4};
  const std::vector<double> ones(y.size(), 1.0);
  RegArimaFit fit;
  ASSERT_TRUE(RegArimaEvaluate(Orders(1, 0, 1), par, {y, ones, 1}, fit));
  std::vector<double> X = y, Z(2 * y.size());
  X.insert(X.end(), ones.begin(), ones.end());
  double G = 0.0;
  const double phi[] = {0.0, 0.8}, theta[] = {0.0, 0.4};
  ASSERT_TRUE(WhitenChandrasekhar(n, 1, 1, phi, theta, X.data(), 2, Z.data(), G, nullptr));
  double zy = 0.0, zz = 0.0;
  for (int t = 0; t < n; ++t) zy += Z[t] * Z[n + t], zz += Z[n + t] * Z[n + t];
  EXPECT_NEAR(fit.beta[0], zy / zz, kRecursion * std::fabs(fit.beta[0]));
  EXPECT_NEAR(fit.beta_covariance[0], fit.sigma2 / zz, kRecursion * fit.beta_covariance[0]);
  for (double& v : y) v -= fit.beta[0];
  EXPECT_NEAR(fit.objective, ArmaObjective(n, 1, 1, 1, 0, 0, par, y.data()),
              kRecursion * std::fabs(fit.objective));
  // Under differencing a constant is not identified.
  EXPECT_EQ(RegArimaObjective(Orders(1, 1, 1), par, {y, ones, 1}), kObjectiveRejected);
}

// The Seatbelts data with auto.arima's model: regressors, seasonal differencing.
struct Belts {
  std::vector<double> y, X;
  RegArimaModel model = Orders(1, 0, 1, 0, 1, 1, 12);
  std::vector<double> par = {0.93, 0.67, 0.85};
  Belts() {
    auto c = Columns("seatbelts");
    for (double v : c[0]) y.push_back(std::log(v));
    X = c[1];
    X.insert(X.end(), c[2].begin(), c[2].end());
  }
};

TEST(RegArimaFilter, ContinuingASavedStateEqualsFilteringAtOnce) {
  Belts b;
  b.y[4] = b.y[100] = kNA;
  const long n = static_cast<long>(b.y.size());
  for (long split : {5L, 180L}) {  // inside the diffuse part, and after the law (t = 170)
    std::vector<double> head(b.y.begin(), b.y.begin() + split), Xh;
    for (int j = 0; j < 2; ++j)
      Xh.insert(Xh.end(), b.X.begin() + j * n, b.X.begin() + j * n + split);
    // The saved state: the fit's (its GLS b) after the diffuse part, the filter's with a given b
    // inside it (too few values for a fit).
    FilterState saved, whole;
    std::vector<double> beta = {-0.2, -2.8};
    if (split > 12) {
      RegArimaFit fit;
      ASSERT_TRUE(RegArimaEvaluate(b.model, b.par.data(), {head, Xh, 2}, fit));
      saved = fit.state, beta = fit.beta;
    } else {
      ASSERT_TRUE(RegArimaStart(b.model, b.par.data(), saved));
      ASSERT_TRUE(RegArimaFilter(b.model, b.par.data(), beta, {head, Xh, 2}, saved));
    }
    // The rest after the saved state, and the whole from the start.
    std::vector<double> tail(b.y.begin() + split, b.y.end()), Xt;
    for (int j = 0; j < 2; ++j)
      Xt.insert(Xt.end(), b.X.begin() + j * n + split, b.X.begin() + (j + 1) * n);
    std::vector<double> pred_tail(tail.size()), pred_whole(b.y.size());
    ASSERT_TRUE(RegArimaFilter(b.model, b.par.data(), beta, {tail, Xt, 2}, saved, pred_tail));
    ASSERT_TRUE(RegArimaStart(b.model, b.par.data(), whole));
    ASSERT_TRUE(RegArimaFilter(b.model, b.par.data(), beta, {b.y, b.X, 2}, whole, pred_whole));
    for (std::size_t t = 0; t < tail.size(); ++t)
      EXPECT_NEAR(pred_tail[t], pred_whole[split + t], kClosedForm * 8.0) << "split " << split;
    for (int i = 0; i < whole.m; ++i) EXPECT_NEAR(saved.a[i], whole.a[i], kClosedForm * 8.0);
    for (std::size_t i = 0; i < whole.P.size(); ++i)
      EXPECT_NEAR(saved.P[i], whole.P[i], kClosedForm * std::fabs(whole.P[i]));
    EXPECT_EQ(saved.used, whole.used);
    EXPECT_NEAR(saved.ssq, whole.ssq, kClosedForm * whole.ssq);
    EXPECT_NEAR(saved.sumlog, whole.sumlog, kClosedForm);
  }
}

TEST(RegArimaForecast, EqualsThePredictionsOfMissingValuesAfterTheEnd) {
  Belts b;
  const int h = 15;
  RegArimaFit fit, extended;
  ASSERT_TRUE(RegArimaEvaluate(b.model, b.par.data(), {b.y, b.X, 2}, fit));
  const long n = static_cast<long>(b.y.size());
  std::vector<double> future(2 * h), y2 = b.y, X2;
  for (int j = 0; j < h; ++j) future[j] = 1.0, future[h + j] = 0.1 + 0.001 * j;
  y2.insert(y2.end(), h, kNA);
  for (int c = 0; c < 2; ++c) {
    X2.insert(X2.end(), b.X.begin() + c * n, b.X.begin() + (c + 1) * n);
    X2.insert(X2.end(), future.begin() + c * h, future.begin() + (c + 1) * h);
  }
  ASSERT_TRUE(RegArimaEvaluate(b.model, b.par.data(), {y2, X2, 2}, extended));
  std::vector<double> mean(h), variance(h);
  ASSERT_TRUE(RegArimaForecast(b.model, b.par.data(), fit.beta, fit.sigma2, fit.state, future, mean,
                               variance));
  for (int j = 0; j < h; ++j) {
    EXPECT_NEAR(mean[j], extended.predictions[n + j], kClosedForm * std::fabs(mean[j]));
    EXPECT_NEAR(variance[j], fit.sigma2 * extended.variance_ratios[n + j],
                kClosedForm * variance[j]);
  }
}

// ---------------------------------------------------------------------------------------------
// R's stats::arima(y, order, seasonal, xreg, method = "ML", optim.control = list(reltol = 1e-14,
// maxit = 2000)) and predict(fit, n.ahead = h, newxreg), R 4.2.2 (its large-kappa start,
// kappa = 1e6). R's MA coefficients carry the opposite sign; the regressors' coefficients follow
// the ARMA ones (an intercept, when there is one, first).

struct RCase {
  const char* name;
  RegArimaModel model;
  std::vector<double> coef;  // R's coef(fit), in R's signs
  double loglik, sigma2;
  double mean[2], se[2];  // the first and the last of h forecasts
  int h;
  double residual2;  // residuals(fit)[2]
};

// The ARMA coefficients in this library's signs and the regressors' coefficients.
void SplitCoefficients(const RCase& c, std::vector<double>& par, std::vector<double>& beta) {
  const RegArimaModel& m = c.model;
  par.assign(c.coef.begin(), c.coef.begin() + m.p + m.q + m.P + m.Q);
  for (int j = 0; j < m.q; ++j) par[m.p + j] = -par[m.p + j];
  for (int j = 0; j < m.Q; ++j) par[m.p + m.q + m.P + j] = -par[m.p + m.q + m.P + j];
  beta.assign(c.coef.begin() + static_cast<long>(par.size()), c.coef.end());
}

struct RData {
  std::vector<double> y, X, future;  // future: h by k
  int k = 0;
};

RData DataFor(const std::string& name, int h) {
  RData d;
  if (name.rfind("presidents", 0) == 0) {
    d.y = Columns("presidents")[0];
    if (name == "presidents") {  // with the intercept
      d.k = 1;
      d.X.assign(d.y.size(), 1.0);
      d.future.assign(static_cast<std::size_t>(h), 1.0);
    }
  } else if (name.rfind("gold", 0) == 0) {
    d.y = Columns("gold")[0];
  } else if (name == "airline") {  // log(AirPassengers) with ten values removed
    d.y = LogAirline();
    for (int t : {3, 14, 27, 40, 41, 77, 100, 118, 131, 144}) d.y[t - 1] = kNA;
  } else if (name == "LakeHuron") {  // xreg = time(LakeHuron), with the intercept
    d.y = Columns("lakehuron")[0];
    const int n = static_cast<int>(d.y.size());
    d.k = 2;
    d.X.assign(static_cast<std::size_t>(n), 1.0);
    for (int t = 0; t < n; ++t) d.X.push_back(1875.0 + t);
    d.future.assign(static_cast<std::size_t>(h), 1.0);
    for (int j = 0; j < h; ++j) d.future.push_back(1973.0 + j);
  } else {  // log(drivers) ~ law + PetrolPrice from Seatbelts; future: law 1, the last price
    Belts b;
    d.y = b.y;
    d.k = 2;
    if (name == "Seatbelts100") {  // with the intercept
      d.k = 3;
      d.X.assign(b.y.size(), 1.0);
      d.future.assign(static_cast<std::size_t>(h), 1.0);
    }
    d.X.insert(d.X.end(), b.X.begin(), b.X.end());
    d.future.insert(d.future.end(), static_cast<std::size_t>(h), 1.0);
    d.future.insert(d.future.end(), static_cast<std::size_t>(h), b.X.back());
  }
  return d;
}

std::vector<RCase> RCases() {
  auto with = [](RegArimaModel m) {
    m.start = DiffuseStart::kLargeKappa;
    return m;
  };
  // name, orders, coef, loglik, sigma2, {first, last mean}, {first, last se}, h, residual 2
  // clang-format off
  return {
      {"presidents", with(Orders(1, 0, 0)),
       {0.8241533441543083, 56.150417363297038},
       -416.89227327147876, 85.468639636568611, {29.653543377379044, 49.30734997663},
       {9.2449250746865772, 15.949181925569659}, 8, 17.472177034693235},
      {"presidents011", with(Orders(0, 1, 1)),
       {-0.19325240518183515},
       -415.14359671333182, 89.099264003495207, {24.061544470128428, 24.061544470128428},
       {9.439240647620009, 22.24917678898596}, 8, 0.086999926563907426},
      {"gold011", with(Orders(0, 1, 1)),
       {-0.33677099304602387},
       -3411.0139643186953, 33.385567365281588, {383.10517646104375, 383.10517646104375},
       {5.7782356073664651, 12.866880288676581}, 10, -6.3968870638350861},
      {"gold111", with(Orders(1, 1, 1)),
       {0.036283468303701986, -0.37021709524415158},
       -3410.9639012554057, 33.384899076975337, {383.15812609404901, 383.1904341326786},
       {5.7783119473518392, 12.73884619015762}, 10, -6.4019394950382731},
      {"airline", with(Orders(0, 1, 1, 0, 1, 1, 12)),
       {-0.4315331868046115, -0.53081596563358002},
       224.78458410483009, 0.0013245750887641223, {6.1239945787960508, 6.1901645348321734},
       {0.042569276402644005, 0.087107548950277905}, 12, 0.001258733638140884},
      {"LakeHuron", with(Orders(2, 0, 0)),
       {1.004817817090272, -0.29130118047249642, 620.51023238974744, -0.021568136252195391},
       -101.19826716652705, 0.45661834561741066, {579.39725784207906, 577.94203936852352},
       {0.67573541095417711, 1.1224299088787149}, 5, 1.5022448885415873},
      // auto.arima(log(drivers), xreg = cbind(law, PetrolPrice)) chooses (1,0,1)(0,1,1)[12].
      {"Seatbelts", with(Orders(1, 0, 1, 0, 1, 1, 12)),
       {0.92973457305903018, -0.66832395054388505, -0.85196664211952755, -0.21722783135124424,
        -2.8374438247211877},
       204.44795083255363, 0.0055486629235302629, {7.2229751981587373, 7.1154212318244312},
       {0.074552216345998082, 0.083700124052680402}, 6, 0.0076089756394664351},
      {"Seatbelts100", with(Orders(1, 0, 0, 1, 0, 0, 12)),
       {0.33581252564164865, 0.66575646823161627, 7.7259424301618145, -0.22087337427778639,
        -2.8171615884028469},
       189.59173573554475, 0.0078282635999420511, {7.2710151582392255, 7.1089861279913489},
       {0.088477475099270605, 0.093932131557121976}, 6, -0.08752660337652049},
  };
  // clang-format on
}

double RelativeError(double value, double expected) {
  return std::fabs(value - expected) / std::fabs(expected);
}

// At R's coefficients (b fixed at R's too): R's log-likelihood, sigma2, forecasts and standard
// errors, by the same filter.
TEST(RegArimaFilter, ReproducesRsArimaAtItsCoefficients) {
  for (const RCase& c : RCases()) {
    SCOPED_TRACE(c.name);
    const RData d = DataFor(c.name, c.h);
    std::vector<double> par, beta;
    SplitCoefficients(c, par, beta);
    FilterState state;
    ASSERT_TRUE(RegArimaStart(c.model, par.data(), state));
    std::vector<double> residuals(d.y.size());
    ASSERT_TRUE(
        RegArimaFilter(c.model, par.data(), beta, {d.y, d.X, d.k}, state, {}, {}, residuals));
    EXPECT_LT(RelativeError(residuals[1], c.residual2), kPeerSameFilter);
    const double U = static_cast<double>(state.used), sigma2 = state.ssq / U;
    const double loglik =
        -0.5 * (U * std::log(sigma2) + state.sumlog + U * (1.0 + std::log(2.0 * std::numbers::pi)));
    EXPECT_LT(RelativeError(loglik, c.loglik), kPeerSameFilter);
    EXPECT_LT(RelativeError(sigma2, c.sigma2), kPeerSameFilter);
    std::vector<double> mean(c.h), variance(c.h);
    ASSERT_TRUE(
        RegArimaForecast(c.model, par.data(), beta, sigma2, state, d.future, mean, variance));
    for (int e = 0; e < 2; ++e) {
      const int j = e == 0 ? 0 : c.h - 1;
      EXPECT_LT(RelativeError(mean[j], c.mean[e]), kPeerSameFilter);
      EXPECT_LT(RelativeError(std::sqrt(variance[j]), c.se[e]), kPeerSameFilter);
    }
  }
}

struct FitContext {
  RegArimaModel model;
  RegArimaData data;
  StateSpaceWorkspace ws;
};

double Criterion(void* context, double* p) {
  auto* f = static_cast<FitContext*>(context);
  return RegArimaObjective(f->model, p + 1, f->data, f->ws);
}

// Our maximum from R's estimates perturbed: R's log-likelihood (its optimiser stopped close to
// the maximum), and its estimates within the optimisers' accuracy.
TEST(RegArimaObjective, MaximumMatchesRsArima) {
  for (const RCase& c : RCases()) {
    SCOPED_TRACE(c.name);
    const RData d = DataFor(c.name, c.h);
    std::vector<double> par, beta;
    SplitCoefficients(c, par, beta);
    const int np = static_cast<int>(par.size());
    std::vector<double> p(np + 1);
    for (int j = 0; j < np; ++j) p[j + 1] = 0.9 * par[j];
    FitContext context{c.model, {d.y, d.X, d.k}, {}};
    double value = 0.0;
    ASSERT_NE(numerics::Minimise(np, p.data(), &value, 1e-12, {&Criterion, &context}),
              numerics::kPowellFailed);
    RegArimaFit fit;
    ASSERT_TRUE(RegArimaEvaluate(c.model, p.data() + 1, context.data, fit));
    EXPECT_GT(fit.log_likelihood, c.loglik - kPeerMaximum * std::fabs(c.loglik));
    EXPECT_LT(RelativeError(fit.log_likelihood, c.loglik), kPeerMaximum);
    for (int j = 0; j < np; ++j) EXPECT_NEAR(p[j + 1], par[j], kOptimiser);
    for (std::size_t j = 0; j < beta.size(); ++j)
      EXPECT_NEAR(fit.beta[j], beta[j], kOptimiser * (1.0 + std::fabs(beta[j])));
  }
}

}  // namespace
}  // namespace vordex::arma
