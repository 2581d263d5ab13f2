#include "numerics/kernels/dzplrc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "numerics/kernels/error_state.h"
#include "support/roots.h"
#include "support/tolerances.h"

namespace vordex::kernels {
namespace {

using cplx = std::complex<double>;
using testing::kClosedForm;
using testing::kMultipleRoot;
using testing::kRootResidual;
using testing::RootMismatch;
const auto FromRoots = testing::RealPolynomialFromRoots;

std::vector<cplx> Roots(const std::vector<double>& coeff) {
  const int ndeg = int(coeff.size()) - 1;
  std::vector<double> root(2 * std::size_t(ndeg), -1.0);
  DZPLRC(ndeg, coeff.data(), root.data());
  std::vector<cplx> z;
  for (int k = 0; k < ndeg; ++k) z.emplace_back(root[2 * k], root[2 * k + 1]);
  return z;
}

// |p(z)| / sum |a_i| |z|^i, evaluated in long double so that the test's own rounding is far
// below the tolerance.
double RelativeResidual(const std::vector<double>& a, cplx z) {
  using lc = std::complex<long double>;
  const lc zl(z.real(), z.imag());
  lc p = 0.0L;
  long double scale = 0.0L;
  const long double az = std::abs(zl);
  for (std::size_t i = a.size(); i-- > 0;) {
    p = p * zl + lc(a[i], 0.0L);
    scale = scale * az + std::fabs((long double)a[i]);
  }
  return double(std::abs(p) / scale);
}

TEST(Dzplrc, LowDegreesInClosedForm) {
  const double third = 2.0 * std::numbers::pi / 3.0;
  const struct {
    std::vector<double> a;
    std::vector<cplx> roots;
  } cases[] = {
      {{3.0, -4.0}, {0.75}},
      {{1.0, -2.5, 1.0}, {0.5, 2.0}},
      {{1.0, 0.0, 1.0}, {cplx(0, 1), cplx(0, -1)}},
      // Widely separated roots: the cancellation-free formula keeps the small one accurate.
      {{1.0, -1e8 - 1e-8, 1.0}, {1e-8, 1e8}},
      {{1.0, 0.0, 0.0, -0.125}, {2.0, std::polar(2.0, third), std::polar(2.0, -third)}},
      // z^2 (z - 1)(z + 2): the two zero roots are exact.
      {FromRoots({0.0, 0.0, 1.0, -2.0}), {0.0, 0.0, 1.0, -2.0}},
  };
  for (const auto& c : cases) {
    const auto z = Roots(c.a);
    EXPECT_EQ(N1RTY(1), 0);
    EXPECT_LT(RootMismatch(z, c.roots), kClosedForm) << c.roots[0];
    // Small roots to their own relative accuracy, zero roots exactly.
    for (const cplx& r : c.roots) {
      double nearest = INFINITY;
      for (const cplx& x : z) nearest = std::min(nearest, std::abs(x - r));
      EXPECT_TRUE(std::abs(r) >= 1e-6 || nearest <= kClosedForm * std::abs(r)) << r;
    }
  }
}

TEST(Dzplrc, RepeatedRootsComeBackToTheirConditioning) {
  const std::vector<cplx> expected = {
      1.0, 1.0, 1.0, -2.0, cplx(0.5, 0.5), cplx(0.5, -0.5), cplx(0.5, 0.5), cplx(0.5, -0.5)};
  const auto a = FromRoots(expected);
  const auto z = Roots(a);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_LT(RootMismatch(z, expected), kMultipleRoot);
  for (const cplx& r : z) EXPECT_LT(RelativeResidual(a, r), kRootResidual) << r;
}

TEST(Dzplrc, RootsNearTheUnitCircleKeepTheirSide) {
  // Moduli just inside and just outside the admissibility threshold 1.0001.
  std::vector<cplx> expected;
  for (int k = 0; k < 6; ++k) {
    const double angle = 0.3 + 0.5 * k;
    const double radius = k % 2 == 0 ? 1.00005 : 1.00015;
    expected.push_back(std::polar(radius, angle));
    expected.push_back(std::polar(radius, -angle));
  }
  expected.push_back(0.99995);
  expected.push_back(-1.00015);
  const auto a = FromRoots(expected);
  const auto z = Roots(a);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_LT(RootMismatch(z, expected), 1e-10);
  int inside = 0;
  for (const cplx& r : z) inside += std::abs(r) < 1.0001 ? 1 : 0;
  EXPECT_EQ(inside, 7);
}

TEST(Dzplrc, RandomPolynomialsUpToDegreeHundred) {
  std::mt19937 gen(20240611);
  std::uniform_real_distribution<double> unif(-1.0, 1.0);
  for (int ndeg : {3, 7, 20, 50, 99, 100}) {
    for (int rep = 0; rep < 3; ++rep) {
      std::vector<double> a(std::size_t(ndeg) + 1);
      for (double& ai : a) ai = unif(gen);
      const auto z = Roots(a);
      ASSERT_EQ(N1RTY(1), 0) << ndeg;
      double worst = 0.0;
      cplx sum = 0.0;
      for (const cplx& r : z) {
        worst = std::max(worst, RelativeResidual(a, r));
        sum += r;
      }
      EXPECT_LT(worst, kRootResidual) << "degree " << ndeg;  // max seen 1.3e-15
      // Vieta: the roots add up to -a(n-1)/a(n); a second check that no root is repeated in
      // place of another.
      EXPECT_NEAR(sum.real(), -a[ndeg - 1] / a[ndeg],
                  1e-8 * (1.0 + std::abs(a[ndeg - 1] / a[ndeg])))
          << ndeg;
      EXPECT_NEAR(sum.imag(), 0.0, 1e-8) << ndeg;
    }
  }
}

TEST(Dzplrc, WidelyScaledCoefficients) {
  // Roots 1e-3, 1, 1e3, 1e6: the coefficients span eighteen orders of magnitude.
  const std::vector<cplx> expected = {1e-3, 1.0, 1e3, 1e6};
  const auto z = Roots(FromRoots(expected));
  EXPECT_EQ(N1RTY(1), 0);
  std::vector<cplx> sorted = z;
  std::sort(sorted.begin(), sorted.end(), [](cplx a, cplx b) { return std::abs(a) < std::abs(b); });
  for (std::size_t k = 0; k < 4; ++k)
    EXPECT_NEAR(std::abs(sorted[k] - expected[k]) / std::abs(expected[k]), 0.0, 1e-10) << k;
}

TEST(Dzplrc, DegreeOutOfRangeIsTerminalAndLeavesRootUntouched) {
  for (int ndeg : {0, -1, 101}) {
    const std::vector<double> coeff(103, 1.0);
    std::vector<double> root(204, 7.0);
    DZPLRC(ndeg, coeff.data(), root.data());
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(KernelErrorMessage(),
              "The degree of the polynomial must be less than 101 and greater than zero.  NDEG "
              "is given as " +
                  std::to_string(ndeg) + ".");
    EXPECT_TRUE(std::all_of(root.begin(), root.end(), [](double v) { return v == 7.0; }));
  }
}

TEST(Dzplrc, RootsNotFoundAreSetToFinityWithAWarning) {
  const cplx inf(FINITY, 0.0);
  // (z - 1)(z - 2) written as a cubic with a zero leading coefficient.
  const auto z = Roots({2.0, -3.0, 1.0, 0.0});
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(IERCD(), 1);
  EXPECT_EQ(z[2], inf);
  EXPECT_LT(RootMismatch({z[0], z[1]}, {1.0, 2.0}), kClosedForm);
  // Every coefficient but the constant vanishes: no finite root.
  EXPECT_EQ(Roots({5.0, 0.0, 0.0}), (std::vector<cplx>{inf, inf}));
  EXPECT_EQ(IERCD(), 1);
  // A coefficient that is not a number: no root at all.
  EXPECT_EQ(Roots({1.0, std::nan(""), 1.0, 1.0}), (std::vector<cplx>{inf, inf, inf}));
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(IERCD(), 2);
  EXPECT_EQ(KernelErrorMessage(),
            "Only 0 roots were found.  The last 3 roots will be set to CMPLX(FINITY,0.0) where "
            "FINITY is the largest machine constant.");
}

}  // namespace
}  // namespace vordex::kernels
