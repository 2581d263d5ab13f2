// Pegelsdll end to end on the monthly airline passenger series: the full automatic search over
// all 24 error, trend and season combinations, with 24 forecasts and limits from 5000 simulated
// paths. And the typed interface's automatic smoothing on long series.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "support.h"
#include "vordex/automation.h"
#include "vordex/ets.hpp"
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

// ets::AutoSettings (every component chosen by AIC, states estimated for the chosen model) on a
// monthly random walk with a seasonal pattern and noise, state.range(0) values long, one thread:
// the cost of the search grows linearly with the length (about 13,000 passes of the recursion
// here).
void BM_EtsAutoSearchLong(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::mt19937_64 generator(7);
  std::normal_distribution<double> z(0.0, 1.0);
  std::vector<double> y(n);
  double level = 1000.0;
  for (std::size_t t = 0; t < n; ++t) {
    level += 0.01 + 0.5 * z(generator);
    y[t] = level * (1.0 + 0.1 * std::sin(2.0 * M_PI * static_cast<double>(t) / 12.0)) +
           5.0 * z(generator);
  }
  vordex::ets::Settings settings = vordex::ets::AutoSettings(12, 24);
  settings.threads = 1;
  for (auto _ : state) benchmark::DoNotOptimize(vordex::ets::Fit(y, settings));
}
BENCHMARK(BM_EtsAutoSearchLong)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kSecond);

}  // namespace
