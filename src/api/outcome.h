// What the typed API does with an engine's outcome: its messages collected, not shown, and a
// failure turned into vordex::Error.
#ifndef VORDEX_API_OUTCOME_H
#define VORDEX_API_OUTCOME_H

#include <string>
#include <vector>

#include "platform/messages.h"
#include "vordex/error.hpp"

namespace vordex::api {

// Runs `run` (returning an engine outcome with status, text and messages) with the thread's
// messages silenced: the outcome carries them. Throws vordex::Error when the outcome failed: its
// checker status, or kEngineFailed with the engine's text.
template <class Run>
auto Checked(Run&& run) {
  auto out = [&] {
    platform::ScopedSilence silence;
    return run();
  }();
  if (out.status != 0) throw Error(static_cast<Status>(out.status), "", std::move(out.messages));
  if (!out.text.empty())
    throw Error(Status::kEngineFailed, std::move(out.text), std::move(out.messages));
  return out;
}

// The engines' missing-value marker: cells with exactly this bit pattern hold no value.
inline constexpr double kMissing = -99999.0;

// `block` with every value whose bits are those of kMissing replaced by a quiet NaN.
std::vector<double> MissingToNaN(std::vector<double> block);

}  // namespace vordex::api

#endif  // VORDEX_API_OUTCOME_H
