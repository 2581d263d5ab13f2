// The automatic-forecasting room answers in the library's one outcome form (vordex/outcome.hpp):
// a value, or the status and the reason there is none. Nothing in this room throws for bad input.
#ifndef VORDEX_AUTO_OUTCOME_H
#define VORDEX_AUTO_OUTCOME_H

#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex::automatic {

using vordex::Outcome;

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_OUTCOME_H
