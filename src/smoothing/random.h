// The engine's random numbers: a congruential generator (M = 714025, IA = 1366, IC = 150889)
// behind a 97-entry Bays-Durham shuffle table, normal deviates by the polar method, and uniform
// integer draws. The generator state is thread_local: each thread draws its own stream, and a
// stream is fixed by its seed.
#ifndef VORDEX_SMOOTHING_RANDOM_H
#define VORDEX_SMOOTHING_RANDOM_H

#include <cstdint>

namespace vordex::smoothing {

// Generator state: idum (negative: the next draw restarts the generator from it), iy (last value
// taken from the table), ir[1..97] (the table), and the second normal deviate of a pair.
struct RandomState {
  int idum = -1;
  int iy = 0;
  int ir[98] = {};
  double stored = 0.0;
  int hasStored = 0;
};
// The generator's state on the calling thread (module-level, thread_local).
RandomState& Generator();

// Seeds the generator: v < 0 restarts it from v; v > 0 from -v; v = 0 from the calendar clock in
// whole seconds (reduced into 1 .. 2^31 - 2). Seeds v and -v give the same stream.
void SetSeed(int v);

// A uniform deviate in [0, 1): a table value times 1/714025.
double RandUniform();

// A standard normal deviate. Deviates come in pairs: after a pair is drawn the second is returned
// by the next call without drawing, unless the generator was re-seeded meanwhile.
double RandNormal();

// A uniform integer in lo..hi (every value equally likely); lo, without a draw, when hi < lo.
int RandInt(int lo, int hi);

// The SetSeed argument for a caller's seed (typed API, command line): -(seed mod (2^31 - 1)) - 1,
// so that distinct seeds below 2^31 - 1 start distinct streams.
int CallerSeed(std::uint32_t seed);

// The seed that a request uses: the active override (see ScopedSeedOverride) or 0 (the clock).
int RequestSeed();

// While alive, requests on the calling thread seed the generator with SetSeed(seed) instead of
// the clock, so that their simulated limits can be reproduced. Restores the previous setting.
class ScopedSeedOverride {
 public:
  explicit ScopedSeedOverride(int seed);
  ~ScopedSeedOverride();
  ScopedSeedOverride(const ScopedSeedOverride&) = delete;
  ScopedSeedOverride& operator=(const ScopedSeedOverride&) = delete;

 private:
  int previous_active_;
  int previous_seed_;
};

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_RANDOM_H
