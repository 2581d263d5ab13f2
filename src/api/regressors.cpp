// The ready-made regressors of regressors.hpp: Fourier terms, the linear trend and event dummies.
#include "vordex/regressors.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "decompose/fourier.h"
#include "vordex/error.hpp"

namespace vordex {
namespace {

[[noreturn]] void Refuse(const std::string& text) {
  throw Error(Status::kInvalidSettings, text);
}

void CheckHorizon(const char* maker, int horizon) {
  if (horizon < 0) Refuse(std::string(maker) + ": the horizon must not be negative");
}

}  // namespace

Design FourierTerms(std::size_t rows, int horizon, std::span<const FourierPeriod> periods) {
  CheckHorizon("Fourier terms", horizon);
  if (periods.empty()) Refuse("Fourier terms: no period given");
  std::vector<double> m;
  std::vector<int> K;
  for (const FourierPeriod& f : periods) {
    if (f.order < 1) Refuse("Fourier terms: an order must be at least 1");
    m.push_back(f.period);
    K.push_back(f.order);
  }
  Design d;
  const auto take = [&](long first_time, std::size_t count, Regressors& into) {
    auto terms = decompose::Fourier(m, K, first_time, count);
    if (!terms.ok()) throw Error(terms.status, terms.text);
    for (std::size_t j = 0; j < terms.value.names.size(); ++j)
      into.Add(terms.value.names[j], terms.value.columns[j]);
  };
  take(1, rows, d.in_sample);
  take(static_cast<long>(rows) + 1, static_cast<std::size_t>(horizon), d.future);
  return d;
}

Design Trend(std::size_t rows, int horizon) {
  CheckHorizon("Trend", horizon);
  Design d;
  d.in_sample.Add("trend", decompose::TrendColumn(1, rows));
  d.future.Add("trend", decompose::TrendColumn(static_cast<long>(rows) + 1,
                                               static_cast<std::size_t>(horizon)));
  return d;
}

Design EventDummy(const std::string& name, std::size_t rows, int horizon,
                  std::span<const long> positions) {
  CheckHorizon("Event dummy", horizon);
  if (name.empty()) Refuse("Event dummy: the name is empty");
  std::vector<double> in(rows, 0.0), out(static_cast<std::size_t>(horizon), 0.0);
  for (long t : positions) {
    if (t < 1) Refuse("Event dummy '" + name + "': a position is below 1");
    const auto i = static_cast<std::size_t>(t - 1);
    if (i < rows)
      in[i] = 1.0;
    else if (i - rows < out.size())
      out[i - rows] = 1.0;
  }
  Design d;
  d.in_sample.Add(name, in);
  d.future.Add(name, out);
  return d;
}

Design EventDummy(const std::string& name, std::span<const double> times,
                  std::span<const double> future_times, std::span<const double> events) {
  if (name.empty()) Refuse("Event dummy: the name is empty");
  std::vector<double> all(times.begin(), times.end());
  all.insert(all.end(), future_times.begin(), future_times.end());
  for (std::size_t i = 0; i < all.size(); ++i)
    if (!std::isfinite(all[i]) || (i > 0 && !(all[i] > all[i - 1])))
      Refuse("Event dummy '" + name + "': the times are not finite and increasing");
  std::vector<double> marks(all.size(), 0.0);
  for (double e : events) {
    if (!std::isfinite(e)) Refuse("Event dummy '" + name + "': an event time is not finite");
    if (all.empty() || e < all.front()) continue;
    // The row whose interval [t(i), t(i+1)) holds e; the last interval as long as the one before.
    const std::size_t n = all.size();
    const double step = n > 1 ? all[n - 1] - all[n - 2] : 1.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double end = i + 1 < n ? all[i + 1] : all[i] + step;
      if (e >= all[i] && e < end) {
        marks[i] = 1.0;
        break;
      }
    }
  }
  Design d;
  d.in_sample.Add(name, std::span<const double>(marks).first(times.size()));
  d.future.Add(name, std::span<const double>(marks).subspan(times.size()));
  return d;
}

}  // namespace vordex
