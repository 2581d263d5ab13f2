// Model files: the size of a saved monthly model, and saved models loaded and forecast one after
// another on one core (the load of a file that was saved by another process, then 12 forecasts).
// Counters: "bytes" the file's size; items_per_second the models loaded and forecast a second.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support.h"
#include "vordex/arima.hpp"
#include "vordex/auto.hpp"
#include "vordex/ets.hpp"
#include "vordex/model.hpp"

namespace {

std::vector<double> Airline() {
  return {std::begin(vordex::bench::kAirline), std::end(vordex::bench::kAirline)};
}

std::string ArimaFile() {
  return vordex::ToJson({.result = vordex::arima::Fit(Airline())});
}

std::string EtsFile() {
  vordex::ets::Settings s = vordex::ets::AutoSettings();
  s.threads = 1;
  return vordex::ToJson({.result = vordex::ets::Fit(Airline(), s)});
}

// Loads the file and forecasts 12 months with the limits of `levels`, again and again.
void LoadAndForecast(benchmark::State& state, const std::string& file,
                     const std::vector<double>& levels) {
  for (auto _ : state) {
    const vordex::Model model = vordex::FromJson(file);
    const vordex::Model f = vordex::Predict(model, 12, levels);
    benchmark::DoNotOptimize(vordex::Common(f).mean.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes"] = static_cast<double>(file.size());
}

void BM_ModelArimaLoadForecast(benchmark::State& state) {
  LoadAndForecast(state, ArimaFile(), {80, 95});
}
BENCHMARK(BM_ModelArimaLoadForecast)->Unit(benchmark::kMicrosecond);

void BM_ModelThetaLoadForecast(benchmark::State& state) {
  LoadAndForecast(state, vordex::ToJson({.result = vordex::theta::Fit(Airline())}), {80, 95});
}
BENCHMARK(BM_ModelThetaLoadForecast)->Unit(benchmark::kMicrosecond);

// An additive smoothing model: ETS(A,N,A) forecasts its means in closed form.
void BM_ModelEtsAdditiveLoadPointForecast(benchmark::State& state) {
  vordex::ets::Settings s;
  s.error = vordex::ets::ErrorForm::kAdditive;
  s.trend = vordex::ets::Trend::kNone;
  s.season = vordex::ets::Season::kAdditive;
  LoadAndForecast(state, vordex::ToJson({.result = vordex::ets::Fit(Airline(), s)}), {});
}
BENCHMARK(BM_ModelEtsAdditiveLoadPointForecast)->Unit(benchmark::kMicrosecond);

// Point forecasts only; a model with a multiplicative part still simulates its means (5000
// paths).
void BM_ModelEtsLoadPointForecast(benchmark::State& state) {
  LoadAndForecast(state, EtsFile(), {});
}
BENCHMARK(BM_ModelEtsLoadPointForecast)->Unit(benchmark::kMicrosecond);

void BM_ModelEtsLoadForecastSimulated(benchmark::State& state) {
  LoadAndForecast(state, EtsFile(), {80, 95});
}
BENCHMARK(BM_ModelEtsLoadForecastSimulated)->Unit(benchmark::kMicrosecond);

// Loading alone.
void BM_ModelArimaLoad(benchmark::State& state) {
  const std::string file = ArimaFile();
  for (auto _ : state) benchmark::DoNotOptimize(vordex::FromJson(file).observations);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModelArimaLoad)->Unit(benchmark::kMicrosecond);

// The floor the JSON library sets: the ARIMA file parsed into nlohmann-json's document alone, and
// read by its event parser into nothing (every number still converted), before any field is taken.
void BM_ModelArimaJsonDocument(benchmark::State& state) {
  const std::string file = ArimaFile();
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(file).size());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModelArimaJsonDocument)->Unit(benchmark::kMicrosecond);

void BM_ModelArimaJsonEvents(benchmark::State& state) {
  struct Sink : nlohmann::json::json_sax_t {
    double sum = 0.0;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t v) override { return sum += static_cast<double>(v), true; }
    bool number_unsigned(number_unsigned_t v) override {
      return sum += static_cast<double>(v), true;
    }
    bool number_float(number_float_t v, const string_t&) override { return sum += v, true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception&) override {
      return false;
    }
  };
  const std::string file = ArimaFile();
  Sink sink;
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::sax_parse(file, &sink));
  benchmark::DoNotOptimize(sink.sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModelArimaJsonEvents)->Unit(benchmark::kMicrosecond);

}  // namespace
