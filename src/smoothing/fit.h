// One pass of the smoothing recursion over the data, with its fit statistics, and the point
// forecasts of the Pegels family.
#ifndef VORDEX_SMOOTHING_FIT_H
#define VORDEX_SMOOTHING_FIT_H

#include "smoothing/state.h"

namespace vordex::smoothing {

// Point forecasts from the states level and trend: out[1..count] (1-based) receives the 1- to
// count-step forecasts, seas[0..s-1] (0-based) the seasonal values of the next s times in time
// order (read only for a seasonal model, at seas[(k - 1) mod s] for step k). Reads the trend
// and seasonality types, s and phi of the engine state. A damped trend adds the whole trend at
// the first step and phi times the previous increment at each further one.
void Pegelsforecast(PegelsState& P, double level, double trend, const double* seas, int count,
                    double* out);

// One pass of the recursion with the parameters par[1..4] and the initial states l[0], b[0] and
// seasInit[0..s-1]: writes l[1..n], b[1..n] (with a trend), S[1..n] (with seasonality), F[1..n],
// e[1..n], nobs, mse[1..m], amse, sigma, mape, logLik and icValue.
// A missing observation (NaN) is predicted (F[t]) and not learnt from: its error is 0 in the
// state updates and NaN in e[t], and every statistic sums over the observed values only, with
// nobs, their number, in place of n (the likelihood, sigma, the MAPE and the information
// criteria). Horizon k's mse[k] averages the squared k-step errors of the observed values at
// times k..n; a horizon without any (k beyond the last observation) has mse[k] = 0 and amse
// averages the others.
// Returns 1; 0 when Pegelsadmissible refuses the parameters (with silent == 0 after its box),
// writing nothing. Divisions by a magnitude below 1e-10 give 1e10 instead.
int Pegelsfit(PegelsState& P, int silent);

// Pegelsfit's pass without the admissibility check: for parameters that an estimation already
// accepted.
void Pegelspass(PegelsState& P);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_FIT_H
