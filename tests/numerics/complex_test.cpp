#include "numerics/complex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "support/capture.h"
#include "support/roots.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using testing::kClosedForm;
using testing::kLaguerreBackward;
using testing::kLaguerreDoubleRoot;
using testing::kLaguerreRoot;
using testing::RootMismatch;
using cd = std::complex<double>;

constexpr unsigned kWarning = 0x30;

std::vector<dcomplex> ToDcomplex(const std::vector<cd>& v) {
  std::vector<dcomplex> out;
  for (const cd& c : v) out.push_back(Complex(c.real(), c.imag()));
  return out;
}

// ZRoots on the coefficients a[0..m]: roots[1..m] as std::complex, checked to be sorted by real
// part and to leave index 0 alone.
std::vector<cd> Roots(const std::vector<dcomplex>& a, bool polish) {
  const int m = static_cast<int>(a.size()) - 1;
  std::vector<dcomplex> out(m + 1, Complex(-7.0, -7.0));
  EXPECT_EQ(ZRoots(a.data(), m, out.data(), polish), 1);
  EXPECT_EQ(out[0].r, -7.0);
  std::vector<cd> found;
  for (int k = 1; k <= m; ++k) found.emplace_back(out[k].r, out[k].i);
  for (int k = 1; k < m; ++k) EXPECT_LE(found[k - 1].real(), found[k].real());
  return found;
}

std::vector<cd> Solve(const std::vector<cd>& roots, bool polish) {
  return Roots(ToDcomplex(testing::PolynomialFromRoots(roots)), polish);
}

TEST(ComplexArithmetic, AgreesWithTheTextbookFormulasOnEveryBranch) {
  const dcomplex a = Complex(1.0, 2.0), b = Complex(3.0, -4.0), ab = Complex(11.0, 2.0);
  const double big = 1e300;
  const struct {
    dcomplex got;
    cd expected;
  } cases[] = {
      {Cadd(a, b), {4.0, -2.0}},
      {Csub(a, b), {-2.0, 6.0}},
      {Cmul(a, b), {11.0, 2.0}},  // 3 - 4i + 6i + 8
      {RCmul(-2.0, a), {-2.0, -4.0}},
      {Cdiv(a, b), {-0.2, 0.4}},  // (1 + 2i)(3 + 4i)/25, |b.i| > |b.r|
      {Cdiv(ab, a), {3.0, -4.0}},
      {Cdiv(ab, Complex(3.0, -2.0)), {29.0 / 13.0, 28.0 / 13.0}},  // |b.r| >= |b.i|
      {Cdiv(Complex(big, big), Complex(big, -big)), {0.0, 1.0}},   // scaled: no overflow
      {Csqrt(Complex(-4.0, 0.0)), {0.0, 2.0}},
      {Csqrt(Complex(0.0, 0.0)), {0.0, 0.0}},
      {Csqrt(Complex(3.0, 4.0)), {2.0, 1.0}},     // (2 + i)^2 = 3 + 4i
      {Csqrt(Complex(-3.0, -4.0)), {1.0, -2.0}},  // (1 - 2i)^2 = -3 - 4i
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(c.got.r, c.expected.real(), kClosedForm) << c.expected;
    EXPECT_NEAR(c.got.i, c.expected.imag(), kClosedForm) << c.expected;
  }
  // The modulus, scaled so that 1e200 is not squared.
  const struct {
    double x, y, modulus;
  } moduli[] = {{3e200, 4e200, 5e200}, {3e-200, -4e-200, 5e-200}, {3.0, 4.0, 5.0},
                {0.0, -2.5, 2.5},      {-2.5, 0.0, 2.5},          {-4.0, 3.0, 5.0}};
  for (const auto& m : moduli) {
    EXPECT_NEAR(Cabs(m.x, m.y) / m.modulus, 1.0, kClosedForm) << m.x << " " << m.y;
    EXPECT_EQ(Cabs(Complex(m.x, m.y)), Cabs(m.x, m.y));
  }
}

TEST(ComplexArithmetic, SquareRootIsThePrincipalOneInEveryQuadrant) {
  // Both branches of the scaling (|re| >= |im| and |re| < |im|), against the standard library.
  const dcomplex zs[] = {{2.0, 0.5},   {0.5, 2.0},  {-2.0, 0.5}, {-0.5, 2.0},
                         {-2.0, -0.5}, {0.5, -2.0}, {0.0, -9.0}, {1e-300, 1e-300}};
  for (const dcomplex z : zs) {
    const dcomplex w = Csqrt(z);
    const cd ref = std::sqrt(cd(z.r, z.i));
    EXPECT_NEAR(w.r, ref.real(), kClosedForm * std::abs(ref)) << z.r << " " << z.i;
    EXPECT_NEAR(w.i, ref.imag(), kClosedForm * std::abs(ref)) << z.r << " " << z.i;
  }
}

TEST(ZRoots, SmallPolynomialsWithHandWorkedRootsInOrder) {
  // z^2 + 1 from z = 0: G = 0, H = -2, the step is 2/(2i) = -i, so i is found first and goes to
  // position 2; the deflated z + i gives -i at position 1. Equal real parts keep that order.
  const struct {
    std::vector<dcomplex> a;
    bool polish;
    std::vector<cd> roots;  // in order; a zero imaginary part is expected exactly
  } cases[] = {
      {{{-1.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}}, true, {-1.0, 1.0}},
      {{{1.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}}, false, {{0.0, -1.0}, {0.0, 1.0}}},
      {{{1.0, 0.0}, {-0.5, 0.0}}, true, {2.0}},
  };
  for (const auto& c : cases) {
    const std::vector<cd> found = Roots(c.a, c.polish);
    ASSERT_EQ(found.size(), c.roots.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
      EXPECT_NEAR(std::abs(found[k] - c.roots[k]), 0.0, kClosedForm) << c.roots[k];
      EXPECT_TRUE(c.roots[k].imag() != 0.0 || found[k].imag() == 0.0) << found[k];
    }
  }
  // Degree 0: success, nothing written.
  const dcomplex a[] = {{3.0, 0.0}};
  dcomplex r[2] = {{-7.0, -7.0}, {-7.0, -7.0}};
  EXPECT_EQ(ZRoots(a, 0, r, true), 1);
  EXPECT_EQ(r[1].r, -7.0);
}

TEST(ZRoots, NearlyRealRootsAreMadeRealBeforePolishingOnly) {
  // z - (1 + 1e-7 i): the imaginary part is below 4e-6 of the real part, so the root is returned
  // exactly real. Polishing cannot move it: at z = 1 the residual 1e-7 is already within 1e-7 of
  // the rounding bound 1 + 1e-7.
  EXPECT_EQ(Roots({{-1.0, -1e-7}, {1.0, 0.0}}, false)[0], cd(1.0, 0.0));
  EXPECT_EQ(Roots({{-1.0, -1e-7}, {1.0, 0.0}}, true)[0].imag(), 0.0);
  // z - (1 + 3e-6 i): made real by the first pass, but the residual 3e-6 at z = 1 is too large to
  // accept, so polishing moves it back to 1 + 3e-6 i and does not clean it up again.
  EXPECT_EQ(Roots({{-1.0, -3e-6}, {1.0, 0.0}}, false)[0].imag(), 0.0);
  EXPECT_NEAR(std::abs(Roots({{-1.0, -3e-6}, {1.0, 0.0}}, true)[0] - cd(1.0, 3e-6)), 0.0,
              kClosedForm);
  // A clearly complex pair is not touched: 1e-3 is far above 4e-6 of the real part.
  for (const cd& z : Solve({cd(2.0, 1e-3), cd(2.0, -1e-3)}, false)) EXPECT_NE(z.imag(), 0.0);
}

TEST(ZRoots, RecoversChosenRootsOfRealPolynomials) {
  const std::vector<cd> real_roots = {-3.0, 0.5, 2.0, -0.25, 7.0};
  const std::vector<cd> mixed = {{0.3, 0.4}, {0.3, -0.4}, {-1.5, 2.0}, {-1.5, -2.0}, 4.0, -0.8};
  for (bool polish : {false, true}) {
    const auto found = Solve(real_roots, polish);
    EXPECT_LT(RootMismatch(found, real_roots), kLaguerreRoot);
    for (const cd& z : found) EXPECT_EQ(z.imag(), 0.0);
    EXPECT_LT(RootMismatch(Solve(mixed, polish), mixed), kLaguerreRoot);
  }
}

TEST(ZRoots, RootsNearTheUnitCircleKeepTheirSide) {
  // The admissibility of an ARMA model turns on whether roots lie outside the unit circle, so
  // roots a hair either side of it must come back on the right side.
  const double t1 = std::numbers::pi / 3.0, t2 = 2.0;
  const std::vector<cd> roots = {std::polar(1.001, t1),
                                 std::polar(1.001, -t1),
                                 std::polar(0.999, t2),
                                 std::polar(0.999, -t2),
                                 cd(1.0005),
                                 cd(-0.9995)};
  const auto found = Solve(roots, true);
  EXPECT_LT(RootMismatch(found, roots), kLaguerreRoot);
  int outside = 0;
  for (const cd& z : found) outside += std::abs(z) > 1.0 ? 1 : 0;
  EXPECT_EQ(outside, 3);
}

TEST(ZRoots, RepeatedRootsAreFoundToTheirConditioning) {
  // Double roots are fixed by the stopping rule only to about the square root of its residual,
  // so each cluster is checked loosely and the polynomial rebuilt from the roots tightly.
  const std::vector<cd> roots = {1.0, 1.0, -2.0, {0.5, 1.0}, {0.5, -1.0}, {0.5, 1.0}, {0.5, -1.0}};
  const auto a = testing::PolynomialFromRoots(roots);
  double norm = 0.0;
  for (const cd& c : a) norm += std::abs(c);
  for (bool polish : {false, true}) {
    const auto found = Solve(roots, polish);
    EXPECT_LT(RootMismatch(found, roots), kLaguerreDoubleRoot);
    const auto b = testing::PolynomialFromRoots(found);
    for (std::size_t j = 0; j < a.size(); ++j)
      EXPECT_LT(std::abs(b[j] - a[j]), kLaguerreBackward * norm);
    // The simple root beside the clusters is found to full Laguerre accuracy.
    EXPECT_LT(std::abs(found[0] + 2.0) / 3.0, kLaguerreRoot);
  }
}

TEST(ZRoots, LargestDegreeWorksAndLargerIsRefusedWithoutWriting) {
  // z^99 - 1: the 99th roots of unity.
  std::vector<dcomplex> a(101, Complex(0.0, 0.0));
  a[0] = Complex(-1.0, 0.0);
  a[99] = Complex(1.0, 0.0);
  std::vector<dcomplex> r(101, Complex(-7.0, -7.0));
  ASSERT_EQ(ZRoots(a.data(), kZRootsMaxDegree, r.data(), true), 1);
  for (int k = 1; k <= 99; ++k) EXPECT_NEAR(Cabs(r[k]), 1.0, kLaguerreRoot);
  EXPECT_EQ(r[100].r, -7.0);

  testing::MessageCapture capture;
  a[100] = Complex(1.0, 0.0);
  std::fill(r.begin(), r.end(), Complex(-7.0, -7.0));
  EXPECT_EQ(ZRoots(a.data(), 100, r.data(), true), 0);
  EXPECT_EQ(ZRoots(a.data(), -1, r.data(), true), 0);
  for (const dcomplex& z : r) EXPECT_EQ(z.r, -7.0);
  const testing::Message refused{"Error in ZRoots", "Polynomial degree out of range", kWarning};
  EXPECT_EQ(capture.messages(), (testing::Messages{refused, refused}));
}

TEST(ZRoots, NonConvergenceAndBadDegreesAreReportedAndFail) {
  // 0 z + 1 has no root: the Laguerre denominators vanish, the fallback steps wander and the
  // iteration limit is reached.
  testing::MessageCapture capture;
  const dcomplex a[] = {{1.0, 0.0}, {0.0, 0.0}};
  dcomplex r[2];
  EXPECT_EQ(ZRoots(a, 1, r, false), 0);
  dcomplex x = Complex(0.0, 0.0);
  int its = -1;
  EXPECT_EQ(Laguer(a, 1, x, its), 0);
  EXPECT_EQ(its, 80);
  x = Complex(3.0, 0.0);
  EXPECT_EQ(Laguer(a, 0, x, its), 0);
  EXPECT_EQ(its, 0);
  EXPECT_EQ(x.r, 3.0);
  const std::string failed = "Function Laguer() failed to converge";
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{failed, failed, "Polynomial degree out of range"}));
  EXPECT_EQ(capture.messages()[0], (testing::Message{"Error in ZRoots", failed, kWarning}));
}

TEST(Laguer, StartAtARootStopsAtOnceAndOtherStartsConverge) {
  const dcomplex a[] = {{-2.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}};  // (z - 1)(z + 2)
  dcomplex x = Complex(1.0, 0.0);
  int its = 0;
  EXPECT_EQ(Laguer(a, 2, x, its), 1);
  EXPECT_EQ(its, 1);
  EXPECT_EQ(cd(x.r, x.i), cd(1.0, 0.0));
  x = Complex(-5.0, 1.0);
  EXPECT_EQ(Laguer(a, 2, x, its), 1);
  EXPECT_NEAR(std::abs(cd(x.r, x.i) + 2.0), 0.0, kClosedForm);
}

}  // namespace
}  // namespace vordex::numerics
