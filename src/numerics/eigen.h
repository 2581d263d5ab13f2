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

// How MaxEigenModulus ended.
enum class EigenStatus { kOk, kTooLarge, kNoConvergence };

// Moduli of all eigenvalues of a[1..n][1..n] (destroyed), written to moduli[1..n] (1-based) in
// descending order; returns moduli[1], the spectral radius, after balancing (kernels::Balance),
// reduction to Hessenberg form (ElmHes) and the QR iteration (kernels::HQR, at most 30 sweeps
// per eigenvalue). Returns 0.0 when n < 1 (nothing written) and when it fails; *status, when
// given, says which: kTooLarge for n > kEigenMaxOrder (a and moduli untouched), kNoConvergence
// when the QR iteration did not converge (moduli undefined). Reports nothing: the caller
// decides what a failure means to the user.
double MaxEigenModulus(double** a, int n, double moduli[], EigenStatus* status = nullptr);

// Replaces a[1..n][1..n] by a similar upper Hessenberg matrix by Gaussian elimination with
// pivoting. Entries below the subdiagonal then hold the multipliers and must be ignored by
// the caller. Does nothing when n < 3.
void ElmHes(double** a, int n);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_EIGEN_H
