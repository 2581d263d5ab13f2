// The exports' answers to a fixed set of requests, frozen: every result cell's bits, every status
// code and text, and every message raised, digested per request and compared with the digests in
// tests/host/data/frozen_cells.txt. Reorganising the code beneath the exports must leave each
// digest as it is. Run with VORDEX_FREEZE_CELLS=<file> to write the digests of the code as it
// stands (only when a change of results is intended and argued in its commit).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/seed.h"
#include "support/automation.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using Export = decltype(&Arimadll);

struct Request {
  std::string name;
  Export run;
  std::vector<short> options;
  std::vector<double> data;  // the lead value, the observations, any trailing values
};

// FNV-1a over 64-bit words.
class Digest {
 public:
  void Add(std::uint64_t word) {
    for (int i = 0; i < 8; ++i) {
      hash_ ^= (word >> (8 * i)) & 0xffu;
      hash_ *= 0x100000001b3ull;
    }
  }
  void Add(double x) { Add(std::bit_cast<std::uint64_t>(x)); }
  void Add(const std::string& s) {
    for (char c : s) Add(static_cast<std::uint64_t>(static_cast<unsigned char>(c)));
    Add(std::uint64_t{0xff});
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// The digest line of one request: "<kind> <count> <hash>".
std::string Answer(const Request& r) {
  testing::MessageCapture capture;
  VARIANT v;
  {
    // Simulated limits are fixed by a seed instead of the clock.
    host::ScopedSeedOverride seed(-4242);
    testing::HostArray opt(testing::OptionArray(r.options));
    testing::HostArray dat(testing::DataArray(r.data));
    v = r.run(&opt.array, &dat.array);
  }
  Digest digest;
  std::string kind;
  std::size_t count = 0;
  if (v.vt == (VT_ARRAY | VT_R8)) {
    kind = "cells";
    const std::vector<double> cells = testing::CellsOf(v);
    count = cells.size();
    for (double x : cells) digest.Add(x);
  } else if (v.vt == VT_BSTR) {
    kind = "text";
    digest.Add(testing::TextOf(v));
  } else {
    kind = "status";
    count = static_cast<std::size_t>(testing::StatusOf(v));
  }
  for (const auto& m : capture.messages()) {
    digest.Add(m.title);
    digest.Add(m.text);
    digest.Add(std::uint64_t{m.style});
  }
  std::ostringstream line;
  line << kind << ' ' << count << ' ' << std::hex << digest.value() << ' ' << std::dec
       << capture.size();
  return line.str();
}

std::vector<double> Lead(double lead, const std::vector<double>& y) {
  std::vector<double> data{lead};
  data.insert(data.end(), y.begin(), y.end());
  return data;
}

struct Series {
  const char* name;
  int s;
};
constexpr Series kSeries[] = {
    {"airline", 12}, {"lynx", 1}, {"nile", 1}, {"ukgas", 4}, {"usaccdeaths", 12}};

std::vector<Request> Requests() {
  std::vector<Request> all;
  for (const Series& series : kSeries) {
    const std::vector<double> y = testing::LoadDataset(series.name);
    const short N = static_cast<short>(y.size());
    const short s = static_cast<short>(series.s);
    const bool seasonal = s > 1;
    const std::string base = series.name;
    // ARIMA: N, s, h, p, d, q, P, D, Q, mean, transform.
    struct Model {
      const char* name;
      short p, d, q, P, D, Q, mean, transform;
      double lead;
    };
    const Model arima[] = {
        {"airline-model", 0, 1, 1, 0, 1, 1, 0, 2, 0.0}, {"211", 2, 1, 1, 0, 0, 0, 0, 1, 1.645},
        {"101-100-mean", 1, 0, 1, 1, 0, 0, 1, 1, 0.0},  {"110-sqrt", 1, 1, 0, 0, 0, 0, 0, 3, 2.5},
        {"301-011", 3, 0, 1, 0, 1, 1, 1, 1, -1.0},
    };
    for (const Model& m : arima) {
      const bool needs_season = m.P + m.Q + m.D > 0;
      if (needs_season && !seasonal) continue;
      all.push_back({base + "/arima/" + m.name,
                     &Arimadll,
                     {N, s, 18, m.p, m.d, m.q, m.P, m.D, m.Q, m.mean, m.transform},
                     Lead(m.lead, y)});
      // The same model through the ARMAX export: its transform codes are 1 log and 2 root.
      const short transform = m.transform == 2 ? 1 : (m.transform == 3 ? 2 : 0);
      all.push_back({base + "/armax/" + m.name,
                     &Armaxdll,
                     {N, s, 18, m.p, m.d, m.q, m.P, m.D, m.Q, m.mean, transform},
                     Lead(m.lead == 0.0 ? 1.96 : m.lead, y)});
    }
    // Smoothing: N, s, h, model type, trend, season, bootstrap, criterion, initialization,
    // paths, m, information criterion, [transform, search, bounds count, region].
    struct Smoothing {
      const char* name;
      std::vector<short> options;  // from the model type on
      std::vector<double> trailing;
    };
    const Smoothing smoothing[] = {
        {"search-all-aic-winner", {2, 0, 0, 0, 5, 3, 1000, 3, 1, 1, 4}, {}},
        {"search-additive-bic", {2, 0, 0, 1, 1, 1, 600, 4, 2, 1, 1}, {}},
        {"AAdA-mse", {1, 4, 2, 0, 1, 1, 500, 3, 1}, {}},
        {"MMM-lik-estimated", {0, 3, 3, 0, 5, 2, 500, 3, 1}, {}},
        {"ANN-amse-resampled", {1, 1, 1, 1, 2, 1, 700, 6, 1}, {}},
        {"MAN-sigma-log", {0, 2, 1, 0, 3, 1, 500, 3, 1, 2}, {}},
        {"AAN-mape-bounds", {1, 2, 1, 0, 4, 1, 500, 3, 1, 1, 0, 1, 2}, {0.2, 0.5}},
        {"MAdN-four-bounds",
         {0, 4, 1, 0, 1, 1, 500, 3, 1, 1, 0, 4, 2},
         {0.1, 0.05, 0.1, 0.5, 0.9, 0.3, 0.9, 0.95}},
    };
    for (const Smoothing& m : smoothing) {
      std::vector<short> options{N, s, 12};
      options.insert(options.end(), m.options.begin(), m.options.end());
      std::vector<double> data = Lead(90.0, y);
      data.insert(data.end(), m.trailing.begin(), m.trailing.end());
      all.push_back({base + "/pegels/" + m.name, &Pegelsdll, options, data});
    }
  }
  // Refusals and failures.
  const std::vector<double> y = testing::Airline();
  const std::vector<double> zeros(40, 0.0);
  all.push_back({"fail/arima-rule", &Arimadll, {144, 12, 12, 13, 1, 1, 0, 1, 1, 0, 2}, Lead(0, y)});
  all.push_back({"fail/arima-short", &Arimadll, {5, 1, 3, 2, 2, 2, 0, 0, 0, 0, 1}, Lead(0, y)});
  all.push_back(
      {"fail/arima-zeros", &Arimadll, {40, 1, 3, 1, 1, 0, 0, 0, 0, 0, 2}, Lead(0, zeros)});
  all.push_back({"fail/armax-rule", &Armaxdll, {144, 4, 12, 4, 1, 1, 1, 1, 1, 0, 1}, Lead(2, y)});
  all.push_back({"fail/armax-log", &Armaxdll, {40, 1, 3, 1, 1, 0, 0, 0, 0, 0, 1}, Lead(2, zeros)});
  all.push_back(
      {"fail/armax-zero-order", &Armaxdll, {40, 1, 3, 0, 1, 0, 0, 0, 0, 0, 0}, Lead(2, y)});
  all.push_back(
      {"fail/pegels-rule", &Pegelsdll, {144, 12, 12, 1, 1, 1, 0, 6, 1, 500, 3, 1}, Lead(95, y)});
  all.push_back(
      {"fail/pegels-zeros", &Pegelsdll, {40, 1, 3, 0, 1, 1, 0, 1, 1, 500, 3, 1}, Lead(95, zeros)});
  all.push_back({"fail/pegels-short-season",
                 &Pegelsdll,
                 {10, 12, 3, 1, 1, 0, 0, 1, 1, 500, 3, 1},
                 Lead(95, y)});
  return all;
}

std::map<std::string, std::string> Frozen() {
  std::map<std::string, std::string> frozen;
  std::ifstream in(std::string(VORDEX_TEST_DATA_DIR) + "/frozen_cells.txt");
  std::string name;
  std::string rest;
  while (in >> name && std::getline(in, rest)) frozen[name] = rest.substr(1);
  return frozen;
}

TEST(FrozenCells, EveryExportAnswersEveryRequestAsBefore) {
  const std::vector<Request> requests = Requests();
  if (const char* out = std::getenv("VORDEX_FREEZE_CELLS")) {
    std::ofstream file(out);
    for (const Request& r : requests) file << r.name << ' ' << Answer(r) << '\n';
    GTEST_SKIP() << "digests written to " << out;
  }
  const std::map<std::string, std::string> frozen = Frozen();
  ASSERT_EQ(frozen.size(), requests.size());
  for (const Request& r : requests) {
    const auto it = frozen.find(r.name);
    ASSERT_NE(it, frozen.end()) << r.name;
    EXPECT_EQ(Answer(r), it->second) << r.name;
  }
}

}  // namespace
}  // namespace vordex::host
