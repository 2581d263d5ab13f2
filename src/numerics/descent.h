// A quasi-Newton descent to start a direction-set search near a minimum.
#ifndef VORDEX_NUMERICS_DESCENT_H
#define VORDEX_NUMERICS_DESCENT_H

#include "numerics/powell.h"

namespace vordex::numerics {

// The usual bound on a descent's calls of the criterion: a descent that needs more is far from
// a minimum, which the direction-set search after it then finds.
inline constexpr long kDescentEvaluations = 2000;

// Descends from p[1..n] (1-based, as Minimise; *fret the criterion there) by BFGS steps with
// finite-difference gradients (kernels::DUMINF with its default settings) in at most
// max_evaluations calls of func. p and *fret move to the end point when its criterion is lower;
// otherwise they are left as they were. Criterion values that are not numbers, or at least
// `rejected`, count as `rejected`, which the line search backs away from. The outcome of the
// descent (converged, stopped by a limit) is not reported: the caller's direction-set search from
// its end decides. The kernel error state is clear on return.
void QuasiNewtonDescent(int n, double* p, double* fret, Criterion func, double rejected,
                        long max_evaluations = kDescentEvaluations);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_DESCENT_H
