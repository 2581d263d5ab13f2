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
  if (!e.host_text().empty()) line += (line.empty() ? "" : "; ") + e.host_text();
  if (line.empty()) line = e.what();
  return OneLine(std::move(line));
}

template <class Settings>
Outcome Fitted(const Series& series, Settings settings, std::size_t index, std::uint32_t seed) {
  // A method that simulates takes the series' own seed, whatever its settings say.
  if constexpr (requires { settings.seed = seed; })
    settings.seed = series.seed ? *series.seed : SeriesSeed(seed, index);
  // The pool works across series: a series' own model search runs on its worker alone (the
  // results are the same for any number of threads).
  if constexpr (requires { settings.threads = 1; }) settings.threads = 1;
  // The method's Fit is found in the namespace of its settings.
  auto result = Fit(series.values, settings);
  Outcome out;
  out.id = series.id;
  if constexpr (requires { result.warnings; }) out.messages = result.warnings;
  out.result.template emplace<decltype(result)>(std::move(result));
  return out;
}

Outcome Failed(const std::string& id, Status status, std::string message,
               std::vector<Message> messages = {}) {
  Outcome out;
  out.id = id;
  out.status = status;
  out.message = std::move(message);
  out.messages = std::move(messages);
  return out;
}

}  // namespace

std::uint32_t SeriesSeed(std::uint32_t seed, std::size_t index) {
  // SplitMix64 (Steele, Lea and Flood 2014; constants as in Vigna's reference code): the state
  // advances by the golden-ratio increment, and each output is the state through a bijective
  // mix of xor-shifts and odd multipliers.
  std::uint64_t z = static_cast<std::uint64_t>(seed) +
                    (static_cast<std::uint64_t>(index) + 1) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<std::uint32_t>(z >> 32);
}

Outcome FitOne(const Series& series, const MethodSettings& settings, std::size_t index,
               std::uint32_t seed) {
  try {
    return std::visit([&](const auto& s) { return Fitted(series, s, index, seed); }, settings);
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
      outcomes[i] = FitOne(series[i], settings[shared ? 0 : i], i, options.seed);
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
  return outcomes;
}

}  // namespace vordex::batch
