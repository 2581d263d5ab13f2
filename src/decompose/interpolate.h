// Filling missing values (NaN) of a series, for the methods that cannot skip them (STL, Theta,
// the unit-root and seasonality tests).
#ifndef VORDEX_DECOMPOSE_INTERPOLATE_H
#define VORDEX_DECOMPOSE_INTERPOLATE_H

#include <optional>
#include <span>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

// y[0..n-1] with every NaN replaced, as R's forecast::na.interp(y, lambda):
// - Linear interpolation between the nearest observed neighbours (the first or last observed
//   value beyond them) when the series is non-seasonal (no period, or frequency 1 or less) or has
//   no more than 2 f observed values, f the frequency: the period for one period (R's ts), the
//   largest period rounded down for several (R's msts).
// - Otherwise (Hyndman's robust STL method): a least-squares fit of Fourier terms (K = min(trunc
//   (m / 2), 5) for one period, min(trunc(m_i / 2), 20) each for several) and a polynomial in
//   time of degree min(max(trunc(n / 10), 1), 6) gives first values for the gaps; a robust MSTL
//   of the filled series (STL with robustness passes; one pass for one period, two for several)
//   gives the seasonal components; the gaps get the linear interpolation of the seasonally
//   adjusted series plus the seasonal components there. When a filled series leaves the observed
//   range widened by half its width on either side, the linear interpolation is returned.
// With lambda, the work is done on the Box-Cox scale and transformed back; observed values are
// returned exactly as given.
// Returns y unchanged when nothing is missing. Fails when no value is observed, a period or lambda
// is not finite, or a value is infinite.
Outcome<std::vector<double>> InterpolateMissing(std::span<const double> y,
                                                std::span<const double> periods,
                                                std::optional<double> lambda = std::nullopt);

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_INTERPOLATE_H
