// FitMany: a pool of workers takes the next series from one atomic index, so the work spreads by
// itself however unequal the series; each series writes only its own outcome.
#include "batch/fit_many.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

#include "vordex/batch.hpp"

namespace vordex::batch {
namespace {

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// What the user reads for a failed request: every message ("title: text"), then the text the
// host would receive.
std::string Describe(const Error& e) {
  std::string line;
  for (const Message& m : e.messages()) {
    if (!line.empty()) line += "; ";
    line += m.title.empty() ? m.text : m.title + ": " + m.text;
  }
  const std::string text = e.text();
  // A checker's refusal carries its one message as its text too.
  if (!text.empty() && (e.messages().empty() || e.messages().back().text != text))
    line += (line.empty() ? "" : "; ") + text;
  if (line.empty()) line = e.what();
  return OneLine(std::move(line));
}

template <class Settings>
Outcome Fitted(const Series& series, Settings settings, std::uint32_t seed) {
  // A method that simulates takes the series' own seed, whatever its settings say.
  if constexpr (requires { settings.seed = seed; }) settings.seed = SeriesSeed(seed, series.id);
  // The pool works across series: a series' own model search runs on its worker alone (the
  // results are the same for any number of threads).
  if constexpr (requires { settings.threads = 1; }) settings.threads = 1;
  // The method's Fit is found in the namespace of its settings.
  auto result = Fit(series.values, settings);
  Outcome out;
  out.id = series.id;
  out.status = result.status;
  out.messages = result.warnings;
  out.value.template emplace<decltype(result)>(std::move(result));
  return out;
}

Outcome Failed(const std::string& id, Status status, std::string message,
               std::vector<Message> messages = {}) {
  Outcome out;
  out.id = id;
  out.status = status;
  out.text = std::move(message);
  out.messages = std::move(messages);
  return out;
}

}  // namespace

Method MethodOf(const MethodSettings& settings) {
  return std::visit(
      [](const auto& s) {
        using S = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<S, arima::Settings>) return Method::kArima;
        if constexpr (std::is_same_v<S, ets::Settings>) return Method::kEts;
        if constexpr (std::is_same_v<S, armax::Settings>) return Method::kArmax;
        if constexpr (std::is_same_v<S, auto_arima::Settings>) return Method::kAutoArima;
        if constexpr (std::is_same_v<S, theta::Settings>) return Method::kTheta;
        return Method::kAuto;
      },
      settings);
}

const Forecast* Common(const MethodResult& result) {
  return std::visit(
      [](const auto& r) -> const Forecast* {
        if constexpr (std::is_base_of_v<Forecast, std::decay_t<decltype(r)>>) return &r;
        return nullptr;
      },
      result);
}

std::string ModelName(const MethodResult& result) {
  return std::visit(
      [](const auto& r) -> std::string {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, std::monostate>)
          return {};
        else if constexpr (std::is_same_v<R, auto_arima::Result>)
          return vordex::ModelName(static_cast<const arima::Result&>(r));
        else
          return vordex::ModelName(r);
      },
      result);
}

Outcome FitOne(const Series& series, const MethodSettings& settings, std::uint32_t seed) {
  try {
    return std::visit([&](const auto& s) { return Fitted(series, s, seed); }, settings);
  } catch (const Error& e) {
    return Failed(series.id, e.status(), Describe(e), e.messages());
  } catch (const std::exception& e) {
    return Failed(series.id, Status::kEngineFailed, OneLine(e.what()));
  } catch (...) {
    return Failed(series.id, Status::kEngineFailed, "unknown failure");
  }
}

std::size_t WorkerCount(int threads) {
  if (threads > 0) return static_cast<std::size_t>(threads);
  return std::max(1u, std::thread::hardware_concurrency());
}

void ForEachOnPool(std::size_t n, const Options& options,
                   const std::function<void(std::size_t)>& job) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex progress_mutex;
  std::size_t done = 0;
  std::exception_ptr progress_error;
  const auto stopped = [&] {
    return stop.load(std::memory_order_relaxed) ||
           (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed));
  };
  const auto work = [&] {
    while (!stopped()) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= n) return;
      job(i);
      if (!options.progress) continue;
      std::lock_guard lock(progress_mutex);
      ++done;
      try {
        if (!progress_error) options.progress(done, n);
      } catch (...) {
        progress_error = std::current_exception();
        stop = true;
      }
    }
  };
  {
    std::vector<std::jthread> pool;
    const std::size_t threads = std::min(WorkerCount(options.threads), n);
    for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);
  }  // the workers are joined here
  if (progress_error) std::rethrow_exception(progress_error);
}

Outcome Cancelled(const std::string& id) {
  return Failed(id, Status::kCancelled, "cancelled before the series was started");
}

std::vector<Outcome> FitMany(std::span<const Series> series, const MethodSettings& settings,
                             const Options& options) {
  return FitMany(series, std::span<const MethodSettings>(&settings, 1), options);
}

std::vector<Outcome> FitMany(std::span<const Series> series,
                             std::span<const MethodSettings> settings, const Options& options) {
  const std::size_t n = series.size();
  const bool shared = settings.size() == 1;
  std::vector<Outcome> outcomes;
  outcomes.reserve(n);
  if (!shared && settings.size() != n) {
    const std::string message = std::to_string(settings.size()) + " settings for " +
                                std::to_string(n) + " series: give one, or one per series";
    for (const Series& s : series)
      outcomes.push_back(Failed(s.id, Status::kInvalidSettings, message));
    return outcomes;
  }
  // Series never started keep this outcome.
  for (const Series& s : series) outcomes.push_back(Cancelled(s.id));

  ForEachOnPool(n, options, [&](std::size_t i) {
    outcomes[i] = FitOne(series[i], settings[shared ? 0 : i], options.seed);
  });
  return outcomes;
}

}  // namespace vordex::batch
