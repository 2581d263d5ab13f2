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

// How a descent within bounds ended.
struct BoxDescentOutcome {
  long evaluations = 0;    // calls of the criterion
  bool converged = false;  // stopped by the tolerance, not by the evaluation limit or a failed
                           // line search
};

// Minimises func over the box lo[i] <= p[i] <= hi[i] (1-based; a bound may be infinite, and
// lo[i] == hi[i] holds p[i] fixed) from p[1..n], projected into the box, by projected BFGS steps
// (Bertsekas 1982): a variable on a bound whose gradient points out of the box is held there for
// the step, the others move along the quasi-Newton direction, and the step is projected back and
// halved until it lowers the criterion enough (Armijo). Gradients are forward differences, taken
// inwards at an upper bound. It stops when the decrease that the quadratic model predicts, or the
// one a step achieves, is at most ftol relative to the criterion, or after max_evaluations calls.
// p and *fret end at the lowest point evaluated. Criterion values that are not numbers, or at
// least `rejected`, count as `rejected`, which the line search backs away from; a start at or
// above `rejected` is returned as it is.
//
// Made for criteria whose minimum often lies on a bound (smoothing parameters at 0 or 1), where
// a direction-set search creeps along the edge by line searches that bracket it again and again.
BoxDescentOutcome BoxQuasiNewton(int n, double* p, double* fret, const double* lo, const double* hi,
                                 double ftol, Criterion func, double rejected,
                                 long max_evaluations = kDescentEvaluations);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_DESCENT_H
