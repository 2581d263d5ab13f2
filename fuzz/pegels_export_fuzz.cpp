// Pegelsdll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "host_call.h"

namespace {

// The work a request asks for; 0 for a request the checks refuse. Two parts, the larger counts:
//  - the simulated limits: paths x horizon / 10 (500 paths over 12 steps: 600);
//  - the estimation at its worst, when the direction-set minimiser runs to its iteration limit
//    (about 10,000 evaluations per free parameter and stage): each evaluation is a pass of about
//    10 ns per value (times m for the averaged multi-step criterion), plus, in the admissible
//    region, the eigenvalues of the discount matrix, about 7 ns times its order cubed. A search
//    multiplies this by its candidates. One unit is 30 us of it, so the budget lets through
//    estimations of at most about 70 ms without instrumentation. Admissible-region fits with
//    monthly seasonality took 0.6 s at the iteration limit, searches over every model on a few
//    hundred values several seconds; they are left to the extreme-input tests.
double Work(std::span<const double> options) {
  if (options.size() < 12) return 0.0;
  const double n = options[0], s = options[1], h = options[2], paths = options[9];
  const double m = options[10];
  if (!(n >= 1.0 && n <= 1000.0 && s >= 1.0 && s <= 24.0 && h <= 120.0 && paths >= 500.0 &&
        paths <= 50000.0 && m >= 3.0 && m <= 24.0))
    return 0.0;
  const double simulation = h > 0.0 ? paths * h / 10.0 : 0.0;

  const auto option = [&](std::size_t k, double absent) {
    return k < options.size() ? options[k] : absent;
  };
  const bool open_all = option(13, 0.0) >= 3.0;
  const bool open_errors = open_all || options[3] == 2.0;
  const bool open_trend = open_all || options[4] == 0.0;
  const bool seasonal = s > 1.0 && (open_all || options[5] != 1.0);
  const bool open_season = seasonal && (open_all || options[5] == 0.0);
  const bool trend = open_trend || options[4] != 1.0;
  const double candidates =
      (open_errors ? 2.0 : 1.0) * (open_trend ? 4.0 : 1.0) * (open_season ? 3.0 : 1.0);
  const double first = 1.0 + (trend ? 2.0 : 0.0) + (seasonal ? 1.0 : 0.0);
  const double second =
      options[8] >= 2.0 ? first + 1.0 + (trend ? 1.0 : 0.0) + (seasonal ? s : 0.0) : 0.0;
  const double order = (seasonal ? s : 0.0) + (trend ? 2.0 : 1.0);
  const bool admissible = option(15, 1.0) == 2.0 && order <= 20.0;
  const double pass_ns = 10.0 * n * (options[7] == 2.0 ? m : 1.0);
  const double eigen_ns = admissible ? 7.0 * order * order * order : 0.0;
  const double estimation_ns = candidates * 1e4 * (first + second) * (pass_ns + eigen_ns);
  return std::max(simulation, estimation_ns / 3e4);
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
