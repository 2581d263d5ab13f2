// vordex::batch::FitMany on the 1001 series of the M1 competition (Makridakis et al. 1982):
// automatic exponential smoothing (error, trend and season chosen by AIC, 5000 simulated paths)
// of each series' training part with its own period and horizon, on 1 and 2 worker threads.
//
// Counters: series_per_s (wall clock); cpu_ms_per_series, the processor time of all threads per
// series (equal for 1 and 2 threads when the workers do not hinder each other, whatever else runs
// on the machine); identical (1 when every outcome has the same bits as in the one-thread run);
// failed (series that failed); and smape (the symmetric mean absolute percentage error on the
// test parts, one weight per series, as R's forecast package is scored in the data's
// r_summary.md).
//
// The data are read from the folder in the environment variable VORDEX_M1_DIR, else from
// ../shared/data/m1 beside the source tree (yearly.csv, quarterly.csv, monthly.csv: columns
// id,period,frequency,h,t,y,split).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "vordex/batch.hpp"

namespace {

namespace batch = vordex::batch;

struct M1Series {
  std::string id;
  int frequency = 1;
  int h = 0;
  std::vector<double> train, test;
};

std::vector<M1Series> ReadM1() {
  const char* dir = std::getenv("VORDEX_M1_DIR");
  const std::string folder = dir != nullptr ? dir : VORDEX_M1_DEFAULT_DIR;
  std::vector<M1Series> all;
  for (const char* file : {"yearly.csv", "quarterly.csv", "monthly.csv"}) {
    std::ifstream in(folder + "/" + file);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
      std::vector<std::string> cells;
      std::stringstream row(line);
      for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
      if (cells.size() < 7) continue;
      if (all.empty() || all.back().id != cells[0]) {
        all.push_back({cells[0], std::stoi(cells[2]), std::stoi(cells[3]), {}, {}});
      }
      (cells[6].rfind("train", 0) == 0 ? all.back().train : all.back().test)
          .push_back(std::stod(cells[5]));
    }
  }
  return all;
}

const std::vector<M1Series>& M1() {
  static const std::vector<M1Series> m1 = ReadM1();
  return m1;
}

std::vector<double> Bits(const batch::Outcome& o) {
  std::vector<double> v;
  if (const auto* r = std::get_if<vordex::ets::Result>(&o.value)) {
    v = r->mean;
    for (const vordex::Limits& l : r->limits) {
      v.insert(v.end(), l.lower.begin(), l.lower.end());
      v.insert(v.end(), l.upper.begin(), l.upper.end());
    }
  }
  return v;
}

// Processor seconds of every thread of the process so far.
double ProcessSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
  return true;
}

void BM_BatchM1AutomaticSmoothing(benchmark::State& state) {
  const std::vector<M1Series>& m1 = M1();
  if (m1.size() != 1001) {
    state.SkipWithError("M1 data not found: set VORDEX_M1_DIR to the folder of yearly.csv etc.");
    return;
  }
  std::vector<batch::Series> series;
  std::vector<batch::MethodSettings> settings;
  for (const M1Series& s : m1) {
    series.push_back({s.id, s.train});
    vordex::ets::Settings e;  // every component chosen by AIC
    e.period = s.frequency;
    e.horizon = s.h;
    e.levels = {95.0};  // the limits of one level, as the figures in the README were measured
    settings.push_back(e);
  }
  batch::Options options;
  options.threads = static_cast<int>(state.range(0));
  std::vector<batch::Outcome> outcomes;
  const double cpu_before = ProcessSeconds();
  for (auto _ : state) outcomes = batch::FitMany(series, settings, options);
  const double cpu = ProcessSeconds() - cpu_before;

  static std::vector<std::vector<double>> one_thread;  // from the run with 1 thread
  bool identical = true;
  double failed = 0.0;
  double smape = 0.0;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const std::vector<double> bits = Bits(outcomes[i]);
    if (state.range(0) == 1) {
      one_thread.resize(outcomes.size());
      one_thread[i] = bits;
    } else {
      identical = identical && i < one_thread.size() && SameBits(one_thread[i], bits);
    }
    const auto* r = std::get_if<vordex::ets::Result>(&outcomes[i].value);
    if (r == nullptr) {
      failed += 1.0;
      continue;
    }
    double sum = 0.0;
    for (std::size_t k = 0; k < m1[i].test.size(); ++k) {
      const double y = m1[i].test[k];
      const double f = r->mean[k];
      sum += 200.0 * std::fabs(y - f) / (std::fabs(y) + std::fabs(f));
    }
    smape += sum / static_cast<double>(m1[i].test.size());
  }
  const double n = static_cast<double>(series.size());
  state.counters["series_per_s"] =
      benchmark::Counter(n * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["cpu_ms_per_series"] = 1e3 * cpu / (n * static_cast<double>(state.iterations()));
  state.counters["identical"] = identical ? 1.0 : 0.0;
  state.counters["failed"] = failed;
  state.counters["smape"] = smape / (n - failed);
}
// One batch takes tens of seconds: one iteration per run; --benchmark_repetitions for more.
BENCHMARK(BM_BatchM1AutomaticSmoothing)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
