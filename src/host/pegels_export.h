// The exponential smoothing export's part of the call frame: the option reader and checker, the
// bound values after the observations, and the packing of the engine's results. The export
// itself, Pegelsdll, is declared in include/vordex/vordex.h.
//
// Options (element k of the host's vector is options[k - 1]): 1 N, 2 s, 3 h, 4 model type
// (0 multiplicative errors, 1 additive, 2 choose), 5 trend (0 choose, 1 none, 2 additive,
// 3 multiplicative, 4 damped), 6 seasonality (0 choose, 1 none, 2 additive, 3 multiplicative),
// 7 bootstrap type, 8 optimization criterion, 9 initialization method, 10 bootstrap samples,
// 11 MSE multisteps m, 12 information criterion; optional 13 transform (1 none, 2 log, 3 square
// root; default 1), 14 search type (default 0), 15 bounds count (default 0), 16 parameter region
// (default 1). Data: the confidence level in percent, the N observations, then optionally the
// lower and the upper bounds of alpha, beta, gamma, phi.
#ifndef VORDEX_HOST_PEGELS_EXPORT_H
#define VORDEX_HOST_PEGELS_EXPORT_H

#include <span>

#include "host/frame.h"
#include "smoothing/run.h"

namespace vordex::host {

// The option vector as settings of the smoothing engine: elements 1..12 required, 13..16
// optional (defaults: transform 1, search 0, bounds count 0, region 1). The model type, trend,
// seasonality and the other choices' codes are the values of the public enumerations
// (vordex/ets.hpp); transform codes 1, 2, 3 are none, log and square root. A code outside them
// becomes a value the checker refuses. The settings carry the export's limits (export_limits).
// Returns 3 (no box) with fewer than 12 options, else 0. N is options[0].
int PegelsSettings(std::span<const int> options, smoothing::Request& settings);

// Capacity of the result buffer, 3(N + h) + m + s + 14.
long PegelsCapacity(long n, const smoothing::Request& settings);

// Packs a fit into buffer[1..] (1-based): data, fitted values and errors (transformed scale),
// forecasts with the limits of the first confidence level (h >= 1), the chosen types in the
// option codes (search only), the npar smoothing parameters, the initial level, trend (with a
// trend) and s seasonal indices (with seasonality), the root of the average MSE and of the MSE at
// horizons 1..m
// (-99999.0 for horizons beyond N, which have no forecast inside the data), sigma,
// log-likelihood, information criterion and MAPE. Returns the number of cells written; 0 when
// the capacity is below 3(N + h). A capacity too small for the later groups shows "Allocation
// failure in pegelspack - not all results returned" and returns the cells written so far.
long pegelspack(const smoothing::Estimates& fit, double* buffer, long capacity, int npar);

}  // namespace vordex::host

#endif  // VORDEX_HOST_PEGELS_EXPORT_H
