// Arimadll end to end: the airline model on the monthly passenger series, and an ARIMA(2,1,2) on
// a simulated series of the largest length the export accepts.
#include <benchmark/benchmark.h>

#include <random>
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
  std::vector<double> data{0.0};
  data.insert(data.end(), std::begin(kAirline), std::end(kAirline));
  RunArima(state, {144, 12, 24, 0, 1, 1, 0, 1, 1, 0, 2}, data);
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
