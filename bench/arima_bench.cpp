// Arimadll end to end: the airline model on the monthly passenger series, and an ARIMA(2,1,2) on
// a simulated series of the largest length the export accepts; the typed interface on long
// series, complete and with every 97th value missing (the state space route).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "support.h"
#include "vordex/arima.hpp"
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

// (1 - 0.5B + 0.3B^2)(1 - B) y = (1 - 0.4B - 0.2B^2) e, e ~ N(0, 1), n values after a burn-in
// of 100, fixed seed.
std::vector<double> Simulated212(int n) {
  std::mt19937 gen(20240601u);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<double> y;
  double w1 = 0.0, w2 = 0.0, e1 = 0.0, e2 = 0.0, level = 100.0;
  for (int t = 0; t < n + 100; ++t) {
    const double e = normal(gen);
    const double w = 0.5 * w1 - 0.3 * w2 + e - 0.4 * e1 - 0.2 * e2;
    w2 = w1;
    w1 = w;
    e2 = e1;
    e1 = e;
    level += w;
    if (t >= 100) y.push_back(level);
  }
  return y;
}

void BM_ArimaSimulated212(benchmark::State& state) {
  std::vector<double> data{0.0};
  for (double v : Simulated212(1000)) data.push_back(v);
  RunArima(state, {1000, 1, 24, 2, 1, 2, 0, 0, 0, 0, 0}, data);
}
BENCHMARK(BM_ArimaSimulated212)->Unit(benchmark::kMillisecond);

// The typed ARIMA(2,1,2) by exact maximum likelihood on state.range(0) values; with
// state.range(1), every 97th value missing.
void BM_ArimaTypedLong212(benchmark::State& state) {
  std::vector<double> y = Simulated212(static_cast<int>(state.range(0)));
  if (state.range(1) != 0)
    for (std::size_t t = 5; t < y.size(); t += 97) y[t] = std::nan("");
  vordex::arima::Settings settings;
  settings.period = 1;
  settings.p = settings.q = 2;
  settings.D = settings.Q = 0;
  settings.transform = vordex::Transform::kNone;
  for (auto _ : state) benchmark::DoNotOptimize(vordex::arima::Fit(y, settings));
}
BENCHMARK(BM_ArimaTypedLong212)
    ->Args({5000, 0})
    ->Args({50000, 0})
    ->Args({5000, 1})
    ->Args({50000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
