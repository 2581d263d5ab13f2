// Prediction limits from simulated future sample paths of the fitted model.
#ifndef VORDEX_SMOOTHING_SIMULATE_H
#define VORDEX_SMOOTHING_SIMULATE_H

#include <span>
#include <vector>

#include "smoothing/state.h"

namespace vordex::smoothing {

// Simulates B = `#Bootstrap samples` paths of h steps from the final states l[n], b[n] and
// S[n-s+1..n] in 10 batches of B / 10 paths, and writes to lo[1..h] and hi[1..h] (1-based) the
// means over the batches of the type-8 sample quantiles at 0.5 - 0.005 c and 0.5 + 0.005 c
// (c the confidence level in percent). Resampled disturbances are drawn from the pool that
// PegelsDisturbances makes first. Returns 1; 0 after "Error in Pegelslib" / "Matrix allocation
// failure in function Pegelssim()", lo and hi then untouched. h < 1 writes nothing.
int Pegelssim(PegelsState& P, int h, double c, double* lo, double* hi);

// Pegelssim for several confidence levels from the same paths: lo[j] and hi[j] (resized to
// levels.size() vectors of h + 1 values, used from 1) receive the limits of levels[j]; those of a
// level equal Pegelssim's for that level alone. No levels simulate nothing (lo and hi are left
// empty, the generator untouched).
int PegelssimLevels(PegelsState& P, int h, std::span<const double> levels,
                    std::vector<std::vector<double>>& lo, std::vector<std::vector<double>>& hi);

// PegelssimLevels from given final states: level, trend (0 without a trend) and the seasonal
// values next[0..s-1] of the next s times (read with seasonality). Reads the model, the
// parameters, sigma, s, the disturbances and their pool, and B from the engine state, nothing
// of its series: a fitted model continues from its end state with this.
int PegelssimFrom(PegelsState& P, double level, double trend, const double* next, int h,
                  std::span<const double> levels, std::vector<std::vector<double>>& lo,
                  std::vector<std::vector<double>>& hi);

// The pool of resampled disturbances: the one-step errors of the observed times in time order,
// e[t] for additive errors, the relative error e[t] / F[t] for multiplicative errors (1e10 when
// |F[t]| < 1e-10), so that every disturbance is on the scale the model's error form expects.
// Written to P.pool.
void PegelsDisturbances(PegelsState& P);

// One simulated step of the fitted model from the level L, trend T and seasonal value v of this
// season, all three updated in place (v only for a seasonal model); returns the simulated
// observation. The disturbance is Gaussian with the fitted sigma (`bootstrap type` Gaussian) or
// one of P.pool drawn with replacement (every one equally likely).
double Pegelssimstep(PegelsState& P, double& L, double& T, double& v);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_SIMULATE_H
