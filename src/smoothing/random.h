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

// Seeds the generator: v < 0 restarts it from v; v > 0 from -v; v = 0 as v = 1. Seeds v and -v
// give the same stream. (The engine reads no clock: the exports derive a seed from it.)
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

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_RANDOM_H
