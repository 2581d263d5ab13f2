// Complex arithmetic after Press, Teukolsky, Vetterling and Flannery, Numerical Recipes in C
// (2nd ed., 1992), Appendix C, and polynomial roots by Laguerre's method with deflation (ibid.,
// section 9.5).
#include "numerics/complex.h"

#include <cmath>

#include "numerics/vectors.h"

namespace vordex::numerics {
namespace {

constexpr const char* kTitle = "Error in ZRoots";
constexpr int kMaxIterations = 80;
// Relative accuracy at which the Horner residual counts as round-off, not as a missed root.
constexpr double kEpss = 1.0e-7;
// Every tenth step is shortened by these fractions to break limit cycles (index iter / 10).
constexpr double kFrac[9] = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
// 4e-6 as held in single precision: roots this close to the real axis are taken as real.
constexpr double kNearlyReal = 3.999999989900971e-6;

bool Equal(dcomplex a, dcomplex b) {
  return a.r == b.r && a.i == b.i;
}

}  // namespace

dcomplex Complex(double re, double im) {
  return {re, im};
}

dcomplex Cadd(dcomplex a, dcomplex b) {
  return {a.r + b.r, a.i + b.i};
}

dcomplex Csub(dcomplex a, dcomplex b) {
  return {a.r - b.r, a.i - b.i};
}

dcomplex Cmul(dcomplex a, dcomplex b) {
  return {a.r * b.r - a.i * b.i, a.i * b.r + a.r * b.i};
}

dcomplex Cdiv(dcomplex a, dcomplex b) {
  // Smith's division: divide through by the larger part of b so that nothing overflows.
  if (std::fabs(b.r) >= std::fabs(b.i)) {
    const double r = b.i / b.r;
    const double den = b.r + r * b.i;
    return {(a.r + r * a.i) / den, (a.i - r * a.r) / den};
  }
  const double r = b.r / b.i;
  const double den = b.i + r * b.r;
  return {(a.r * r + a.i) / den, (a.i * r - a.r) / den};
}

double Cabs(double re, double im) {
  const double x = std::fabs(re);
  const double y = std::fabs(im);
  if (x == 0.0) return y;
  if (y == 0.0) return x;
  if (x > y) {
    const double t = y / x;
    return x * std::sqrt(1.0 + t * t);
  }
  const double t = x / y;
  return y * std::sqrt(1.0 + t * t);
}

double Cabs(dcomplex z) {
  return Cabs(z.r, z.i);
}

dcomplex Csqrt(dcomplex z) {
  if (z.r == 0.0 && z.i == 0.0) return {0.0, 0.0};
  const double x = std::fabs(z.r);
  const double y = std::fabs(z.i);
  double w;
  if (x >= y) {
    const double r = y / x;
    w = std::sqrt(x) * std::sqrt(0.5 * (1.0 + std::sqrt(1.0 + r * r)));
  } else {
    const double r = x / y;
    w = std::sqrt(y) * std::sqrt(0.5 * (r + std::sqrt(1.0 + r * r)));
  }
  if (z.r >= 0.0) return {w, z.i / (2.0 * w)};
  const double ci = z.i >= 0.0 ? w : -w;
  return {z.i / (2.0 * ci), ci};
}

dcomplex RCmul(double x, dcomplex a) {
  return {x * a.r, x * a.i};
}

int Laguer(const dcomplex a[], int m, dcomplex& x, int& its) {
  its = 0;
  if (m < 1) return ReportError(kTitle, "Polynomial degree out of range", 0);
  const double dm = static_cast<double>(m);
  for (int iter = 1; iter <= kMaxIterations; ++iter) {
    its = iter;
    // Horner's scheme for p (b), p' (d) and p''/2 (f), with a bound on the rounding error of b.
    dcomplex b = a[m];
    double err = Cabs(b);
    dcomplex d = {0.0, 0.0};
    dcomplex f = {0.0, 0.0};
    const double abx = Cabs(x);
    for (int j = m - 1; j >= 0; --j) {
      f = Cadd(Cmul(x, f), d);
      d = Cadd(Cmul(x, d), b);
      b = Cadd(Cmul(x, b), a[j]);
      err = Cabs(b) + abx * err;
    }
    if (Cabs(b) <= err * kEpss) return 1;
    // Laguerre's step dx = m / (G +- sqrt((m - 1)(m H - G^2))), G = p'/p, H = G^2 - p''/p,
    // with the sign that gives the larger denominator.
    const dcomplex g = Cdiv(d, b);
    const dcomplex g2 = Cmul(g, g);
    const dcomplex h = Csub(g2, RCmul(2.0, Cdiv(f, b)));
    const dcomplex sq = Csqrt(RCmul(dm - 1.0, Csub(RCmul(dm, h), g2)));
    dcomplex gp = Cadd(g, sq);
    const dcomplex gm = Csub(g, sq);
    const double abp = Cabs(gp);
    const double abm = Cabs(gm);
    if (abp < abm) gp = gm;
    const double iter_radians = static_cast<double>(iter);
    const dcomplex dx =
        std::fmax(abp, abm) > 0.0
            ? Cdiv(Complex(dm, 0.0), gp)
            : RCmul(1.0 + abx, Complex(std::cos(iter_radians), std::sin(iter_radians)));
    const dcomplex x1 = Csub(x, dx);
    if (Equal(x1, x)) return 1;
    if (iter % 10 != 0) {
      x = x1;
    } else {
      x = Csub(x, RCmul(kFrac[iter / 10], dx));
    }
  }
  return ReportError(kTitle, "Function Laguer() failed to converge", 0);
}

int ZRoots(const dcomplex a[], int m, dcomplex roots[], bool polish) {
  // The work polynomial has room for kZRootsMaxDegree + 1 coefficients; a larger degree is
  // refused rather than copied past its end.
  if (m < 0 || m > kZRootsMaxDegree)
    return ReportError(kTitle, "Polynomial degree out of range", 0);
  dcomplex ad[kZRootsMaxDegree + 1];
  for (int j = 0; j <= m; ++j) ad[j] = a[j];
  for (int j = m; j >= 1; --j) {
    dcomplex x = {0.0, 0.0};
    int its = 0;
    if (Laguer(ad, j, x, its) != 1) return 0;
    if (std::fabs(x.i) <= kNearlyReal * std::fabs(x.r)) x.i = 0.0;
    roots[j] = x;
    // Synthetic division by (z - x): ad becomes the quotient, of degree j - 1.
    dcomplex b = ad[j];
    for (int jj = j - 1; jj >= 0; --jj) {
      const dcomplex c = ad[jj];
      ad[jj] = b;
      b = Cadd(Cmul(x, b), c);
    }
  }
  if (polish) {
    for (int j = 1; j <= m; ++j) {
      int its = 0;
      if (Laguer(a, m, roots[j], its) != 1) return 0;
    }
  }
  // Straight insertion by real part; equal real parts keep their order.
  for (int j = 2; j <= m; ++j) {
    const dcomplex x = roots[j];
    int i = j - 1;
    for (; i >= 1 && roots[i].r > x.r; --i) roots[i + 1] = roots[i];
    roots[i + 1] = x;
  }
  return 1;
}

}  // namespace vordex::numerics
