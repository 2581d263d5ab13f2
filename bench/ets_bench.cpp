// Pegelsdll end to end on the monthly airline passenger series: the full automatic search over
// all 24 error, trend and season combinations, with 24 forecasts and limits from 5000 simulated
// paths.
#include <benchmark/benchmark.h>

#include <vector>

#include "support.h"
#include "vordex/automation.h"
#include "vordex/vordex.h"

namespace {

using vordex::bench::AirlineData;
using vordex::bench::DataArray;
using vordex::bench::OptionArray;

// Options: N = 144, s = 12, h = 24, error, trend and season all chosen (codes 2, 0, 0), Gaussian
// disturbances, the given criterion and initialization, 5000 paths, m = 12, AIC.
void RunSearch(benchmark::State& state, short criterion, short initialization) {
  SAFEARRAY* opt = OptionArray({144, 12, 24, 2, 0, 0, 0, criterion, initialization, 5000, 12, 1});
  SAFEARRAY* dat = DataArray(AirlineData(95.0));
  for (auto _ : state) {
    VARIANT v = Pegelsdll(&opt, &dat);
    if (v.vt != (VT_ARRAY | VT_R8)) state.SkipWithError("Pegelsdll did not return a result array");
    VariantClear(&v);
  }
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);
}

// Minus the log-likelihood, heuristic initial states: the usual automatic request.
void BM_PegelsAirlineSearch(benchmark::State& state) {
  RunSearch(state, 5, 1);
}
BENCHMARK(BM_PegelsAirlineSearch)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// One-step MSE, heuristic initial states.
void BM_PegelsAirlineSearchMse(benchmark::State& state) {
  RunSearch(state, 1, 1);
}
BENCHMARK(BM_PegelsAirlineSearchMse)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Minus the log-likelihood, initial states estimated for the chosen model only.
void BM_PegelsAirlineSearchWinnerStates(benchmark::State& state) {
  RunSearch(state, 5, 3);
}
BENCHMARK(BM_PegelsAirlineSearchWinnerStates)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
