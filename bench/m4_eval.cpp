// Hold-out accuracy on the hourly and weekly series of the M4 competition: fits a named method to
// the train part of every series of the long-form files hourly.csv and weekly.csv (columns id,
// period, frequency, h, t, y, split), forecasts the h test values, and prints one row of a
// Markdown table per run: for each subset the OWA, the mean sMAPE and MASE, and the wall-clock
// seconds of the fits over the worker threads (with the processor seconds they took).
//
//   vordex_m4_eval --data DIR --method NAME [options] [--label TEXT] [--csv FILE]
//   vordex_m4_eval --summarise FILE
//   vordex_m4_eval --data DIR --speed [--repeats N]
//
// The measures are the competition's (Makridakis, Spiliotis and Assimakopoulos 2020, "The M4
// Competition: 100,000 time series and 61 forecasting methods", IJF 36(1)):
//   sMAPE = mean 200 |y - f| / (|y| + |f|) over the horizons;
//   MASE  = mean |y - f| over the in-sample mean absolute lag-m difference, m = 24 hourly and 1
//           weekly (the competition's ppy);
//   OWA   = (sMAPE / sMAPE of Naive2 + MASE / MASE of Naive2) / 2, each the subset's mean;
//   Naive2: the naive forecast of the series seasonally adjusted by a classical multiplicative
//           decomposition of period ppy when the lag-ppy autocorrelation is significant at 90%
//           (|r_m| > 1.645 sqrt((1 + 2 sum_{k<m} r_k^2) / n)), reseasonalised.
// Each series is fitted with the usual periods of its interval (SeasonalPeriods): 24 and 168
// hourly, 52.18 weekly.
//
// Methods:
//   naive2, snaive      the benchmark above; the last cycle of the shortest period repeated
//   mstl                vordex::mstl::Fit with the options below
//   harmonic            vordex::harmonic::Fit (--transform and --lambda as for mstl; --max-order
//                       K, the highest Fourier order tried; --thorough)
//   auto                vordex::auto_forecast::Fit, through the batch layer (batch::FitMany)
// Options of mstl:
//   --adjusted ets|arima|theta|ar   the adjusted series' model (default ets, R's stlf)
//   --window W          the STL seasonal window of every period (default R's 11, 15, ...)
//   --transform none|log|sqrt|boxcox   (boxcox: Guerrero's lambda unless --lambda)
//   --lambda X          the Box-Cox parameter
//   --robust            STL robustness passes
// --threads N (default 2) workers fit the series; each series' own work runs on one of them.
// --csv writes the per-series figures (id, subset, method, smape, mase, seconds, model);
// --summarise prints one row per method of such a file (R's r_results.csv has these columns and
// its own Naive2 rows). --speed times auto_forecast::Fit and mstl::Fit (autoregression) on the
// first 1000 values of the first hourly series that has them, periods 24 and 168, h = 48: the
// fastest and the median of --repeats runs (default 21), wall-clock and processor milliseconds.
// A method that fails on a series is replaced there by the naive forecast and counted.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "auto/seasonality.h"
#include "decompose/classical.h"
#include "vordex/auto.hpp"
#include "vordex/batch.hpp"
#include "vordex/names.hpp"

namespace {

using namespace vordex;

struct Series {
  std::string id;
  std::string subset;  // "Hourly" or "Weekly"
  int ppy = 1;         // the competition's seasonal period of Naive2 and MASE
  int h = 0;
  std::vector<double> periods;
  std::vector<double> train;
  std::vector<double> test;
};

// Reads one long-form file; series in the order of their first line.
bool ReadSeries(const std::string& path, std::vector<Series>* out) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  std::getline(in, line);
  std::map<std::string, std::size_t> index;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ',')) f.push_back(cell);
    if (f.size() < 7) return false;
    auto it = index.find(f[0]);
    if (it == index.end()) {
      it = index.emplace(f[0], out->size()).first;
      Series s;
      s.id = f[0];
      const bool hourly = f[1] == "HOURLY";
      s.subset = hourly ? "Hourly" : "Weekly";
      s.ppy = hourly ? 24 : 1;
      s.periods = SeasonalPeriods(hourly ? Interval::kHourly : Interval::kWeekly);
      s.h = std::stoi(f[3]);
      out->push_back(s);
    }
    Series& s = (*out)[it->second];
    (f[6].rfind("train", 0) == 0 ? s.train : s.test).push_back(std::stod(f[5]));
  }
  return true;
}

std::vector<double> Naive2(const Series& s) {
  const std::vector<double>& y = s.train;
  const std::size_t n = y.size();
  const int m = s.ppy;
  std::vector<double> index(static_cast<std::size_t>(m), 1.0);
  const auto test = automatic::SeasonalByAutocorrelation(y, m, 0.90);
  if (m > 1 && test.ok() && test.value)
    index = decompose::ClassicalDecomposition(y, m, decompose::SeasonalForm::kMultiplicative)
                .value.indices;
  const double last = y[n - 1] / index[(n - 1) % static_cast<std::size_t>(m)];
  std::vector<double> f(static_cast<std::size_t>(s.h));
  for (std::size_t k = 0; k < f.size(); ++k) f[k] = last * index[(n + k) % index.size()];
  return f;
}

std::vector<double> SeasonalNaive(const Series& s) {
  const std::size_t m = static_cast<std::size_t>(std::max(1.0, s.periods.front()));
  const std::size_t n = s.train.size();
  std::vector<double> f;
  for (int k = 0; k < s.h; ++k)
    f.push_back(n >= m ? s.train[n - m + (static_cast<std::size_t>(k) % m)] : s.train.back());
  return f;
}

struct Options {
  std::string method = "mstl";
  mstl::Settings mstl;
  harmonic::Settings harmonic;
  int threads = 2;
};

// One series' forecasts and the name of the model that made them.
std::vector<double> Predict(const Options& o, const Series& s, std::string* model) {
  if (o.method == "naive2") return Naive2(s);
  if (o.method == "snaive") return SeasonalNaive(s);
  if (o.method == "harmonic") {
    harmonic::Settings st = o.harmonic;
    st.periods = s.periods;
    st.horizon = s.h;
    st.levels = {95.0};
    if (o.mstl.transform != Transform::kNone) {
      st.transform = o.mstl.transform;
      st.box_cox = o.mstl.box_cox;
    }
    const harmonic::Result r = harmonic::Fit(s.train, st);
    *model = ModelName(r);
    return r.mean;
  }
  if (o.method == "mstl") {
    mstl::Settings st = o.mstl;
    st.periods = s.periods;
    st.horizon = s.h;
    st.levels = {95.0};
    st.threads = 1;
    const mstl::Result r = mstl::Fit(s.train, st);
    *model = ModelName(r);
    return r.mean;
  }
  std::fprintf(stderr, "unknown method %s\n", o.method.c_str());
  std::exit(2);
}

struct Accuracy {
  double smape = 0.0;
  double mase = 0.0;
};

Accuracy Measure(const Series& s, const std::vector<double>& f) {
  Accuracy a;
  double scale = 0.0;
  const std::size_t n = s.train.size();
  const std::size_t m = static_cast<std::size_t>(s.ppy);
  for (std::size_t t = m; t < n; ++t) scale += std::fabs(s.train[t] - s.train[t - m]);
  scale /= static_cast<double>(n - m);
  for (std::size_t k = 0; k < s.test.size(); ++k) {
    const double y = s.test[k];
    a.smape += 200.0 * std::fabs(y - f[k]) / (std::fabs(y) + std::fabs(f[k]));
    a.mase += std::fabs(y - f[k]) / scale;
  }
  a.smape /= static_cast<double>(s.test.size());
  a.mase /= static_cast<double>(s.test.size());
  return a;
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// What one series gave.
struct Fitted {
  Accuracy accuracy;
  Accuracy naive2;
  double cpu = 0.0;
  std::string model;
  bool failed = false;
};

// Per-subset totals.
struct Subset {
  double smape = 0.0, mase = 0.0, smape2 = 0.0, mase2 = 0.0;
  double wall = 0.0, cpu = 0.0;
  int count = 0, failures = 0;
  double Owa() const { return 0.5 * (smape / smape2 + mase / mase2); }
};

void PrintHeader() {
  std::printf(
      "| method | OWA Hourly | sMAPE | MASE | wall s (CPU s) | OWA Weekly | sMAPE | MASE | "
      "wall s (CPU s) | failures |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
}

void PrintRow(const std::string& label, std::map<std::string, Subset>& subsets) {
  std::printf("| %s", label.c_str());
  int failures = 0;
  for (const char* key : {"Hourly", "Weekly"}) {
    const Subset& s = subsets[key];
    if (s.count == 0) {
      std::printf(" | | | | ");
      continue;
    }
    std::printf(" | %.3f | %.3f | %.3f | ", s.Owa(), s.smape / s.count, s.mase / s.count);
    if (s.wall > 0.0)
      std::printf("%.1f (%.1f)", s.wall, s.cpu);
    else if (s.cpu > 0.0)
      std::printf("(%.1f)", s.cpu);
    failures += s.failures;
  }
  std::printf(" | %d |\n", failures);
}

// Fits every series of one subset on o.threads workers; returns the wall-clock seconds.
double FitSubset(const Options& o, const std::vector<const Series*>& series,
                 std::vector<Fitted>& fitted) {
  const auto start = std::chrono::steady_clock::now();
  if (o.method == "auto") {
    // The recommended automatic forecast, as the batch layer runs it over the threads.
    std::vector<batch::Series> input;
    for (const Series* s : series) input.push_back({s->id, s->train});
    std::vector<batch::MethodSettings> settings;
    for (const Series* s : series) {
      auto_forecast::Settings st;
      st.periods = s->periods;
      st.horizon = s->h;
      st.levels = {95.0};
      settings.emplace_back(st);
    }
    const double cpu = ProcessCpuSeconds();
    batch::Options options;
    options.threads = o.threads;
    const std::vector<batch::Outcome> out = batch::FitMany(input, settings, options);
    const double total_cpu = ProcessCpuSeconds() - cpu;
    for (std::size_t i = 0; i < series.size(); ++i) {
      Fitted& f = fitted[i];
      const vordex::Forecast* result = batch::Common(out[i].value);
      f.failed = !out[i].ok() || result == nullptr;
      f.model = f.failed ? "failed: " + out[i].text : batch::ModelName(out[i].value);
      f.accuracy =
          Measure(*series[i], f.failed ? std::vector<double>(static_cast<std::size_t>(series[i]->h),
                                                             series[i]->train.back())
                                       : result->mean);
      f.cpu = total_cpu / static_cast<double>(series.size());
    }
  } else {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
      for (std::size_t i = next++; i < series.size(); i = next++) {
        Fitted& f = fitted[i];
        const double cpu = ThreadCpuSeconds();
        std::vector<double> forecasts;
        try {
          forecasts = Predict(o, *series[i], &f.model);
        } catch (const Error& e) {
          f.model = std::string("failed: ") + e.what();
        }
        f.cpu = ThreadCpuSeconds() - cpu;
        if (forecasts.size() < static_cast<std::size_t>(series[i]->h)) {
          f.failed = true;
          forecasts.assign(static_cast<std::size_t>(series[i]->h), series[i]->train.back());
        }
        f.accuracy = Measure(*series[i], forecasts);
      }
    };
    std::vector<std::jthread> workers;
    for (int t = 0; t < std::max(1, o.threads); ++t) workers.emplace_back(work);
  }
  for (std::size_t i = 0; i < series.size(); ++i)
    fitted[i].naive2 = Measure(*series[i], Naive2(*series[i]));
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Prints one row per method of a per-series file with the columns id, subset, method, smape,
// mase, seconds, each OWA against the file's own Naive2 rows.
int Summarise(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::string line;
  std::getline(in, line);
  std::vector<std::string> order;
  std::map<std::string, std::map<std::string, Subset>> sums;
  std::map<std::string, Accuracy> naive2;  // by id
  struct Row {
    std::string id, subset, method;
    Accuracy a;
    double seconds;
  };
  std::vector<Row> rows;
  while (std::getline(in, line)) {
    line.erase(
        std::remove_if(line.begin(), line.end(), [](char c) { return c == '"' || c == '\r'; }),
        line.end());
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ',')) f.push_back(cell);
    if (f.size() < 6) continue;
    Row r{f[0], f[1], f[2], {std::stod(f[3]), std::stod(f[4])}, 0.0};
    r.seconds = f[5] == "NA" ? 0.0 : std::stod(f[5]);
    if (r.method == "Naive2") naive2[r.id] = r.a;
    if (std::find(order.begin(), order.end(), r.method) == order.end()) order.push_back(r.method);
    rows.push_back(r);
  }
  for (const Row& r : rows) {
    Subset& s = sums[r.method][r.subset];
    s.smape += r.a.smape;
    s.mase += r.a.mase;
    s.smape2 += naive2[r.id].smape;
    s.mase2 += naive2[r.id].mase;
    s.cpu += r.seconds;
    s.count += 1;
  }
  PrintHeader();
  for (const std::string& method : order) PrintRow("R " + method, sums[method]);
  return 0;
}

// The fastest and median of `repeats` timings of fit(), wall-clock and processor milliseconds.
template <class Fit>
void Time(const char* what, int repeats, Fit&& fit) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < repeats; ++i) {
    const double c = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    fit();
    wall.push_back(1e3 *
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    cpu.push_back(1e3 * (ThreadCpuSeconds() - c));
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", what, wall.front(), wall[wall.size() / 2],
              cpu.front(), cpu[cpu.size() / 2]);
}

int Speed(const std::vector<Series>& all, int repeats) {
  std::vector<double> y;
  for (const Series& s : all) {
    if (s.subset != "Hourly" || s.train.size() + s.test.size() < 1000) continue;
    y = s.train;
    y.insert(y.end(), s.test.begin(), s.test.end());
    y.resize(1000);
    std::printf("series %s, first 1000 values, periods 24 and 168, h = 48\n\n", s.id.c_str());
    break;
  }
  if (y.empty()) {
    std::fprintf(stderr, "no hourly series of 1000 values\n");
    return 1;
  }
  std::printf("| fit | fastest wall ms | median wall ms | fastest CPU ms | median CPU ms |\n");
  std::printf("|---|---:|---:|---:|---:|\n");
  auto_forecast::Settings a;
  a.periods = SeasonalPeriods(Interval::kHourly);
  a.horizon = 48;
  a.threads = 1;
  std::string name;
  Time("auto_forecast::Fit", repeats, [&] { name = ModelName(auto_forecast::Fit(y, a)); });
  mstl::Settings m;
  m.periods = a.periods;
  m.horizon = 48;
  m.adjusted = mstl::AdjustedModel::kAutoregression;
  m.threads = 1;
  Time("mstl::Fit (ar)", repeats, [&] { mstl::Fit(y, m); });
  std::printf("\nauto_forecast chose: %s\n", name.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string dir = "data/m4";
  std::string csv;
  std::string label;
  std::string summarise;
  bool speed = false;
  int repeats = 21;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--data") {
      dir = next();
    } else if (a == "--method") {
      o.method = next();
    } else if (a == "--csv") {
      csv = next();
    } else if (a == "--label") {
      label = next();
    } else if (a == "--summarise") {
      summarise = next();
    } else if (a == "--speed") {
      speed = true;
    } else if (a == "--repeats") {
      repeats = std::max(1, std::atoi(next()));
    } else if (a == "--threads") {
      o.threads = std::atoi(next());
    } else if (a == "--adjusted") {
      const auto model = FromString<mstl::AdjustedModel>(next());
      if (!model) return 2;
      o.mstl.adjusted = *model;
    } else if (a == "--window") {
      o.mstl.seasonal_windows = {std::atoi(next())};
    } else if (a == "--transform") {
      const auto transform = FromString<Transform>(next());
      if (!transform) return 2;
      o.mstl.transform = *transform;
    } else if (a == "--lambda") {
      o.mstl.box_cox.lambda = std::atof(next());
    } else if (a == "--max-order") {
      o.harmonic.max_order = std::atoi(next());
    } else if (a == "--thorough") {
      o.harmonic.thorough = true;
    } else if (a == "--robust") {
      o.mstl.robust = true;
    } else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return 2;
    }
  }
  if (!summarise.empty()) return Summarise(summarise);
  if (label.empty()) label = o.method;

  std::vector<Series> all;
  for (const char* name : {"hourly", "weekly"}) {
    if (!ReadSeries(dir + "/" + name + ".csv", &all)) {
      std::fprintf(stderr, "cannot read %s/%s.csv\n", dir.c_str(), name);
      return 1;
    }
  }
  if (speed) return Speed(all, repeats);

  std::FILE* out = csv.empty() ? nullptr : std::fopen(csv.c_str(), "w");
  if (out != nullptr) std::fprintf(out, "id,subset,method,smape,mase,seconds,model\n");
  std::map<std::string, Subset> subsets;
  for (const char* subset : {"Hourly", "Weekly"}) {
    std::vector<const Series*> series;
    for (const Series& s : all)
      if (s.subset == subset) series.push_back(&s);
    std::vector<Fitted> fitted(series.size());
    Subset& sum = subsets[subset];
    sum.wall = FitSubset(o, series, fitted);
    for (std::size_t i = 0; i < series.size(); ++i) {
      const Fitted& f = fitted[i];
      sum.smape += f.accuracy.smape;
      sum.mase += f.accuracy.mase;
      sum.smape2 += f.naive2.smape;
      sum.mase2 += f.naive2.mase;
      sum.cpu += f.cpu;
      sum.count += 1;
      sum.failures += f.failed ? 1 : 0;
      if (out != nullptr)
        std::fprintf(out, "%s,%s,%s,%.12g,%.12g,%.6f,\"%s\"\n", series[i]->id.c_str(), subset,
                     label.c_str(), f.accuracy.smape, f.accuracy.mase, f.cpu, f.model.c_str());
    }
  }
  if (out != nullptr) std::fclose(out);
  PrintHeader();
  PrintRow(label, subsets);
  return 0;
}
