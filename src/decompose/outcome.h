// The decompose room answers in the library's one outcome form (vordex/outcome.hpp): a value, or
// the status and the reason there is none. Nothing in this room throws for bad input.
#ifndef VORDEX_DECOMPOSE_OUTCOME_H
#define VORDEX_DECOMPOSE_OUTCOME_H

#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex::decompose {

using vordex::Outcome;

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_OUTCOME_H
