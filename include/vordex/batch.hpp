// Many series at once: any method fitted to every series of a collection on a pool of threads,
// one outcome per series.
//
// A bad series (too short, not a number, all zeros, a setting the checker refuses) gets its own
// failed outcome and never stops the others. Each series' simulation seed derives from the batch
// seed and the series' index, so results are identical bit for bit for any number of threads and
// any order of completion, and equal those of the single-series call with that seed.
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

namespace vordex::batch {

// The settings of one method; the alternative chosen names the method. A method joins by one
// alternative here and its result in MethodResult: series are fitted by the Fit(observations,
// settings) of the settings' own namespace.
using MethodSettings = std::variant<arima::Settings, ets::Settings, armax::Settings,
                                    auto_arima::Settings, theta::Settings, auto_forecast::Settings>;

// The result of one method, or nothing when the series failed.
using MethodResult = std::variant<std::monostate, arima::Result, ets::Result, armax::Result,
                                  auto_arima::Result, theta::Result, auto_forecast::Result>;

// One series: an identifier for the caller and its observations in time order (not owned: the
// values must outlive the call).
struct Series {
  std::string id;
  std::span<const double> values;
  // The series' own simulation seed, instead of SeriesSeed(batch seed, index): a series' results
  // then do not depend on its place in the batch (partitions of a cluster, for one).
  std::optional<std::uint32_t> seed = std::nullopt;
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
  // The batch seed: series i simulates with SeriesSeed(seed, i) unless it has a seed of its own,
  // whatever its settings' seed.
  std::uint32_t seed = ets::kDefaultSeed;
};

// The fitted result of one series, or its failure.
struct Outcome {
  std::string id;
  Status status = Status::kOk;    // kOk, or why the series failed
  std::string message;            // one line for the user when it failed
  std::vector<Message> messages;  // every message the request raised (warnings when it succeeded)
  MethodResult result;            // the method's result when ok()
  bool ok() const { return status == Status::kOk; }
};

// The seed that series `index` of a batch with seed `seed` simulates with: the upper 32 bits of
// output index + 1 of Steele, Lea and Flood's SplitMix64 generator started at `seed`, so that
// neighbouring indices and neighbouring batch seeds give unrelated streams.
VORDEX_CPP_API std::uint32_t SeriesSeed(std::uint32_t seed, std::size_t index);

// Fits one series as FitMany fits series `index` of a batch with seed `seed`, on the calling
// thread. Never throws: a vordex::Error becomes the outcome's status, message and messages; any
// other exception a kEngineFailed outcome with its text.
VORDEX_CPP_API Outcome FitOne(const Series& series, const MethodSettings& settings,
                              std::size_t index, std::uint32_t seed);

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
  // The batch seed: the k-th series pushed (from 0) simulates with SeriesSeed(seed, k).
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
