// Many series at once: any method fitted to every series of a collection on a pool of threads,
// one outcome per series.
//
// A bad series (too short, not a number, all zeros, a setting the checker refuses) gets its own
// failed outcome and never stops the others. Each series' simulation seed derives from the batch
// seed and the series' id (SeriesSeed, names.hpp), so results are identical bit for bit for any
// number of threads, any order of the series and any partition of the batch, and equal those of
// the single-series call with that seed.
//
// Two ways in: FitMany for series held in memory, and Stream for series handed over one at a
// time (inputs too large to hold at once), which keeps at most a bounded window of series.
#ifndef VORDEX_BATCH_HPP
#define VORDEX_BATCH_HPP

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"
#include "vordex/names.hpp"
#include "vordex/outcome.hpp"

namespace vordex::batch {

// The settings of one method; the alternative chosen names the method. A method joins by one
// alternative here and its result in MethodResult: series are fitted by the Fit(observations,
// settings) of the settings' own namespace.
using MethodSettings = std::variant<arima::Settings, ets::Settings, armax::Settings,
                                    auto_arima::Settings, theta::Settings, auto_forecast::Settings>;

// The result of one method, or nothing when the series failed.
using MethodResult = std::variant<std::monostate, arima::Result, ets::Result, armax::Result,
                                  auto_arima::Result, theta::Result, auto_forecast::Result>;

// The method of a settings alternative.
VORDEX_CPP_API Method MethodOf(const MethodSettings& settings);

// What every method's result shares, or nullptr for a series without a result.
VORDEX_CPP_API const Forecast* Common(const MethodResult& result);

// The name of the fitted model (ModelName of names.hpp), or "" without a result.
VORDEX_CPP_API std::string ModelName(const MethodResult& result);

// One series: its id (which also fixes its simulation seed) and its observations in time order
// (not owned: the values must outlive the call).
struct Series {
  std::string id = {};
  std::span<const double> values = {};
};

struct Options {
  // Worker threads; 0 or less: every hardware thread.
  int threads = 0;
  // Called after each series with (series done, total), from the worker that finished it, never
  // concurrently with itself; `done` grows by one from call to call. When it throws, the series
  // not yet started are not started and FitMany rethrows the exception once the workers stop.
  std::function<void(std::size_t done, std::size_t total)> progress;
  // When it becomes true, series not yet started are not started (their outcome is kCancelled).
  const std::atomic<bool>* cancel = nullptr;
  // The batch seed: a series simulates with SeriesSeed(seed, id), whatever its settings' seed.
  std::uint32_t seed = ets::kDefaultSeed;
};

// The fitted result of one series (`value`; its status kOk or a warning), or its failure (status,
// text), with every message the request raised.
struct Outcome : vordex::Outcome<MethodResult> {
  std::string id = {};
};

// Fits one series as FitMany fits it in a batch with seed `seed`, on the calling thread. Never
// throws: a vordex::Error becomes the outcome's status, text and messages; any other exception a
// kEngineFailed outcome with its text.
VORDEX_CPP_API Outcome FitOne(const Series& series, const MethodSettings& settings,
                              std::uint32_t seed);

// Fits every series with the same settings; outcomes in the order of `series`.
VORDEX_CPP_API std::vector<Outcome> FitMany(std::span<const Series> series,
                                            const MethodSettings& settings,
                                            const Options& options = {});

// Fits series i with settings[i] (one settings per series; kInvalidSettings for every series
// when the counts differ).
VORDEX_CPP_API std::vector<Outcome> FitMany(std::span<const Series> series,
                                            std::span<const MethodSettings> settings,
                                            const Options& options = {});

struct StreamOptions {
  // Worker threads; 0 or less: every hardware thread.
  int threads = 0;
  // Series pushed but not yet delivered, at most; 0: 16 per worker. Memory is bounded by the
  // window times the longest series (with its result).
  std::size_t window = 0;
  // When it becomes true, series not yet started are not started (their outcome is kCancelled,
  // still delivered in turn).
  const std::atomic<bool>* cancel = nullptr;
  // The batch seed: a series simulates with SeriesSeed(seed, id).
  std::uint32_t seed = ets::kDefaultSeed;
};

// Series fitted while the caller hands them over, with results delivered in the order pushed:
// the same outcomes as FitMany over the same sequence. Push and Finish are called from one
// thread, which is also the one `deliver` runs on (inside Push and Finish), so `deliver` needs no
// locking of its own. An exception thrown by `deliver` leaves Push (the series having been taken)
// or Finish; the outcome it was given counts as delivered, and the stream stays usable.
class VORDEX_CPP_API Stream {
 public:
  explicit Stream(std::function<void(Outcome)> deliver, const StreamOptions& options = {});
  // Stops the workers after the series they are fitting; outcomes not yet delivered are dropped.
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Hands over the next series (its values are taken over). Delivers the outcomes that are ready
  // in turn, and waits while the window is full.
  void Push(std::string id, std::vector<double> values, MethodSettings settings);
  // Waits for every series pushed and delivers the rest of the outcomes.
  void Finish();
  // Series pushed so far.
  std::size_t pushed() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vordex::batch

#endif  // VORDEX_BATCH_HPP
