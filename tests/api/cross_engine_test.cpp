// Without a constant, the ARIMA and the ARMAX engines maximise the same exact Gaussian likelihood
// of the same transformed and differenced series, with different minimisers (Powell's direction
// sets against a quasi-Newton method) and different parameterisations of the search. Their optima
// must agree: log-likelihoods to 1e-4 (the ARIMA engine's after scaling back), coefficients to
// 1e-3.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/datasets.h"
#include "vordex/arima.hpp"
#include "vordex/armax.hpp"

namespace vordex {
namespace {

// Two minimisers stopped by relative tolerances near 1e-8 on an objective of size 1e2..1e3 agree
// on its value to a few 1e-6; 1e-4 leaves room for flat directions.
constexpr double kSameLogLik = 1e-4;  // max seen 6.1e-10
// Coefficients at such optima agree to about the square root of the objective's tolerance.
constexpr double kSameCoefficient = 1e-3;  // max seen 5.2e-6

struct Case {
  std::string dataset;
  int s, p, d, q, P, D, Q;
  bool log;
};

void ExpectSameFit(const Case& c) {
  SCOPED_TRACE(c.dataset);
  const std::vector<double> y = testing::LoadDataset(c.dataset);
  ASSERT_FALSE(y.empty());

  // Both engines get the same orders and no forecasts.
  const auto same_model = [&c](auto& settings) {
    settings.period = c.s;
    settings.horizon = 0;
    settings.p = c.p;
    settings.d = c.d;
    settings.q = c.q;
    settings.P = c.P;
    settings.D = c.D;
    settings.Q = c.Q;
  };
  arima::Settings a;
  same_model(a);
  a.constant = false;
  a.transform = c.log ? Transform::kLog : Transform::kNone;
  const arima::Result ra = arima::Fit(y, a);

  armax::Settings x;
  same_model(x);
  x.constant = false;
  x.transform = c.log ? Transform::kLog : Transform::kNone;
  const armax::Result rx = armax::Fit(y, x);

  EXPECT_NEAR(ra.log_likelihood, rx.log_likelihood, kSameLogLik);
  const auto same = [](const std::vector<double>& u, const std::vector<double>& v) {
    ASSERT_EQ(u.size(), v.size());
    for (std::size_t i = 0; i < u.size(); ++i) EXPECT_NEAR(u[i], v[i], kSameCoefficient) << i;
  };
  same(ra.ar, rx.ar);
  same(ra.ma, rx.ma);
  same(ra.seasonal_ar, rx.seasonal_ar);
  same(ra.seasonal_ma, rx.seasonal_ma);
  // The modelled series themselves are the same numbers.
  const std::size_t nd = static_cast<std::size_t>(c.d + c.s * c.D);
  ASSERT_EQ(ra.series.size(), rx.series.size() + nd);
  for (std::size_t t = 0; t < rx.series.size(); ++t)
    EXPECT_NEAR(ra.series[t + nd], rx.series[t], 1e-12 * (1.0 + std::abs(rx.series[t])));
}

TEST(CrossEngine, ArimaAndArmaxFindTheSameOptimum) {
  ExpectSameFit({"airline", 12, 0, 1, 1, 0, 1, 1, true});  // the airline model
  ExpectSameFit({"nile", 1, 1, 1, 1, 0, 0, 0, false});     // ARIMA(1,1,1)
  ExpectSameFit({"ukgas", 4, 1, 1, 0, 0, 1, 1, true});     // (1,1,0)(0,1,1)4 on the log scale
  ExpectSameFit({"usaccdeaths", 12, 0, 1, 1, 0, 1, 1, false});
}

// With a constant the ARMAX engine profiles the mean out by generalised least squares while the
// ARIMA engine removes the sample mean first, so at their optima the ARMAX log-likelihood is at
// least the ARIMA one; without a constant they are equal. Over the sample series (log scale,
// seasonal series seasonally differenced) and all orders up to 1, ARMAX must never end more than
// kNotBelow under the ARIMA engine. Before its estimates were refined it ended up to 6.6 below
// (ARIMA(1,1,1) with a constant on the Nile), and 17 below on monthly series of the M1
// competition with ARIMA(1,0,0)(0,1,1)12 and a constant.
constexpr double kNotBelow = 1e-3;

TEST(CrossEngine, ArmaxNeverEndsBelowArimaOnAGridOfOrders) {
  const std::pair<std::string, int> datasets[] = {
      {"airline", 12}, {"usaccdeaths", 12}, {"ukgas", 4}, {"nile", 1}, {"lynx", 1}};
  for (const auto& [name, s] : datasets) {
    const std::vector<double> y = testing::LoadDataset(name);
    const int D = s > 1 ? 1 : 0;
    const int seasonal = s > 1 ? 1 : 0;
    for (int d = 0; d <= 1; ++d)
      for (int p = 0; p <= 1; ++p)
        for (int q = 0; q <= 1; ++q)
          for (int P = 0; P <= seasonal; ++P)
            for (int Q = 0; Q <= seasonal; ++Q)
              for (bool constant : {false, true}) {
                if (p + q + P + Q == 0) continue;
                SCOPED_TRACE(name + " (" + std::to_string(p) + "," + std::to_string(d) + "," +
                             std::to_string(q) + ")(" + std::to_string(P) + "," +
                             std::to_string(D) + "," + std::to_string(Q) + ")" +
                             (constant ? " with constant" : ""));
                arima::Settings a{.period = s,
                                  .horizon = 0,
                                  .p = p,
                                  .d = d,
                                  .q = q,
                                  .P = P,
                                  .D = D,
                                  .Q = Q,
                                  .constant = constant,
                                  .transform = Transform::kLog};
                armax::Settings x{.period = s,
                                  .horizon = 0,
                                  .p = p,
                                  .d = d,
                                  .q = q,
                                  .P = P,
                                  .D = D,
                                  .Q = Q,
                                  .constant = constant,
                                  .transform = Transform::kLog};
                EXPECT_GE(armax::Fit(y, x).log_likelihood,
                          arima::Fit(y, a).log_likelihood - kNotBelow);
              }
  }
}

// The default estimations stop short of the optimum on models without seasonal differencing
// (the ARMAX engine's quasi-Newton search up to 37 below the ARIMA engine on the log UK gas
// series with ARMA(1,2), the ARIMA engine's direction sets up to 14 below the ARMAX engine), and
// the exports keep their numbers. The thorough estimation never ends below the default, and the
// ARMAX engine's never more than kNotBelow under the ARIMA engine's default on the same model.
TEST(CrossEngine, ThoroughEstimationNeverEndsBelowTheDefault) {
  const std::pair<std::string, int> datasets[] = {
      {"airline", 12}, {"usaccdeaths", 12}, {"ukgas", 4}, {"nile", 1}, {"lynx", 1}};
  for (const auto& [name, s] : datasets) {
    const std::vector<double> y = testing::LoadDataset(name);
    const int seasonal = s > 1 ? 1 : 0;
    for (int p = 1; p <= 2; ++p)
      for (int d = 0; d <= 1; ++d)
        for (bool constant : {false, true}) {
          SCOPED_TRACE(name + " (" + std::to_string(p) + "," + std::to_string(d) + ",1)" +
                       (constant ? " with constant" : ""));
          arima::Settings a{.period = s,
                            .horizon = 0,
                            .p = p,
                            .d = d,
                            .q = 1,
                            .P = seasonal,
                            .D = 0,
                            .Q = seasonal,
                            .constant = constant,
                            .transform = Transform::kLog};
          armax::Settings x{.period = s,
                            .horizon = 0,
                            .p = p,
                            .d = d,
                            .q = 1,
                            .P = seasonal,
                            .D = 0,
                            .Q = seasonal,
                            .constant = constant,
                            .transform = Transform::kLog};
          const double arima_default = arima::Fit(y, a).log_likelihood;
          const double armax_default = armax::Fit(y, x).log_likelihood;
          a.thorough = x.thorough = true;
          const double armax_thorough = armax::Fit(y, x).log_likelihood;
          EXPECT_GE(arima::Fit(y, a).log_likelihood, arima_default);
          EXPECT_GE(armax_thorough, armax_default);
          EXPECT_GE(armax_thorough, arima_default - kNotBelow);
        }
  }
}

}  // namespace
}  // namespace vordex
