// Pegelsdll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <cstddef>
#include <cstdint>

#include "host_call.h"

namespace {

// 48 monthly observations, additive errors, trend and season, Gaussian limits, one-step MSE,
// heuristic states, 500 paths, m = 3, AIC; the four optional settings (transform, search, bounds,
// region) follow when the option count reaches them.
constexpr short kTypical[] = {48, 12, 12, 1, 2, 2, 0, 1, 1, 500, 3, 1};
constexpr vordex::fuzz::ExportProfile kPegels{
    .run = &Pegelsdll, .typical = kTypical, .most_options = 16, .lead = 95.0};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vordex::fuzz::SilenceMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vordex::fuzz::RunHostCall(kPegels, data, size);
  return 0;
}
