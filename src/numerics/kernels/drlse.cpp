// Least squares by Householder QR of the design matrix, column by column in the given order
// (Golub, Numer. Math. 7, 1965). A column whose part orthogonal to the columns already taken has
// a norm of at most 100 eps times its own norm is redundant: it gets no reflection and its
// coefficient is 0, so the fit is the least-squares fit on the remaining columns.
#include "numerics/kernels/drlse.h"

#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "numerics/kernels/error_state.h"

namespace vordex::kernels {
namespace {

constexpr double kEps = 2.220446049250313e-16;
constexpr double kRankTol = 100.0 * kEps;

// Euclidean norm of v[from..to) without overflow or harmful underflow.
double Norm(const double* v, int from, int to) {
  double scale = 0.0;
  double ssq = 1.0;
  for (int i = from; i < to; ++i) {
    if (v[i] == 0.0) continue;
    const double a = std::fabs(v[i]);
    if (scale < a) {
      ssq = 1.0 + ssq * (scale / a) * (scale / a);
      scale = a;
    } else {
      ssq += (a / scale) * (a / scale);
    }
  }
  return scale * std::sqrt(ssq);
}

}  // namespace

void DRLSE(const int& nobs, const double* y, const int& nind, const double* x, const int& ldx,
           const int& intcep, double* b, double& sst, double& sse) {
  ClearKernelError();
  if (intcep != 0 && intcep != 1) {
    SetKernelError(kTerminal, 1,
                   "INTCEP = " + std::to_string(intcep) +
                       ".  The intercept option, INTCEP, must be equal to 0 or 1.");
    return;
  }
  if (intcep + nind <= 0 || nind < 0) {
    SetKernelError(kTerminal, 2,
                   "INTCEP = " + std::to_string(intcep) + " and NIND = " + std::to_string(nind) +
                       ".  There must be at least one regressor in the model.");
    return;
  }
  if (nobs <= 0) {
    SetKernelError(kTerminal, 4,
                   "NOBS = " + std::to_string(nobs) +
                       ".  The number of observations, NOBS, must be greater than zero.");
    return;
  }
  if (nind > 0 && ldx < nobs) {
    SetKernelError(kTerminal, 5,
                   "NOBS = " + std::to_string(nobs) + " and LDX = " + std::to_string(ldx) +
                       ".  The leading dimension of X, LDX, must be greater than or equal to the "
                       "number of observations, NOBS.");
    return;
  }

  const int n = nobs;
  const int p = intcep + nind;
  std::vector<double> a;   // design matrix by columns, leading dimension n
  std::vector<double> qy;  // Q'y
  std::vector<double> coef;
  std::vector<int> pivot_row;  // row of the diagonal element of each column, -1 if redundant
  try {
    a.resize(std::size_t(n) * std::size_t(p));
    qy.assign(y, y + n);
    coef.assign(std::size_t(p), 0.0);
    pivot_row.assign(std::size_t(p), -1);
  } catch (const std::bad_alloc&) {
    SetKernelError(kTerminal, 3,
                   "The required storage cannot be allocated.  The workspace requirement is based "
                   "on INTCEP = " +
                       std::to_string(intcep) + " and NIND = " + std::to_string(nind) + ".");
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (intcep == 1) a[std::size_t(i)] = 1.0;
    for (int j = 0; j < nind; ++j)
      a[std::size_t(intcep + j) * n + i] = x[std::size_t(j) * std::size_t(ldx) + i];
  }

  // Total sum of squares, about the mean (two passes) when there is an intercept.
  double mean = 0.0;
  if (intcep == 1) {
    for (int i = 0; i < n; ++i) mean += y[i];
    mean /= n;
  }
  double total = 0.0;
  for (int i = 0; i < n; ++i) total += (y[i] - mean) * (y[i] - mean);

  int rank = 0;
  for (int j = 0; j < p; ++j) {
    double* col = a.data() + std::size_t(j) * n;
    const double original = Norm(col, 0, n);
    if (rank >= n) continue;
    const double alpha = Norm(col, rank, n);
    if (!(alpha > kRankTol * original)) continue;  // redundant (or a zero column)
    // Reflection H = I - v v' / (v' e) that maps col[rank..n) onto -sign(col[rank]) alpha e.
    const double diag = col[rank] >= 0.0 ? -alpha : alpha;
    col[rank] -= diag;                     // v = col - diag e, stored in place
    const double vte = -diag * col[rank];  // v'v / 2
    auto reflect = [&](double* target) {
      double dot = 0.0;
      for (int i = rank; i < n; ++i) dot += col[i] * target[i];
      const double f = dot / vte;
      for (int i = rank; i < n; ++i) target[i] -= f * col[i];
    };
    for (int k = j + 1; k < p; ++k) reflect(a.data() + std::size_t(k) * n);
    reflect(qy.data());
    col[rank] = diag;  // R(rank, j); the rest of v is no longer needed
    pivot_row[std::size_t(j)] = rank;
    ++rank;
  }

  // Back substitution on the triangle of the columns taken.
  for (int j = p - 1; j >= 0; --j) {
    const int r = pivot_row[std::size_t(j)];
    if (r < 0) continue;
    double s = qy[std::size_t(r)];
    for (int k = j + 1; k < p; ++k) {
      if (pivot_row[std::size_t(k)] < 0) continue;
      s -= a[std::size_t(k) * n + r] * coef[std::size_t(k)];
    }
    coef[std::size_t(j)] = s / a[std::size_t(j) * n + r];
  }
  const double tail = Norm(qy.data(), rank, n);

  for (int j = 0; j < p; ++j) b[j] = coef[std::size_t(j)];
  sst = total;
  sse = tail * tail;
  if (rank < p) {
    SetKernelError(kWarning, 1,
                   "The model is not full rank.  There is not a unique least squares solution.  "
                   "The rank of the matrix of regressors is " +
                       std::to_string(rank) + ".");
  }
}

}  // namespace vordex::kernels
