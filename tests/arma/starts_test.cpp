#include "arma/starts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "arma/likelihood.h"
#include "support/simulate.h"

namespace vordex::arma {
namespace {

using testing::SimulateArma11;

// An estimate from n = 2000 values has a standard error near sqrt((1 - c^2) / n) <= 0.023;
// four standard errors.
constexpr double kFourStandardErrors = 0.09;

TEST(ArmaCss, IsTheMeanSquareOfTheSeriesForWhiteNoiseAndRejectsInadmissibleCoefficients) {
  const std::vector<double> w = {1.0, -2.0, 3.0, 0.5};
  const int n = 4, none = 0, one = 1, s = 1;
  EXPECT_DOUBLE_EQ(ArmaCss(n, none, none, s, none, none, nullptr, w.data()),
                   (1.0 + 4.0 + 9.0 + 0.25) / 4.0);
  // AR(1) at 0.5: residuals from t = 2 on are w(t) - 0.5 w(t-1), over n - 1 of them.
  const double phi = 0.5;
  EXPECT_DOUBLE_EQ(ArmaCss(n, one, none, s, none, none, &phi, w.data()),
                   (2.5 * 2.5 + 4.0 * 4.0 + 1.0 * 1.0) / 3.0);
  const double explosive = 1.5;
  EXPECT_EQ(ArmaCss(n, one, none, s, none, none, &explosive, w.data()), kObjectiveRejected);
}

TEST(CssEstimate, RecoversTheCoefficientOfASimulatedAutoregression) {
  const auto w = SimulateArma11(2000, 0.7, 0.0, 3u);
  const int n = 2000, p = 1, none = 0, s = 1;
  double phi = 0.0;
  ASSERT_TRUE(CssEstimate(n, p, none, s, none, none, w.data(), &phi));
  EXPECT_NEAR(phi, 0.7, kFourStandardErrors);
  // For a pure autoregression the conditional sum of squares is least squares on the lags.
  double sxy = 0.0, sxx = 0.0;
  for (int t = 1; t < n; ++t) {
    sxy += w[t] * w[t - 1];
    sxx += w[t - 1] * w[t - 1];
  }
  EXPECT_NEAR(phi, sxy / sxx, 1e-6);
}

TEST(HannanRissanenEstimate, ComesNearTheTruthForSimulatedMovingAverageAndMixedModels) {
  const int n = 2000, none = 0, one = 1, s = 1;
  double theta = 0.0;
  const auto ma = SimulateArma11(n, 0.0, 0.5, 5u);
  ASSERT_TRUE(HannanRissanenEstimate(n, none, one, s, none, none, ma.data(), &theta));
  EXPECT_NEAR(theta, 0.5, kFourStandardErrors);
  double par[2] = {};
  const auto arma = SimulateArma11(n, 0.6, -0.4, 6u);
  ASSERT_TRUE(HannanRissanenEstimate(n, one, one, s, none, none, arma.data(), par));
  EXPECT_NEAR(par[0], 0.6, kFourStandardErrors);
  EXPECT_NEAR(par[1], -0.4, kFourStandardErrors);
  // Too short for the regression: nothing is written.
  double untouched[2] = {9.0, 9.0};
  const int short_n = 3;
  EXPECT_FALSE(HannanRissanenEstimate(short_n, one, one, s, none, none, arma.data(), untouched));
  EXPECT_EQ(untouched[0], 9.0);
}

// (c1 - a1)^2 + (c2 - a2)^2 over the coefficients of an AR(2), rejected where the likelihood
// kernel rejects them.
struct Target {
  double a[2];
};
double Distance(void* context, double* par) {
  const auto& t = *static_cast<Target*>(context);
  if (ArmaInadmissible(2, 0, 0, 0, par + 1)) return kObjectiveRejected;
  return (par[1] - t.a[0]) * (par[1] - t.a[0]) + (par[2] - t.a[1]) * (par[2] - t.a[1]);
}

TEST(MinimiseOverPartialAutocorrelations, ReachesAnInteriorMinimumAndSlidesToAnEdgeOne) {
  // Inside: 1 - 0.5 z - 0.3 z^2 has roots 1.17 and -2.84.
  Target inside{{0.5, 0.3}};
  double par[3] = {0.0, 0.0, 0.0};
  EXPECT_LT(MinimiseOverPartialAutocorrelations(2, 0, 0, 0, {&Distance, &inside}, par), 1e-10);
  EXPECT_NEAR(par[1], 0.5, 1e-5);
  EXPECT_NEAR(par[2], 0.3, 1e-5);
  // Beyond the edge (1 - 1.3 z + 0.2 z^2 has a root inside the unit circle): the search ends on the
  // edge, where 1 - c1 - c2 = 0 up to the kernel's bound of 1.0001 on the roots, lower than at
  // the edge point (1, 0) of the first coordinate alone.
  Target beyond{{1.3, -0.2}};
  par[1] = par[2] = 0.0;
  const double f = MinimiseOverPartialAutocorrelations(2, 0, 0, 0, {&Distance, &beyond}, par);
  EXPECT_LT(f, kObjectiveRejected);
  EXPECT_NEAR(par[1] + par[2], 1.0, 1e-3);  // a root within 1.0001 of the unit circle
  EXPECT_LT(f, Distance(&beyond, std::vector<double>{0.0, 1.0, 0.0}.data()));
}

// The exact criterion of an ARMA(1,1) of a series, as the engines minimise it.
struct Series {
  std::vector<double> w;
};
double Exact(void* context, double* par) {
  const auto& w = static_cast<Series*>(context)->w;
  const int n = static_cast<int>(w.size()), one = 1, none = 0, s = 1;
  return ArmaObjective(n, one, one, s, none, none, par + 1, w.data());
}

TEST(MinimiseFromStarts, KeepsTheIncumbentOnTiesAndFindsTheOptimumFromABadOne) {
  Series series{SimulateArma11(300, 0.8, 0.3, 11u)};
  const int n = 300, one = 1, none = 0, s = 1;
  const double gain = 1e-6;
  // A poor incumbent (the white-noise end of the search): the starts find a lower optimum, one
  // that Powell's search from that optimum cannot improve on.
  double par[3] = {0.0, 0.0, 0.0};
  const double poor = Exact(&series, par);
  const double f = MinimiseFromStarts(n, one, one, s, none, none, series.w.data(),
                                      {&Exact, &series}, poor, false, gain, par);
  EXPECT_LT(f, poor - 1.0);
  EXPECT_DOUBLE_EQ(f, Exact(&series, par));
  // That optimum as the incumbent stands, exactly.
  const double kept[3] = {par[0], par[1], par[2]};
  EXPECT_EQ(MinimiseFromStarts(n, one, one, s, none, none, series.w.data(), {&Exact, &series}, f,
                               true, gain, par),
            f);
  EXPECT_EQ(par[1], kept[1]);
  EXPECT_EQ(par[2], kept[2]);
}

}  // namespace
}  // namespace vordex::arma
