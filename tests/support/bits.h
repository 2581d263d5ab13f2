// Bit-for-bit comparison of doubles: results that must be identical, not merely close (NaN
// equals a NaN of the same bits, -0.0 differs from 0.0).
#ifndef VORDEX_TESTS_SUPPORT_BITS_H
#define VORDEX_TESTS_SUPPORT_BITS_H

#include <bit>
#include <cstdint>
#include <span>

namespace vordex::testing {

inline bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool SameBits(std::span<const double> u, std::span<const double> v) {
  if (u.size() != v.size()) return false;
  for (std::size_t i = 0; i < u.size(); ++i)
    if (!SameBits(u[i], v[i])) return false;
  return true;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_BITS_H
