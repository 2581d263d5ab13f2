// Arimadll end to end: the airline model on the monthly passenger series, and an ARIMA(2,1,2) on
// a simulated series of the largest length the export accepts.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "support.h"
#include "vordex/automation.h"
#include "vordex/vordex.h"

namespace {

using vordex::bench::AirlineData;
using vordex::bench::DataArray;
using vordex::bench::OptionArray;

void RunArima(benchmark::State& state, const std::vector<short>& options,
              const std::vector<double>& data) {
  SAFEARRAY* opt = OptionArray(options);
  SAFEARRAY* dat = DataArray(data);
  for (auto _ : state) {
    VARIANT v = Arimadll(&opt, &dat);
    if (v.vt != (VT_ARRAY | VT_R8)) state.SkipWithError("Arimadll did not return a result array");
    VariantClear(&v);
  }
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);
}

void BM_ArimaAirline(benchmark::State& state) {
  // log, ARIMA(0,1,1)(0,1,1)12, 24 forecasts.
  RunArima(state, {144, 12, 24, 0, 1, 1, 0, 1, 1, 0, 2}, AirlineData(0.0));
}
BENCHMARK(BM_ArimaAirline)->Unit(benchmark::kMillisecond);

void BM_ArimaSimulated212(benchmark::State& state) {
  // (1 - 0.5B + 0.3B^2)(1 - B) y = (1 - 0.4B - 0.2B^2) e, e ~ N(0, 1), 1000 values, fixed seed.
  std::mt19937 gen(20240601u);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<double> data{0.0};
  double w1 = 0.0, w2 = 0.0, e1 = 0.0, e2 = 0.0, level = 100.0;
  for (int t = 0; t < 1100; ++t) {
    const double e = normal(gen);
    const double w = 0.5 * w1 - 0.3 * w2 + e - 0.4 * e1 - 0.2 * e2;
    w2 = w1;
    w1 = w;
    e2 = e1;
    e1 = e;
    level += w;
    if (t >= 100) data.push_back(level);
  }
  RunArima(state, {1000, 1, 24, 2, 1, 2, 0, 0, 0, 0, 0}, data);
}
BENCHMARK(BM_ArimaSimulated212)->Unit(benchmark::kMillisecond);

}  // namespace
