// Pegelsdll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "host_call.h"

namespace {

// The work of the simulated limits, paths x horizon / 10 (500 paths over 12 steps: 600), for a
// request the checks let through (paths from 500 to 50000, horizon up to 120); 0 otherwise. The
// most paths at the longest horizon (a few seconds here) are the extreme-input tests'.
double Work(std::span<const double> options) {
  if (options.size() < 10) return 0.0;
  const double h = options[2], paths = options[9];
  if (!(paths >= 500.0 && paths <= 50000.0 && h >= 0.0 && h <= 120.0)) return 0.0;
  return paths * std::max(h, 1.0) / 10.0;
}

// 48 monthly observations, additive errors, trend and season, Gaussian limits, one-step MSE,
// heuristic states, 500 paths, m = 3, AIC; the four optional settings (transform, search, bounds,
// region) follow when the option count reaches them.
constexpr short kTypical[] = {48, 12, 12, 1, 2, 2, 0, 1, 1, 500, 3, 1};
constexpr vordex::fuzz::ExportProfile kPegels{
    .run = &Pegelsdll, .typical = kTypical, .most_options = 16, .lead = 95.0, .work = &Work};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vordex::fuzz::SilenceMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vordex::fuzz::RunHostCall(kPegels, data, size);
  return 0;
}
