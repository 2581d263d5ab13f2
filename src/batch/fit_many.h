// What the two ways into the batch (FitMany and Stream) share.
#ifndef VORDEX_BATCH_FIT_MANY_H
#define VORDEX_BATCH_FIT_MANY_H

#include <cstddef>
#include <string>

#include "vordex/batch.hpp"

namespace vordex::batch {

// The number of workers for a requested thread count: the count when positive, else every
// hardware thread (at least one).
std::size_t WorkerCount(int threads);

// The outcome of a series that was never started.
Outcome Cancelled(const std::string& id);

}  // namespace vordex::batch

#endif  // VORDEX_BATCH_FIT_MANY_H
