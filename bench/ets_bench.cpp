// Pegelsdll end to end on the monthly airline passenger series: the full automatic search over
// all 24 error, trend and season combinations, with 24 forecasts and limits from 5000 simulated
// paths.
#include <benchmark/benchmark.h>

#include <vector>

#include "vordex/automation.h"
#include "vordex/vordex.h"

namespace {

// Box and Jenkins, Series G: monthly international airline passengers (thousands), 1949-1960.
constexpr double kAirline[] = {
    112, 118, 132, 129, 121, 135, 148, 148, 136, 119, 104, 118, 115, 126, 141, 135, 125, 149,
    170, 170, 158, 133, 114, 140, 145, 150, 178, 163, 172, 178, 199, 199, 184, 162, 146, 166,
    171, 180, 193, 181, 183, 218, 230, 242, 209, 191, 172, 194, 196, 196, 236, 235, 229, 243,
    264, 272, 237, 211, 180, 201, 204, 188, 235, 227, 234, 264, 302, 293, 259, 229, 203, 229,
    242, 233, 267, 269, 270, 315, 364, 347, 312, 274, 237, 278, 284, 277, 317, 313, 318, 374,
    413, 405, 355, 306, 271, 306, 315, 301, 356, 348, 355, 422, 465, 467, 404, 347, 305, 336,
    340, 318, 362, 348, 363, 435, 491, 505, 404, 359, 310, 337, 360, 342, 406, 396, 420, 472,
    548, 559, 463, 407, 362, 405, 417, 391, 419, 461, 472, 535, 622, 606, 508, 461, 390, 432};

SAFEARRAY* OptionArray(const std::vector<short>& values) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values.size()));
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    short v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &i, &v);
  }
  return a;
}

SAFEARRAY* DataArray(const std::vector<double>& values) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    double v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &i, &v);
  }
  return a;
}

// Options: N = 144, s = 12, h = 24, error, trend and season all chosen (codes 2, 0, 0), Gaussian
// disturbances, the given criterion and initialization, 5000 paths, m = 12, AIC.
void RunSearch(benchmark::State& state, short criterion, short initialization) {
  std::vector<double> data{95.0};
  data.insert(data.end(), std::begin(kAirline), std::end(kAirline));
  SAFEARRAY* opt = OptionArray({144, 12, 24, 2, 0, 0, 0, criterion, initialization, 5000, 12, 1});
  SAFEARRAY* dat = DataArray(data);
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
