// The exponential smoothing engine's driver, and the transform and scaling of its data.
#ifndef VORDEX_SMOOTHING_DRIVER_H
#define VORDEX_SMOOTHING_DRIVER_H

#include <span>

#include "smoothing/state.h"

namespace vordex::smoothing {

// Runs one request on the engine state, which the host layer has filled with validated settings
// in the engine's numbering, the data y[1..n] (NaN for a missing value; at least one observed),
// the confidence level, the supplied bounds and scale = -1. Transforms and scales the data,
// settles the bounds, estimates the model (or searches when the search type is not 0), forecasts
// h steps (fc[1..h], sized here) with simulated limits, keeps what continuing the fit needs on
// the engine's scale (engineSigma; pool with resampled disturbances), and undoes the scaling on
// all results and the transform on forecasts and limits. The two flags are accepted for
// the host's calling convention and not otherwise used (the host always passes 1 and 1).
// Returns 1 with every result written; 0 after the boxes of the failing step (including limits
// that could not be simulated), the data then staying transformed and scaled.
int Pegelsmain(PegelsState& P, int validated, int converted);

// Applies the transform to y[1..n] and, with computeScale non-zero, sets scale to the largest
// |y[t]| and divides by it. Returns 0; -1 after a warning box titled "Error in Pegelslib": "Data
// error: Can't take log of zero or negative values", "Data error: Can't take sqrt of negative
// values" or "Data error: data all zeros".
int Pegelstransform(PegelsState& P, int computeScale);

// Undoes the scaling on the data, fitted values, errors, initial states (factors excepted),
// sigma (additive errors only), the mean squared errors, the log-likelihood, the information
// criterion, forecasts and limits, and the transform on forecasts and limits only (each by
// PegelsUnscale). The states l[1..n], b[1..n], S[1..n] stay on the engine's scale. Returns 0.
int Pegelsrestore(PegelsState& P, int restore);

// A forecast or limit v on the engine's scale back on the observations' scale: v times the scale,
// then the inverse of the transform (exp; the square of max(v, 0)).
double PegelsUnscale(Transform transformType, double scale, double v);

// 1 when some observation x[1..n] (1-based) is below 1e-10 in magnitude after the transform
// (engine numbering) and the scaling that Pegelstransform would apply (all-zero data count as
// containing zeros); 0 otherwise, and 0 when the transform would refuse the data. Missing values
// (NaN) are passed over.
int PegelsZeroScan(const double* x, int n, Transform transformType);
// The same over x[0..] (0-based).
int PegelsZeroScan(std::span<const double> x, Transform transformType);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_DRIVER_H
