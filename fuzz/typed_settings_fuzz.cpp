// The typed API on arbitrary settings and short series: every method answers with a result whose
// forecasts and limits have the horizon asked for, or throws vordex::Error; nothing else escapes.
//
// What one input may ask for is kept small, so that a core runs about a hundred a second in the
// instrumented build (the automatic methods fit dozens of models per call): at most 60
// observations, seasonal periods up to 13, at most 1000 simulated paths, and the thorough
// estimation for one input in eight. Longer series, more paths and the thorough starts on longer
// series are the engines' own tests and the extreme-input tests'.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <span>
#include <vector>

#include "byte_reader.h"
#include "vordex/vordex.hpp"

namespace {

using vordex::fuzz::ByteReader;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// A small signed setting, mostly within the methods' ranges and sometimes far outside them.
int Small(ByteReader& in) {
  const std::uint8_t b = in.Byte();
  if (b == 0xFF) return static_cast<int>(in.U32());
  return static_cast<int>(b % 40) - 4;
}

// A seasonal period from -4 to 13 (a raw one sometimes): every rule on the period and every
// seasonal form is reached at 12 and 13; longer periods only multiply the seasonal states.
int Period(ByteReader& in) {
  return Small(in) % 14;
}

// Up to 60 observations: raw doubles (NaN, infinities, subnormals, huge values included) or a
// pattern the byte picks, so that most inputs reach the estimation.
std::vector<double> Series(ByteReader& in) {
  const std::size_t n = in.Byte() % 61;
  const std::uint8_t kind = in.Byte() % 4;
  std::vector<double> y(n);
  for (std::size_t t = 0; t < n; ++t) {
    const double wiggle = static_cast<double>(in.Byte()) / 16.0;
    switch (kind) {
      case 0:
        y[t] = in.RawDouble();
        break;
      case 1:
        y[t] = 100.0 + wiggle;
        break;
      case 2:
        y[t] = 50.0 + t + 10.0 * std::sin(0.5236 * t) + wiggle;
        break;
      default:
        y[t] = wiggle;
        break;
    }
  }
  return y;
}

template <class Result>
void CheckShape(const Result& r, int horizon) {
  const std::size_t h = horizon > 0 ? static_cast<std::size_t>(horizon) : 0;
  bool shaped = r.mean.size() == h;
  for (const auto& l : r.limits) shaped = shaped && l.lower.size() == h && l.upper.size() == h;
  if (!shaped) Broken("forecasts and limits do not have the horizon asked for");
}

void Run(ByteReader& in, const std::vector<double>& y) {
  switch (in.Byte() % 6) {
    case 0: {
      vordex::arima::Settings s;
      s.period = Period(in), s.horizon = Small(in), s.p = Small(in) % 4, s.d = Small(in) % 3;
      s.q = Small(in) % 4, s.P = Small(in) % 3, s.D = Small(in) % 3, s.Q = Small(in) % 3;
      s.constant = in.Byte() & 1;
      s.transform = static_cast<vordex::Transform>(in.Byte() % 4);
      s.critical_value = in.RawDouble();
      s.thorough = (in.Byte() & 7) == 0;
      CheckShape(vordex::arima::Fit(y, s), s.horizon);
      break;
    }
    case 1: {
      vordex::armax::Settings s;
      s.period = Period(in), s.horizon = Small(in), s.p = Small(in) % 4, s.d = Small(in) % 3;
      s.q = Small(in) % 4, s.P = Small(in) % 3, s.D = Small(in) % 3, s.Q = Small(in) % 3;
      s.constant = in.Byte() & 1;
      s.transform = static_cast<vordex::Transform>(in.Byte() % 4);
      s.thorough = (in.Byte() & 7) == 0;
      CheckShape(vordex::armax::Fit(y, s), s.horizon);
      break;
    }
    case 2: {
      vordex::ets::Settings s;
      s.period = Period(in), s.horizon = Small(in);
      s.error = static_cast<vordex::ets::ErrorForm>(Small(in) % 4);
      s.trend = static_cast<vordex::ets::Trend>(Small(in) % 6);
      s.season = static_cast<vordex::ets::Season>(Small(in) % 5);
      s.criterion = static_cast<vordex::ets::Criterion>(Small(in) % 7);
      s.initialization = static_cast<vordex::ets::Initialization>(Small(in) % 5);
      s.paths = in.Byte() & 1 ? 500 : Small(in) % 11 * 100;  // -400 to 1000
      s.multisteps = Small(in);
      s.information_criterion = static_cast<vordex::ets::InformationCriterion>(Small(in) % 5);
      s.levels = {in.RawDouble()};
      s.seed = in.U32();
      s.threads = 1;
      for (int k = in.Byte() % 6; k > 0; --k) s.bounds.push_back({in.RawDouble(), in.RawDouble()});
      CheckShape(vordex::ets::Fit(y, s), s.horizon);
      break;
    }
    case 3: {
      vordex::auto_arima::Settings s;
      s.period = Period(in), s.horizon = Small(in), s.levels = {in.RawDouble()};
      s.d = Small(in) % 4, s.D = Small(in) % 3, s.max_p = Small(in) % 4, s.max_q = Small(in) % 4;
      s.max_P = Small(in) % 3, s.max_Q = Small(in) % 3, s.stepwise = in.Byte() & 1;
      s.thorough = false;
      CheckShape(vordex::auto_arima::Fit(y, s), s.horizon);
      break;
    }
    case 4: {
      vordex::theta::Settings s;
      s.period = Period(in);
      s.horizon = Small(in);
      s.levels = {in.RawDouble()};
      CheckShape(vordex::theta::Fit(y, s), s.horizon);
      break;
    }
    default: {
      vordex::auto_forecast::Settings s;
      s.period = Period(in), s.horizon = Small(in), s.levels = {in.RawDouble()};
      s.threads = 1;
      CheckShape(vordex::auto_forecast::Fit(y, s), s.horizon);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::vector<double> y = Series(in);
  try {
    Run(in, y);
  } catch (const vordex::Error&) {
    // A refusal or an engine failure, with its status: what the API promises.
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    Broken("an exception other than vordex::Error");
  }
  return 0;
}
