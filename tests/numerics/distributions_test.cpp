#include "numerics/distributions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using vordex::testing::kClosedForm;

// R 4.2.2: sprintf("%.16f", qnorm(c(0.975, 0.95, 1e-10, 0.3))) (R's qnorm is AS 241 as well).
TEST(NormalQuantile, AgreesWithRsQnormInTheCentreAndBothTails) {
  EXPECT_NEAR(NormalQuantile(0.975), 1.9599639845400536, kClosedForm);
  EXPECT_NEAR(NormalQuantile(0.95), 1.6448536269514715, kClosedForm);
  EXPECT_NEAR(NormalQuantile(1e-10), -6.3613409024040557, kClosedForm * 10);
  EXPECT_NEAR(NormalQuantile(0.3), -0.5244005127080407, kClosedForm);
  EXPECT_EQ(NormalQuantile(0.5), 0.0);
  EXPECT_NEAR(NormalQuantile(0.2) + NormalQuantile(0.8), 0.0, kClosedForm);
}

TEST(NormalQuantile, GivesInfinitiesAtTheEndsAndNanOutside) {
  EXPECT_EQ(NormalQuantile(0.0), -INFINITY);
  EXPECT_EQ(NormalQuantile(1.0), INFINITY);
  EXPECT_TRUE(std::isnan(NormalQuantile(-0.1)));
  EXPECT_TRUE(std::isnan(NormalQuantile(NAN)));
}

// The tails of the regularised gamma function, computed directly (not as 1 - P), are accurate
// relative to their own size: a few ulps of the exponent of x^a e^-x / Gamma(a) (max seen 2.9e-15).
constexpr double kGammaTail = 1e-13;

struct TailCase {
  double a, x, expected;  // expected Q(a, x), or P(a, x) where marked
  bool lower;
};

// R 4.2.2: options(digits = 17);
//   pchisq(c(0.5, 3.84, 10, 25, 80, 300, 1e-3), df = c(1, 1, 3, 10, 22, 250, 4),
//          lower.tail = FALSE)   (a = df / 2, x = q / 2)
//   pgamma(c(0.1, 2.7, 9), shape = 2.7, lower.tail = FALSE); pgamma(0.05, 0.3); pgamma(35, 40)
TEST(RegularizedGamma, AgreesWithRsPgammaAndPchisqOnBothSidesOfTheSwitch) {
  const TailCase cases[] = {
      {0.5, 0.25, 4.7950012218695348e-01, false},  {0.5, 1.92, 5.0043521248705224e-02, false},
      {1.5, 5.0, 1.8566135463043233e-02, false},   {5.0, 12.5, 5.3455054871340644e-03, false},
      {11.0, 40.0, 1.6201952705774265e-08, false}, {125.0, 150.0, 1.6518273157868718e-02, false},
      {2.0, 5e-4, 9.9999987504165888e-01, false},  {2.7, 0.1, 0.999555168104925396, false},
      {2.7, 2.7, 0.419045488896948370, false},     {2.7, 9.0, 0.004027548103149343, false},
      {0.3, 0.05, 0.44843686210659273, true},      {40.0, 35.0, 0.21980955482531800, true},
  };
  for (const auto& c : cases) {
    const double p = RegularizedGammaP(c.a, c.x);
    const double q = RegularizedGammaQ(c.a, c.x);
    EXPECT_NEAR(c.lower ? p : q, c.expected, kGammaTail * c.expected) << c.a << " " << c.x;
    EXPECT_NEAR(p + q, 1.0, kClosedForm);
  }
  EXPECT_NEAR(ChiSquareUpperTail(80.0, 22.0), 1.6201952705774265e-08, kGammaTail * 1.6e-8);
  EXPECT_EQ(ChiSquareUpperTail(0.0, 3.0), 1.0);
  EXPECT_EQ(ChiSquareUpperTail(INFINITY, 3.0), 0.0);
  EXPECT_TRUE(std::isnan(ChiSquareUpperTail(1.0, 0.0)));
  EXPECT_TRUE(std::isnan(RegularizedGammaP(-1.0, 1.0)));
}

// Even degrees of freedom have a closed form: Pr(chi2_2k > x) = e^(-x/2) sum_{j<k} (x/2)^j / j!.
TEST(ChiSquareUpperTail, EqualsThePoissonSumForEvenDegreesOfFreedom) {
  for (int k : {1, 2, 5, 12}) {
    for (double x : {0.3, 4.0, 17.0, 60.0}) {
      double term = std::exp(-x / 2), sum = 0.0;
      for (int j = 0; j < k; ++j) {
        sum += term;
        term *= x / 2 / (j + 1);
      }
      EXPECT_NEAR(ChiSquareUpperTail(x, 2.0 * k), sum, kGammaTail * sum) << k << " " << x;
    }
  }
}

// R 4.2.2: options(digits = 17); lgamma(c(0.001, 0.5, 3.3, 171.5, 1e5));
//   pnorm(c(-8, -1.5, 0.3, 2.5, 6))
TEST(LogGammaAndNormalCdf, AgreeWithRsLgammaAndPnorm) {
  const double a[] = {0.001, 0.5, 3.3, 171.5, 1e5};
  const double lgamma[] = {6.9071788853838534e+00, 5.7236494292470008e-01, 9.8709857789473443e-01,
                           7.0914316303092835e+02, 1.0512877089736569e+06};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(LogGamma(a[i]), lgamma[i], kClosedForm * lgamma[i]);
  EXPECT_TRUE(std::isnan(LogGamma(0.0)));
  const double x[] = {-8, -1.5, 0.3, 2.5, 6};
  const double pnorm[] = {6.2209605742717849e-16, 6.6807201268858071e-02, 6.1791142218895267e-01,
                          9.9379033467422384e-01, 9.9999999901341230e-01};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(NormalCdf(x[i]), pnorm[i], kClosedForm * pnorm[i]);
  EXPECT_NEAR(NormalCdf(NormalQuantile(0.3)), 0.3, kClosedForm);
}

}  // namespace
}  // namespace vordex::numerics
