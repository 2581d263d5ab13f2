// Selection of the error, trend and seasonality forms by an information criterion.
#ifndef VORDEX_SMOOTHING_SEARCH_H
#define VORDEX_SMOOTHING_SEARCH_H

#include "smoothing/state.h"

namespace vordex::smoothing {

// One candidate model: model type, trend type and seasonality type.
struct Candidate {
  ErrorForm modelType;
  Trend trendType;
  Season seasonalityType;
};

// Most candidates of a search: 2 error forms x 3 seasonalities x 4 trends.
inline constexpr int kMaxCandidates = 24;

// Writes to out[0..] the candidates of the current settings in the order they are estimated
// (error form outermost, then seasonality, then trend, each ascending): an open component runs
// over all its forms, a fixed one is kept; s = 1 allows no seasonality; with hasZeros set or
// the additive-only search, multiplicative errors, trend and seasonality are skipped; the automatic
// preset's restrictions (state.h) apply. Returns their number.
int PegelsCandidates(PegelsState& P, Candidate* out);

// Estimates every candidate with pegelsopt2 and keeps the one with the smallest information
// criterion below 1e10 (ties keep the earlier candidate), then rebuilds its pass with
// Pegelsfit(0); with states estimated for the winner the candidates are compared with heuristic
// states and the winner alone is re-estimated with estimated states. Returns 1 with the chosen
// model's types, parameters, states and statistics in the engine state; 0 when no candidate could
// be chosen or the final re-estimation failed. The initialization method is put back in every case.
int Pegelssearch(PegelsState& P);

// With more than one thread in the engine state the candidates are estimated on a pool of
// threads, each thread on one copy of the state that it reuses for its candidates; the winner,
// the state left behind and the messages (replayed on the calling thread in candidate order,
// "Matrix too large" once) are those of the sequential search. The copies take 48 bytes per
// observation each and at most 512 MiB together: on very long series fewer threads are used (none
// beyond the calling thread from about 5.6 million observations up).
//
// Pegelssearch with another estimator of one candidate (returning 1 and setting icValue, or 0):
// the seam through which the selection rule itself can be exercised.
int PegelssearchWith(PegelsState& P, int (*estimate)(PegelsState&));

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_SEARCH_H
