// Rolling-origin cross-validation on the training part of the 1001 M1 series: the last 3 origins
// one step apart, each forecasting the series' test horizon (6 yearly, 8 quarterly, 18 monthly),
// as bench/cv/m1_cv.R runs R's tsCV. Prints processor seconds (one thread) of automatic
// smoothing refitted at every origin and refitted at every third (continued in between), and
// the coverage of the 80% and 95% limits of each method, pooled over every forecast scored, and
// of the conformal limits on the monthly series.
// Usage: vordex_cv_m1 M1_DIR [conformal_windows [stride]]: with stride k, every k-th series of
// each file from the first (as bench/cv/m1_cv.R with the same stride).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "vordex/cross_validation.hpp"

namespace {

using namespace vordex;

struct Subset {
  std::string name;
  int period = 1, h = 0;
  std::vector<std::string> ids;
  std::vector<std::vector<double>> values;  // training parts
};

bool Read(const std::string& dir, const std::string& name, Subset* s) {
  std::ifstream in(dir + "/" + name + ".csv");
  if (!in) return false;
  s->name = name;
  std::string line;
  std::getline(in, line);
  std::map<std::string, std::size_t> index;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string cell; std::getline(ss, cell, ',');) f.push_back(cell);
    if (f.size() < 7 || f[6].rfind("train", 0) != 0) continue;
    auto it = index.find(f[0]);
    if (it == index.end()) {
      it = index.emplace(f[0], s->ids.size()).first;
      s->ids.push_back(f[0]);
      s->values.emplace_back();
      s->period = std::stoi(f[2]);
      s->h = std::stoi(f[3]);
    }
    s->values[it->second].push_back(std::stod(f[5]));
  }
  return true;
}

using Make = batch::MethodSettings (*)(int period, int h);

struct Count {
  double in80 = 0, in95 = 0, pairs = 0;
  void Add(const std::vector<Limits>& limits, const std::vector<double>& actual) {
    for (std::size_t j = 0; j < actual.size(); ++j) {
      if (std::isnan(actual[j]) || limits.size() < 2 || std::isnan(limits[0].lower[j])) continue;
      pairs += 1;
      in80 += actual[j] >= limits[0].lower[j] && actual[j] <= limits[0].upper[j];
      in95 += actual[j] >= limits[1].lower[j] && actual[j] <= limits[1].upper[j];
    }
  }
};

struct Run {
  double cpu = 0;
  Count model, conformal;
  double mase = 0, smape = 0;
  int series = 0;
  int scored = 0;  // series with finite MASE and sMAPE (averaged)
};

// Without limits: point forecasts only, as tsCV scores them.
batch::MethodSettings Limited(batch::MethodSettings s, bool limits) {
  if (!limits) std::visit([](auto& x) { x.levels.clear(); }, s);
  return s;
}

Run CrossValidateAll(const std::vector<Subset>& subsets, Make make, int refit, int conformal,
                     int conformal_step = 0, bool limits = true) {
  Run run;
  for (const Subset& s : subsets) {
    std::vector<batch::Series> series;
    for (std::size_t i = 0; i < s.ids.size(); ++i) series.push_back({s.ids[i], s.values[i]});
    batch::CrossValidationSettings v;
    v.horizon = s.h;
    v.windows = 3;
    v.step = 1;
    v.refit = refit;
    v.conformal = conformal > 0;
    v.conformal_windows = conformal;
    v.conformal_step = conformal_step;
    batch::Options options;
    options.threads = 1;
    const std::clock_t start = std::clock();
    const batch::CrossValidationResult r =
        batch::CrossValidate(series, Limited(make(s.period, s.h), limits), v, options);
    run.cpu += double(std::clock() - start) / CLOCKS_PER_SEC;
    for (const auto& one : r.series) {
      run.model.Add(one.limits, one.actual);
      run.conformal.Add(one.conformal, one.actual);
      if (!Succeeded(one.status)) continue;
      ++run.series;
      if (!std::isfinite(one.accuracy.mase) || !std::isfinite(one.accuracy.smape)) continue;
      run.mase += one.accuracy.mase;
      run.smape += one.accuracy.smape;
      ++run.scored;
    }
  }
  return run;
}

batch::MethodSettings AutoEts(int period, int h) {
  ets::Settings s = ets::AutoSettings(period, h);
  s.threads = 1;
  return s;
}
batch::MethodSettings AutoArima(int period, int h) {
  auto_arima::Settings s;
  s.period = period;
  s.horizon = h;
  return s;
}
batch::MethodSettings Theta(int period, int h) {
  theta::Settings s;
  s.period = period;
  s.horizon = h;
  return s;
}
batch::MethodSettings Combination(int period, int h) {
  auto_forecast::Settings s;
  s.period = period;
  s.horizon = h;
  s.threads = 1;
  return s;
}

void Print(const char* label, const Run& r, bool conformal) {
  const Count& c = conformal ? r.conformal : r.model;
  std::printf("%-34s %8.1f s  series %4d  MASE %.3f  sMAPE %.2f  coverage 80 %.1f%%  95 %.1f%%\n",
              label, r.cpu, r.series, r.mase / r.scored, r.smape / r.scored, 100 * c.in80 / c.pairs,
              100 * c.in95 / c.pairs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vordex_cv_m1 M1_DIR [conformal_windows]\n");
    return 1;
  }
  const int conformal_windows = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::size_t stride = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
  std::vector<Subset> all(3);
  if (!Read(argv[1], "yearly", &all[0]) || !Read(argv[1], "quarterly", &all[1]) ||
      !Read(argv[1], "monthly", &all[2])) {
    std::fprintf(stderr, "cannot read the M1 files in %s\n", argv[1]);
    return 1;
  }
  for (Subset& s : all) {
    Subset kept = s;
    kept.ids.clear();
    kept.values.clear();
    for (std::size_t i = 0; i < s.ids.size(); i += stride) {
      kept.ids.push_back(s.ids[i]);
      kept.values.push_back(s.values[i]);
    }
    s = kept;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it is measured
  const std::vector<Subset> monthly = {all[2]};
  const Run each = CrossValidateAll(all, &AutoEts, 1, 0);
  Print("automatic smoothing, refit each", each, false);
  const Run third = CrossValidateAll(all, &AutoEts, 3, 0);
  Print("automatic smoothing, refit 1 in 3", third, false);
  std::printf("refit each / refit 1 in 3: %.2f\n", each.cpu / third.cpu);
  const Run each_points = CrossValidateAll(all, &AutoEts, 1, 0, 0, false);
  std::printf("point forecasts only: refit each %.1f s, refit 1 in 3 %.1f s, ratio %.2f\n",
              each_points.cpu, CrossValidateAll(all, &AutoEts, 3, 0, 0, false).cpu,
              each_points.cpu / CrossValidateAll(all, &AutoEts, 3, 0, 0, false).cpu);
  const Run conformal = CrossValidateAll(monthly, &AutoEts, 1, conformal_windows);
  Print("monthly: automatic smoothing", conformal, false);
  Print("monthly: its conformal limits", conformal, true);
  const Run overlapping = CrossValidateAll(monthly, &AutoEts, 1, 20, 1);
  Print("monthly: conformal, 20 windows step 1", overlapping, true);
  Print("Theta, refit each", CrossValidateAll(all, &Theta, 1, 0), false);
  Print("automatic ARIMA, refit each", CrossValidateAll(all, &AutoArima, 1, 0), false);
  Print("combination, refit each", CrossValidateAll(all, &Combination, 1, 0), false);
  return 0;
}
