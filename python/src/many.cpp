#include "many.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "convert.h"
#include "vordex/batch.hpp"

namespace vordex::python {
namespace {

using batch::MethodSettings;
using batch::Outcome;

MethodSettings ReadSettings(const std::string& method, const py::dict& settings) {
  if (method == "arima") return ArimaSettings(settings);
  if (method == "ets") return EtsSettings(settings);
  if (method == "armax") return ArmaxSettings(settings);
  throw py::value_error("unknown method " + method);
}

py::tuple ToTuple(const Outcome& o) {
  const py::object result = std::visit(
      [](const auto& r) -> py::object {
        if constexpr (std::is_same_v<std::decay_t<decltype(r)>, std::monostate>) {
          return py::none();
        } else {
          return ToDict(r);
        }
      },
      o.result);
  return py::make_tuple(Code(o.status), o.message, ToList(o.messages), result);
}

// Fits series i of `series` with settings[i], each as a batch of its own whose seed is seeds[i],
// on `threads` workers: a series' results then depend on its own seed only, not on which other
// series share the call. Checks for KeyboardInterrupt while the workers run; after one, series
// not yet started are not started, and the interrupt is raised once the running ones are done.
std::vector<Outcome> FitEach(const std::vector<batch::Series>& series,
                             const std::vector<MethodSettings>& settings,
                             const std::vector<std::uint32_t>& seeds, int threads) {
  const std::size_t n = series.size();
  std::vector<Outcome> outcomes(n);
  std::atomic<bool> cancel{false};
  std::atomic<std::size_t> next{0};
  std::size_t done = 0;
  std::mutex mutex;
  std::condition_variable finished;
  {
    py::gil_scoped_release release;
    std::size_t workers = threads > 0 ? static_cast<std::size_t>(threads)
                                      : std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, n);
    std::vector<std::jthread> pool;
    for (std::size_t w = 0; w < workers; ++w) {
      pool.emplace_back([&] {
        for (std::size_t i; (i = next++) < n;) {
          if (cancel) {
            outcomes[i].id = series[i].id;
            outcomes[i].status = Status::kCancelled;
            outcomes[i].message = "cancelled";
          } else {
            batch::Options options;
            options.threads = 1;
            options.seed = seeds[i];
            try {
              outcomes[i] = std::move(
                  batch::FitMany(std::span(&series[i], 1), std::span(&settings[i], 1), options)
                      .front());
            } catch (const std::exception& e) {  // no memory for the batch's own bookkeeping
              outcomes[i].id = series[i].id;
              outcomes[i].status = Status::kEngineFailed;
              outcomes[i].message = e.what();
            }
          }
          const std::lock_guard lock(mutex);
          if (++done == n) finished.notify_all();
        }
      });
    }
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return done == n; })) {
      lock.unlock();
      {
        py::gil_scoped_acquire acquire;
        if (PyErr_CheckSignals() != 0) cancel = true;
      }
      lock.lock();
    }
  }
  if (PyErr_Occurred() != nullptr) throw py::error_already_set();
  return outcomes;
}

}  // namespace

void RegisterMany(py::module_& m) {
  m.def(
      "fit_many",
      [](const std::string& method, const std::vector<std::string>& ids, const py::list& values,
         const py::list& settings, const std::vector<std::uint32_t>& seeds, int threads) {
        const std::size_t n = ids.size();
        if (values.size() != n || settings.size() != n || seeds.size() != n)
          throw py::value_error("one value array, settings dict and seed per series");
        std::vector<std::vector<double>> data;
        data.reserve(n);  // the series' spans point into it
        std::vector<batch::Series> series;
        std::vector<MethodSettings> each;
        for (std::size_t i = 0; i < n; ++i) {
          data.push_back(Observations(values[i].cast<DoubleArray>()));
          series.push_back({ids[i], data.back()});
          each.push_back(ReadSettings(method, settings[i].cast<py::dict>()));
        }
        const std::vector<Outcome> outcomes = FitEach(series, each, seeds, threads);
        py::list list;
        for (const Outcome& o : outcomes) list.append(ToTuple(o));
        return list;
      },
      py::arg("method"), py::arg("ids"), py::arg("values"), py::arg("settings"), py::arg("seeds"),
      py::arg("threads"),
      "Fits each series with its settings, in parallel: a list of (status code, message, "
      "messages, result dict or None) in the order of the series.");
  m.def("series_seed", &batch::SeriesSeed, py::arg("seed"), py::arg("index"),
        "The seed that series `index` of a batch with seed `seed` simulates with.");
}

}  // namespace vordex::python
