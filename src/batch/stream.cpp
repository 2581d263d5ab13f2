// Stream: a ring of `window` slots between the pushing thread and the workers. Series k lives in
// slot k mod window from its push until its outcome is delivered; workers take series in push
// order, and the pushing thread delivers the oldest slot once it is done, so the outcomes leave in
// push order while at most `window` series are held.
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "batch/fit_many.h"
#include "vordex/batch.hpp"

namespace vordex::batch {

struct Stream::Impl {
  struct Slot {
    std::string id;
    std::vector<double> values;
    MethodSettings settings;
    Outcome outcome;
    bool done = false;
  };

  Impl(std::function<void(Outcome)> deliver_to, const StreamOptions& o)
      : deliver(std::move(deliver_to)), options(o) {
    const std::size_t workers = WorkerCount(options.threads);
    ring.resize(options.window > 0 ? options.window : 16 * workers);
    for (std::size_t t = 0; t < workers; ++t) pool.emplace_back([this] { Work(); });
  }

  ~Impl() {
    {
      std::lock_guard lock(mutex);
      closing = true;
    }
    work_ready.notify_all();
    pool.clear();  // joins
  }

  bool IsCancelled() const {
    return options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed);
  }

  void Work() {
    std::unique_lock lock(mutex);
    while (true) {
      work_ready.wait(lock, [this] { return closing || taken < pushed; });
      if (closing) return;
      const std::size_t k = taken++;
      Slot& slot = ring[k % ring.size()];
      lock.unlock();
      Outcome outcome = IsCancelled()
                            ? batch::Cancelled(slot.id)
                            : FitOne(Series{slot.id, slot.values}, slot.settings, options.seed);
      std::vector<double>().swap(slot.values);  // the observations are no longer needed
      lock.lock();
      slot.outcome = std::move(outcome);
      slot.done = true;
      if (k == delivered) slot_done.notify_one();
    }
  }

  // Delivers the oldest series when it is done (or, with `wait`, once it is). Returns whether
  // one was delivered. Called with the lock held; releases it while `deliver` runs.
  bool DeliverOldest(std::unique_lock<std::mutex>& lock, bool wait) {
    Slot& oldest = ring[delivered % ring.size()];
    if (wait) slot_done.wait(lock, [&] { return oldest.done; });
    if (!oldest.done) return false;
    Outcome outcome = std::move(oldest.outcome);
    oldest.done = false;
    ++delivered;
    lock.unlock();
    try {
      deliver(std::move(outcome));
    } catch (...) {
      lock.lock();
      throw;
    }
    lock.lock();
    return true;
  }

  std::function<void(Outcome)> deliver;
  StreamOptions options;
  std::vector<Slot> ring;
  mutable std::mutex mutex;
  std::condition_variable work_ready;  // a series was pushed, or the stream closes
  std::condition_variable slot_done;   // the oldest series may be done
  std::size_t pushed = 0;              // series handed over
  std::size_t taken = 0;               // series a worker has started
  std::size_t delivered = 0;           // outcomes handed to `deliver`
  bool closing = false;
  std::vector<std::jthread> pool;  // last: joined before the members above are destroyed
};

Stream::Stream(std::function<void(Outcome)> deliver, const StreamOptions& options)
    : impl_(std::make_unique<Impl>(std::move(deliver), options)) {}

Stream::~Stream() = default;

void Stream::Push(std::string id, std::vector<double> values, MethodSettings settings) {
  Impl& s = *impl_;
  std::unique_lock lock(s.mutex);
  // The series is taken even when `deliver` throws while making room: the outcome it was given
  // has left the window all the same. The exception leaves once the series is in.
  std::exception_ptr error;
  while (s.pushed - s.delivered == s.ring.size()) {
    try {
      s.DeliverOldest(lock, true);
    } catch (...) {
      error = std::current_exception();
    }
  }
  Impl::Slot& slot = s.ring[s.pushed % s.ring.size()];
  slot.id = std::move(id);
  slot.values = std::move(values);
  slot.settings = std::move(settings);
  ++s.pushed;
  s.work_ready.notify_one();
  if (error) std::rethrow_exception(error);
  while (s.delivered < s.pushed && s.DeliverOldest(lock, false)) {
  }
}

void Stream::Finish() {
  Impl& s = *impl_;
  std::unique_lock lock(s.mutex);
  while (s.delivered < s.pushed) s.DeliverOldest(lock, true);
}

std::size_t Stream::pushed() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->pushed;
}

}  // namespace vordex::batch
