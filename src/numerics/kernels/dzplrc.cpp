// All roots of a real polynomial as the eigenvalues of its companion matrix.
//
// The companion matrix of the monic polynomial is already upper Hessenberg. It is balanced
// (Parlett and Reinsch, Numer. Math. 13, 1969) and its eigenvalues are found by the shifted
// double-step QR iteration of Francis as in EISPACK's HQR (Martin, Peters and Wilkinson, Numer.
// Math. 14, 1970). This is backward stable for the balanced matrix; each root is then polished by
// a few Newton steps on the original coefficients, kept only while they lower |p(z)|. Quadratics
// are solved in closed form with the cancellation-free formula.
#include "numerics/kernels/dzplrc.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "numerics/kernels/error_state.h"
#include "numerics/kernels/hqr.h"

namespace vordex::kernels {
namespace {

using cplx = std::complex<double>;

constexpr int kMaxDegree = 100;
// QR sweeps allowed per eigenvalue; exceptional shifts are taken every 10 sweeps. Francis's
// iteration needs about two sweeps per eigenvalue (132 in all at degree 83); 60 leaves room for
// five exceptional shifts and bounds a root search at 60 NDEG sweeps of O(NDEG^2) operations.
constexpr int kMaxSweeps = 60;
constexpr int kPolishSteps = 8;

// |a| with the sign of b.
double Sign(double a, double b) {
  return b >= 0.0 ? std::fabs(a) : -std::fabs(a);
}

// log|p(z)| and the Newton step p(z)/p'(z) for the polynomial c[0] + c[1] z + ... + c[n] z^n.
// For |z| > 1 the reversed polynomial in w = 1/z is used so that nothing overflows:
// p(z) = z^n r(w), and p/p' = 1 / (w (n - w r'(w) / r(w))).
struct NewtonPoint {
  double log_abs_p;
  cplx step;
};

NewtonPoint Evaluate(const double* c, int n, cplx z) {
  if (std::abs(z) <= 1.0) {
    cplx p = c[n];
    cplx dp = 0.0;
    for (int i = n - 1; i >= 0; --i) {
      dp = dp * z + p;
      p = p * z + c[i];
    }
    const cplx step = dp == 0.0 ? cplx(0.0) : p / dp;
    return {std::log(std::abs(p)), step};
  }
  const cplx w = 1.0 / z;
  cplx r = c[0];
  cplx dr = 0.0;
  for (int i = 1; i <= n; ++i) {
    dr = dr * w + r;
    r = r * w + c[i];
  }
  const cplx denom = w * (double(n) - w * dr / r);
  const cplx step = (r == 0.0 || denom == 0.0) ? cplx(0.0) : 1.0 / denom;
  return {std::log(std::abs(r)) + n * std::log(std::abs(z)), step};
}

// Newton steps from z, each kept only when it lowers |p|.
cplx Polish(const double* c, int n, cplx z) {
  NewtonPoint at = Evaluate(c, n, z);
  for (int it = 0; it < kPolishSteps; ++it) {
    if (at.step == 0.0 || !std::isfinite(at.log_abs_p)) break;
    cplx next = z - at.step;
    if (z.imag() == 0.0) next = cplx(next.real(), 0.0);  // real roots stay real
    if (!std::isfinite(next.real()) || !std::isfinite(next.imag())) break;
    const NewtonPoint then = Evaluate(c, n, next);
    if (!(then.log_abs_p < at.log_abs_p)) break;
    z = next;
    at = then;
  }
  return z;
}

// The roots of c0 + c1 z + c2 z^2 with c2 != 0: the smaller and the larger in modulus.
void Quadratic(double c0, double c1, double c2, cplx& zsm, cplx& zlg) {
  // Scaling by the largest coefficient keeps the discriminant from overflowing.
  const double scale = std::max({std::fabs(c0), std::fabs(c1), std::fabs(c2)});
  const double a = c2 / scale;
  const double b = c1 / scale;
  const double c = c0 / scale;
  if (c == 0.0) {
    zsm = 0.0;
    zlg = -b / a;
    return;
  }
  const double disc = b * b - 4.0 * a * c;
  if (disc >= 0.0) {
    const double q = -0.5 * (b + Sign(std::sqrt(disc), b));
    const cplx r1 = q / a;
    const cplx r2 = c / q;
    if (std::abs(r1) <= std::abs(r2)) {
      zsm = r1;
      zlg = r2;
    } else {
      zsm = r2;
      zlg = r1;
    }
  } else {
    const double re = -b / (2.0 * a);
    const double im = std::fabs(std::sqrt(-disc) / (2.0 * a));
    zsm = cplx(re, -im);
    zlg = cplx(re, im);
  }
}

void Store(double* root, int k, cplx z) {
  root[2 * k - 2] = z.real();
  root[2 * k - 1] = z.imag();
}

}  // namespace

void DZPLRC(const int& ndeg, const double* coeff, double* root) {
  ClearKernelError();
  if (ndeg < 1 || ndeg > kMaxDegree) {
    SetKernelError(kTerminal, 1,
                   "The degree of the polynomial must be less than 101 and greater than zero.  "
                   "NDEG is given as " +
                       std::to_string(ndeg) + ".");
    return;
  }
  const int n0 = ndeg;
  for (int i = 0; i <= n0; ++i) {
    if (!std::isfinite(coeff[i])) {
      for (int k = 1; k <= n0; ++k) Store(root, k, cplx(FINITY, 0.0));
      SetKernelError(kWarning, 2,
                     "Only 0 roots were found.  The last " + std::to_string(n0) +
                         " roots will be set to CMPLX(FINITY,0.0) where FINITY is the largest "
                         "machine constant.");
      return;
    }
  }

  // Vanishing leading coefficients: the missing roots are at infinity.
  int n = n0;
  while (n > 0 && coeff[n] == 0.0) --n;
  for (int k = n + 1; k <= n0; ++k) Store(root, k, cplx(FINITY, 0.0));
  if (n < n0) {
    SetKernelError(kWarning, 1,
                   "The leading coefficient of the polynomial is equal to zero.  The last root "
                   "will be set to CMPLX(FINITY,0.0) where FINITY is the largest machine "
                   "constant.");
  }
  if (n == 0) return;

  // Vanishing low-order coefficients: exact roots at zero.
  int nzero = 0;
  while (nzero < n && coeff[nzero] == 0.0) ++nzero;
  for (int k = 1; k <= nzero; ++k) Store(root, k, cplx(0.0, 0.0));
  const double* c = coeff + nzero;  // c[0] != 0, c[m] != 0
  const int m = n - nzero;
  if (m == 0) return;
  if (m == 1) {
    Store(root, nzero + 1, cplx(-c[0] / c[1], 0.0));
    return;
  }
  if (m == 2) {
    cplx zsm, zlg;
    Quadratic(c[0], c[1], c[2], zsm, zlg);
    Store(root, nzero + 1, Polish(c, 2, zsm));
    Store(root, nzero + 2, Polish(c, 2, zlg));
    return;
  }

  // The companion matrix, 1-based row pointers over one block.
  std::vector<double> block(std::size_t(m + 1) * (m + 1), 0.0);
  std::vector<double*> rows(std::size_t(m) + 1);
  for (int i = 0; i <= m; ++i) rows[std::size_t(i)] = block.data() + std::size_t(i) * (m + 1);
  double** a = rows.data();
  for (int j = 1; j <= m; ++j) a[1][j] = -c[m - j] / c[m];
  for (int j = 2; j <= m; ++j) a[j][j - 1] = 1.0;
  Balance(a, m);
  std::vector<double> wr(std::size_t(m) + 1, 0.0);
  std::vector<double> wi(std::size_t(m) + 1, 0.0);
  const int missing = HQR(a, m, wr.data(), wi.data(), kMaxSweeps);
  int k = nzero;
  for (int i = missing + 1; i <= m; ++i) Store(root, ++k, Polish(c, m, cplx(wr[i], wi[i])));
  if (missing > 0) {
    for (int i = k + 1; i <= n; ++i) Store(root, i, cplx(FINITY, 0.0));
    SetKernelError(kWarning, 2,
                   "Only " + std::to_string(k) + " roots were found.  The last " +
                       std::to_string(n0 - k) +
                       " roots will be set to CMPLX(FINITY,0.0) where FINITY is the largest "
                       "machine constant.");
  }
}

}  // namespace vordex::kernels
