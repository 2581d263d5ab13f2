// The ARIMA export's part of the call frame: the option vector as engine settings, and the
// packing of the engine's outcome. The export itself, Arimadll, is declared in
// include/vordex/vordex.h.
//
// Options (slot k is the k-th element from the array's lower bound, from 0): 0 N, 1 s, 2 h, 3 p,
// 4 d, 5 q, 6 P, 7 D, 8 Q, 9 mean flag, 10 transform (2 log, 3 square root, other none); further
// elements are ignored. Data: the critical value of the limits (used when > 0, else 1.96), then
// the N observations.
//
// Result, 3N + 3h + p + q + P + Q + 4 cells from 1: working series w(1..N), fitted values
// (1..N), residuals (1..N) - the first nd = d + D s of each the missing-value marker -99999.0, on
// the transformed scale -, point forecasts, lower and upper limits (h each, on the scale of the
// observations), phi(1..p), theta(1..q), Phi(1..P), Theta(1..Q) (Box-Jenkins signs), sigma,
// log-likelihood, AIC, constant.
#ifndef VORDEX_HOST_ARIMA_EXPORT_H
#define VORDEX_HOST_ARIMA_EXPORT_H

#include <span>

#include "arima/run.h"

namespace vordex::host {

// Number of options read.
inline constexpr int kArimaOptions = 11;

// The first 11 options as engine settings (the critical value comes with the data).
arima::Request ArimaSettings(std::span<const int> options);

// 3N + 3h + p + q + P + Q + 4.
long ArimaCount(const arima::Estimates& fit);

// Writes a fit to cells[1..ArimaCount(fit)] in the order above; returns the count.
long ArimaPack(const arima::Estimates& fit, double* cells);

}  // namespace vordex::host

#endif  // VORDEX_HOST_ARIMA_EXPORT_H
