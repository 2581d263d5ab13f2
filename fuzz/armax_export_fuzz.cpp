// Armaxdll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <cstddef>
#include <cstdint>
#include <span>

#include "host_call.h"

namespace {

// 48 monthly observations, ARMA(0,1)(0,1)12 for the once and seasonally differenced raw series,
// no constant, h = 12.
constexpr short kTypical[] = {48, 12, 12, 0, 1, 1, 0, 1, 1, 0, 0};
constexpr vordex::fuzz::ExportProfile kArmax{.run = &Armaxdll,
                                             .typical = kTypical,
                                             .most_options = 11,
                                             .lead = 1.96,
                                             .work = [](std::span<const double> o) {
                                               // The checks limit neither N nor s: only the
                                               // 16-bit range does.
                                               return vordex::fuzz::ArmaWork(o, 32767.0, 32767.0,
                                                                             100.0, 100.0);
                                             }};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vordex::fuzz::SilenceMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vordex::fuzz::RunHostCall(kArmax, data, size);
  return 0;
}
