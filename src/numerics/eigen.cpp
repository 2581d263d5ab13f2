// Eigenvalues of a real general matrix after Press, Teukolsky, Vetterling and Flannery, Numerical
// Recipes in C (2nd ed., 1992), sections 11.5 and 11.6: balancing (Parlett and Reinsch),
// reduction to Hessenberg form by stabilised elementary similarity transformations, and the
// Francis double-shift QR algorithm of the EISPACK routine hqr (Wilkinson and Reinsch,
// Handbook for Automatic Computation II, 1971).
#include "numerics/eigen.h"

#include <cmath>
#include <utility>

#include "numerics/complex.h"
#include "numerics/vectors.h"

namespace vordex::numerics {
namespace {

constexpr const char* kTitle = "Pegels Input Error";
constexpr int kMaxIterations = 30;
// 0.95 as held in single precision: a scaling is applied only when it shrinks the row plus
// column norm by at least 5%.
constexpr double kBalanceGain = 0.949999988079071;
// Each applied scaling shrinks a norm by 5%, so a finite matrix settles in a few sweeps; the cap
// only guarantees an end when scalings over- or underflow.
constexpr int kMaxBalanceSweeps = 1000;

// Sign transfer as the QR sweep uses it: |a| with the sign of b, negative when b is 0.
double SignOf(double a, double b) {
  return b > 0.0 ? std::fabs(a) : -std::fabs(a);
}

// Restores the min-heap property below position k of v[1..size].
void SiftDownMin(double v[], int k, int size) {
  const double top = v[k];
  while (2 * k <= size) {
    int c = 2 * k;
    if (c < size && v[c + 1] < v[c]) ++c;
    if (!(v[c] < top)) break;
    v[k] = v[c];
    k = c;
  }
  v[k] = top;
}

// Heapsort of v[1..n] into descending order (a min-heap whose root goes to the end).
void SortDescending(double v[], int n) {
  for (int k = n / 2; k >= 1; --k) SiftDownMin(v, k, n);
  for (int size = n; size > 1; --size) {
    std::swap(v[1], v[size]);
    SiftDownMin(v, 1, size - 1);
  }
}

}  // namespace

void Balance(double** a, int n) {
  bool changed = true;
  for (int sweep = 0; changed && sweep < kMaxBalanceSweeps; ++sweep) {
    changed = false;
    for (int i = 1; i <= n; ++i) {
      double c = 0.0;
      double r = 0.0;
      for (int j = 1; j <= n; ++j) {
        if (j == i) continue;
        c += std::fabs(a[j][i]);
        r += std::fabs(a[i][j]);
      }
      // An infinite or undefined norm cannot be balanced (and would keep the loops below from
      // ending); such a row and column are left as they are.
      if (c == 0.0 || r == 0.0 || !std::isfinite(c) || !std::isfinite(r)) continue;
      // Find the power of 2, f, that brings c f^2 within a factor of 2 of r.
      double g = r * 0.5;
      double f = 1.0;
      const double s = c + r;
      while (c < g) {
        f *= 2.0;
        c *= 4.0;
      }
      g = r * 2.0;
      while (c > g) {
        f *= 0.5;
        c *= 0.25;
      }
      if ((c + r) / f < kBalanceGain * s) {
        changed = true;
        const double finv = 1.0 / f;
        for (int j = 1; j <= n; ++j) a[i][j] *= finv;
        for (int j = 1; j <= n; ++j) a[j][i] *= f;
      }
    }
  }
}

void ElmHes(double** a, int n) {
  for (int m = 2; m < n; ++m) {
    double x = 0.0;
    int i = m;
    for (int j = m; j <= n; ++j) {
      if (std::fabs(a[j][m - 1]) > std::fabs(x)) {
        x = a[j][m - 1];
        i = j;
      }
    }
    if (i != m) {
      for (int j = m - 1; j <= n; ++j) std::swap(a[i][j], a[m][j]);
      for (int j = 1; j <= n; ++j) std::swap(a[j][i], a[j][m]);
    }
    if (x != 0.0) {
      for (i = m + 1; i <= n; ++i) {
        double y = a[i][m - 1];
        if (y == 0.0) continue;
        y /= x;
        a[i][m - 1] = y;
        for (int j = m; j <= n; ++j) a[i][j] -= y * a[m][j];
        for (int j = 1; j <= n; ++j) a[j][m] += y * a[j][i];
      }
    }
  }
}

int HQR(double** a, int n, double wr[], double wi[]) {
  // Norm of the Hessenberg part, the yardstick for negligible elements when a diagonal is zero.
  double anorm = n >= 1 ? std::fabs(a[1][1]) : 0.0;
  for (int i = 2; i <= n; ++i) {
    for (int j = i - 1; j <= n; ++j) anorm += std::fabs(a[i][j]);
  }
  int nn = n;
  double t = 0.0;  // exceptional shifts applied so far
  while (nn >= 1) {
    int its = 0;
    int l;
    do {
      // Smallest l such that a[l][l - 1] is negligible: the active block is rows l .. nn.
      for (l = nn; l >= 2; --l) {
        double s = std::fabs(a[l - 1][l - 1]) + std::fabs(a[l][l]);
        if (s == 0.0) s = anorm;
        if (std::fabs(a[l][l - 1]) + s == s) break;
      }
      double x = a[nn][nn];
      if (l == nn) {
        wr[nn] = x + t;
        wi[nn] = 0.0;
        --nn;
        continue;
      }
      double y = a[nn - 1][nn - 1];
      double w = a[nn][nn - 1] * a[nn - 1][nn];
      if (l == nn - 1) {
        // Eigenvalues of the trailing 2x2 block: x + p +- sqrt(p^2 + w), p = (y - x)/2.
        const double p = 0.5 * (y - x);
        const double q = p * p + w;
        double z = std::sqrt(std::fabs(q));
        x += t;
        if (q >= 0.0) {
          z = p + SignOf(z, p);  // the root of larger magnitude first, the other by Vieta
          wr[nn - 1] = wr[nn] = x + z;
          if (z != 0.0) wr[nn] = x - w / z;
          wi[nn - 1] = wi[nn] = 0.0;
        } else {
          wr[nn - 1] = wr[nn] = x + p;
          wi[nn] = z;
          wi[nn - 1] = -z;
        }
        nn -= 2;
        continue;
      }
      if (its == kMaxIterations) {
        ReportError(kTitle, "Too many iterations in HQR()", 1);  // -1, not passed on
        return 0;
      }
      if (its == 10 || its == 20) {
        // Exceptional shift (EISPACK's ad hoc choice) to break a stalled iteration.
        t += x;
        for (int i = 1; i <= nn; ++i) a[i][i] -= x;
        const double s = std::fabs(a[nn][nn - 1]) + std::fabs(a[nn - 1][nn - 2]);
        y = x = 0.75 * s;
        w = -0.4375 * s * s;
      }
      ++its;
      // Look for two consecutive small subdiagonal elements: the sweep may start at row m.
      int m;
      double p = 0.0;
      double q = 0.0;
      double r = 0.0;
      double z = 0.0;
      for (m = nn - 2; m >= l; --m) {
        z = a[m][m];
        r = x - z;
        double s = y - z;
        // First column of (A - k1 I)(A - k2 I), k1 + k2 = x + y, k1 k2 = x y - w, scaled.
        p = (r * s - w) / a[m + 1][m] + a[m][m + 1];
        q = a[m + 1][m + 1] - z - r - s;
        r = a[m + 2][m + 1];
        s = std::fabs(p) + std::fabs(q) + std::fabs(r);
        p /= s;
        q /= s;
        r /= s;
        if (m == l) break;
        const double u = std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r));
        const double v =
            std::fabs(p) * (std::fabs(a[m - 1][m - 1]) + std::fabs(z) + std::fabs(a[m + 1][m + 1]));
        if (u + v == v) break;
      }
      for (int i = m + 2; i <= nn; ++i) {
        a[i][i - 2] = 0.0;
        if (i != m + 2) a[i][i - 3] = 0.0;
      }
      // Chase the bulge down the active block with 3x3 Householder reflections.
      for (int k = m; k <= nn - 1; ++k) {
        if (k != m) {
          p = a[k][k - 1];
          q = a[k + 1][k - 1];
          r = k != nn - 1 ? a[k + 2][k - 1] : 0.0;
          x = std::fabs(p) + std::fabs(q) + std::fabs(r);
          if (x != 0.0) {
            p /= x;
            q /= x;
            r /= x;
          }
        }
        const double s = SignOf(std::sqrt(p * p + q * q + r * r), p);
        if (s == 0.0) continue;
        if (k == m) {
          if (l != m) a[k][k - 1] = -a[k][k - 1];
        } else {
          a[k][k - 1] = -s * x;
        }
        p += s;
        x = p / s;
        y = q / s;
        z = r / s;
        q /= p;
        r /= p;
        for (int j = k; j <= nn; ++j) {
          p = a[k][j] + q * a[k + 1][j];
          if (k != nn - 1) {
            p += r * a[k + 2][j];
            a[k + 2][j] -= p * z;
          }
          a[k + 1][j] -= p * y;
          a[k][j] -= p * x;
        }
        const int mmin = nn < k + 3 ? nn : k + 3;
        for (int i = l; i <= mmin; ++i) {
          p = x * a[i][k] + y * a[i][k + 1];
          if (k != nn - 1) {
            p += z * a[i][k + 2];
            a[i][k + 2] -= p * r;
          }
          a[i][k + 1] -= p * q;
          a[i][k] -= p;
        }
      }
    } while (l < nn - 1);
  }
  return 1;
}

double MaxEigenModulus(double** a, int n, double moduli[]) {
  if (n > kEigenMaxOrder) {
    ReportError(kTitle, "Matrix too large", 1);
    return 0.0;
  }
  if (n < 1) return 0.0;
  double wr[kEigenMaxOrder + 1];
  double wi[kEigenMaxOrder + 1];
  Balance(a, n);
  ElmHes(a, n);
  if (HQR(a, n, wr, wi) != 1) return 0.0;
  for (int k = 1; k <= n; ++k) moduli[k] = Cabs(wr[k], wi[k]);
  SortDescending(moduli, n);
  return moduli[1];
}

}  // namespace vordex::numerics
