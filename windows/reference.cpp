// The native side of the Windows host test: runs a fixed list of requests through this build's
// exports and writes each request with its result to a cases file, which the host test under
// Wine replays against VORDEX.dll.
//
//   vordex_windows_reference CASES_FILE
//
// Cases file, one item per line, doubles as the 16 hex digits of their bit pattern:
//   case LABEL EXPORT                       EXPORT is Arimadll, Pegelsdll or Armaxdll
//   options COUNT v1 .. vCOUNT              16-bit options, decimal
//   data COUNT x0 .. x(COUNT-1)             lead value, observations, trailing values
//   message STYLE TITLE TEXT                each box raised, ASCII as hex bytes ("-" when empty)
//   result array COUNT                      then COUNT lines "cell CLASS BITS SCALE"
//   result status CODE | result text HEX | result unit BITS
//   end
// CLASS: d for cells that pass through no optimiser (transformed, differenced series; the missing
// marker), e for estimated quantities, s for simulated limits (drawn from a clock seed). SCALE is
// the size against which the cell's difference is measured (see CellScales).
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "vordex/automation.h"
#include "vordex/vordex.h"

namespace {

struct Message {
  unsigned style;
  std::string title;
  std::string text;
};

void Collect(void* context, const char* title, const char* text, unsigned style) {
  static_cast<std::vector<Message>*>(context)->push_back({style, title, text});
}

enum class Method { kArima, kPegels, kArmax };

struct Request {
  std::string label;
  Method method;
  std::vector<short> options;
  std::vector<double> data;  // lead value first
};

std::vector<double> ReadSeries(const std::string& name) {
  std::ifstream in(std::string(VORDEX_DATA_DIR) + "/" + name + ".csv");
  std::vector<double> values;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line))
    if (!line.empty()) values.push_back(std::stod(line));
  return values;
}

std::vector<double> WithLead(double lead, const std::vector<double>& series,
                             const std::vector<double>& trailing = {}) {
  std::vector<double> data{lead};
  data.insert(data.end(), series.begin(), series.end());
  data.insert(data.end(), trailing.begin(), trailing.end());
  return data;
}

short Count(const std::vector<double>& series) {
  return static_cast<short>(series.size());
}

std::vector<Request> Requests() {
  const auto airline = ReadSeries("airline");
  const auto nile = ReadSeries("nile");
  const auto lynx = ReadSeries("lynx");
  const auto ukgas = ReadSeries("ukgas");
  const auto deaths = ReadSeries("usaccdeaths");
  auto nile_with_zero = nile;
  nile_with_zero[10] = 0.0;

  std::vector<Request> r;
  // Arimadll: N, s, h, p, d, q, P, D, Q, mean flag, transform (2 log, 3 square root).
  r.push_back({"arima_airline_log",
               Method::kArima,
               {Count(airline), 12, 12, 0, 1, 1, 0, 1, 1, 0, 2},
               WithLead(0.0, airline)});
  r.push_back({"arima_nile_mean_extra_options",
               Method::kArima,
               {Count(nile), 1, 10, 1, 0, 1, 0, 0, 0, 1, 1, -7, 99},
               WithLead(2.5, nile)});
  r.push_back({"arima_lynx_sqrt",
               Method::kArima,
               {Count(lynx), 1, 8, 2, 0, 0, 0, 0, 0, 1, 3},
               WithLead(1.645, lynx)});
  r.push_back({"arima_ukgas_seasonal_ar",
               Method::kArima,
               {Count(ukgas), 4, 8, 1, 0, 0, 1, 1, 1, 0, 2},
               WithLead(0.0, ukgas)});
  r.push_back({"arima_rejected_order",
               Method::kArima,
               {Count(nile), 1, 10, 13, 0, 1, 0, 0, 0, 0, 1},
               WithLead(0.0, nile)});
  r.push_back({"arima_log_of_zero",
               Method::kArima,
               {Count(nile), 1, 5, 1, 0, 0, 0, 0, 0, 0, 2},
               WithLead(0.0, nile_with_zero)});
  // Pegelsdll: N, s, h, model, trend, season, bootstrap, criterion, initialisation, paths, m,
  // information criterion [, transform, search, bounds count, region].
  r.push_back({"pegels_airline_additive_trend_multiplicative_season",
               Method::kPegels,
               {Count(airline), 12, 12, 1, 2, 3, 0, 1, 1, 500, 3, 1},
               WithLead(95.0, airline)});
  r.push_back({"pegels_deaths_automatic",
               Method::kPegels,
               {Count(deaths), 12, 12, 2, 0, 0, 1, 5, 2, 500, 6, 2, 1, 0, 0, 1},
               WithLead(90.0, deaths)});
  r.push_back({"pegels_nile_log_bounds",
               Method::kPegels,
               {Count(nile), 1, 10, 1, 1, 1, 0, 3, 1, 500, 3, 1, 2, 0, 4, 2},
               WithLead(95.0, nile, {0.05, 0.0, 0.0, 0.5, 0.9, 1.0, 1.0, 0.99})});
  r.push_back({"pegels_ukgas_damped_mse_steps",
               Method::kPegels,
               {Count(ukgas), 4, 8, 0, 4, 3, 0, 2, 3, 500, 4, 1, 2},
               WithLead(80.0, ukgas)});
  r.push_back({"pegels_rejected_frequency",
               Method::kPegels,
               {Count(nile), 30, 10, 1, 1, 1, 0, 1, 1, 500, 3, 1},
               WithLead(95.0, nile)});
  // Armaxdll: N, s, h, p, d, q, P, D, Q, constant flag, transform (1 log, 2 square root).
  r.push_back({"armax_airline_log",
               Method::kArmax,
               {Count(airline), 12, 24, 0, 1, 1, 0, 1, 1, 0, 1},
               WithLead(1.96, airline)});
  r.push_back({"armax_nile_constant",
               Method::kArmax,
               {Count(nile), 1, 10, 1, 0, 1, 0, 0, 0, 1, 0},
               WithLead(1.645, nile)});
  r.push_back({"armax_lynx_sqrt_constant",
               Method::kArmax,
               {Count(lynx), 1, 10, 2, 0, 0, 0, 0, 0, 1, 2},
               WithLead(1.96, lynx)});
  r.push_back({"armax_log_of_zero",
               Method::kArmax,
               {Count(nile), 1, 5, 1, 0, 0, 0, 0, 0, 0, 1},
               WithLead(1.96, nile_with_zero)});
  r.push_back({"armax_rejected_seasonal_order",
               Method::kArmax,
               {Count(ukgas), 4, 8, 4, 0, 0, 1, 1, 1, 0, 1},
               WithLead(1.96, ukgas)});
  return r;
}

const char* ExportName(Method m) {
  switch (m) {
    case Method::kArima:
      return "Arimadll";
    case Method::kPegels:
      return "Pegelsdll";
    case Method::kArmax:
      return "Armaxdll";
  }
  return "";
}

std::string Bits(double x) {
  std::uint64_t b = 0;
  std::memcpy(&b, &x, sizeof b);
  char s[17];
  std::snprintf(s, sizeof s, "%016" PRIx64, b);
  return s;
}

std::string Hex(const std::string& text) {
  if (text.empty()) return "-";
  std::string out;
  char s[3];
  for (unsigned char c : text) {
    std::snprintf(s, sizeof s, "%02x", c);
    out += s;
  }
  return out;
}

bool IsMissing(double value) {
  constexpr double kMissing = -99999.0;
  return std::memcmp(&value, &kMissing, sizeof value) == 0;
}

// The class of each result cell, by the method's result layout (1-based cell k of count).
char CellClass(const Request& q, long k, double value) {
  if (IsMissing(value)) return 'd';
  const long N = q.options[0];
  const long s = q.options[1];
  const long h = q.options[2];
  switch (q.method) {
    case Method::kArima:  // working series, then fitted values, residuals, forecasts, ...
      return k <= N ? 'd' : 'e';
    case Method::kPegels:  // transformed observations, ..., forecasts, simulated limits, ...
      if (k <= N) return 'd';
      if (h >= 1 && k > 3 * N + h && k <= 3 * N + 3 * h) return 's';
      return 'e';
    case Method::kArmax: {  // modelled series, then residuals, forecasts, ...
      const long n = N - q.options[4] - s * q.options[7];
      return k <= n ? 'd' : 'e';
    }
  }
  return 'e';
}

// The series blocks of a result: working or modelled series, fitted values, residuals,
// forecasts, lower and upper limits, as {first, count} (1-based). Other cells stand alone.
std::vector<std::pair<long, long>> SeriesBlocks(const Request& q) {
  const long N = q.options[0];
  const long h = std::max<long>(q.options[2], 0);
  std::vector<std::pair<long, long>> blocks;
  if (q.method == Method::kArmax) {
    const long n = N - q.options[4] - q.options[1] * q.options[7];
    blocks = {{1, n}, {n + 1, n}};
  } else {
    blocks = {{1, N}, {N + 1, N}, {2 * N + 1, N}};
  }
  const long first = blocks.back().first + blocks.back().second;
  for (long j = 0; j < 3; ++j) blocks.push_back({first + j * h, h});
  return blocks;
}

// The size against which a cell's difference is measured: the largest magnitude in its series
// block (a residual near zero is as accurate as its neighbours), or the cell's own magnitude.
std::vector<double> CellScales(const Request& q, const std::vector<double>& cells) {
  std::vector<double> scale(cells.size());
  for (std::size_t k = 0; k < cells.size(); ++k) scale[k] = std::fabs(cells[k]);
  for (const auto& [first, count] : SeriesBlocks(q)) {
    double largest = 0.0;
    for (long k = first; k < first + count && k <= static_cast<long>(cells.size()); ++k)
      if (!IsMissing(cells[k - 1])) largest = std::max(largest, std::fabs(cells[k - 1]));
    for (long k = first; k < first + count && k <= static_cast<long>(cells.size()); ++k)
      scale[k - 1] = largest;
  }
  return scale;
}

SAFEARRAY* Vector(VARTYPE vt, std::size_t count, const void* values, std::size_t size) {
  SAFEARRAY* a = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count));
  for (LONG i = 0; a != nullptr && i < static_cast<LONG>(count); ++i) {
    if (FAILED(SafeArrayPutElement(
            a, &i, const_cast<char*>(static_cast<const char*>(values) + i * size)))) {
      SafeArrayDestroy(a);
      a = nullptr;
    }
  }
  return a;
}

bool Run(const Request& q, std::ostream& out) {
  std::vector<Message> messages;
  SAFEARRAY* opt = Vector(VT_I2, q.options.size(), q.options.data(), sizeof(short));
  SAFEARRAY* dat = Vector(VT_R8, q.data.size(), q.data.data(), sizeof(double));
  if (opt == nullptr || dat == nullptr) return false;
  void* previous_context = nullptr;
  vordex_message_handler previous =
      vordex_set_message_handler(&Collect, &messages, &previous_context);
  VARIANT v;
  switch (q.method) {
    case Method::kArima:
      v = Arimadll(&opt, &dat);
      break;
    case Method::kPegels:
      v = Pegelsdll(&opt, &dat);
      break;
    case Method::kArmax:
      v = Armaxdll(&opt, &dat);
      break;
  }
  vordex_set_message_handler(previous, previous_context, nullptr);
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);

  out << "case " << q.label << ' ' << ExportName(q.method) << '\n';
  out << "options " << q.options.size();
  for (short o : q.options) out << ' ' << o;
  out << "\ndata " << q.data.size();
  for (double x : q.data) out << ' ' << Bits(x);
  out << '\n';
  for (const Message& m : messages)
    out << "message " << m.style << ' ' << Hex(m.title) << ' ' << Hex(m.text) << '\n';
  bool ok = true;
  if (v.vt == (VT_ARRAY | VT_R8)) {
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(v.parray, 1, &lower);
    SafeArrayGetUBound(v.parray, 1, &upper);
    std::vector<double> cells;
    for (LONG i = lower; i <= upper; ++i) {
      double x = 0.0;
      ok = ok && SUCCEEDED(SafeArrayGetElement(v.parray, &i, &x));
      cells.push_back(x);
    }
    const std::vector<double> scale = CellScales(q, cells);
    out << "result array " << cells.size() << '\n';
    for (std::size_t k = 0; k < cells.size(); ++k)
      out << "cell " << CellClass(q, static_cast<long>(k) + 1, cells[k]) << ' ' << Bits(cells[k])
          << ' ' << Bits(scale[k]) << '\n';
  } else if (v.vt == VT_I2) {
    out << "result status " << v.iVal << '\n';
  } else if (v.vt == VT_BSTR) {
    std::string text;
    for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i) text += static_cast<char>(v.bstrVal[i]);
    out << "result text " << Hex(text) << '\n';
  } else if (v.vt == VT_R8) {
    out << "result unit " << Bits(v.dblVal) << '\n';
  } else {
    ok = false;
  }
  out << "end\n";
  VariantClear(&v);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CASES_FILE\n", argv[0]);
    return 2;
  }
  std::ostringstream out;
  int failures = 0;
  for (const Request& q : Requests()) {
    if (q.data.size() < 2) {
      std::fprintf(stderr, "%s: sample data missing\n", q.label.c_str());
      ++failures;
    } else if (!Run(q, out)) {
      std::fprintf(stderr, "%s: the request could not be run\n", q.label.c_str());
      ++failures;
    }
  }
  std::ofstream file(argv[1], std::ios::binary);
  file << "vordex-cases 1\n" << out.str();
  file.close();
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
