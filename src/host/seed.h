// The seed of the exports' simulated limits: the calendar clock, as a Windows host has always
// seen it, unless a test or a fuzz target fixes it for the calling thread.
#ifndef VORDEX_HOST_SEED_H
#define VORDEX_HOST_SEED_H

namespace vordex::host {

// The generator seed (as smoothing::SetSeed takes it) of an export's request: the active
// override, else the calendar clock in whole seconds folded into 1 .. 2^31 - 2.
int ExportSeed();

// While alive, the exports' requests on the calling thread take `seed` instead of the clock, so
// that their simulated limits can be reproduced. Restores the previous setting.
class ScopedSeedOverride {
 public:
  explicit ScopedSeedOverride(int seed);
  ~ScopedSeedOverride();
  ScopedSeedOverride(const ScopedSeedOverride&) = delete;
  ScopedSeedOverride& operator=(const ScopedSeedOverride&) = delete;

 private:
  bool previous_active_;
  int previous_seed_;
};

}  // namespace vordex::host

#endif  // VORDEX_HOST_SEED_H
