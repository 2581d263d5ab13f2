// A fresh exponential smoothing engine state for tests of its routines.
#ifndef VORDEX_TESTS_SUPPORT_PEGELS_STATE_H
#define VORDEX_TESTS_SUPPORT_PEGELS_STATE_H

#include <memory>

#include "smoothing/state.h"

namespace vordex::testing {

// A fresh engine state for the calling thread's test (the previous one is discarded) with the
// model: n observations (series arrays sized 0..n, all observed), period s, m multi-step
// horizons, error form, trend and seasonality, phi = 1 and the usual region.
inline smoothing::PegelsState& FreshPegels(int n, int s, int m, smoothing::ErrorForm modelType,
                                           smoothing::Trend trendType,
                                           smoothing::Season seasonalityType) {
  static thread_local std::unique_ptr<smoothing::PegelsState> record;
  record = std::make_unique<smoothing::PegelsState>();
  smoothing::PegelsState& P = *record;
  P.n = n;
  smoothing::Resize(P, n);
  P.nobs = n;
  P.s = s;
  P.multisteps = m;
  P.modelType = modelType;
  P.trendType = trendType;
  P.seasonalityType = seasonalityType;
  P.par[4] = 1.0;
  return P;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_PEGELS_STATE_H
