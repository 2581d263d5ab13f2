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

namespace vordex::host {

// Title of the checker's message boxes.
inline constexpr const char* kPegelsCheckTitle = "Pegels Error";

// Codes beyond the checker's rules, for requests whose data the engine cannot use.
inline constexpr int kPegelsConfidence = 70;  // confidence level not a number in 0..100
inline constexpr int kPegelsNonFinite = 71;   // an observation is infinite or not a number

// Text returned to the host when the engine fails.
inline constexpr const char* kPegelsFailureText =
    "Failure in Pegelsmain:\nModel could not be estimated";

// Stores the options into the engine state (codes converted to the engine's numbering when
// convert is non-zero; a negative horizon is taken as 0, no forecasts), runs PegelsCheck, settles
// the search mode, sets scale = -1 and seeds the generator (RequestSeed: the clock unless an
// override is active). Returns 0; 3 (no box) when fewer than 12 options are given; or the
// checker's code.
int PegelsReadOptions(std::span<const int> options, int convert);

// The checker's 19 rules over the stored settings, in order, codes 31..35, 41..45, 61..69; the
// first failing rule shows its message in a warning box titled kPegelsCheckTitle (when showBox is
// non-zero) and returns its code. Between rules 10 and 11, an open seasonality with N < 2s is
// settled to none with the warning "Insufficient data for estimation of seasonal models", and
// checking resumes at rule 13. Rule 13 (zeros in data with a multiplicative part, 63) is judged
// with dataHasZeros, which the caller knows only once the observations are read.
int PegelsCheck(int showBox, int dataHasZeros);

// Rule 13 alone on the current settings: 63 after its box when dataHasZeros is set and the model
// is multiplicative in some part, else 0.
int PegelsCheckZeros(int showBox, int dataHasZeros);

// Reads the bound values after the observations into lower[1..4] and upper[1..4] of the engine
// state (defaults 0 and 1) and settles the bounds count to 0, 1 or 4: with a count of at least 2
// and 8 values available, four lower bounds (each taken when 0 < x < 1) and four upper bounds
// (each taken when lower <= x < 1); otherwise, with a count of at least 1 and 2 values, one pair.
// read(k, &x) yields the k-th of the `available` values after the observations. Returns 0, or 15
// when a read fails.
int PegelsReadBounds(long available, const TrailingReader& read);

// Capacity of the result buffer, 3(N + h) + m + s + 14, from the stored settings.
long PegelsCapacity();

// Packs the engine's results into buffer[1..] (1-based): data, fitted values and errors
// (transformed scale), forecasts with lower and upper limits (h >= 1), the chosen types in the
// caller's codes (search only), the npar smoothing parameters, the initial level, trend (with a
// trend) and s seasonal indices (with seasonality), the root of the average MSE and of the MSE at
// horizons 1..m (-99999.0 for horizons beyond N, which have no forecast inside the data), sigma,
// log-likelihood, information criterion and MAPE. Returns the number of cells written; 0 when the
// capacity is below 3(N + h). A capacity too small for the later groups shows "Allocation
// failure in pegelspack - not all results returned" and returns the cells written so far.
long pegelspack(double* buffer, long capacity, int npar, int convert);

}  // namespace vordex::host

#endif  // VORDEX_HOST_PEGELS_EXPORT_H
