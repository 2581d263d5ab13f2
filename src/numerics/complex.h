// Complex arithmetic on pairs of doubles, and all roots of a polynomial by Laguerre's method.
//
// dcomplex is passed and returned by value. Polynomials are arrays of m + 1 coefficients a[0..m]
// (0-based), a[j] multiplying z^j, constant term first; a real polynomial's coefficients have
// zero imaginary part.
// Nothing here keeps state between calls.
#ifndef VORDEX_NUMERICS_COMPLEX_H
#define VORDEX_NUMERICS_COMPLEX_H

namespace vordex::numerics {

// A complex number: real part r, then imaginary part i.
struct dcomplex {
  double r;
  double i;
};

// Largest degree that ZRoots accepts (its work polynomial holds 100 coefficients).
inline constexpr int kZRootsMaxDegree = 99;

// (re, im).
dcomplex Complex(double re, double im);
// a + b.
dcomplex Cadd(dcomplex a, dcomplex b);
// a - b.
dcomplex Csub(dcomplex a, dcomplex b);
// (a.r b.r - a.i b.i, a.i b.r + a.r b.i).
dcomplex Cmul(dcomplex a, dcomplex b);
// a / b by Smith's scaled division (no intermediate overflow for large b). b = (0, 0) gives NaN
// parts; nothing is reported.
dcomplex Cdiv(dcomplex a, dcomplex b);
// Modulus of re + i im, scaled so that no square overflows or underflows needlessly.
double Cabs(double re, double im);
// Modulus of z; the same as Cabs(z.r, z.i).
double Cabs(dcomplex z);
// Principal square root: real part >= 0; for z.r < 0 the imaginary part has the sign of z.i,
// positive when z.i is zero (so Csqrt(-4, 0) = (0, 2)). Csqrt(0, 0) = (0, 0).
dcomplex Csqrt(dcomplex z);
// (x a.r, x a.i).
dcomplex RCmul(double x, dcomplex a);

// Refines x towards a root of the degree-m polynomial a[0..m] by Laguerre's method: x holds the
// start value on entry and the root on return; its receives the number of iterations used (at
// most 80). Returns 1 on convergence. Returns 0 after the warning box "Error in ZRoots" /
// "Function Laguer() failed to converge" when 80 iterations do not converge (x then holds the
// last iterate), or after "Error in ZRoots" / "Polynomial degree out of range" when m < 1 (x is
// left as it was, its = 0). Reads a[0..m] only.
int Laguer(const dcomplex a[], int m, dcomplex& x, int& its);

// Finds all m roots of the polynomial a[0..m] (read only) and writes them to roots[1..m]
// (1-based: roots[0] is not touched), sorted by increasing real part, equal real parts keeping
// the order in which they were found. Roots whose imaginary part is at most about 4e-6 times
// the magnitude of their real part are made exactly real before the optional polishing. When polish
// is true each root is refined by Laguer against the undeflated polynomial. a[m] should be
// non-zero; a vanishing leading coefficient usually ends in the convergence failure below. Returns
// 1 on success (m = 0: nothing written). Returns 0 after a warning box titled "Error in ZRoots":
// "Function Laguer() failed to converge" when a Laguerre run fails (roots found so far are in
// place, the rest undefined), or "Polynomial degree out of range" when m < 0 or m >
// kZRootsMaxDegree (nothing read, nothing written).
int ZRoots(const dcomplex a[], int m, dcomplex roots[], bool polish);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_COMPLEX_H
