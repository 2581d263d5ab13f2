#include "auto/autoregression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::automatic {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerPrinted;
// Least squares by Householder QR here and by the normal equations in R, on regressors whose
// condition number reaches about 1e3: a few 1e-10 relative in the coefficients.
constexpr double kLeastSquares = 1e-8;

std::vector<double> Log10(std::vector<double> y) {
  for (double& v : y) v = std::log10(v);
  return y;
}

// R 4.2.2: a <- ar.ols(x, aic = TRUE, demean = TRUE, intercept = TRUE); a$order, a$ar, a$var.pred,
// a$x.mean, a$x.intercept; p <- predict(a, n.ahead = 5); p$pred, p$se.
TEST(Autoregression, AgreesWithArOlsOnTheClassicSeries) {
  struct Case {
    std::string what;
    std::vector<double> x;
    int order;
    std::vector<double> ar;  // the first three
    double sigma2, mean, intercept;
    std::vector<double> pred, se;
    double first_residual;  // a$resid[order + 1]
  };
  const Case cases[] = {
      {"log10(lynx)",
       Log10(testing::LoadDataset("lynx")),
       12,
       {1.0650309808753331, -0.4437973248369615, 0.2725560140954100},
       0.0338149836552759,
       2.90366375326912,
       -0.00287918260040797,
       {3.45674845538741, 3.21410487488611, 2.83324474379572, 2.48994815748013, 2.39289458006354},
       {0.183888508763533, 0.268646635843512, 0.297142009223327, 0.313021969491277,
        0.316513045361895},
       0.1726105285579009},
      {"Nile",
       testing::LoadDataset("nile"),
       11,
       {0.3928485776503960, 0.2099339092544219, -0.0037036473553302},
       15187.7844431573,
       919.35,
       -14.1279813720582,
       {723.760709233581, 888.146437898846, 845.069930533132, 783.852965468144, 932.098530151563},
       {123.238729477211, 132.407383825943, 139.810425431133, 142.459073852631, 142.549242232739},
       -73.9196321677017},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome<AutoregressionResult> out = Autoregression({.horizon = 5, .levels = {95.0}}, c.x);
    ASSERT_TRUE(out.ok()) << out.text;
    const AutoregressionResult& r = out.value;
    ASSERT_EQ(r.order, c.order);
    for (std::size_t i = 0; i < c.ar.size(); ++i)
      EXPECT_NEAR(r.ar[i], c.ar[i], kLeastSquares * std::fabs(c.ar[i]));
    EXPECT_NEAR(r.sigma2, c.sigma2, kLeastSquares * c.sigma2);
    EXPECT_NEAR(r.mean, c.mean, kPeerPrinted * c.mean);
    EXPECT_NEAR(r.intercept, c.intercept, kLeastSquares * c.mean);
    for (std::size_t h = 0; h < c.pred.size(); ++h) {
      EXPECT_NEAR(r.forecasts[h], c.pred[h], kLeastSquares * c.pred[h]);
      // The 95% limits lie qnorm(0.975) standard errors either side.
      const double se = (r.limits[0].upper[h] - r.limits[0].lower[h]) / (2 * 1.959963984540054);
      EXPECT_NEAR(se, c.se[h], kLeastSquares * c.se[h]);
      EXPECT_NEAR(r.limits[0].upper[h] - r.forecasts[h], r.forecasts[h] - r.limits[0].lower[h],
                  kClosedForm * c.pred[h]);
    }
    // The first p times have no prediction; the others are the data less R's residuals.
    EXPECT_TRUE(std::isnan(r.fitted[static_cast<std::size_t>(c.order) - 1]));
    EXPECT_NEAR(r.residuals[c.order], c.first_residual, kLeastSquares * c.mean);
  }
}

TEST(Autoregression, AGivenOrderBoundAndAPeriodicSeriesStopTheOrders) {
  // R 4.2.2: ar.ols(log10(lynx), aic = TRUE, order.max = 3) chooses order 2 with these
  // coefficients (12 without the bound).
  const std::vector<double> lynx = Log10(testing::LoadDataset("lynx"));
  const Outcome<AutoregressionResult> capped =
      Autoregression({.horizon = 0, .levels = {}, .max_order = 3}, lynx);
  ASSERT_TRUE(capped.ok());
  ASSERT_EQ(capped.value.order, 2);
  EXPECT_NEAR(capped.value.ar[0], 1.384237711639364, kLeastSquares);
  EXPECT_NEAR(capped.value.ar[1], -0.747775720384365, kLeastSquares);

  // A series of period 2 without noise: order 1 fits exactly (z_t = -z_{t-1}) and order 2 has
  // dependent lags, so the orders stop there with the exact fit and a variance of 0.
  std::vector<double> x;
  for (int t = 0; t < 40; ++t) x.push_back(t % 2 == 0 ? 5.0 : 3.0);
  const Outcome<AutoregressionResult> exact = Autoregression({.horizon = 3, .levels = {80}}, x);
  ASSERT_TRUE(exact.ok());
  EXPECT_LE(exact.value.order, 1);
  EXPECT_NEAR(exact.value.forecasts[0], 5.0, kClosedForm * 5);
  EXPECT_NEAR(exact.value.forecasts[1], 3.0, kClosedForm * 5);

  EXPECT_EQ(Autoregression({}, std::vector<double>{1, 2}).status, Status::kTooFewObservations);
  EXPECT_EQ(Autoregression({}, std::vector<double>{1, NAN, 2, 3}).status, Status::kInvalidData);
  EXPECT_EQ(Autoregression({.max_order = 4}, std::vector<double>{1, 2, 4, 3}).status,
            Status::kInvalidSettings);
}

}  // namespace
}  // namespace vordex::automatic
