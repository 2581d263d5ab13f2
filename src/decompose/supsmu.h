// Friedman's super smoother: the trend of MSTL when no seasonal period remains.
#ifndef VORDEX_DECOMPOSE_SUPSMU_H
#define VORDEX_DECOMPOSE_SUPSMU_H

#include <span>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

// Smooths y[0..n-1] observed at the abscissae x[0..n-1] (non-decreasing) with unit weights by
// Friedman's (1984) super smoother, as R's stats::supsmu(x, y) with span = "cv" and bass = 0 runs
// it: running local lines with spans 0.05, 0.2 and 0.5 of n, each point taking the span whose
// cross-validated residual (smoothed with span 0.2) is least, the chosen spans smoothed, the two
// nearest fits interpolated and the result smoothed with span 0.05. Values at tied abscissae are
// averaged. Returns n values; time and memory O(n). Where R's reference code would read outside
// the arrays (n < 5, fewer points than a window), the window is cut at the ends of the series.
// Fails when the lengths differ, n = 0, a value is not finite, or x decreases somewhere.
Outcome<std::vector<double>> SuperSmoother(std::span<const double> x, std::span<const double> y);

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_SUPSMU_H
