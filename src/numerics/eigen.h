// Eigenvalues of a small general real matrix: balancing, reduction to upper Hessenberg form and
// the Francis double-shift QR algorithm, and the moduli of the eigenvalues.
//
// Matrices are row-pointer matrices a[1..n][1..n] (1-based) as matrix(1, n, 1, n) gives them; every
// routine here overwrites its matrix. Nothing here keeps state between calls.
#ifndef VORDEX_NUMERICS_EIGEN_H
#define VORDEX_NUMERICS_EIGEN_H

namespace vordex::numerics {

// Largest matrix order that MaxEigenModulus accepts.
inline constexpr int kEigenMaxOrder = 20;

// Moduli of all eigenvalues of a[1..n][1..n] (destroyed), written to moduli[1..n] (1-based) in
// descending order; returns moduli[1], the spectral radius. Returns 0.0 (n < 1: nothing written,
// no report) or 0.0 after a warning box titled "Pegels Input Error":
//   "Matrix too large"              n > kEigenMaxOrder (a and moduli untouched);
//   "Too many iterations in HQR()"  the QR iteration failed (moduli undefined).
// A zero matrix also returns 0.0; only the box tells the two apart.
double MaxEigenModulus(double** a, int n, double moduli[]);

// Replaces a[1..n][1..n] by a similar matrix D^-1 a D, D diagonal with powers of 2 (so the
// scaling is exact), whose rows and columns have comparable norms. A matrix already balanced to
// within a factor of 2 is left unchanged.
void Balance(double** a, int n);

// Replaces a[1..n][1..n] by a similar upper Hessenberg matrix by Gaussian elimination with
// pivoting. Entries below the subdiagonal then hold the multipliers and must be ignored by
// the caller. Does nothing when n < 3.
void ElmHes(double** a, int n);

// All eigenvalues of the upper Hessenberg matrix a[1..n][1..n] (destroyed; entries below the
// subdiagonal are ignored): real parts to wr[1..n], imaginary parts to wi[1..n] (1-based).
// A complex pair is written to consecutive positions, positive imaginary part second. Returns 1
// on success (n < 1: nothing written). Returns 0 after the warning box "Pegels Input Error" /
// "Too many iterations in HQR()" when 30 iterations do not split off an eigenvalue (wr and wi
// then hold only the eigenvalues found so far).
int HQR(double** a, int n, double wr[], double wi[]);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_EIGEN_H
