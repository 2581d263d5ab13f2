// Arimadll as a host calls it, with whatever arrays the fuzzer's input decodes into.
#include <cstddef>
#include <cstdint>
#include <span>

#include "host_call.h"

namespace {

// 48 monthly observations, the airline model ARIMA(0,1,1)(0,1,1)12 on the raw scale, h = 12.
constexpr short kTypical[] = {48, 12, 12, 0, 1, 1, 0, 1, 1, 0, 1};
constexpr vordex::fuzz::ExportProfile kArima{.run = &Arimadll,
                                             .typical = kTypical,
                                             .most_options = 11,
                                             .lead = 1.96,
                                             .work = [](std::span<const double> o) {
                                               return vordex::fuzz::ArmaWork(o, 1000.0, 24.0, 12.0,
                                                                             3.0);
                                             }};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vordex::fuzz::SilenceMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vordex::fuzz::RunHostCall(kArima, data, size);
  return 0;
}
