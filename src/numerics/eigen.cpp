// Eigenvalues of a real general matrix after Press, Teukolsky, Vetterling and Flannery, Numerical
// Recipes in C (2nd ed., 1992), sections 11.5 and 11.6: balancing (Parlett and Reinsch),
// reduction to Hessenberg form by stabilised elementary similarity transformations, and the
// Francis double-shift QR algorithm of the EISPACK routine hqr (Wilkinson and Reinsch,
// Handbook for Automatic Computation II, 1971).
#include "numerics/eigen.h"

#include <cmath>
#include <utility>

#include "numerics/complex.h"
#include "numerics/kernels/hqr.h"

namespace vordex::numerics {
namespace {

// QR sweeps allowed per eigenvalue.
constexpr int kMaxIterations = 30;

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

double MaxEigenModulus(double** a, int n, double moduli[], EigenStatus* status) {
  if (status != nullptr) *status = EigenStatus::kOk;
  if (n > kEigenMaxOrder) {
    if (status != nullptr) *status = EigenStatus::kTooLarge;
    return 0.0;
  }
  if (n < 1) return 0.0;
  double wr[kEigenMaxOrder + 1];
  double wi[kEigenMaxOrder + 1];
  kernels::Balance(a, n);
  ElmHes(a, n);
  if (kernels::HQR(a, n, wr, wi, kMaxIterations) != 0) {
    if (status != nullptr) *status = EigenStatus::kNoConvergence;
    return 0.0;
  }
  for (int k = 1; k <= n; ++k) moduli[k] = Cabs(wr[k], wi[k]);
  SortDescending(moduli, n);
  return moduli[1];
}

}  // namespace vordex::numerics
