// Eigenvalues of a small general real matrix by balancing and the Francis double-shift QR
// algorithm on an upper Hessenberg matrix: the one implementation behind the eigenvalue moduli of
// the numerics room and the polynomial roots of DZPLRC.
//
// Matrices are row-pointer matrices a[1..n][1..n] (1-based). Nothing here reports, allocates or
// keeps state: callers decide what a failure means and how to tell the user.
#ifndef VORDEX_NUMERICS_KERNELS_HQR_H
#define VORDEX_NUMERICS_KERNELS_HQR_H

namespace vordex::kernels {

// Replaces a[1..n][1..n] by a similar matrix D^-1 a D, D diagonal with powers of 2 (so the
// scaling is exact), whose rows and columns have comparable norms (Parlett and Reinsch). A
// matrix already balanced to within a factor of 2 is left unchanged; a row or column with an
// infinite or undefined norm is left as it is.
void Balance(double** a, int n);

// All eigenvalues of the upper Hessenberg matrix a[1..n][1..n] (destroyed; entries below the
// subdiagonal are ignored), found from the bottom up: real parts to wr[nn + 1..n], imaginary
// parts to wi[nn + 1..n] (1-based), a complex pair at consecutive positions, positive imaginary
// part second. At most max_sweeps double-shift sweeps are spent on one eigenvalue, with an
// exceptional shift every 10 sweeps. Returns nn: 0 when all eigenvalues were found, otherwise
// the number the iteration failed to find (positions 1..nn are then not written).
int HQR(double** a, int n, double* wr, double* wi, int max_sweeps);

}  // namespace vordex::kernels

#endif  // VORDEX_NUMERICS_KERNELS_HQR_H
