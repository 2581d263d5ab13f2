// The evaluate room answers in the library's one outcome form (vordex/outcome.hpp): a value, or
// the status and the reason there is none. Nothing in this room throws for bad input.
#ifndef VORDEX_EVALUATE_OUTCOME_H
#define VORDEX_EVALUATE_OUTCOME_H

#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex::evaluate {

using vordex::Outcome;

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_OUTCOME_H
