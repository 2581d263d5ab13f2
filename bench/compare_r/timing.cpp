// Times the exports on a list of fits, for the side-by-side comparison with R (compare_r.sh).
//
//   vordex_timing FITS.tsv [CALLS]   one line per fit: id, median milliseconds of CALLS calls
//                                    (default 5, after one untimed call), log-likelihood and the
//                                    coefficients, tab-separated, under a header line
//   vordex_timing simulate N SEED    a simulated ARIMA(2,1,2) series of N values as a CSV column
//
// FITS.tsv has a header line and the columns id, method (arima, armax, ets or ets2: the ets
// request through the typed API with the model search's candidates on two threads), file (a CSV
// column under a header, as in data/), s, p, d, q, P, D, Q, mean (0 or 1), transform (none or log),
// h and init (the smoothing initialization method; ignored by the other methods).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../support.h"
#include "vordex/automation.h"
#include "vordex/ets.hpp"
#include "vordex/vordex.h"

namespace {

using vordex::bench::DataArray;
using vordex::bench::OptionArray;

struct Fit {
  std::string id, method, file;
  int s = 1, p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0, mean = 0;
  bool log = false;
  int h = 0, init = 1;
};

// What one call returned: the cells, or nothing when the export failed.
struct Cells {
  bool ok = false;
  std::vector<double> v;  // v[0] is cell 1
};

void Quiet(void*, const char*, const char*, unsigned) {}

std::vector<double> ReadColumn(const std::string& path) {
  std::ifstream in(path);
  std::vector<double> y;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line))
    if (!line.empty()) y.push_back(std::stod(line));
  return y;
}

Cells Call(VARIANT (*fn)(SAFEARRAY**, SAFEARRAY**), SAFEARRAY* opt, SAFEARRAY* dat) {
  Cells out;
  VARIANT r = fn(&opt, &dat);
  if (r.vt == (VT_ARRAY | VT_R8)) {
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(r.parray, 1, &lo);
    SafeArrayGetUBound(r.parray, 1, &hi);
    void* raw = nullptr;
    SafeArrayAccessData(r.parray, &raw);
    const double* cells = static_cast<const double*>(raw);
    out.v.assign(cells, cells + (hi - lo + 1));
    SafeArrayUnaccessData(r.parray);
    out.ok = true;
  }
  VariantClear(&r);
  return out;
}

// The options and data of the fit's request, and the export that answers it.
struct Request {
  std::vector<short> options;
  std::vector<double> data;
  VARIANT (*fn)(SAFEARRAY**, SAFEARRAY**) = nullptr;
};

Request Build(const Fit& f, const std::vector<double>& y) {
  const short N = static_cast<short>(y.size());
  Request r;
  r.data.push_back(f.method == "ets" ? 95.0 : 1.96);
  r.data.insert(r.data.end(), y.begin(), y.end());
  const auto sh = [](int v) { return static_cast<short>(v); };
  if (f.method == "arima") {
    // Transform code 2 is the logarithm.
    r.options = {N,       sh(f.s), sh(f.h), sh(f.p),    sh(f.d),          sh(f.q),
                 sh(f.P), sh(f.D), sh(f.Q), sh(f.mean), sh(f.log ? 2 : 0)};
    r.fn = Arimadll;
  } else if (f.method == "armax") {
    // Transform code 1 is the logarithm.
    r.options = {N,       sh(f.s), sh(f.h), sh(f.p),    sh(f.d),          sh(f.q),
                 sh(f.P), sh(f.D), sh(f.Q), sh(f.mean), sh(f.log ? 1 : 0)};
    r.fn = Armaxdll;
  } else {
    // Error, trend and season all chosen (codes 2, 0, 0), Gaussian disturbances, minus the
    // log-likelihood (5), the initialization method, 5000 paths, m = 12, AIC.
    r.options = {N, sh(f.s), sh(f.h), 2, 0, 0, 0, 5, sh(f.init), 5000, 12, 1};
    r.fn = Pegelsdll;
  }
  return r;
}

// The log-likelihood and the coefficients from the cells, by the layout of each export.
std::string Summary(const Fit& f, int N, const Cells& c) {
  if (!c.ok) return "NA\t";
  const int k = f.p + f.q + f.P + f.Q;
  std::ostringstream out;
  out.precision(17);
  if (f.method == "arima") {
    const std::size_t first = 3u * N + 3u * f.h;
    out << c.v[first + k + 1] << '\t';
    for (int i = 0; i < k; ++i) out << (i ? " " : "") << c.v[first + i];
  } else if (f.method == "armax") {
    const std::size_t n = N - f.d - static_cast<std::size_t>(f.s) * f.D;
    const std::size_t first = 2 * n + 3u * f.h;
    out << c.v[first + k + f.mean + 1] << '\t';
    for (int i = 0; i < k; ++i) out << (i ? " " : "") << c.v[first + i];
  } else {
    // The log-likelihood is the third cell from the end.
    out << c.v[c.v.size() - 3] << '\t';
  }
  return out.str();
}

int Simulate(int n, unsigned seed) {
  // (1 - 0.5B + 0.3B^2)(1 - B) y = (1 - 0.4B - 0.2B^2) e, e ~ N(0, 1), after 100 values of
  // burn-in, from the level 100.
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  double w1 = 0.0, w2 = 0.0, e1 = 0.0, e2 = 0.0, level = 100.0;
  std::printf("y\n");
  for (int t = 0; t < n + 100; ++t) {
    const double e = normal(gen);
    const double w = 0.5 * w1 - 0.3 * w2 + e - 0.4 * e1 - 0.2 * e2;
    w2 = w1;
    w1 = w;
    e2 = e1;
    e1 = e;
    level += w;
    if (t >= 100) std::printf("%.17g\n", level);
  }
  return 0;
}

// The median milliseconds and the log-likelihood of the smoothing request of Build (all forms,
// likelihood, 5000 paths, AIC, 95% limits) through vordex::ets::Fit on two threads.
std::string TypedSmoothing(const Fit& f, const std::vector<double>& y, int calls) {
  vordex::ets::Settings s;
  s.period = f.s;
  s.horizon = f.h;
  s.initialization = static_cast<vordex::ets::Initialization>(f.init);
  s.paths = 5000;
  s.multisteps = 12;
  s.threads = 2;
  s.levels = {95.0};
  double loglik = 0.0;
  std::vector<double> ms;
  for (int i = 0; i <= calls; ++i) {
    const auto start = std::chrono::steady_clock::now();
    loglik = vordex::ets::Fit(y, s).log_likelihood;
    const auto stop = std::chrono::steady_clock::now();
    if (i > 0) ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  std::nth_element(ms.begin(), ms.begin() + calls / 2, ms.end());
  std::ostringstream out;
  out.precision(17);
  out << ms[static_cast<std::size_t>(calls / 2)] << '\t' << loglik << '\t';
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "simulate")
    return Simulate(std::stoi(argv[2]), static_cast<unsigned>(std::stoul(argv[3])));
  if (argc < 2) {
    std::cerr << "usage: vordex_timing FITS.tsv [CALLS] | vordex_timing simulate N SEED\n";
    return 2;
  }
  const int calls = argc >= 3 ? std::max(1, std::stoi(argv[2])) : 5;
  std::ifstream list(argv[1]);
  if (!list) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 2;
  }
  vordex_set_message_handler(&Quiet, nullptr, nullptr);
  std::string line;
  std::getline(list, line);  // header
  std::cout << "id\tms\tloglik\tcoefficients\n";
  while (std::getline(list, line)) {
    if (line.empty()) continue;
    std::istringstream in(line);
    Fit f;
    std::string transform;
    in >> f.id >> f.method >> f.file >> f.s >> f.p >> f.d >> f.q >> f.P >> f.D >> f.Q >> f.mean >>
        transform >> f.h >> f.init;
    f.log = transform == "log";
    const auto y = ReadColumn(f.file);
    if (f.method == "ets2") {
      std::cout << f.id << '\t' << TypedSmoothing(f, y, calls) << '\n' << std::flush;
      continue;
    }
    const Request r = Build(f, y);
    SAFEARRAY* opt = OptionArray(r.options);
    SAFEARRAY* dat = DataArray(r.data);
    Cells cells = Call(r.fn, opt, dat);  // untimed
    std::vector<double> ms;
    for (int i = 0; i < calls; ++i) {
      const auto start = std::chrono::steady_clock::now();
      cells = Call(r.fn, opt, dat);
      const auto stop = std::chrono::steady_clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    SafeArrayDestroy(opt);
    SafeArrayDestroy(dat);
    std::nth_element(ms.begin(), ms.begin() + calls / 2, ms.end());
    std::cout << f.id << '\t' << ms[static_cast<std::size_t>(calls / 2)] << '\t'
              << Summary(f, static_cast<int>(y.size()), cells) << '\n'
              << std::flush;
  }
  return 0;
}
