// Harmonic regression: the orders of the Fourier terms that carry each seasonal period of a
// dynamic harmonic regression (Hyndman and Athanasopoulos, Forecasting: principles and practice,
// 3rd ed., sec. 10.5 and 12.1).
#ifndef VORDEX_AUTO_HARMONIC_H
#define VORDEX_AUTO_HARMONIC_H

#include <span>
#include <vector>

#include "auto/outcome.h"

namespace vordex::automatic {

struct FourierOrderSettings {
  // The highest order tried for any period (below it, half the period rounded down bounds each).
  int max_order = 30;
};

// The orders K_i of decompose::Fourier's terms for the periods m_i (in the order given), chosen by
// the AICc of the least-squares regression of y on a constant and the terms:
// AICc = n log(SSE / n) + 2 k + 2 k (k + 1) / (n - k - 1), with k the coefficients plus one for
// the variance and n the observed values (NaN values are left out of the regression). The periods
// are settled one after another: for m_1 every K = 0 .. min(max_order, floor(m_1 / 2)) is scored
// with no other terms, the best kept, then m_2's with m_1's chosen terms in the regression, and so
// on (a frequency an earlier period already carries adds no column, as in Fourier). One
// Gram-Schmidt pass per period gives the residual sum of squares of every K at once, so the cost
// is O(n c^2) for c columns in all and the memory O(n c).
// Fails for a period that is not finite or below 2, max_order < 0, or fewer than 3 observed values
// (a value that is infinite counts as not observed).
Outcome<std::vector<int>> ChooseFourierOrders(std::span<const double> y,
                                              std::span<const double> periods,
                                              const FourierOrderSettings& settings = {});

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_HARMONIC_H
