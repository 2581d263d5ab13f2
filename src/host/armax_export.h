// The ARMAX export's part of the call frame: its option checker and the texts that the host
// receives for the engine's statuses. The export itself, Armaxdll, is declared in
// include/vordex/vordex.h.
#ifndef VORDEX_HOST_ARMAX_EXPORT_H
#define VORDEX_HOST_ARMAX_EXPORT_H

#include <span>

namespace vordex::host {

// Title of the checker's message boxes.
inline constexpr const char* kArmaxCheckTitle = "Armax Error";

// Checks the first 11 options (slot 0 = N, then s, h, p, d, q, P, D, Q, constant flag,
// transform) by the rules, in order: s >= 1 (31), N >= 2s (32), h >= 0 (33), p, q, d >= 0 (34),
// P, Q, D >= 0 (35), and p < s and q < s when s > 1 (36). The first failing rule shows its
// message in a warning box titled kArmaxCheckTitle and its code is returned; 0 when all pass.
// options must hold at least 11 values.
int ArmaxCheck(std::span<const int> options);

// Capacity of the result buffer: 2N + 3h + p + q + P + Q + 12, from the checked options.
long ArmaxCapacity(std::span<const int> options);

// The text the host receives for a nonzero engine status (or for status 0 without results, the
// "no results returned" text). Never null.
const char* ArmaxStatusText(int status);

}  // namespace vordex::host

#endif  // VORDEX_HOST_ARMAX_EXPORT_H
