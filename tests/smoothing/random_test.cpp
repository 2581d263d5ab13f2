#include "smoothing/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vordex::smoothing {
namespace {

// Table values of the first five draws after seeding, worked out with the recurrence
// x -> (1366 x + 150889) mod 714025 and the 97-entry shuffle in exact integer arithmetic
// (an independent script, not this code).
constexpr int kFirstAfterMinusOne[5] = {157787, 119308, 399988, 163260, 327917};
constexpr int kFirstAfterMinus12345[5] = {686380, 332800, 502988, 603900, 112706};

TEST(RandUniform, FirstDrawsMatchTheRecurrenceWorkedIndependently) {
  // A positive seed v starts the same stream as -v, and 0 the stream of 1.
  for (const int seed : {-1, 12345}) {
    SetSeed(seed);
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(RandUniform(),
                (seed == -1 ? kFirstAfterMinusOne : kFirstAfterMinus12345)[k] * (1.0 / 714025.0))
          << "seed " << seed << " draw " << k;
  }
  SetSeed(0);
  const double a = RandUniform();
  SetSeed(1);
  EXPECT_EQ(RandUniform(), a);
}

TEST(RandUniform, SameSeedReproducesTheStreamAndExtremeSeedsStayInRange) {
  std::vector<double> first;
  SetSeed(-777);
  for (int k = 0; k < 1000; ++k) first.push_back(RandUniform());
  SetSeed(-777);
  for (int k = 0; k < 1000; ++k) ASSERT_EQ(RandUniform(), first[k]) << "draw " << k;
  // IC - idum would overflow 32 bits for the most negative seed.
  SetSeed(-2147483647 - 1);
  for (int k = 0; k < 200; ++k) {
    const double u = RandUniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
}

TEST(RandUniformAndRandNormal, MomentsOfManyDraws) {
  // N = 200000 draws: the standard error of the mean is sqrt(var / N) and that of the variance
  // sqrt((mu4 - var^2) / N): for U(0,1) 6.5e-4 and 1.7e-4, for N(0,1) 2.2e-3 and 3.2e-3.
  // Allow 5 of each.
  const struct {
    double (*draw)();
    int seed;
    double mean, variance, se_mean, se_variance;
  } cases[] = {{RandUniform, -4242, 0.5, 1.0 / 12.0, 6.5e-4, 1.7e-4},
               {RandNormal, -31337, 0.0, 1.0, 2.2e-3, 3.2e-3}};
  for (const auto& c : cases) {
    SetSeed(c.seed);
    const int N = 200000;
    double sum = 0.0, sq = 0.0;
    for (int k = 0; k < N; ++k) {
      const double x = c.draw();
      sum += x;
      sq += x * x;
    }
    const double mean = sum / N;
    EXPECT_NEAR(mean, c.mean, 5 * c.se_mean);
    EXPECT_NEAR(sq / N - mean * mean, c.variance, 5 * c.se_variance);
  }
}

TEST(RandNormal, PolarMethodOnTheFirstUniformsInPairs) {
  // Worked from the uniforms above: w = 2u - 1 in pairs until w1^2 + w2^2 < 1; the second of the
  // pair is returned without drawing.
  double w1, w2, r;
  int k = 0;
  do {
    w1 = 2.0 * (kFirstAfterMinusOne[k] * (1.0 / 714025.0)) - 1.0;
    w2 = 2.0 * (kFirstAfterMinusOne[k + 1] * (1.0 / 714025.0)) - 1.0;
    r = w1 * w1 + w2 * w2;
    k += 2;
  } while (r >= 1.0 && k < 4);
  ASSERT_LT(r, 1.0);
  const double f = std::sqrt(-2.0 * std::log(r) / r);
  SetSeed(-1);
  EXPECT_EQ(RandNormal(), w2 * f);
  const int idum = Generator().idum;
  EXPECT_EQ(RandNormal(), w1 * f);
  EXPECT_EQ(Generator().idum, idum);
  // Re-seeding forgets the stored deviate: the stream restarts at the first of the pair.
  SetSeed(-1);
  EXPECT_EQ(RandNormal(), w2 * f);
}

TEST(RandInt, EveryValueEquallyLikely) {
  SetSeed(-5);
  for (int k = 0; k < 100; ++k) EXPECT_EQ(RandInt(1, 1), 1);
  // Frequencies of 1..6 over N = 60000 draws: binomial standard error sqrt(p(1-p)/N) = 1.5e-3.
  const int N = 60000;
  int count[7] = {};
  for (int k = 0; k < N; ++k) {
    const int v = RandInt(1, 6);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 6);
    ++count[v];
  }
  for (int v = 1; v <= 6; ++v) EXPECT_NEAR(count[v] / double(N), 1.0 / 6.0, 5 * 1.5e-3);
}

}  // namespace
}  // namespace vordex::smoothing
