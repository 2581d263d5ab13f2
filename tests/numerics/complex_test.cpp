#include "numerics/complex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using testing::kClosedForm;
using testing::kLaguerreBackward;
using testing::kLaguerreDoubleRoot;
using testing::kLaguerreRoot;
using cd = std::complex<double>;

// Coefficients a[0..m] (constant first) of prod (z - r_k), multiplied out with std::complex as an
// independent route to the polynomial.
std::vector<dcomplex> FromRoots(const std::vector<cd>& roots) {
  std::vector<cd> c = {cd(1.0, 0.0)};
  for (const cd& r : roots) {
    std::vector<cd> next(c.size() + 1, cd(0.0, 0.0));
    for (std::size_t j = 0; j < c.size(); ++j) {
      next[j + 1] += c[j];
      next[j] -= r * c[j];
    }
    c = next;
  }
  std::vector<dcomplex> a;
  for (const cd& v : c) a.push_back(Complex(v.real(), v.imag()));
  return a;
}

// For every expected root, the nearest unused found root lies within tol (relative to 1 + |r|).
void ExpectSameRoots(const std::vector<cd>& expected, const std::vector<dcomplex>& found,
                     double tol) {
  ASSERT_EQ(found.size(), expected.size());
  std::vector<bool> used(found.size(), false);
  for (const cd& r : expected) {
    std::size_t best = found.size();
    double dist = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < found.size(); ++k) {
      const double d = std::abs(cd(found[k].r, found[k].i) - r);
      if (!used[k] && d < dist) {
        dist = d;
        best = k;
      }
    }
    ASSERT_LT(best, found.size());
    used[best] = true;
    EXPECT_LE(dist, tol * (1.0 + std::abs(r))) << "root " << r.real() << " " << r.imag();
  }
}

// ZRoots on the polynomial with the given roots; returns roots[1..m] as a 0-based vector.
std::vector<dcomplex> Solve(const std::vector<cd>& roots, bool polish) {
  const auto a = FromRoots(roots);
  const int m = static_cast<int>(roots.size());
  std::vector<dcomplex> out(m + 1, Complex(-7.0, -7.0));
  EXPECT_EQ(ZRoots(a.data(), m, out.data(), polish), 1);
  EXPECT_EQ(out[0].r, -7.0);  // index 0 is not part of the result
  return std::vector<dcomplex>(out.begin() + 1, out.end());
}

void ExpectSortedByRealPart(const std::vector<dcomplex>& r) {
  for (std::size_t k = 1; k < r.size(); ++k) EXPECT_LE(r[k - 1].r, r[k].r);
}

TEST(ComplexArithmetic, AgreesWithTheTextbookFormulas) {
  const dcomplex a = Complex(1.0, 2.0);
  const dcomplex b = Complex(3.0, -4.0);
  EXPECT_EQ(Cadd(a, b).r, 4.0);
  EXPECT_EQ(Cadd(a, b).i, -2.0);
  EXPECT_EQ(Csub(a, b).r, -2.0);
  EXPECT_EQ(Csub(a, b).i, 6.0);
  // (1 + 2i)(3 - 4i) = 3 - 4i + 6i + 8 = 11 + 2i
  EXPECT_EQ(Cmul(a, b).r, 11.0);
  EXPECT_EQ(Cmul(a, b).i, 2.0);
  EXPECT_EQ(RCmul(-2.0, a).r, -2.0);
  EXPECT_EQ(RCmul(-2.0, a).i, -4.0);
  // (1 + 2i)/(3 - 4i) = (1 + 2i)(3 + 4i)/25 = (-5 + 10i)/25, through the |b.i| > |b.r| branch
  EXPECT_NEAR(Cdiv(a, b).r, -0.2, kClosedForm);
  EXPECT_NEAR(Cdiv(a, b).i, 0.4, kClosedForm);
  // (11 + 2i)/(1 + 2i) = 3 - 4i
  EXPECT_NEAR(Cdiv(Cmul(a, b), a).r, 3.0, kClosedForm);
  EXPECT_NEAR(Cdiv(Cmul(a, b), a).i, -4.0, kClosedForm);
  // |b.r| >= |b.i|: (11 + 2i)/(3 - 2i) = (11 + 2i)(3 + 2i)/13 = (29 + 28i)/13
  EXPECT_NEAR(Cdiv(Cmul(a, b), Complex(3.0, -2.0)).r, 29.0 / 13.0, kClosedForm);
  EXPECT_NEAR(Cdiv(Cmul(a, b), Complex(3.0, -2.0)).i, 28.0 / 13.0, kClosedForm);
}

TEST(ComplexArithmetic, ScaledDivisionAndModulusAvoidOverflow) {
  // Naive formulas would square 1e300 and overflow.
  const dcomplex q = Cdiv(Complex(1e300, 1e300), Complex(1e300, -1e300));
  EXPECT_NEAR(q.r, 0.0, kClosedForm);  // (1 + i)/(1 - i) = i
  EXPECT_NEAR(q.i, 1.0, kClosedForm);
  EXPECT_NEAR(Cabs(3e200, 4e200) / 5e200, 1.0, kClosedForm);
  EXPECT_NEAR(Cabs(3e-200, -4e-200) / 5e-200, 1.0, kClosedForm);
  EXPECT_EQ(Cabs(3.0, 4.0), 5.0);
  EXPECT_EQ(Cabs(0.0, -2.5), 2.5);
  EXPECT_EQ(Cabs(-2.5, 0.0), 2.5);
  EXPECT_EQ(Cabs(Complex(-4.0, 3.0)), 5.0);
}

TEST(ComplexArithmetic, SquareRootIsPrincipalAndSquaresBack) {
  EXPECT_EQ(Csqrt(Complex(-4.0, 0.0)).r, 0.0);
  EXPECT_EQ(Csqrt(Complex(-4.0, 0.0)).i, 2.0);
  EXPECT_EQ(Csqrt(Complex(0.0, 0.0)).r, 0.0);
  EXPECT_EQ(Csqrt(Complex(0.0, 0.0)).i, 0.0);
  EXPECT_NEAR(Csqrt(Complex(3.0, 4.0)).r, 2.0, kClosedForm);  // (2 + i)^2 = 3 + 4i
  EXPECT_NEAR(Csqrt(Complex(3.0, 4.0)).i, 1.0, kClosedForm);
  EXPECT_NEAR(Csqrt(Complex(-3.0, -4.0)).r, 1.0, kClosedForm);  // (1 - 2i)^2 = -3 - 4i
  EXPECT_NEAR(Csqrt(Complex(-3.0, -4.0)).i, -2.0, kClosedForm);
  // Every quadrant and both branches of the scaling (|re| >= |im| and |re| < |im|).
  const dcomplex zs[] = {{2.0, 0.5},   {0.5, 2.0},  {-2.0, 0.5}, {-0.5, 2.0},
                         {-2.0, -0.5}, {0.5, -2.0}, {0.0, -9.0}, {1e-300, 1e-300}};
  for (const dcomplex z : zs) {
    const dcomplex w = Csqrt(z);
    EXPECT_GE(w.r, 0.0);
    const dcomplex back = Cmul(w, w);
    EXPECT_NEAR(back.r, z.r, kClosedForm * Cabs(z));
    EXPECT_NEAR(back.i, z.i, kClosedForm * Cabs(z));
    const cd ref = std::sqrt(cd(z.r, z.i));  // the standard library's principal root
    EXPECT_NEAR(w.r, ref.real(), kClosedForm * std::abs(ref));
    EXPECT_NEAR(w.i, ref.imag(), kClosedForm * std::abs(ref));
  }
}

TEST(ZRoots, SmallPolynomialsWithHandWorkedRoots) {
  // z^2 - 1: roots -1 then 1, exactly real.
  {
    const dcomplex a[] = {{-1.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}};
    dcomplex r[3];
    ASSERT_EQ(ZRoots(a, 2, r, true), 1);
    EXPECT_NEAR(r[1].r, -1.0, kClosedForm);
    EXPECT_NEAR(r[2].r, 1.0, kClosedForm);
    EXPECT_EQ(r[1].i, 0.0);
    EXPECT_EQ(r[2].i, 0.0);
  }
  // z^2 + 1 from z = 0: G = 0, H = -2, the step is 2/(2i) = -i, so the first root found is i and
  // goes to position 2; the deflated z + i gives -i at position 1. Equal real parts stay so.
  {
    const dcomplex a[] = {{1.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}};
    dcomplex r[3];
    ASSERT_EQ(ZRoots(a, 2, r, false), 1);
    EXPECT_NEAR(r[1].i, -1.0, kClosedForm);
    EXPECT_NEAR(r[2].i, 1.0, kClosedForm);
    EXPECT_NEAR(r[1].r, 0.0, kClosedForm);
    EXPECT_NEAR(r[2].r, 0.0, kClosedForm);
  }
  // 1 - 0.5 z: the single root 2.
  {
    const dcomplex a[] = {{1.0, 0.0}, {-0.5, 0.0}};
    dcomplex r[2];
    ASSERT_EQ(ZRoots(a, 1, r, true), 1);
    EXPECT_NEAR(r[1].r, 2.0, kClosedForm);
    EXPECT_EQ(r[1].i, 0.0);
  }
  // Degree 0: success, nothing written.
  {
    const dcomplex a[] = {{3.0, 0.0}};
    dcomplex r[2] = {{-7.0, -7.0}, {-7.0, -7.0}};
    EXPECT_EQ(ZRoots(a, 0, r, true), 1);
    EXPECT_EQ(r[0].r, -7.0);
    EXPECT_EQ(r[1].r, -7.0);
  }
}

TEST(ZRoots, NearlyRealRootsAreMadeRealBeforePolishingOnly) {
  // z - (1 + 1e-7 i): the imaginary part is below 4e-6 of the real part, so the root is returned
  // exactly real. Polishing cannot move it: at z = 1 the residual 1e-7 is already within 1e-7 of
  // the rounding bound 1 + 1e-7.
  const dcomplex a[] = {{-1.0, -1e-7}, {1.0, 0.0}};
  dcomplex r[2];
  ASSERT_EQ(ZRoots(a, 1, r, false), 1);
  EXPECT_NEAR(r[1].r, 1.0, kClosedForm);
  EXPECT_EQ(r[1].i, 0.0);
  ASSERT_EQ(ZRoots(a, 1, r, true), 1);
  EXPECT_EQ(r[1].i, 0.0);
  // z - (1 + 3e-6 i): made real by the first pass, but the residual 3e-6 at z = 1 is too large to
  // accept, so polishing moves it back to 1 + 3e-6 i and does not clean it up again.
  const dcomplex b[] = {{-1.0, -3e-6}, {1.0, 0.0}};
  ASSERT_EQ(ZRoots(b, 1, r, false), 1);
  EXPECT_EQ(r[1].i, 0.0);
  ASSERT_EQ(ZRoots(b, 1, r, true), 1);
  EXPECT_NEAR(r[1].r, 1.0, kClosedForm);
  EXPECT_NEAR(r[1].i, 3e-6, kClosedForm);
  // A clearly complex pair is not touched: 1e-3 is far above 4e-6 of the real part.
  const auto pair = Solve({cd(2.0, 1e-3), cd(2.0, -1e-3)}, false);
  EXPECT_NE(pair[0].i, 0.0);
  EXPECT_NE(pair[1].i, 0.0);
}

TEST(ZRoots, RecoversChosenRootsOfRealPolynomials) {
  // Distinct real roots of mixed sign and size, and complex pairs.
  const std::vector<cd> real_roots = {cd(-3.0), cd(0.5), cd(2.0), cd(-0.25), cd(7.0)};
  for (bool polish : {false, true}) {
    const auto found = Solve(real_roots, polish);
    ExpectSameRoots(real_roots, found, kLaguerreRoot);
    ExpectSortedByRealPart(found);
    for (const dcomplex& z : found) EXPECT_EQ(z.i, 0.0);
  }
  const std::vector<cd> mixed = {cd(0.3, 0.4),   cd(0.3, -0.4), cd(-1.5, 2.0),
                                 cd(-1.5, -2.0), cd(4.0),       cd(-0.8)};
  for (bool polish : {false, true}) {
    const auto found = Solve(mixed, polish);
    ExpectSameRoots(mixed, found, kLaguerreRoot);
    ExpectSortedByRealPart(found);
  }
}

TEST(ZRoots, RootsNearTheUnitCircleKeepTheirSide) {
  // The admissibility of an ARMA model turns on whether roots lie outside the unit circle, so
  // roots a hair either side of it must come back on the right side.
  const double t1 = std::numbers::pi / 3.0;
  const double t2 = 2.0;
  const std::vector<cd> roots = {std::polar(1.001, t1),
                                 std::polar(1.001, -t1),
                                 std::polar(0.999, t2),
                                 std::polar(0.999, -t2),
                                 cd(1.0005),
                                 cd(-0.9995)};
  const auto found = Solve(roots, true);
  ExpectSameRoots(roots, found, kLaguerreRoot);
  int outside = 0;
  for (const dcomplex& z : found) outside += Cabs(z) > 1.0 ? 1 : 0;
  EXPECT_EQ(outside, 3);
  ExpectSortedByRealPart(found);
}

TEST(ZRoots, RepeatedRootsAreFoundToTheirConditioning) {
  // Double roots are fixed by the stopping rule only to about the square root of its residual,
  // so each cluster is checked loosely and the polynomial rebuilt from the roots tightly.
  const std::vector<cd> roots = {cd(1.0),       cd(1.0),      cd(-2.0),     cd(0.5, 1.0),
                                 cd(0.5, -1.0), cd(0.5, 1.0), cd(0.5, -1.0)};
  for (bool polish : {false, true}) {
    const auto found = Solve(roots, polish);
    ExpectSameRoots(roots, found, kLaguerreDoubleRoot);
    ExpectSortedByRealPart(found);
    std::vector<cd> back;
    for (const dcomplex& z : found) back.push_back(cd(z.r, z.i));
    const auto a = FromRoots(roots);
    const auto b = FromRoots(back);
    double norm = 0.0;
    for (const dcomplex& c : a) norm += Cabs(c);
    for (std::size_t j = 0; j < a.size(); ++j) {
      EXPECT_NEAR(b[j].r, a[j].r, kLaguerreBackward * norm);
      EXPECT_NEAR(b[j].i, a[j].i, kLaguerreBackward * norm);
    }
  }
  // A simple root beside the clusters is still found to full Laguerre accuracy.
  const auto found = Solve(roots, true);
  ExpectSameRoots({cd(-2.0)}, {found[0]}, kLaguerreRoot);
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
  a[99] = Complex(0.0, 0.0);
  std::fill(r.begin(), r.end(), Complex(-7.0, -7.0));
  EXPECT_EQ(ZRoots(a.data(), 100, r.data(), true), 0);
  EXPECT_EQ(ZRoots(a.data(), -1, r.data(), true), 0);
  for (const dcomplex& z : r) EXPECT_EQ(z.r, -7.0);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].title, "Error in ZRoots");
  EXPECT_EQ(capture.messages()[0].text, "Polynomial degree out of range");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);
}

TEST(ZRoots, NonConvergenceIsReportedAndFails) {
  // 0 z + 1 has no root: the Laguerre denominators vanish, the fallback steps wander and the
  // iteration limit is reached.
  testing::MessageCapture capture;
  const dcomplex a[] = {{1.0, 0.0}, {0.0, 0.0}};
  dcomplex r[2];
  EXPECT_EQ(ZRoots(a, 1, r, false), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Error in ZRoots");
  EXPECT_EQ(capture.messages()[0].text, "Function Laguer() failed to converge");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);

  capture.clear();
  dcomplex x = Complex(0.0, 0.0);
  int its = -1;
  EXPECT_EQ(Laguer(a, 1, x, its), 0);
  EXPECT_EQ(its, 80);
  ASSERT_EQ(capture.size(), 1u);
}

TEST(Laguer, StartAtARootStopsAtOnceAndBadDegreeIsRefused) {
  const dcomplex a[] = {{-2.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}};  // (z - 1)(z + 2)
  dcomplex x = Complex(1.0, 0.0);
  int its = 0;
  EXPECT_EQ(Laguer(a, 2, x, its), 1);
  EXPECT_EQ(its, 1);
  EXPECT_EQ(x.r, 1.0);
  EXPECT_EQ(x.i, 0.0);
  x = Complex(-5.0, 1.0);
  EXPECT_EQ(Laguer(a, 2, x, its), 1);
  EXPECT_NEAR(x.r, -2.0, kClosedForm);
  EXPECT_NEAR(x.i, 0.0, kClosedForm);

  testing::MessageCapture capture;
  x = Complex(3.0, 0.0);
  EXPECT_EQ(Laguer(a, 0, x, its), 0);
  EXPECT_EQ(its, 0);
  EXPECT_EQ(x.r, 3.0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Polynomial degree out of range");
}

}  // namespace
}  // namespace vordex::numerics
