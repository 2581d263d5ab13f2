// Armaxdll on the airline model: log transform, (0,1,1)(0,1,1)12 without constant, h = 24.
#include <benchmark/benchmark.h>

#include <vector>

#include "support.h"
#include "vordex/automation.h"
#include "vordex/vordex.h"

namespace {

using vordex::bench::AirlineData;
using vordex::bench::DataArray;
using vordex::bench::OptionArray;

void Quiet(void*, const char*, const char*, unsigned) {}

void BM_ArmaxdllAirline(benchmark::State& state) {
  vordex_set_message_handler(&Quiet, nullptr, nullptr);
  SAFEARRAY* opt = OptionArray({144, 12, 24, 0, 1, 1, 0, 1, 1, 0, 1});
  SAFEARRAY* dat = DataArray(AirlineData(1.96));
  for (auto _ : state) {
    VARIANT result = Armaxdll(&opt, &dat);
    if (result.vt != (VT_ARRAY | VT_R8)) state.SkipWithError("Armaxdll failed");
    VariantClear(&result);
  }
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);
  vordex_set_message_handler(nullptr, nullptr, nullptr);
}
BENCHMARK(BM_ArmaxdllAirline)->Unit(benchmark::kMillisecond);

}  // namespace
