#include "vordex/auto.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>

#include "api/arima_result.h"
#include "auto/auto_arima.h"
#include "auto/combination.h"
#include "auto/theta.h"
#include "platform/messages.h"

namespace vordex {
namespace {

constexpr int kMaxHorizon = 120;

// The settings every automatic method shares, checked before any work starts.
void CheckCommon(const char* method, int period, int horizon, double level) {
  const auto refuse = [&](const std::string& what) {
    throw Error(Status::kInvalidSettings, std::string(method) + ": " + what, {});
  };
  if (period < 1) refuse("the period must be at least 1");
  if (horizon < 0 || horizon > kMaxHorizon)
    refuse("the horizon must lie in 0.." + std::to_string(kMaxHorizon));
  if (!(level > 0.0 && level < 100.0)) refuse("the level must lie strictly between 0 and 100");
}

// An automatic method's failure: the reason (which names the routine) as the error's text.
template <class T>
T Succeeded(automatic::Outcome<T> out) {
  if (!out.ok()) throw Error(Status::kEngineFailed, std::move(out.error), {});
  return std::move(out.value);
}

}  // namespace

namespace auto_arima {

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("auto_arima", s.period, s.horizon, s.level);
  if (s.d < -1 || s.d > 2 || s.D < -1 || s.D > 1 || s.max_p < 0 || s.max_q < 0 || s.max_P < 0 ||
      s.max_Q < 0 || s.max_order < 0 || s.max_d < 0 || s.max_D < 0)
    throw Error(Status::kInvalidSettings,
                "auto_arima: d must lie in -1..2, D in -1..1, and the bounds must not be negative",
                {});
  automatic::AutoArimaSettings engine;
  engine.period = s.period;
  engine.horizon = s.horizon;
  engine.level = s.level;
  engine.d = s.d;
  engine.D = s.D;
  engine.max_p = s.max_p;
  engine.max_q = s.max_q;
  engine.max_P = s.max_P;
  engine.max_Q = s.max_Q;
  engine.max_order = s.max_order;
  engine.max_d = s.max_d;
  engine.max_D = s.max_D;
  engine.stepwise = s.stepwise;
  engine.allow_constant = s.allow_constant;
  engine.thorough = s.thorough;
  automatic::AutoArimaResult chosen = Succeeded([&] {
    platform::ScopedSilence silence;
    return automatic::AutoArima(engine, observations);
  }());

  const arima::Request& m = chosen.model;
  Result r;
  r.p = m.p;
  r.d = m.d;
  r.q = m.q;
  r.P = m.P;
  r.D = m.D;
  r.Q = m.Q;
  r.period = m.period;
  r.constant = m.mean != 0;
  r.aicc = chosen.aicc;
  r.bic = chosen.bic;
  const int missing = std::min(m.d + m.D * m.period, static_cast<int>(observations.size()));
  r.fit = api::ToResult(std::move(chosen.fit), missing, r.constant, {});
  r.path.reserve(chosen.path.size());
  for (automatic::ArimaCandidate& c : chosen.path)
    r.path.push_back({c.p, c.d, c.q, c.P, c.D, c.Q, c.constant, c.aicc, std::move(c.note)});
  return r;
}

std::string Name(const Candidate& c, int period) {
  // Appended piece by piece: GCC 12 misreads the temporaries of "text" + std::to_string(...)
  // under -O2 and warns of an overlapping copy.
  std::string name = "ARIMA(";
  const auto orders = [&name](int a, int b, int d) {
    name += std::to_string(a);
    name += ',';
    name += std::to_string(b);
    name += ',';
    name += std::to_string(d);
    name += ')';
  };
  orders(c.p, c.d, c.q);
  if (period > 1 && c.P + c.D + c.Q > 0) {
    name += '(';
    orders(c.P, c.D, c.Q);
    name += '[';
    name += std::to_string(period);
    name += ']';
  }
  if (c.constant) name += c.d + c.D == 1 ? " with drift" : " with constant";
  return name;
}

std::string Name(const Result& r) {
  return Name(Candidate{r.p, r.d, r.q, r.P, r.D, r.Q, r.constant, r.aicc, {}}, r.period);
}

}  // namespace auto_arima

namespace theta {

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("theta", s.period, s.horizon, s.level);
  automatic::ThetaSettings engine;
  engine.period = s.period;
  engine.horizon = s.horizon;
  engine.level = s.level;
  automatic::ThetaResult t = Succeeded(automatic::Theta(engine, observations));
  Result r;
  r.seasonal = t.seasonal;
  r.seasonal_indices = std::move(t.seasonal_indices);
  r.alpha = t.alpha;
  r.initial_level = t.initial_level;
  r.drift = t.drift;
  r.sigma2 = t.sigma2;
  r.fitted = std::move(t.fitted);
  r.residuals = std::move(t.residuals);
  r.forecasts = std::move(t.forecasts);
  r.lower = std::move(t.lower);
  r.upper = std::move(t.upper);
  return r;
}

}  // namespace theta

namespace auto_forecast {
namespace {

// Runs one member of the combination; its failure is recorded, not thrown.
template <class Member>
auto Attempt(const char* name, std::vector<std::string>& failures, Member&& member)
    -> std::optional<decltype(member())> {
  try {
    return member();
  } catch (const std::exception& e) {
    failures.push_back(std::string(name) + ": " + e.what());
    return std::nullopt;
  }
}

template <class R>
automatic::Forecasts Part(const R& r) {
  return {r.forecasts, r.lower, r.upper};
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& s) {
  CheckCommon("auto_forecast", s.period, s.horizon, s.level);
  if (s.horizon < 1)
    throw Error(Status::kInvalidSettings, "auto_forecast: the horizon must be at least 1", {});
  Result r;
  r.smoothing = Attempt("ets", r.failures, [&] {
    ets::Settings e = ets::AutoSettings(s.period, s.horizon);
    e.confidence = s.level;
    e.seed = s.seed;
    e.threads = s.threads;
    return ets::Fit(observations, e);
  });
  r.arima = Attempt("auto_arima", r.failures, [&] {
    auto_arima::Settings a;
    a.period = s.period;
    a.horizon = s.horizon;
    a.level = s.level;
    return auto_arima::Fit(observations, a);
  });
  r.theta = Attempt("theta", r.failures, [&] {
    return theta::Fit(observations, {s.period, s.horizon, s.level});
  });

  std::vector<automatic::Forecasts> parts;
  if (r.smoothing) parts.push_back(Part(*r.smoothing));
  if (r.arima) parts.push_back(Part(r.arima->fit));
  if (r.theta) parts.push_back(Part(*r.theta));
  if (parts.empty()) {
    std::string reasons = "auto_forecast: every method failed";
    for (const std::string& f : r.failures) reasons += "; " + f;
    throw Error(Status::kEngineFailed, reasons, {});
  }
  automatic::Forecasts combined = Succeeded(automatic::Combine(parts));
  r.forecasts = std::move(combined.mean);
  r.lower = std::move(combined.lower);
  r.upper = std::move(combined.upper);
  return r;
}

}  // namespace auto_forecast
}  // namespace vordex
