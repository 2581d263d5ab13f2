// Armaxdll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host_call.h"

namespace {

// The work of the model the engine fits: it drops the seasonal orders when s < 2 and lowers p or
// q to s - 1 when they meet a seasonal order (with a box); the checks limit neither N nor s (only
// the 16-bit range does), and the engine takes orders up to 100.
double Work(std::span<const double> options) {
  if (options.size() < 9) return 0.0;
  std::vector<double> o(options.begin(), options.end());
  double &s = o[1], &p = o[3], &q = o[5], &P = o[6], &Q = o[8];
  if (s < 2.0) {
    P = 0.0;
    Q = 0.0;
  } else {
    if (p >= s && P > 0.0) p = s - 1.0;
    if (q >= s && Q > 0.0) q = s - 1.0;
  }
  return vordex::fuzz::ArmaWork(o, 32767.0, 32767.0, 100.0, 100.0);
}

// 48 monthly observations, ARMA(0,1)(0,1)12 for the once and seasonally differenced raw series,
// no constant, h = 12.
constexpr short kTypical[] = {48, 12, 12, 0, 1, 1, 0, 1, 1, 0, 0};
constexpr vordex::fuzz::ExportProfile kArmax{
    .run = &Armaxdll, .typical = kTypical, .most_options = 11, .lead = 1.96, .work = &Work};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vordex::fuzz::SilenceMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vordex::fuzz::RunHostCall(kArmax, data, size);
  return 0;
}
