#include "many.h"

#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
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

py::tuple ToTuple(const Outcome& o) {
  const py::object value = std::visit(
      [](const auto& r) -> py::object {
        if constexpr (std::is_same_v<std::decay_t<decltype(r)>, std::monostate>) {
          return py::none();
        } else {
          return ToDict(r);
        }
      },
      o.value);
  return py::make_tuple(Code(o.status), o.text, ToList(o.messages), value);
}

// Fits series i of `series` with settings[i] on `threads` workers under the batch seed `seed`:
// series i simulates with SeriesSeed(seed, its id), so its results depend on its id alone, not on
// which other series share the call. Checks for KeyboardInterrupt while the workers run; after
// one, series not yet started are not started, and the interrupt is raised once the running ones
// are done.
std::vector<Outcome> FitEach(const std::vector<batch::Series>& series,
                             const std::vector<MethodSettings>& settings, std::uint32_t seed,
                             int threads) {
  std::atomic<bool> cancel{false};
  std::vector<Outcome> outcomes;
  {
    py::gil_scoped_release release;
    batch::Options options;
    options.threads = threads;
    options.cancel = &cancel;
    options.seed = seed;
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

batch::MethodSettings ReadSettings(Method method, const py::dict& settings) {
  switch (method) {
    case Method::kArima:
      return ArimaSettings(settings);
    case Method::kEts:
      return EtsSettings(settings);
    case Method::kArmax:
      return ArmaxSettings(settings);
    case Method::kAutoArima:
      return AutoArimaSettings(settings);
    case Method::kTheta:
      return ThetaSettings(settings);
    case Method::kAuto:
      return AutoForecastSettings(settings);
  }
  throw Error(Status::kInvalidSettings, "unknown method");
}

void RegisterMany(py::module_& m) {
  m.def(
      "fit_many",
      [](const std::string& method, const std::vector<std::string>& ids, const py::list& values,
         const py::list& settings, std::uint32_t seed, int threads) {
        const std::size_t n = ids.size();
        if (values.size() != n || settings.size() != n)
          throw py::value_error("one value array and settings dict per series");
        const std::optional<Method> fitted_by = FromString<Method>(method);
        if (!fitted_by) throw py::value_error("unknown method " + method);
        // A series whose observations or settings cannot be read fails alone, before the batch.
        std::vector<std::optional<Outcome>> refused(n);
        std::vector<std::vector<double>> data;
        data.reserve(n);  // the series' spans point into it
        std::vector<batch::Series> series;
        std::vector<MethodSettings> each;
        for (std::size_t i = 0; i < n; ++i) {
          try {
            std::vector<double> y = Observations(values[i].cast<DoubleArray>());
            MethodSettings s = ReadSettings(*fitted_by, settings[i].cast<py::dict>());
            data.push_back(std::move(y));
            series.push_back({ids[i], data.back()});
            each.push_back(std::move(s));
          } catch (const Error& e) {
            Outcome o;
            o.id = ids[i];
            o.status = e.status();
            o.text = e.text();
            o.messages = e.messages();
            refused[i] = std::move(o);
          }
        }
        const std::vector<Outcome> fitted = FitEach(series, each, seed, threads);
        py::list list;
        std::size_t next = 0;
        for (std::size_t i = 0; i < n; ++i)
          list.append(ToTuple(refused[i] ? *refused[i] : fitted[next++]));
        return list;
      },
      py::arg("method"), py::arg("ids"), py::arg("values"), py::arg("settings"), py::arg("seed"),
      py::arg("threads"),
      "Fits each series with its settings, in parallel, series i simulating with "
      "SeriesSeed(seed, ids[i]): a list of (status code, text, messages, result dict or None) "
      "in the order of the series.");
  m.def(
      "series_seed", [](std::uint32_t seed, const std::string& id) { return SeriesSeed(seed, id); },
      py::arg("seed"), py::arg("id"),
      "The simulation seed of the series named `id` in a batch with seed `seed`.");
}

}  // namespace vordex::python
