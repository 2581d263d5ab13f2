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
  if (method == "auto_arima") return AutoArimaSettings(settings);
  if (method == "theta") return ThetaSettings(settings);
  if (method == "auto") return AutoForecastSettings(settings);
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

// Fits series i of `series` with settings[i] and its own seed on `threads` workers: a series'
// results then depend on its own seed only, not on which other series share the call. Checks for
// KeyboardInterrupt while the workers run; after one, series not yet started are not started,
// and the interrupt is raised once the running ones are done.
std::vector<Outcome> FitEach(const std::vector<batch::Series>& series,
                             const std::vector<MethodSettings>& settings, int threads) {
  std::atomic<bool> cancel{false};
  std::vector<Outcome> outcomes;
  {
    py::gil_scoped_release release;
    batch::Options options;
    options.threads = threads;
    options.cancel = &cancel;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::jthread fitting([&] {
      outcomes = batch::FitMany(series, settings, options);
      const std::lock_guard lock(mutex);
      done = true;
      finished.notify_all();
    });
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; })) {
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
          series.push_back({ids[i], data.back(), seeds[i]});
          each.push_back(ReadSettings(method, settings[i].cast<py::dict>()));
        }
        const std::vector<Outcome> outcomes = FitEach(series, each, threads);
        py::list list;
        for (const Outcome& o : outcomes) list.append(ToTuple(o));
        return list;
      },
      py::arg("method"), py::arg("ids"), py::arg("values"), py::arg("settings"), py::arg("seeds"),
      py::arg("threads"),
      "Fits each series with its settings, in parallel: a list of (status code, message, "
      "messages, result dict or None) in the order of the series.");
}

}  // namespace vordex::python
