// Simulated series with a fixed seed: the same numbers on every platform and in every run.
#ifndef VORDEX_TESTS_SUPPORT_SIMULATE_H
#define VORDEX_TESTS_SUPPORT_SIMULATE_H

#include <random>
#include <vector>

namespace vordex::testing {

// n standard normal draws from std::mt19937 seeded with seed, in order.
inline std::vector<double> GaussianNoise(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<double> a(static_cast<std::size_t>(n));
  for (double& v : a) v = normal(gen);
  return a;
}

// n values of x(t) = phi x(t-1) + a(t) - theta a(t-1), a(t) the GaussianNoise draws, started at
// x = a = 0 and kept after a burn-in of 200 values.
inline std::vector<double> SimulateArma11(int n, double phi, double theta, unsigned seed) {
  const std::vector<double> a = GaussianNoise(n + 200, seed);
  std::vector<double> x;
  double previous = 0.0;
  for (std::size_t t = 0; t < a.size(); ++t) {
    previous = phi * previous + a[t] - theta * (t > 0 ? a[t - 1] : 0.0);
    if (t >= 200) x.push_back(previous);
  }
  return x;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_SIMULATE_H
