// Many series at once: any method fitted to every series of a collection on a pool of threads,
// one outcome per series.
//
// A bad series (too short, not a number, all zeros, a setting the checker refuses) gets its own
// failed outcome and never stops the others. Each series' simulation seed derives from the batch
// seed and the series' index, so results are identical bit for bit for any number of threads and
// any order of completion, and equal those of the single-series call with that seed.
#ifndef VORDEX_BATCH_HPP
#define VORDEX_BATCH_HPP

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/export.hpp"

namespace vordex::batch {

// The settings of one method; the alternative chosen names the method.
using MethodSettings = std::variant<arima::Settings, ets::Settings, armax::Settings>;

// One series: an identifier for the caller and its observations in time order (not owned: the
// values must outlive the call).
struct Series {
  std::string id;
  std::span<const double> values;
};

struct Options {
  // Worker threads; 0 or less: every hardware thread.
  int threads = 0;
  // Called after each series with (series done, total), from the worker that finished it, never
  // concurrently with itself.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // When it becomes true, series not yet started are not started (their outcome is kCancelled).
  const std::atomic<bool>* cancel = nullptr;
  // The batch seed: series i simulates with SeriesSeed(seed, i).
  std::uint32_t seed = ets::kDefaultSeed;
};

// The fitted result of one series, or its failure.
struct Outcome {
  std::string id;
  Status status = Status::kOk;    // kOk, or why the series failed
  std::string message;            // one line for the user when it failed
  std::vector<Message> messages;  // every message the request raised
  std::variant<std::monostate, arima::Result, ets::Result, armax::Result> result;
  bool ok() const { return status == Status::kOk; }
};

// The seed that series `index` of a batch with seed `seed` simulates with.
VORDEX_CPP_API std::uint32_t SeriesSeed(std::uint32_t seed, std::size_t index);

// Fits every series with the same settings; outcomes in the order of `series`.
VORDEX_CPP_API std::vector<Outcome> FitMany(std::span<const Series> series,
                                            const MethodSettings& settings,
                                            const Options& options = {});

// Fits series i with settings[i] (one settings per series; kInvalidSettings for every series
// when the counts differ).
VORDEX_CPP_API std::vector<Outcome> FitMany(std::span<const Series> series,
                                            std::span<const MethodSettings> settings,
                                            const Options& options = {});

}  // namespace vordex::batch

#endif  // VORDEX_BATCH_HPP
