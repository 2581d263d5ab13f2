// Hold-out accuracy on the M1 competition data: fits a named method to the train part of every
// series of the long-form files yearly.csv, quarterly.csv and monthly.csv (columns id, period,
// frequency, h, t, y, split), forecasts the h test values, and prints the mean sMAPE and MASE of
// each subset and of all series (one weight per series) with the total fitting time (processor
// seconds, and wall-clock seconds) as one row of a Markdown table.
//
//   vordex_m1_eval --data DIR --method NAME [options] [--label TEXT] [--csv FILE]
//   vordex_m1_eval --summarise FILE [--suffix TEXT]
//
// --csv writes the per-series figures (id, subset, method, sMAPE, MASE, runtime_s, model);
// --summarise prints one row per method of such a file (R's r_results.csv has the same columns).
//
// Methods:
//   naive, snaive        the last value; the last season repeated
//   theta                vordex::automatic::Theta (the M3 Theta method)
//   ets-auto             the automatic-smoothing preset in the engine (ets::AutoSettings)
//   ets-auto-candidates  the same preset with every candidate fitted here (AutoPreset)
//   ets                  one vordex::ets::Fit request with the options below: with --search N
//                        the engine's own model search (4 with --init 3 is the seed's automatic
//                        smoothing), without it the candidates are fitted one by one and chosen
//                        here (the experiments of the automatic-smoothing preset)
//   arima                vordex::arima::Fit with the fixed orders of --order and --seasonal
//   auto-arima           vordex::auto_arima::Fit (auto.arima's stepwise search) with its
//                        defaults; --exhaustive fits every model within the bounds instead,
//                        --single-start estimates each candidate from one start only
//   auto                 vordex::auto_forecast::Fit, the combination of ets-auto, auto-arima
//                        and theta
//
// Smoothing options (method ets):
//   --search N           0..4: one request with the engine's search type N (no selection here)
//   --ic aic|aicc|bic    criterion of the selection here (default aic)
//   --count engine|states  parameters counted by the criterion: the smoothing parameters (as the
//                        engine counts them) or also the initial states and sigma (as R's ets)
//   --init 1|2|3         initial states: heuristic; estimated for every candidate; heuristic
//                        while selecting and estimated for the winner
//   --bounds seed|r|phi  parameter bounds: the engine's defaults (0.1..0.9, phi up to 1), R's ets
//                        (1e-4..0.9999, phi 0.8..0.98), or the defaults with phi 0.8..0.98
//   --no-mult-trend      no multiplicative trend
//   --restrict           no additive errors with a multiplicative trend or season, and no
//                        multiplicative trend with additive season (R's ets restrict = TRUE)
//   --min-seasons K      seasonal candidates only with at least K full seasons (default 2)
//   --no-damped          no damped trend
//   --criterion N        the engine's estimation criterion code (default 5, likelihood)
// Accuracy as defined with the data: sMAPE = mean of 200 |y - f| / (|y| + |f|) over the
// horizons; MASE = mean |y - f| over the in-sample mean absolute lag-m difference (m the
// frequency). A method that fails on a series is replaced there by the naive forecast and
// counted.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "auto/theta.h"
#include "vordex/auto.hpp"
#include "vordex/names.hpp"
#include "vordex/vordex.hpp"

namespace {

struct Series {
  std::string id;
  std::string subset;
  int m = 1;
  int h = 0;
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
      s.subset = f[1];
      s.m = std::stoi(f[2]);
      s.h = std::stoi(f[3]);
      out->push_back(s);
    }
    Series& s = (*out)[it->second];
    (f[6].rfind("train", 0) == 0 ? s.train : s.test).push_back(std::stod(f[5]));
  }
  return true;
}

struct Options {
  std::string method = "ets";
  int search = -1;
  std::string ic = "aic";
  std::string count = "engine";
  int init = 3;
  std::string bounds = "seed";
  bool no_mult_trend = false;
  bool restrict_forms = false;
  bool no_damped = false;
  int min_seasons = 2;
  int criterion = 5;
  int order[3] = {0, 1, 1};
  int seasonal[3] = {0, 1, 1};
  std::string transform = "log";
  bool exhaustive = false;
  bool single_start = false;
};

std::vector<double> Repeat(const std::vector<double>& y, int m, int h) {
  std::vector<double> f;
  const std::size_t n = y.size();
  for (int k = 0; k < h; ++k) f.push_back(y[n - m + (k % m)]);
  return f;
}

namespace ets = vordex::ets;

std::vector<ets::Bound> BoundsFor(const std::string& name) {
  if (name == "r") return {{1e-4, 0.9999}, {1e-4, 0.9999}, {1e-4, 0.9999}, {0.8, 0.98}};
  if (name == "phi") return {{0.1, 0.9}, {0.1, 0.9}, {0.1, 0.9}, {0.8, 0.98}};
  return {};
}

ets::Settings BaseSettings(const Options& o, const Series& s) {
  ets::Settings st;
  st.period = s.m;
  st.horizon = 0;
  st.criterion = static_cast<ets::Criterion>(o.criterion);
  st.paths = 500;
  // The multi-step statistics only cost time here: the likelihood uses one-step errors alone.
  st.multisteps = 3;
  st.seed = 1u;
  st.bounds = BoundsFor(o.bounds);
  return st;
}

// The number of parameters the criterion counts for a fitted candidate.
int ParameterCount(const Options& o, const ets::Model& model, int m) {
  const bool trend = model.trend != ets::Trend::kNone;
  const bool season = model.season != ets::Season::kNone;
  int k = 1 + trend + (model.trend == ets::Trend::kDamped) + season;
  if (o.count == "states") k += 1 + trend + (season ? m - 1 : 0) + 1;
  return k;
}

double Criterion(const Options& o, double loglik, int k, int n) {
  const double aic = -2.0 * loglik + 2.0 * k;
  if (o.ic == "bic") return -2.0 * loglik + k * std::log(static_cast<double>(n));
  if (o.ic == "aicc") {
    if (n - k - 1 <= 0) return std::numeric_limits<double>::infinity();
    return aic + 2.0 * k * (k + 1.0) / (n - k - 1.0);
  }
  return aic;
}

std::vector<ets::Model> Candidates(const Options& o, const Series& s) {
  using ets::ErrorForm;
  using ets::Season;
  using ets::Trend;
  const int n = static_cast<int>(s.train.size());
  std::vector<Season> seasons = {Season::kNone};
  if (s.m > 1 && n >= o.min_seasons * s.m) {
    seasons.push_back(Season::kAdditive);
    seasons.push_back(Season::kMultiplicative);
  }
  std::vector<Trend> trends = {Trend::kNone, Trend::kAdditive};
  if (!o.no_mult_trend) trends.push_back(Trend::kMultiplicative);
  if (!o.no_damped) trends.push_back(Trend::kDamped);
  std::vector<ets::Model> out;
  for (ErrorForm e : {ErrorForm::kMultiplicative, ErrorForm::kAdditive})
    for (Season season : seasons)
      for (Trend trend : trends) {
        if (o.restrict_forms) {
          if (e == ErrorForm::kAdditive &&
              (trend == Trend::kMultiplicative || season == Season::kMultiplicative))
            continue;
          if (e == ErrorForm::kMultiplicative && trend == Trend::kMultiplicative &&
              season == Season::kAdditive)
            continue;
        }
        out.push_back({e, trend, season});
      }
  return out;
}

// Smoothing: the engine's search, or every candidate fitted here and the best by the criterion
// refitted with forecasts.
std::vector<double> Smoothing(const Options& o, const Series& s, std::string* model) {
  ets::Settings st = BaseSettings(o, s);
  st.horizon = s.h;
  if (o.search >= 0) {
    st.search = static_cast<ets::Search>(o.search);
    st.initialization = static_cast<ets::Initialization>(o.init);
    const ets::Result r = ets::Fit(s.train, st);
    *model = std::to_string(static_cast<int>(r.model.error)) +
             std::to_string(static_cast<int>(r.model.trend)) +
             std::to_string(static_cast<int>(r.model.season));
    return r.mean;
  }
  const int n = static_cast<int>(s.train.size());
  ets::Settings fit = BaseSettings(o, s);
  fit.initialization =
      o.init == 2 ? ets::Initialization::kEstimated : ets::Initialization::kHeuristic;
  double best = std::numeric_limits<double>::infinity();
  ets::Model chosen{};
  for (const ets::Model& c : Candidates(o, s)) {
    fit.error = c.error;
    fit.trend = c.trend;
    fit.season = c.season;
    try {
      const ets::Result r = ets::Fit(s.train, fit);
      const double value = Criterion(o, r.log_likelihood, ParameterCount(o, c, s.m), n);
      if (value < best) {
        best = value;
        chosen = c;
      }
    } catch (const vordex::Error&) {
    }
  }
  if (!std::isfinite(best))
    throw vordex::Error(vordex::Status::kEngineFailed, "no candidate could be fitted", {});
  st.error = chosen.error;
  st.trend = chosen.trend;
  st.season = chosen.season;
  st.initialization =
      o.init == 1 ? ets::Initialization::kHeuristic : ets::Initialization::kEstimated;
  *model = std::to_string(static_cast<int>(chosen.error)) +
           std::to_string(static_cast<int>(chosen.trend)) +
           std::to_string(static_cast<int>(chosen.season));
  return ets::Fit(s.train, st).mean;
}

std::vector<double> Arima(const Options& o, const Series& s) {
  vordex::arima::Settings st;
  st.period = s.m;
  st.horizon = s.h;
  st.p = o.order[0];
  st.d = o.order[1];
  st.q = o.order[2];
  st.P = s.m > 1 ? o.seasonal[0] : 0;
  st.D = s.m > 1 ? o.seasonal[1] : 0;
  st.Q = s.m > 1 ? o.seasonal[2] : 0;
  st.transform = o.transform == "log"    ? vordex::Transform::kLog
                 : o.transform == "sqrt" ? vordex::Transform::kSquareRoot
                                         : vordex::Transform::kNone;
  return vordex::arima::Fit(s.train, st).mean;
}

// The automatic-smoothing preset chosen from the measurements on M1: every candidate but those
// with a multiplicative trend, additive errors with multiplicative seasonality, or
// multiplicative errors with a multiplicative trend and additive seasonality; seasonal forms only
// with two full seasons; chosen by AIC counting the smoothing parameters, the initial states and
// sigma (as R's ets counts them); heuristic initial states while choosing, estimated ones for the
// winner; the engine's default bounds.
Options AutoPreset() {
  Options o;
  o.method = "ets";
  o.ic = "aic";
  o.count = "states";
  o.init = 3;
  o.no_mult_trend = true;
  o.restrict_forms = true;
  return o;
}

std::vector<double> Forecast(const Options& o, const Series& s, std::string* model) {
  if (o.method == "naive") return Repeat(s.train, 1, s.h);
  if (o.method == "snaive") return Repeat(s.train, s.m, s.h);
  if (o.method == "theta") {
    const auto r = vordex::automatic::Theta({.period = s.m, .horizon = s.h}, s.train);
    if (!r.ok()) throw vordex::Error(r.status, r.text);
    *model = r.value.seasonal ? "seasonal" : "nonseasonal";
    return r.value.forecasts;
  }
  if (o.method == "ets") return Smoothing(o, s, model);
  if (o.method == "ets-auto") {
    // The preset in the engine: its own model search.
    ets::Settings st = ets::AutoSettings(s.m, s.h);
    st.threads = 1;
    const ets::Result r = ets::Fit(s.train, st);
    *model = std::to_string(static_cast<int>(r.model.error)) +
             std::to_string(static_cast<int>(r.model.trend)) +
             std::to_string(static_cast<int>(r.model.season));
    return r.mean;
  }
  if (o.method == "ets-auto-candidates") return Smoothing(AutoPreset(), s, model);
  if (o.method == "arima") return Arima(o, s);
  if (o.method == "auto-arima") {
    vordex::auto_arima::Settings st;
    st.period = s.m;
    st.horizon = s.h;
    st.stepwise = !o.exhaustive;
    st.thorough = !o.single_start;
    const vordex::auto_arima::Result r = vordex::auto_arima::Fit(s.train, st);
    *model = vordex::ModelName(static_cast<const vordex::arima::Result&>(r));
    return r.mean;
  }
  if (o.method == "auto") {
    // The combination, its smoothing search on this thread.
    vordex::auto_forecast::Settings st;
    st.period = s.m;
    st.horizon = s.h;
    st.threads = 1;
    const vordex::auto_forecast::Result r = vordex::auto_forecast::Fit(s.train, st);
    *model = std::to_string(3 - r.failures.size()) + " members";
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
  const std::size_t m = static_cast<std::size_t>(s.m);
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

// Per-subset sums of the accuracy measures.
struct Sum {
  double smape = 0.0;
  double mase = 0.0;
  int count = 0;
};
using Sums = std::map<std::string, Sum>;

void Add(Sums& sums, const std::string& subset, double smape, double mase) {
  for (const std::string& key : {subset, std::string("ALL")}) {
    sums[key].smape += smape;
    sums[key].mase += mase;
    sums[key].count += 1;
  }
}

void PrintHeader() {
  std::printf(
      "| method | sMAPE Yearly | Quarterly | Monthly | All | MASE Yearly | Quarterly | "
      "Monthly | All | CPU s | wall s | failures |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
}

void PrintRow(const std::string& label, Sums& sums, double cpu, const std::string& wall,
              int failures) {
  std::printf("| %s", label.c_str());
  for (const char* key : {"YEARLY", "QUARTERLY", "MONTHLY", "ALL"})
    std::printf(" | %.2f", sums[key].smape / sums[key].count);
  for (const char* key : {"YEARLY", "QUARTERLY", "MONTHLY", "ALL"})
    std::printf(" | %.3f", sums[key].mase / sums[key].count);
  std::printf(" | %.2f | %s | %d |\n", cpu, wall.c_str(), failures);
}

// Prints one row per method of a per-series file with the columns id, subset, method, sMAPE,
// MASE, runtime_s (as this program and R's scripts write them; cells may be quoted).
int Summarise(const std::string& path, const std::string& suffix) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::string line;
  std::getline(in, line);
  std::vector<std::string> order;
  std::map<std::string, Sums> sums;
  std::map<std::string, double> seconds;
  while (std::getline(in, line)) {
    line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ',')) f.push_back(cell);
    if (f.size() < 6) continue;
    if (!sums.count(f[2])) order.push_back(f[2]);
    Add(sums[f[2]], f[1], std::stod(f[3]), std::stod(f[4]));
    seconds[f[2]] += std::stod(f[5]);
  }
  PrintHeader();
  for (const std::string& method : order)
    PrintRow(method + suffix, sums[method], seconds[method], "-", 0);
  return 0;
}

// Processor time of this process in seconds (nanosecond resolution).
double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

bool ParseTriple(const char* text, int* out) {
  return std::sscanf(text, "%d,%d,%d", &out[0], &out[1], &out[2]) == 3;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string dir = "data/m1";
  std::string csv;
  std::string label;
  std::string summarise;
  std::string suffix;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--data")
      dir = next();
    else if (a == "--method")
      o.method = next();
    else if (a == "--csv")
      csv = next();
    else if (a == "--label")
      label = next();
    else if (a == "--summarise")
      summarise = next();
    else if (a == "--suffix")
      suffix = next();
    else if (a == "--search")
      o.search = std::atoi(next());
    else if (a == "--ic")
      o.ic = next();
    else if (a == "--count")
      o.count = next();
    else if (a == "--init")
      o.init = std::atoi(next());
    else if (a == "--bounds")
      o.bounds = next();
    else if (a == "--no-mult-trend")
      o.no_mult_trend = true;
    else if (a == "--restrict")
      o.restrict_forms = true;
    else if (a == "--no-damped")
      o.no_damped = true;
    else if (a == "--min-seasons")
      o.min_seasons = std::atoi(next());
    else if (a == "--criterion")
      o.criterion = std::atoi(next());
    else if (a == "--exhaustive")
      o.exhaustive = true;
    else if (a == "--single-start")
      o.single_start = true;
    else if (a == "--transform")
      o.transform = next();
    else if (a == "--order") {
      if (!ParseTriple(next(), o.order)) return 2;
    } else if (a == "--seasonal") {
      if (!ParseTriple(next(), o.seasonal)) return 2;
    } else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return 2;
    }
  }

  if (!summarise.empty()) return Summarise(summarise, suffix);
  if (label.empty()) label = o.method;

  std::vector<Series> all;
  for (const char* name : {"yearly", "quarterly", "monthly"}) {
    if (!ReadSeries(dir + "/" + name + ".csv", &all)) {
      std::fprintf(stderr, "cannot read %s/%s.csv\n", dir.c_str(), name);
      return 1;
    }
  }

  std::FILE* out = csv.empty() ? nullptr : std::fopen(csv.c_str(), "w");
  if (out != nullptr) std::fprintf(out, "id,subset,method,sMAPE,MASE,runtime_s,model\n");
  Sums sums;
  double seconds = 0.0;      // wall-clock fitting time
  double cpu_seconds = 0.0;  // processor time of the fits (this program runs on one core)
  int failures = 0;
  for (const Series& s : all) {
    std::string model;
    std::vector<double> f;
    const double cpu_start = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    try {
      f = Forecast(o, s, &model);
    } catch (const vordex::Error& e) {
      f.clear();
      model = "failed";
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpu_start;
    seconds += elapsed;
    cpu_seconds += cpu;
    if (f.size() < static_cast<std::size_t>(s.h)) {
      ++failures;
      f = Repeat(s.train, 1, s.h);
    }
    const Accuracy a = Measure(s, f);
    Add(sums, s.subset, a.smape, a.mase);
    if (out != nullptr)
      std::fprintf(out, "%s,%s,%s,%.12g,%.12g,%.6f,%s\n", s.id.c_str(), s.subset.c_str(),
                   o.method.c_str(), a.smape, a.mase, cpu, model.c_str());
  }
  if (out != nullptr) std::fclose(out);

  char wall[32];
  std::snprintf(wall, sizeof wall, "%.2f", seconds);
  PrintHeader();
  PrintRow(label, sums, cpu_seconds, wall, failures);
  return 0;
}
