// The state space route of the ARIMA engine: R's fits of series with gaps and of regressions with
// ARIMA errors, the refusals of typed requests, and the filter state that ends every typed fit.
#include "arima/regression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "arima/run.h"
#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::arima {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kOptimiser;
using vordex::testing::kPeerEstimate;
using vordex::testing::kPeerHessian;
using vordex::testing::kPeerMaximum;

constexpr double kNA = std::numeric_limits<double>::quiet_NaN();

// A series with its regressors (n by k and h by k, by columns).
struct Data {
  std::vector<double> y;
  std::vector<std::string> names;
  std::vector<double> x, future;
};

// The series R was given; future regressors for h steps.
Data DataFor(const std::string& name, int h) {
  Data d;
  if (name == "presidents") {
    d.y = vordex::testing::PeerColumns("presidents")[0];
  } else if (name == "gold") {
    d.y = vordex::testing::PeerColumns("gold")[0];
  } else if (name == "airline") {  // log(AirPassengers)[-c(3, 14, ...)]
    for (double v : vordex::testing::Airline()) d.y.push_back(std::log(v));
    for (int t : {3, 14, 27, 40, 41, 77, 100, 118, 131, 144}) d.y[t - 1] = kNA;
  } else if (name == "LakeHuron") {  // xreg = time(LakeHuron)
    const auto c = vordex::testing::PeerColumns("lakehuron");
    d.y = c[0];
    d.names = {"time"};
    d.x = c[1];
    for (int j = 0; j < h; ++j) d.future.push_back(1973.0 + j);
  } else {  // log(drivers) ~ law + PetrolPrice; future: the law in force, the last price
    const auto c = vordex::testing::PeerColumns("seatbelts");
    for (double v : c[0]) d.y.push_back(std::log(v));
    d.names = {"law", "PetrolPrice"};
    d.x = c[1];
    d.x.insert(d.x.end(), c[2].begin(), c[2].end());
    d.future.assign(static_cast<std::size_t>(h), 1.0);
    d.future.insert(d.future.end(), static_cast<std::size_t>(h), c[2].back());
  }
  return d;
}

// R 4.2.2: fit <- stats::arima(y, order, seasonal, xreg, method = "ML", optim.control =
// list(reltol = 1e-14, maxit = 5000, ndeps = rep(1e-4, k))) (optim's differences of 1e-4 rather
// than 1e-3 bring R's estimates closer to the maximum); coef(fit), sqrt(diag(fit$var.coef)),
// fit$loglik, predict(fit, n.ahead = h, newxreg): the first and last forecasts and standard
// errors. R's coefficients in its order (ARMA, intercept, regressors), its MA coefficients of
// opposite sign.
struct RCase {
  const char* series;
  int p, d, q, P, D, Q, period;
  bool mean;
  std::vector<double> coef, se;
  double loglik;
  std::vector<double> forecast, forecast_se;
  int h;
};

const RCase kRCases[] = {
    {"presidents",
     1,
     0,
     0,
     0,
     0,
     0,
     1,
     true,  // order = c(1,0,0)
     {0.82415309674589077, 56.15041744499951193},
     {0.055460753845385839, 4.643123774851769525},
     -416.89227327146864,
     {29.653551346030056, 49.307366475075384},
     {9.2449251725199257, 15.9491737736461481},
     8},
    {"presidents",
     0,
     1,
     1,
     0,
     0,
     0,
     1,
     false,  // order = c(0,1,1)
     {-0.19325244429805527},
     {0.092560182810440178},
     -415.14359671333528,
     {24.061544501384066, 24.061544501384066},
     {9.4392406522353358, 22.2491759152528381},
     8},
    {"gold",
     0,
     1,
     1,
     0,
     0,
     0,
     1,
     false,  // order = c(0,1,1)
     {-0.33677128698968428},
     {0.029499430611448971},
     -3411.0139643186453,
     {383.10517764117378, 383.10517764117378},
     {5.7782356256108729, 12.8668757743320157},
     10},
    {"airline",
     0,
     1,
     1,
     0,
     1,
     1,
     12,
     false,  // order = c(0,1,1), seasonal = c(0,1,1)
     {-0.43153373865555694, -0.53081644598683930},
     {0.088287272382868848, 0.085825526842410904},
     224.78458410493627,
     {6.1239945838951417, 6.1901645497215219},
     {0.042569263834105579, 0.087107476181609772},
     12},
    {"LakeHuron",
     2,
     0,
     0,
     0,
     0,
     0,
     1,
     true,  // order = c(2,0,0), xreg = time(LakeHuron)
     {1.004817635710803847, -0.291301292456569993, 620.510233213928131590, -0.021568136458738785},
     {0.0976106062939710445, 0.1003648040137153363, 15.5781757938626519433, 0.0080987507803172484},
     -101.19826716651419,
     {579.39725739012999, 577.94203893823533},
     {0.67573541329077202, 1.12242952019662523},
     5},
    {"Seatbelts",
     1,
     0,
     1,
     0,
     1,
     1,
     12,
     false,  // order = c(1,0,1), seasonal = c(0,1,1),
             // xreg = cbind(law, PetrolPrice)
     {0.92973586229510130, -0.66832691388637500, -0.85196615420008626, -0.21722806271354855,
      -2.83744221251527096},
     {0.068734935658808616, 0.146395151475239821, 0.075973682670171683, 0.047042920538003609,
      1.068658063215393694},
     204.44795083285473,
     {7.2229750448417862, 7.1154213980501506},
     {0.074552224916768384, 0.083700063939828734},
     6},
};

Request RequestFor(const RCase& c, const Data& d) {
  Request r;
  r.period = c.period;
  r.horizon = c.h;
  r.p = c.p, r.d = c.d, r.q = c.q, r.P = c.P, r.D = c.D, r.Q = c.Q;
  r.mean = c.mean ? 1 : 0;
  r.names = d.names;
  r.xreg = d.x;
  r.future = d.future;
  r.bands = {{68.0, 1.0}};  // limits one standard error away
  return r;
}

// Our coefficients in R's order and signs.
std::vector<double> InRsTerms(const Estimates& fit) {
  std::vector<double> c(fit.phi);
  for (double v : fit.theta) c.push_back(-v);
  c.insert(c.end(), fit.Phi.begin(), fit.Phi.end());
  for (double v : fit.Theta) c.push_back(-v);
  c.insert(c.end(), fit.beta.begin(), fit.beta.end());
  return c;
}

std::vector<double> StandardErrorsOf(const Estimates& fit) {
  std::vector<double> se;
  for (const auto* block : {&fit.phi_se, &fit.theta_se, &fit.Phi_se, &fit.Theta_se, &fit.beta_se})
    se.insert(se.end(), block->begin(), block->end());
  return se;
}

double Relative(double value, double expected) {
  return std::fabs(value - expected) / std::fabs(expected);
}

// With R's diffuse start (kappa = 1e6) the fits are R's own: the log-likelihood, every
// coefficient, the first and last forecasts and their standard errors, and the coefficients'
// standard errors (R's from optim's differences of 1e-4 of its parameter scale).
TEST(EstimateStateSpace, ReproducesRsMaximumLikelihoodFits) {
  for (const RCase& c : kRCases) {
    SCOPED_TRACE(c.series + std::string(" p = ") + std::to_string(c.p));
    const Data d = DataFor(c.series, c.h);
    Request r = RequestFor(c, d);
    r.diffuse = arma::DiffuseStart::kLargeKappa;
    const Outcome out = arima::Run(r, d.y);
    ASSERT_TRUE(out.ok()) << out.text;
    const Estimates& fit = out.value;
    // Never below R's maximum: the differences are R's optimiser's.
    EXPECT_GT(fit.log_likelihood, c.loglik - kPeerMaximum * std::fabs(c.loglik));
    EXPECT_LT(Relative(fit.log_likelihood, c.loglik), kPeerEstimate);
    const std::vector<double> coef = InRsTerms(fit), se = StandardErrorsOf(fit);
    ASSERT_EQ(coef.size(), c.coef.size());
    for (std::size_t j = 0; j < coef.size(); ++j) {
      EXPECT_LT(Relative(coef[j], c.coef[j]), kPeerEstimate) << j;
      EXPECT_LT(Relative(se[j], c.se[j]), kPeerHessian) << j;
    }
    for (int e = 0; e < 2; ++e) {
      const std::size_t j = e == 0 ? 0 : static_cast<std::size_t>(c.h - 1);
      EXPECT_LT(Relative(fit.forecasts[j], c.forecast[e]), kPeerEstimate);
      EXPECT_LT(Relative(fit.bands[0].upper[j] - fit.forecasts[j], c.forecast_se[e]),
                kPeerEstimate);
    }
  }
}

// A value missing after the end changes no likelihood, so on it the state space route maximises
// the driver's likelihood of the complete series, and reaches its maximum.
TEST(EstimateStateSpace, ReachesTheDriversMaximumOnACompleteSeries) {
  std::vector<double> y = vordex::testing::Airline();
  Request r;
  r.period = 12;
  r.d = r.q = r.D = r.Q = 1;
  r.p = 1;
  r.transform = Transform::kLog;
  const Outcome driver = arima::Run(r, y);
  y.push_back(kNA);
  const Outcome space = arima::Run(r, y);
  ASSERT_TRUE(driver.ok() && space.ok());
  const double ll = driver.value.log_likelihood;
  EXPECT_GT(space.value.log_likelihood, ll - kPeerMaximum * std::fabs(ll));
  EXPECT_LT(Relative(space.value.log_likelihood, ll), kPeerMaximum);
  EXPECT_NEAR(space.value.phi[0], driver.value.phi[0], kOptimiser);
  EXPECT_NEAR(space.value.Theta[0], driver.value.Theta[0], kOptimiser);
}

// At a missing time the fitted value is the one-step prediction and the residual is NaN; at an
// observed one the two add up to the observation.
TEST(EstimateStateSpace, PredictsTheMissingValues) {
  const RCase& c = kRCases[0];
  const Data d = DataFor(c.series, c.h);
  const Outcome out = arima::Run(RequestFor(c, d), d.y);
  ASSERT_TRUE(out.ok());
  const Estimates& fit = out.value;
  for (std::size_t t = 0; t < d.y.size(); ++t) {
    EXPECT_TRUE(std::isfinite(fit.predictions[t])) << t;
    if (std::isnan(d.y[t]))
      EXPECT_TRUE(std::isnan(fit.residuals[t]));
    else
      EXPECT_NEAR(fit.predictions[t] + fit.residuals[t], d.y[t], kClosedForm * 100.0) << t;
  }
  EXPECT_EQ(fit.missing, 6);
}

// Each refusal of a typed request names what is wrong.
// R 4.2.2: arima(lynx, order = c(2, 0, 2), method = "CSS") and, for the raw drivers with a drift,
// the law and the petrol price, arima(drivers, order = c(1, 0, 3), seasonal = c(0, 1, 1), xreg =
// cbind(drift = 1:192, law, PetrolPrice), method = "CSS"): coefficients (MA signs turned to the
// engine's) and sigma2. R's BFGS stops within about 1e-7 of the minimum, so the sum of squares
// may lie a little below R's, not above it.
TEST(EstimateCss, ReachesRsConditionalSumOfSquaresFits) {
  const auto belts = vordex::testing::PeerColumns("seatbelts");
  const std::vector<std::string> names = {"law", "PetrolPrice"};
  std::vector<double> x = belts[1];
  x.insert(x.end(), belts[2].begin(), belts[2].end());
  Request lynx, drivers;
  lynx.p = lynx.q = 2;
  lynx.mean = 1;
  drivers.period = 12;
  drivers.p = drivers.D = drivers.Q = drivers.mean = 1;
  drivers.q = 3;
  drivers.names = names;
  drivers.xreg = x;
  struct Case {
    const Request& r;
    std::vector<double> y, coefficients;
    double sigma2;
  };
  const Case cases[] = {
      {lynx,
       vordex::testing::LoadDataset("lynx"),
       {1.342785362479877, -0.680442349869633, 0.196795810838835, 0.251917992375919},
       736811.960114206},
      {drivers,
       belts[0],
       {0.961294899067767, 0.678733488572751, 8.44395860878317e-05, 0.148739401368115,
        0.813913087769066},
       16729.3251141412}};
  for (const Case& c : cases) {
    const CssFit fit = EstimateCss(c.r, c.y);
    ASSERT_TRUE(fit.ok) << fit.note;
    EXPECT_LE(fit.sigma2, c.sigma2 * (1.0 + 1e-12)) << (fit.sigma2 - c.sigma2) / c.sigma2;
    EXPECT_GE(fit.sigma2, c.sigma2 * (1.0 - 1e-6));
    std::vector<double> got;
    for (const auto* part : {&fit.phi, &fit.theta, &fit.Phi, &fit.Theta})
      got.insert(got.end(), part->begin(), part->end());
    ASSERT_EQ(got.size(), c.coefficients.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.coefficients[i], 2e-3);
  }
}

TEST(CheckData, RefusesWhatCannotBeFittedSayingWhy) {
  const std::vector<double> t = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<double> y = {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8};
  const std::vector<std::string> one = {"t"}, two = {"t", "u"};
  std::vector<double> collinear = t, with_gap = t, constant(12, 2.0);
  for (double v : t) collinear.push_back(2.0 * v + 1.0);
  with_gap[4] = kNA;
  struct Case {
    void (*set)(Request&);
    std::span<const std::string> names;
    std::span<const double> xreg;
    std::vector<double> y;
    Status status;
    const char* says;
  };
  const Case cases[] = {
      {[](Request& r) { r.d = 2, r.drift = true; },
       {},
       {},
       y,
       Status::kInvalidSettings,
       "a drift needs d + D <= 1"},
      {[](Request& r) { r.d = 1, r.drift = true, r.mean = 1; },
       {},
       {},
       y,
       Status::kInvalidSettings,
       "the constant is the drift"},
      {[](Request& r) { r.mean = 1; }, two, collinear, y, Status::kInvalidData,
       "'u' is a linear combination of 'mean', 't'"},
      {[](Request&) {}, one, constant, y, Status::kInvalidData, "'t' is constant"},
      {[](Request&) {}, one, with_gap, y, Status::kInvalidData, "no finite value at time 5"},
      {[](Request& r) { r.d = 2; }, one, t, y, Status::kInvalidData,
       "differencing removes the regressor 't'"},
      {[](Request& r) { r.p = 4, r.d = 1, r.q = 4; },
       {},
       {},
       {3, kNA, 4, 1, kNA, 9, 2, 6, kNA, 3, 5, 8},
       Status::kTooFewObservations,
       "has 9 observed values; the model needs at least 10"},
      {[](Request& r) { r.transform = Transform::kLog; },
       {},
       {},
       {3, 1, -4, 1, 5, 9, 2, 6},
       Status::kInvalidData,
       "log of zero or negative values (the observation at time 3)"},
  };
  for (const Case& c : cases) {
    Request r;
    r.p = 1;
    c.set(r);
    r.names = c.names;
    r.xreg = c.xreg;
    const Outcome out = arima::Run(r, c.y);
    EXPECT_EQ(out.status, c.status) << c.says;
    EXPECT_NE(out.text.find(c.says), std::string::npos) << out.text;
  }
}

}  // namespace
}  // namespace vordex::arima
