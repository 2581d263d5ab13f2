// The ARMAX export's part of the call frame: the option vector as engine settings, and the
// capacity of the result buffer. The export itself, Armaxdll, is declared in
// include/vordex/vordex.h.
//
// Options (slot k from the array's lower bound): 0 N, 1 s, 2 h, 3 p, 4 d, 5 q, 6 P, 7 D, 8 Q,
// 9 constant flag (non-zero: a constant), 10 transform (1 log, 2 square root, other none). Data:
// the critical value of the limits (used unchanged), then the N observations.
#ifndef VORDEX_HOST_ARMAX_EXPORT_H
#define VORDEX_HOST_ARMAX_EXPORT_H

#include <span>

#include "armax/run.h"

namespace vordex::host {

// The first 11 options as engine settings (the critical value comes with the data).
armax::Request ArmaxSettings(std::span<const int> options);

// Capacity of the result buffer: 2N + 3h + p + q + P + Q + 12.
long ArmaxCapacity(long n, const armax::Request& settings);

}  // namespace vordex::host

#endif  // VORDEX_HOST_ARMAX_EXPORT_H
