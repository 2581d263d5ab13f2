// Admissibility of the smoothing parameters, and invertibility of all-additive models through the
// spectral radius of their discount matrix.
#ifndef VORDEX_SMOOTHING_ADMISSIBLE_H
#define VORDEX_SMOOTHING_ADMISSIBLE_H

#include "smoothing/state.h"

namespace vordex::smoothing {

// The warning shown once per request when a discount matrix is beyond the eigenvalue routine.
inline constexpr const char* kMatrixTooLarge = "Matrix too large";

// Decides whether alpha, beta, gamma, phi (par[1..4] of the engine state) are permitted for the
// current model. The admissible region (`parameter region` 2, all-additive models only) asks for
// an invertible model with 0.01 < phi <= 1 when damped and phi = 1 otherwise; every other case uses
// the usual region: 0 <= alpha, beta, gamma <= 1, phi >= 0, beta < phi <= 1 when damped, phi = 1
// otherwise. Returns 1 admissible, 0 refused; with silent == 0 a refusal is explained first in a
// warning box titled "Pegels Input Error" (for the damping range in the admissible region,
// "Pegels input error").
int Pegelsadmissible(PegelsState& P, int silent);

// 1 when the discount matrix of the current all-additive model with the parameters par[1..4]
// (1-based) has spectral radius at most 1, else 0. For a model with a multiplicative part the
// question has no answer: the warning "Can't check invertibility of mutiplicative model" (title
// "Pegels Input Error") is shown and 0 is returned.
int Pegelsinvertible(PegelsState& P, const double* par);

// The largest eigenvalue modulus of the discount matrix of the current all-additive model with
// the given parameters. Orders above 20 cannot be judged: the box "Matrix too large" is shown
// once per request and 0.0 is returned (the model then counts as invertible). A model with a
// multiplicative part is refused with "Unknown model error", "Unknown model trend" or "Unknown
// model seasonality" (title "Pegels Input Error") and 1e10 is returned, so that it never counts as
// invertible. The matrix lives in fixed local storage: nothing is allocated.
double Pegelsdiscount(PegelsState& P, double alpha, double beta, double gamma, double phi);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_ADMISSIBLE_H
