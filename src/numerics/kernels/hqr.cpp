// Balancing after Parlett and Reinsch (Numer. Math. 13, 1969); the QR iteration is EISPACK's
// hqr (Martin, Peters and Wilkinson, Numer. Math. 14, 1970) in the form of Press, Teukolsky,
// Vetterling and Flannery, Numerical Recipes in C (2nd ed., 1992), section 11.6.
#include "numerics/kernels/hqr.h"

#include <algorithm>
#include <cmath>

namespace vordex::kernels {
namespace {

// Balancing converges in a handful of sweeps; the cap only guarantees an end when scalings over-
// or underflow.
constexpr int kMaxBalanceSweeps = 1000;
// 0.95 as held in single precision: a scaling is applied only when it shrinks the row plus
// column norm by at least 5%.
constexpr double kBalanceGain = 0.949999988079071;

// |a| with the sign of b.
double SignOf(double a, double b) {
  return b >= 0.0 ? std::fabs(a) : -std::fabs(a);
}

}  // namespace

void Balance(double** a, int n) {
  constexpr double radix = 2.0;
  constexpr double sqrdx = radix * radix;
  bool done = false;
  for (int sweep = 0; !done && sweep < kMaxBalanceSweeps; ++sweep) {
    done = true;
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
      // c and r are finite and positive, so each loop below ends within the exponent range
      // (about 1,100 passes).
      double g = r / radix;
      double f = 1.0;
      const double s = c + r;
      while (c < g) {
        f *= radix;
        c *= sqrdx;
      }
      g = r * radix;
      while (c > g) {
        f /= radix;
        c /= sqrdx;
      }
      if ((c + r) / f < kBalanceGain * s) {
        done = false;
        g = 1.0 / f;
        for (int j = 1; j <= n; ++j) a[i][j] *= g;
        for (int j = 1; j <= n; ++j) a[j][i] *= f;
      }
    }
  }
}

int HQR(double** a, int n, double* wr, double* wi, int max_sweeps) {
  double anorm = 0.0;
  for (int i = 1; i <= n; ++i)
    for (int j = std::max(i - 1, 1); j <= n; ++j) anorm += std::fabs(a[i][j]);
  int nn = n;
  double t = 0.0;
  double p = 0.0, q = 0.0, r = 0.0, s = 0.0, w = 0.0, x = 0.0, y = 0.0, z = 0.0;
  while (nn >= 1) {
    int its = 0;
    int l = 1;
    do {
      // Look for a single small subdiagonal element.
      for (l = nn; l >= 2; --l) {
        s = std::fabs(a[l - 1][l - 1]) + std::fabs(a[l][l]);
        if (s == 0.0) s = anorm;
        if (std::fabs(a[l][l - 1]) + s == s) {
          a[l][l - 1] = 0.0;
          break;
        }
      }
      x = a[nn][nn];
      if (l == nn) {  // one root found
        wr[nn] = x + t;
        wi[nn] = 0.0;
        --nn;
      } else {
        y = a[nn - 1][nn - 1];
        w = a[nn][nn - 1] * a[nn - 1][nn];
        if (l == nn - 1) {  // two roots found
          p = 0.5 * (y - x);
          q = p * p + w;
          z = std::sqrt(std::fabs(q));
          x += t;
          if (q >= 0.0) {
            z = p + SignOf(z, p);
            wr[nn - 1] = wr[nn] = x + z;
            if (z != 0.0) wr[nn] = x - w / z;
            wi[nn - 1] = wi[nn] = 0.0;
          } else {
            wr[nn - 1] = wr[nn] = x + p;
            wi[nn] = z;
            wi[nn - 1] = -z;
          }
          nn -= 2;
        } else {  // no roots found yet: another double-shift sweep
          if (its == max_sweeps) return nn;
          if (its > 0 && its % 10 == 0) {  // exceptional shift
            t += x;
            for (int i = 1; i <= nn; ++i) a[i][i] -= x;
            s = std::fabs(a[nn][nn - 1]) + std::fabs(a[nn - 1][nn - 2]);
            y = x = 0.75 * s;
            w = -0.4375 * s * s;
          }
          ++its;
          // Look for two consecutive small subdiagonal elements.
          int m = nn - 2;
          for (; m >= l; --m) {
            z = a[m][m];
            r = x - z;
            s = y - z;
            p = (r * s - w) / a[m + 1][m] + a[m][m + 1];
            q = a[m + 1][m + 1] - z - r - s;
            r = a[m + 2][m + 1];
            s = std::fabs(p) + std::fabs(q) + std::fabs(r);
            p /= s;
            q /= s;
            r /= s;
            if (m == l) break;
            const double u = std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r));
            const double v = std::fabs(p) * (std::fabs(a[m - 1][m - 1]) + std::fabs(z) +
                                             std::fabs(a[m + 1][m + 1]));
            if (u + v == v) break;
          }
          for (int i = m + 2; i <= nn; ++i) {
            a[i][i - 2] = 0.0;
            if (i != m + 2) a[i][i - 3] = 0.0;
          }
          // Double QR step on rows l..nn and columns m..nn.
          for (int k = m; k <= nn - 1; ++k) {
            if (k != m) {
              p = a[k][k - 1];
              q = a[k + 1][k - 1];
              r = 0.0;
              if (k != nn - 1) r = a[k + 2][k - 1];
              x = std::fabs(p) + std::fabs(q) + std::fabs(r);
              if (x != 0.0) {
                p /= x;
                q /= x;
                r /= x;
              }
            }
            s = SignOf(std::sqrt(p * p + q * q + r * r), p);
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
        }
      }
    } while (l < nn - 1);
  }
  return 0;
}

}  // namespace vordex::kernels
