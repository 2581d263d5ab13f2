// Multiple linear least-squares regression with an optional intercept.
#ifndef VORDEX_NUMERICS_KERNELS_DRLSE_H
#define VORDEX_NUMERICS_KERNELS_DRLSE_H

namespace vordex::kernels {

// Fits Y = B(1) + B(2) X(:,1) + ... (INTCEP = 1) or Y = B(1) X(:,1) + ... (INTCEP = 0) by least
// squares, using a column-pivoted Householder QR reduction; columns found linearly dependent
// under the tolerance 100 * eps are redundant and get coefficient 0.
//
// Arguments (arrays point to their first element, which is element 1; all caller-owned):
//   NOBS    number of observations; Y: NOBS doubles (read only).
//   NIND    number of regressors; X: the NOBS x NIND matrix by columns with leading dimension
//           LDX, element (i, j) at X[(j - 1) * LDX + (i - 1)] (read only). X is not read when
//           NIND = 0.
//   INTCEP  0 or 1 (a column of ones in front).
//   B       (output) INTCEP + NIND doubles: the intercept first when INTCEP = 1.
//   SST     (output) total sum of squares of Y, about its mean when INTCEP = 1.
//   SSE     (output) residual sum of squares.
//
// Outcome through the kernel error state (error_state.h); outputs untouched on types 5:
//   INTCEP not 0 or 1: type 5, code 1.      INTCEP + NIND <= 0 (or NIND < 0): type 5, code 2.
//   no workspace: type 5, code 3.           NOBS <= 0: type 5, code 4.
//   LDX < NOBS: type 5, code 5.
//   regressors linearly dependent: type 3, code 1; B, SST and SSE are still those of a
//     least-squares solution (redundant coefficients 0).
// Never prints, never throws, never stops the process.
void DRLSE(const int& nobs, const double* y, const int& nind, const double* x, const int& ldx,
           const int& intcep, double* b, double& sst, double& sse);

}  // namespace vordex::kernels

#endif  // VORDEX_NUMERICS_KERNELS_DRLSE_H
