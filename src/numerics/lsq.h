// Dense linear algebra for small systems: LU decomposition with partial pivoting, forward and
// back substitution, in-place inversion and ordinary least squares by the normal equations.
//
// Matrices are row-pointer matrices indexed a[1..n][1..n] (matrix(1, n, 1, n).get()); vectors are
// 1-based offset pointers (vector(1, n).get(), ivector(1, n).get()). Failures are reported with a
// warning box (ReportError, code 0) where stated; after a failure the matrix contents are
// undefined.
#ifndef VORDEX_NUMERICS_LSQ_H
#define VORDEX_NUMERICS_LSQ_H

namespace vordex::numerics {

// Crout's LU decomposition with partial pivoting and implicit row scaling, in place: the strictly
// lower triangle of a receives the multipliers of L (unit diagonal not stored), the upper triangle
// with the diagonal U, both for the row-permuted matrix. indx[1..n] receives the row swapped into
// row j at step j; *d is +1.0 or -1.0 by the parity of the exchanges. An exactly zero pivot is
// replaced by 1e-20.
// Returns 1; 0 when a row has no element of magnitude 1e-10 or more (or a NaN one): *d = 0.0 and
// "Error in OLSQ function Ludcmp" / "Matrix is Singular!" is shown. Returns 0 without a message of
// its own when the scale vector cannot be obtained.
int Ludcmp(double** a, int n, int* indx, double* d);

// Solves A x = b given the factors a and indx from Ludcmp; b[1..n] holds the right-hand side on
// entry and the solution on return.
void Lubksb(double** a, int n, const int* indx, double* b);

// Replaces a[1..n][1..n] by its inverse.
//   n = 1: 1 / a[1][1], returns 1.
//   n = 2: adjugate over the determinant; returns 0 without a message when the determinant is
//          below 1e-8 (negative determinants included) or not a number.
//   n >= 3: LU decomposition and one solve per unit column; returns 0 after "Error in OLSQ
//          function MatInverse" / "Vector allocation failure!" when storage cannot be obtained or
//          the decomposition fails (a singular matrix shows Ludcmp's box first).
// n < 1: returns 0 without a message and leaves a untouched.
int MatInverse(double** a, int n);

// Ordinary least squares y = X beta: forms X'X and X'y, inverts X'X with MatInverse and writes
// beta[1..k]. y[1..nobs] and X[1..nobs][1..k] are read only.
// Returns 1; 0 after "Error in OLSQ" / "Vector allocation failure!" (no storage), or when the
// inversion fails (reported by MatInverse, silently for k = 2).
int OLSQ(const double* y, double** X, int nobs, int k, double* beta);

// The end of OLSQ for normal equations formed by the caller (A[1..k][1..k] = X'X, b[1..k] = X'y,
// each sum taken over the rows in order, as OLSQ takes it, so that the result is OLSQ's to the
// bit): A is replaced by its inverse (MatInverse) and beta[1..k] = A^-1 b. For regressions whose
// rows are formed one at a time instead of stored. Returns 1; 0 when the inversion fails
// (reported by MatInverse, silently for k <= 2).
int OLSQNormal(double** A, const double* b, int k, double* beta);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_LSQ_H
