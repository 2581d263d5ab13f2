// The missing-value marker of result cells: a cell whose value does not exist (a value lost to
// differencing, a statistic of a horizon beyond the data) holds exactly the bits of kMissing.
// Above the exports such a value is a quiet NaN.
#ifndef VORDEX_NUMERICS_MISSING_H
#define VORDEX_NUMERICS_MISSING_H

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace vordex::numerics {

inline constexpr double kMissing = -99999.0;

// True exactly when x has the bit pattern of kMissing.
inline bool IsMissing(double x) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(kMissing);
}

// `block` with every marker replaced by a quiet NaN.
inline std::vector<double> MissingToNaN(std::vector<double> block) {
  for (double& v : block)
    if (IsMissing(v)) v = std::numeric_limits<double>::quiet_NaN();
  return block;
}

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_MISSING_H
