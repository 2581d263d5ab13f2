// The typed ARIMA interface: defaults, and failures as exceptions carrying status and messages.
#include "vordex/arima.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "arma/state_space.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "support/tolerances.h"
#include "vordex/names.hpp"

namespace vordex::arima {
namespace {

using vordex::testing::Airline;
using vordex::testing::kClosedForm;
using vordex::testing::kOptimiser;
using vordex::testing::kPeerEstimate;
using vordex::testing::kPeerHessian;
using vordex::testing::kPeerMaximum;

TEST(ArimaFit, DefaultsAreTheAirlineModel) {
  const Result r = Fit(Airline());
  // R 4.2.1, forecast 8.20, Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(r.ma.at(0), 0.4018, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.seasonal_ma.at(0), 0.5569, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.log_likelihood, 244.70, vordex::testing::kPeerLogLik);
  EXPECT_NEAR(r.sigma2, 0.001348, 1e-6);
  EXPECT_EQ(r.mean.size(), 24u);
  EXPECT_EQ(r.lost, 13);
  EXPECT_TRUE(std::isnan(r.residuals[12]) && !std::isnan(r.residuals[13]));
  EXPECT_FALSE(r.constant.has_value());
  EXPECT_TRUE(r.warnings.empty());
  // R counts ma1, sma1 and sigma2 over the 131 differenced values; the same call prints AIC
  // -483.40, AICc -483.21 and BIC -474.77 at its own optimum.
  EXPECT_NEAR(r.aic, -483.40, 2 * vordex::testing::kPeerLogLik);
  EXPECT_NEAR(r.aicc - r.aic, -483.21 + 483.40, 0.005);
  EXPECT_NEAR(r.bic - r.aic, -474.77 + 483.40, 0.005);
}

TEST(ArimaFit, FittedValuesAreOnTheObservationsScaleAndLimitsFollowTheirLevels) {
  const std::vector<double> y = Airline();
  const Result r = Fit(y, {.horizon = 6, .levels = {80.0, 95.0}});
  // Residuals are on the log scale: the log of a fitted value plus its residual is the log of
  // the observation.
  for (std::size_t t = 13; t < y.size(); ++t)
    EXPECT_NEAR(std::log(r.fitted[t]) + r.residuals[t], std::log(y[t]), 1e-12) << t;
  EXPECT_TRUE(std::isnan(r.fitted[12]));
  // On the log scale each limit lies z standard errors from the forecast: the half-widths of the
  // two levels stand in the ratio of their normal quantiles, qnorm(0.9) / qnorm(0.975).
  ASSERT_EQ(r.limits.size(), 2u);
  EXPECT_EQ(r.limits[0].level, 80.0);
  for (std::size_t h = 0; h < 6; ++h) {
    const double w80 = std::log(r.limits[0].upper[h]) - std::log(r.mean[h]);
    const double w95 = std::log(r.limits[1].upper[h]) - std::log(r.mean[h]);
    EXPECT_NEAR(w80 / w95, 1.2815515655446004 / 1.9599639845400536, 1e-12);
  }
  // A critical value replaces the levels with one pair labelled by its normal coverage.
  const Result c = Fit(y, {.horizon = 1, .critical_value = 1.959963984540054});
  ASSERT_EQ(c.limits.size(), 1u);
  EXPECT_NEAR(c.limits[0].level, 95.0, 1e-9);
  EXPECT_THROW(Fit(y, {.levels = {95.0, 100.0}}), Error);
}

TEST(ArimaFit, FailuresThrowWithStatusTextAndMessagesWithoutShowingThem) {
  testing::MessageCapture shown;
  Settings settings;
  settings.P = 1;
  settings.period = 1;
  try {
    Fit(Airline(), settings);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kArimaSeasonalForNonSeasonal);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Arima Error");
    EXPECT_EQ(e.messages()[0].text, "Seasonal model requested for non-seasonal data");
  }
  // The driver's failures keep the export's text and the box they raised.
  try {
    Fit(std::vector<double>(144, 0.0), {.transform = Transform::kNone});
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.text(), "Failure in Arimamain:\nModel could not be estimated");
    ASSERT_FALSE(e.messages().empty());
    EXPECT_EQ(e.messages()[0].text,
              "All transformed observations are zero: the series cannot be scaled");
  }
  // Beyond the export's limits: horizons and series up to ten million.
  Settings huge;
  huge.horizon = 10'000'001;
  try {
    Fit(Airline(), huge);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kArimaHorizonTooLarge);
  }
  huge = Settings{};
  huge.P = 3;
  huge.period = 2'000'000'000;  // p + P s would overflow 32 bits
  EXPECT_THROW(Fit(Airline(), huge), Error);
  try {
    Fit(std::vector<double>(10'000'001, 1.0));
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kTooManyObservations);
    EXPECT_NE(e.text().find("10000000"), std::string::npos);
  }
  EXPECT_EQ(shown.size(), 0u);
}

// LakeHuron with its year as regressor (no differencing, so no diffuse start: R's likelihood is
// ours). R 4.2.2: fit <- stats::arima(LakeHuron, c(2,0,0), xreg = time(LakeHuron), method = "ML",
// optim.control = list(reltol = 1e-14, ndeps = rep(1e-4, 4))); predict(fit, 5, newxreg =
// 1973:1977).
TEST(ArimaFit, RegressionWithArimaErrorsNamesItsCoefficientsAndForecastsFromTheFuture) {
  const auto lake = vordex::testing::PeerColumns("lakehuron");
  Settings s{.period = 1, .p = 2, .d = 0, .q = 0, .P = 0, .D = 0, .Q = 0, .constant = true};
  s.transform = Transform::kNone;
  s.regressors.Add("time", lake[1]);
  s.future.Add("time", std::vector<double>{1973, 1974, 1975, 1976, 1977});
  const Result r = Fit(lake[0], s);
  EXPECT_EQ(ModelName(r), "Regression with ARIMA(2,0,0) errors");
  ASSERT_EQ(r.regression.size(), 2u);
  EXPECT_EQ(r.regression[0].name, "mean");
  EXPECT_EQ(r.regression[1].name, "time");
  EXPECT_NEAR(r.regression[1].estimate, -0.021568136458738785, kPeerEstimate * 0.0216);
  EXPECT_NEAR(r.regression[1].standard_error, 0.0080987507803172484, kPeerHessian * 0.0081);
  EXPECT_NEAR(r.standard_errors.ar[0], 0.0976106062939710445, kPeerHessian * 0.0976);
  EXPECT_NEAR(r.log_likelihood, -101.19826716651419, kPeerEstimate * 101.2);
  ASSERT_EQ(r.mean.size(), 5u);
  // The limits lie qnorm(0.975) of R's standard errors away: 0.67573541329077202 at 1 step.
  EXPECT_NEAR(r.mean[0], 579.39725739012999, kPeerEstimate * 579.4);
  EXPECT_NEAR(r.limits[1].upper[0] - r.mean[0], 1.959963984540054 * 0.67573541329077202,
              kPeerEstimate * 1.33);
  // The drift is the regressor t = 1..n: the same fit, the mean moved by 1874 years of drift.
  Settings with_drift = s;
  with_drift.regressors = {};
  with_drift.future = {};
  with_drift.drift = true;
  with_drift.horizon = 5;
  const Result d = Fit(lake[0], with_drift);
  EXPECT_EQ(ModelName(d), "ARIMA(2,0,0) with constant and drift");
  EXPECT_NEAR(d.log_likelihood, r.log_likelihood, kPeerMaximum * 101.2);
  EXPECT_NEAR(d.regression[1].estimate, r.regression[1].estimate, kOptimiser * 0.0216);
  EXPECT_NEAR(d.regression[0].estimate, r.regression[0].estimate + 1874 * r.regression[1].estimate,
              kOptimiser);
  for (std::size_t h = 0; h < 5; ++h) EXPECT_NEAR(d.mean[h], r.mean[h], kOptimiser);
}

// A fit of the export's route also ends with its filter state, whose forecasts (exact conditional
// means) differ from the export's recursion (residuals before the first value taken as 0) only
// while the filter settles: 2.5e-7 for the airline model, 1e-11 for an ARIMA(1,1,1) on the Nile.
TEST(ArimaPredict, ForecastsFromTheStateOfTheExportsRouteAgreeWithItsOwn) {
  constexpr double kSettled = 1e-6;
  const Result fit = Fit(Airline());
  const Result again = Predict(fit, 24, {80.0, 95.0});
  for (std::size_t h = 0; h < 24; ++h) {
    EXPECT_NEAR(again.mean[h], fit.mean[h], kSettled * fit.mean[h]);
    EXPECT_NEAR(again.limits[1].lower[h], fit.limits[1].lower[h], kSettled * fit.mean[h]);
  }
  // R 4.2.2: sqrt(diag(arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML",
  // optim.control = list(reltol = 1e-14, ndeps = rep(1e-4, 2)))$var.coef)).
  EXPECT_NEAR(fit.standard_errors.ma[0], 0.089637531274806712, kPeerHessian * 0.0896);
  EXPECT_NEAR(fit.standard_errors.seasonal_ma[0], 0.073094982315465434, kPeerHessian * 0.0731);
}

// The regressors' future values must be the model's, by name, enough of them.
TEST(ArimaFit, RefusesFutureValuesThatAreNotTheModels) {
  const auto belts = vordex::testing::PeerColumns("seatbelts");
  Settings s{.period = 12, .p = 1, .d = 0, .q = 0, .P = 0, .D = 1, .Q = 1};
  s.regressors.Add("law", belts[1]);
  s.future.Add("petrol", std::vector<double>(6, 0.1));
  EXPECT_THROW(Fit(belts[0], s), Error);
  s.future = {};
  const Result r = Fit(belts[0], s);
  EXPECT_TRUE(r.mean.empty());  // no future values, no forecasts
  Regressors three;
  three.Add("law", std::vector<double>(3, 1.0));
  EXPECT_NO_THROW(Predict(r, 3, {95.0}, three));
  for (const Regressors& bad : {Regressors{}, three}) {
    try {
      Predict(r, 4, {95.0}, bad);
      FAIL() << "no exception";
    } catch (const Error& e) {
      EXPECT_EQ(e.status(), Status::kInvalidData) << e.text();
    }
  }
}

// The continuations of a fit: forecasts from its filter state are the fit's own; new values
// filtered in one part or in two give what the likelihood's filter gives on the whole series at
// the same estimates.
TEST(ArimaUpdate, EqualsFilteringTheWholeSeriesWithTheSameEstimates) {
  const auto belts = vordex::testing::PeerColumns("seatbelts");
  std::vector<double> y;
  for (double v : belts[0]) y.push_back(std::log(v));
  y[40] = y[180] = std::nan("");
  const std::size_t n = y.size(), n1 = 175, n2 = 185;  // the law from t = 170
  auto rows = [&](std::size_t from, std::size_t to) {
    Regressors x;
    x.Add("law", std::vector<double>(belts[1].begin() + from, belts[1].begin() + to));
    x.Add("petrol", std::vector<double>(belts[2].begin() + from, belts[2].begin() + to));
    return x;
  };
  Settings s{.period = 12, .p = 1, .d = 0, .q = 1, .P = 0, .D = 1, .Q = 1};
  s.transform = Transform::kNone;
  s.regressors = rows(0, n1);
  s.future = rows(n1, n1 + 6);
  const std::span<const double> all(y);
  const Result fit = Fit(all.first(n1), s);
  const Result again =
      Predict(fit, 6, fit.limits.size() == 2 ? std::vector<double>{80, 95} : std::vector<double>{},
              s.future);
  for (std::size_t h = 0; h < 6; ++h) {
    EXPECT_NEAR(again.mean[h], fit.mean[h], kClosedForm * std::fabs(fit.mean[h]));
    EXPECT_NEAR(again.limits[1].upper[h], fit.limits[1].upper[h], kClosedForm * 10.0);
  }
  const Result once = Update(fit, all.subspan(n1), rows(n1, n));
  const Result twice =
      Update(Update(fit, all.subspan(n1, n2 - n1), rows(n1, n2)), all.subspan(n2), rows(n2, n));
  // The kernel's filter over all values from the start, at the fit's estimates.
  const arma::RegArimaModel model{.p = 1, .d = 0, .q = 1, .P = 0, .D = 1, .Q = 1, .s = 12};
  const double par[] = {fit.ar[0], fit.ma[0], fit.seasonal_ma[0]};
  const std::vector<double> beta = {fit.regression[0].estimate, fit.regression[1].estimate};
  std::vector<double> X(belts[1]);
  X.insert(X.end(), belts[2].begin(), belts[2].end());
  arma::FilterState state;
  std::vector<double> predictions(n);
  ASSERT_TRUE(arma::RegArimaStart(model, par, state));
  ASSERT_TRUE(arma::RegArimaFilter(model, par, beta, {y, X, 2}, state, predictions));
  ASSERT_EQ(once.fitted.size(), n);
  for (std::size_t t = n1; t < n; ++t) {
    EXPECT_NEAR(once.fitted[t], predictions[t], kClosedForm * std::fabs(predictions[t])) << t;
    EXPECT_NEAR(twice.fitted[t], predictions[t], kClosedForm * std::fabs(predictions[t])) << t;
  }
  EXPECT_TRUE(std::isnan(once.residuals[180]));
  EXPECT_EQ(once.missing, 2);
  EXPECT_EQ(once.state.used, state.used);
  EXPECT_NEAR(once.state.sum_of_squares, state.ssq, kClosedForm * state.ssq);
  EXPECT_NEAR(twice.log_likelihood, once.log_likelihood, kClosedForm * 300.0);
  EXPECT_TRUE(once.mean.empty());  // no future values given
}

// Beyond the export's 1,000 values the estimation descends by quasi-Newton steps before its
// direction-set search. R 4.2.2, forecast 8.20, on Taylor's 4,032 half-hours:
// Arima(taylor, order = c(2,1,2), method = "ML") ends at log-likelihood -30028.192788 with ar
// 0.882660, -0.170599 and ma 0.296332, 0.345934 (R's MA sign); order c(1,1,1) at -30283.868363,
// ar 0.815177, ma 0.272039. Ours reaches the same maxima or a higher point of them; R's BFGS
// stops with coefficients a few 1e-3 away on the flat (2,1,2) ridge.
TEST(ArimaFit, LongSeriesReachRsMaxima) {
  const std::vector<double> y =
      testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor.csv")[0];
  ASSERT_EQ(y.size(), 4032u);
  const struct {
    int p, q;
    double log_likelihood;
    std::vector<double> ar, ma;
  } cases[] = {{2, 2, -30028.192788, {0.882660, -0.170599}, {-0.296332, -0.345934}},
               {1, 1, -30283.868363, {0.815177}, {-0.272039}}};
  for (const auto& c : cases) {
    Settings s{.period = 1, .p = c.p, .d = 1, .q = c.q, .P = 0, .D = 0, .Q = 0};
    s.transform = Transform::kNone;
    const Result r = Fit(y, s);
    EXPECT_GE(r.log_likelihood, c.log_likelihood - 1e-6) << c.p << c.q;
    EXPECT_LT(r.log_likelihood, c.log_likelihood + 1e-3) << c.p << c.q;
    for (std::size_t i = 0; i < c.ar.size(); ++i) EXPECT_NEAR(r.ar[i], c.ar[i], 2e-3);
    for (std::size_t i = 0; i < c.ma.size(); ++i) EXPECT_NEAR(r.ma[i], c.ma[i], 2e-3);
  }
}

}  // namespace
}  // namespace vordex::arima
