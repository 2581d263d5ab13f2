// Estimation of one fully specified model: smoothing parameters (and, with initialization method
// 2 or 3, the initial states) minimising the chosen fit statistic with Powell's method.
#ifndef VORDEX_SMOOTHING_ESTIMATE_H
#define VORDEX_SMOOTHING_ESTIMATE_H

#include "smoothing/state.h"

namespace vordex::smoothing {

// Estimates the model given by the model, trend and seasonality types of the engine state (none of
// them "choose"). Returns 1 with the state holding the pass at the optimum; 0 on failure, after
// its box: "Error in pegelsopt2" / "**** Zeros in data ****\n ...Cannot estimate multiplicative
// model" when the data contain zeros and the model is multiplicative in some part, the boxes of
// Pegelsinit or Minimise, or "Error in pegelsopt2" / "No admissible parameters found" when the
// optimum reached is not an admissible point. The initialization method is put back in every case.
int pegelsopt2(PegelsState& P);

// Start values of the free smoothing parameters in x[1..] (1-based, order alpha, beta, gamma, phi
// as far as the model has them), and their bounds in xlo[] and xhi[] of the engine state, taken
// from lower[] and upper[]. Returns the number of free parameters, phi included.
int Pegelsstart(PegelsState& P, double* x);

// The objective: the chosen fit statistic after one silent pass with the parameters (and, for
// initialization method above 1, the states) in x[1..] (1-based, read only). Outside the bounds
// (usual region, or a parameter fixed by its bounds) the value is (distance + 1) * 1e10; phi must
// lie strictly between max(its lower bound, beta) and its upper bound. A non-invertible model in
// the admissible region costs 1e10, parameters that the recursion refuses 1e11, and so does a
// statistic that is not a number. An unknown criterion code gives the one-step MSE and sets the
// status to 1010.
double Pegelsmse(PegelsState& P, double* x);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_ESTIMATE_H
