#include "numerics/lsq.h"

#include <cmath>

#include "numerics/vectors.h"

namespace vordex::numerics {
namespace {

// A row whose largest element is below this magnitude is taken as zero. The threshold is absolute:
// the callers' matrices are autocovariances and cross-products of series of moderate scale.
constexpr double kSingularRow = 1e-10;
// Stands in for an exactly zero pivot so that the substitution can proceed.
constexpr double kTinyPivot = 1e-20;
// Smallest determinant accepted for a 2 x 2 inverse.
constexpr double kMinDet2 = 1e-8;

}  // namespace

// Crout's method with partial pivoting and implicit scaling of each row by its largest element
// (Press, Teukolsky, Vetterling and Flannery, Numerical Recipes in C, 2nd ed., section 2.3).
int Ludcmp(double** a, int n, int* indx, double* d) {
  auto vv = vector(1, n);
  if (!vv) return 0;
  *d = 1.0;
  for (int i = 1; i <= n; ++i) {
    double big = 0.0;
    for (int j = 1; j <= n; ++j) {
      const double temp = std::fabs(a[i][j]);
      if (std::isnan(temp) || temp > big) big = temp;
      if (std::isnan(big)) break;
    }
    if (!(big >= kSingularRow)) {
      *d = 0.0;
      return ReportError("Error in OLSQ function Ludcmp", "Matrix is Singular!", 0);
    }
    vv[i] = 1.0 / big;
  }
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i < j; ++i) {
      double sum = a[i][j];
      for (int k = 1; k < i; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
    }
    double big = 0.0;
    int imax = j;
    for (int i = j; i <= n; ++i) {
      double sum = a[i][j];
      for (int k = 1; k < j; ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      // ">=" lets the last of equally good candidates win.
      const double dum = vv[i] * std::fabs(sum);
      if (dum >= big) {
        big = dum;
        imax = i;
      }
    }
    if (j != imax) {
      for (int k = 1; k <= n; ++k) {
        const double dum = a[imax][k];
        a[imax][k] = a[j][k];
        a[j][k] = dum;
      }
      *d = -(*d);
      vv[imax] = vv[j];
    }
    indx[j] = imax;
    if (a[j][j] == 0.0) a[j][j] = kTinyPivot;
    if (j != n) {
      const double dum = 1.0 / a[j][j];
      for (int i = j + 1; i <= n; ++i) a[i][j] *= dum;
    }
  }
  return 1;
}

// Forward substitution with L (skipping the leading zeros of b), then back substitution with U.
void Lubksb(double** a, int n, const int* indx, double* b) {
  int ii = 0;
  for (int i = 1; i <= n; ++i) {
    const int ip = indx[i];
    double sum = b[ip];
    b[ip] = b[i];
    if (ii != 0) {
      for (int j = ii; j <= i - 1; ++j) sum -= a[i][j] * b[j];
    } else if (sum != 0.0) {
      ii = i;
    }
    b[i] = sum;
  }
  for (int i = n; i >= 1; --i) {
    double sum = b[i];
    for (int j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
    b[i] = sum / a[i][i];
  }
}

int MatInverse(double** a, int n) {
  if (n < 1) return 0;
  if (n == 1) {
    // A zero (or non-numeric) element has no inverse; fail as the 2 x 2 case does, silently.
    if (a[1][1] == 0.0 || std::isnan(a[1][1])) return 0;
    a[1][1] = 1.0 / a[1][1];
    return n;
  }
  if (n == 2) {
    const double det = a[2][2] * a[1][1] - a[2][1] * a[1][2];
    // A negative or non-numeric determinant fails as well: the matrices inverted here are
    // covariance and cross-product matrices, which are positive semi-definite.
    if (!(det >= kMinDet2)) return 0;
    const double a11 = a[1][1];
    a[1][1] = a[2][2];
    a[2][2] = a11;
    a[1][2] = -a[1][2];
    a[2][1] = -a[2][1];
    a[1][1] /= det;
    a[1][2] /= det;
    a[2][1] /= det;
    a[2][2] /= det;
    return 1;
  }

  constexpr const char* kTitle = "Error in OLSQ function MatInverse";
  constexpr const char* kMessage = "Vector allocation failure!";
  auto indx = ivector(1, n);
  if (!indx) return ReportError(kTitle, kMessage, 0);
  auto col = vector(1, n);
  if (!col) return ReportError(kTitle, kMessage, 0);
  auto y = matrix(1, n, 1, n);
  if (!y) return ReportError(kTitle, kMessage, 0);
  double d;
  if (!Ludcmp(a, n, indx.get(), &d)) return ReportError(kTitle, kMessage, 0);
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) col[i] = 0.0;
    col[j] = 1.0;
    Lubksb(a, n, indx.get(), col.get());
    for (int i = 1; i <= n; ++i) y[i][j] = col[i];
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a[i][j] = y[i][j];
  return 1;
}

// beta = (X'X)^{-1} X'y by the normal equations.
int OLSQ(const double* y, double** X, int nobs, int k, double* beta) {
  constexpr const char* kTitle = "Error in OLSQ";
  constexpr const char* kMessage = "Vector allocation failure!";
  if (k < 1) return ReportError(kTitle, "No. coefficients <= 0", 0);
  auto A = matrix(1, k, 1, k);
  if (!A) return ReportError(kTitle, kMessage, 0);
  auto b = vector(1, k);
  if (!b) return ReportError(kTitle, kMessage, 0);
  for (int i = 1; i <= k; ++i) {
    for (int j = 1; j <= k; ++j) {
      double sum = 0.0;
      for (int t = 1; t <= nobs; ++t) sum += X[t][i] * X[t][j];
      A[i][j] = sum;
    }
  }
  for (int i = 1; i <= k; ++i) {
    double sum = 0.0;
    for (int t = 1; t <= nobs; ++t) sum += X[t][i] * y[t];
    b[i] = sum;
  }
  return OLSQNormal(A.get(), b.get(), k, beta);
}

int OLSQNormal(double** A, const double* b, int k, double* beta) {
  if (!MatInverse(A, k)) return 0;
  for (int i = 1; i <= k; ++i) {
    double sum = 0.0;
    for (int j = 1; j <= k; ++j) sum += A[i][j] * b[j];
    beta[i] = sum;
  }
  return 1;
}

}  // namespace vordex::numerics
