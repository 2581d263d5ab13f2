// Roots of a real polynomial.
#ifndef VORDEX_NUMERICS_KERNELS_DZPLRC_H
#define VORDEX_NUMERICS_KERNELS_DZPLRC_H

#include <limits>

namespace vordex::kernels {

// The largest finite double, stored in place of roots that could not be computed.
inline constexpr double FINITY = std::numeric_limits<double>::max();

// Finds all NDEG roots of the real polynomial
//   COEFF(NDEG + 1) z^NDEG + ... + COEFF(2) z + COEFF(1),
// for 1 <= NDEG <= 100. COEFF points to COEFF(1) and holds NDEG + 1 doubles in increasing order
// of power; it is read only. ROOT points to 2 * NDEG doubles owned by the caller: root k
// (k = 1..NDEG) is stored as ROOT[2k - 2] (real part), ROOT[2k - 1] (imaginary part). Complex
// roots come in conjugate pairs; the order of the roots is unspecified. Each root is accurate to
// near working precision (|p(z)| small relative to sum |COEFF(i)| |z|^(i-1)).
//
// Outcome through the kernel error state (error_state.h); the type is 0 when nothing is raised.
//   NDEG < 1 or NDEG > 100: type 5, code 1; ROOT untouched.
//   COEFF(NDEG + 1) = 0: type 3, code 1; ROOT(NDEG) = (FINITY, 0) and the others are the roots
//     of the polynomial of degree NDEG - 1 (and so on while leading coefficients vanish; if every
//     coefficient but COEFF(1) vanishes all roots are (FINITY, 0)).
//   only k < NDEG roots found (non-finite coefficients): type 3, code 2; ROOT(k + 1..NDEG) =
//     (FINITY, 0).
// Never prints, never throws, never stops the process.
void DZPLRC(const int& ndeg, const double* coeff, double* root);

}  // namespace vordex::kernels

#endif  // VORDEX_NUMERICS_KERNELS_DZPLRC_H
