// What the two ways into the batch (FitMany and Stream) share.
#ifndef VORDEX_BATCH_FIT_MANY_H
#define VORDEX_BATCH_FIT_MANY_H

#include <cstddef>
#include <functional>
#include <string>

#include "vordex/batch.hpp"

namespace vordex::batch {

// The number of workers for a requested thread count: the count when positive, else every
// hardware thread (at least one).
std::size_t WorkerCount(int threads);

// Runs job(i) for i = 0..n-1 on the workers of options.threads, each taking the next index
// until all are taken, options.cancel turns true or the progress callback throws; the callback
// is called after each job, never concurrently with itself, and its exception is rethrown once
// the workers have stopped. Indices never taken keep whatever their caller set beforehand.
void ForEachOnPool(std::size_t n, const Options& options,
                   const std::function<void(std::size_t)>& job);

// The outcome of a series that was never started.
Outcome Cancelled(const std::string& id);

}  // namespace vordex::batch

#endif  // VORDEX_BATCH_FIT_MANY_H
