#include "smoothing/random.h"

#include <cmath>
#include <cstdint>

namespace vordex::smoothing {

namespace {

// With these constants IA * x + IC stays below 2^31 for every x in 0 .. M - 1.
constexpr int M = 714025;
constexpr int IA = 1366;
constexpr int IC = 150889;
constexpr double kInverseM = 1.0 / 714025.0;

inline int Next(int x) {
  return (IA * x + IC) % M;
}

constinit thread_local RandomState random_state;

}  // namespace

// Kept out of line: callers receive the record's address as a returned value.
[[gnu::noinline]] RandomState& Generator() {
  return random_state;
}

void SetSeed(int v) {
  if (v < 0) {
    Generator().idum = v;
    return;
  }
  if (v == 0) v = 1;
  Generator().idum = -v;
}

namespace {

// RandUniform on the given state (the normal deviates take the state once per pair).
double Uniform(RandomState& R) {
  if (R.idum < 0) {
    // IC - idum is formed in 64 bits: idum may be as low as -2^31.
    int x = static_cast<int>((static_cast<std::int64_t>(IC) - R.idum) % M);
    if (x < 0) x += M;
    for (int j = 1; j <= 97; ++j) {
      x = Next(x);
      R.ir[j] = x;
    }
    x = Next(x);
    R.iy = x;
    R.idum = x;
  }
  const int j = 1 + (97 * R.iy) / M;
  R.iy = R.ir[j];
  R.idum = Next(R.idum);
  R.ir[j] = R.idum;
  return R.iy * kInverseM;
}

}  // namespace

double RandUniform() {
  return Uniform(Generator());
}

double RandNormal() {
  RandomState& R = Generator();
  if (R.idum < 0) {
    R.hasStored = 0;
  } else if (R.hasStored) {
    R.hasStored = 0;
    return R.stored;
  }
  double w1;
  double w2;
  double r;
  do {
    w1 = 2.0 * Uniform(R) - 1.0;
    w2 = 2.0 * Uniform(R) - 1.0;
    r = w1 * w1 + w2 * w2;
  } while (r >= 1.0 || r == 0.0);
  const double f = std::sqrt(-2.0 * std::log(r) / r);
  R.stored = w1 * f;
  R.hasStored = 1;
  return w2 * f;
}

int RandInt(int lo, int hi) {
  if (hi < lo) return lo;
  const double u = RandUniform();
  return lo + static_cast<int>(std::floor(u * (static_cast<double>(hi) - lo + 1.0)));
}

int CallerSeed(std::uint32_t seed) {
  return -static_cast<int>(seed % 2147483647u) - 1;
}

}  // namespace vordex::smoothing
