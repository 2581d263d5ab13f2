// Initial states of the smoothing recursion, and their place in the parameter vector of the
// second estimation stage.
//
// Second-stage layout (1-based): the free smoothing parameters alpha, beta (with a trend), gamma
// (with seasonality), phi (damped trend); then l[0]; b[0] (with a trend); seasInit[0..s-2] (with
// seasonality). The last seasonal index is not free: additive indices sum to 0, multiplicative
// ones to s.
#ifndef VORDEX_SMOOTHING_INIT_H
#define VORDEX_SMOOTHING_INIT_H

#include "smoothing/state.h"

namespace vordex::smoothing {

// Heuristic initial states from a straight line through the first observations: with s >= 2 and
// n >= 2s the line is fitted to the first min(n, 10) values of the classical seasonal adjustment
// of the first min(5s, n) observations (whose indices become seasInit for a seasonal model),
// otherwise to the first min(n, 10) raw observations. l[0] is the line at t = 0; b[0] its slope
// (additive or damped trend), 1 + slope / l[0] (multiplicative trend; 1 when |l[0]| < 1e-10), or 0.
// A seasonal model without enough data for the adjustment starts from neutral indices (0, or 1
// when multiplicative). Missing values among those first observations are read as their linear
// interpolation between the nearest observed values (the nearest observed value before the
// first observation), for the heuristic alone: the recursion still treats them as missing. Returns
// 1; 0 when the decomposition or the line failed (after their box), the states then being left as
// they were.
int Pegelsinit(PegelsState& P);

// Writes the current smoothing parameters and initial states to x[1..] (1-based) in the
// second-stage layout; returns the number of positions written.
int Pegelsfullstart(PegelsState& P, double* x);

// Reads l[0], b[0] and seasInit[0..s-1] back from the second-stage vector x (1-based), completing
// the last seasonal index from the others.
void Pegelsreadstates(PegelsState& P, const double* x);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_INIT_H
