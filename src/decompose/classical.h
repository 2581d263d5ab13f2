// Classical decomposition by moving averages: the initial seasonal states of exponential
// smoothing and the multiplicative seasonal adjustment of the Theta method.
#ifndef VORDEX_DECOMPOSE_CLASSICAL_H
#define VORDEX_DECOMPOSE_CLASSICAL_H

#include <span>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

enum class SeasonalForm { kAdditive, kMultiplicative };

struct ClassicalResult {
  // n values: the centred moving average at times h+1 .. n-h (1-based, h = floor(m / 2)); NaN at
  // the h times of each end, which it does not reach.
  std::vector<double> trend;
  // m seasonal indices; index j belongs to the times t (1-based) with (t - 1) mod m = j. They sum
  // to 0 (additive) or to m (multiplicative).
  std::vector<double> indices;
  // n values: x_t - index (additive) or x_t / index (multiplicative).
  std::vector<double> adjusted;
};

// Decomposes x[0..n-1] with period m as R's stats::decompose does: the trend is the centred moving
// average of length m (2 x m, half weights at both ends, for even m); the index of a position in
// the cycle is the mean of x_t - trend_t (additive) or x_t / trend_t (multiplicative) over the
// times the trend reaches; the indices are then shifted by their mean (additive) or scaled by
// m / their sum (multiplicative). The moving average is a running sum, so the cost is O(n + m)
// and its rounding differs from R's filter() in the last digits.
// Fails when m < 2 or n < 2 m. Non-finite values are not checked: they propagate into the
// indices; a zero moving average gives infinite or NaN multiplicative indices.
Outcome<ClassicalResult> ClassicalDecomposition(std::span<const double> x, int period,
                                                SeasonalForm form);

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_CLASSICAL_H
