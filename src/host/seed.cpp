#include "host/seed.h"

#include <cstdint>

#include "platform/clock.h"

namespace vordex::host {
namespace {

thread_local bool override_active = false;
thread_local int override_seed = 0;

}  // namespace

int ExportSeed() {
  if (override_active) return override_seed;
  // Whole seconds, folded into the positive 32-bit range so that the stream never starts at 0.
  const std::int64_t seconds = platform::CalendarSeconds();
  const std::int64_t folded = ((seconds % 2147483647) + 2147483647) % 2147483647;
  return folded == 0 ? 1 : static_cast<int>(folded);
}

ScopedSeedOverride::ScopedSeedOverride(int seed)
    : previous_active_(override_active), previous_seed_(override_seed) {
  override_active = true;
  override_seed = seed;
}

ScopedSeedOverride::~ScopedSeedOverride() {
  override_active = previous_active_;
  override_seed = previous_seed_;
}

}  // namespace vordex::host
