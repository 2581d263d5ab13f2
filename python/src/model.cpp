#include "model.h"

#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "convert.h"
#include "vordex/model.hpp"

namespace vordex::python {
namespace {

// (method, result dict, model file, observations, time as (last, calendar) or None, data or
// None) of a model: what the package builds its result object from.
py::tuple Describe(const Model& model) {
  py::object time = py::none();
  if (model.time) time = py::make_tuple(model.time->last, model.time->calendar);
  py::object data = py::none();
  if (!model.data.empty()) data = py::cast(model.data);
  return std::visit(
      [&](const auto& r) -> py::tuple {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, std::monostate>) {
          throw Error(Status::kInvalidSettings, "model: no fitted result");
        } else {
          // The package's names of the result classes (vordex.auto is the combination).
          std::string method = std::is_same_v<R, ets::Result>             ? "ets"
                               : std::is_same_v<R, auto_arima::Result>    ? "auto_arima"
                               : std::is_same_v<R, arima::Result>         ? "arima"
                               : std::is_same_v<R, theta::Result>         ? "theta"
                               : std::is_same_v<R, armax::Result>         ? "armax"
                               : std::is_same_v<R, auto_forecast::Result> ? "auto"
                                                                          : "";
          Model bare = model;
          bare.data.clear();
          return py::make_tuple(method, ToDict(r), ToJson(bare), model.observations, time, data);
        }
      },
      model.result);
}

template <class F>
py::tuple Guarded(F&& f) {
  try {
    return f();
  } catch (const Error& e) {
    RaiseError(e);
  }
}

}  // namespace

py::object ModelFileOf(const batch::MethodResult& result, long observations) {
  Model model;
  model.result = result;
  model.observations = observations;
  try {
    return py::str(ToJson(model));
  } catch (const Error& e) {
    // A result without a model to continue (a fallback forecast, the seasonal route's MSTL, ARMAX
    // through the state space route): saving it raises the reason.
    return py::make_tuple(e.text());
  }
}

void RegisterModel(py::module_& m) {
  m.def(
      "model_load",
      [](const std::string& text) {
        return Guarded([&] {
          const Model model = FromJson(text);
          // A loaded model carries no forecasts: those of its own horizon and levels.
          Model forecast = Predict(model, model.horizon, model.levels);
          return Describe(forecast);
        });
      },
      py::arg("text"),
      "The model of a model file with the forecasts of its horizon and levels, as (method, "
      "result, model file, observations, time, data); raises vordex.Error naming the field at "
      "fault.");
  m.def(
      "model_with_time",
      [](const std::string& text, const std::string& last, const std::string& calendar) {
        try {
          Model model = FromJson(text);
          model.time = SeriesTime{.last = last, .calendar = calendar};
          return ToJson(model);
        } catch (const Error& e) {
          RaiseError(e);
        }
      },
      py::arg("text"), py::arg("last"), py::arg("calendar"),
      "The model file with the time of the last observation and its calendar.");
  m.def(
      "model_update",
      [](const std::string& text, const DoubleArray& y, const py::object& last_time) {
        return Guarded([&] {
          const std::vector<double> values = Observations(y);
          std::optional<std::string> last;
          if (!last_time.is_none()) last = last_time.cast<std::string>();
          Model model = FromJson(text);
          {
            py::gil_scoped_release release;
            model = Update(model, values, last);
          }
          return Describe(model);
        });
      },
      py::arg("text"), py::arg("y"), py::arg("last_time") = py::none(),
      "The model of a model file with new observations filtered through it (no estimation).");
  m.def(
      "model_predict",
      [](const std::string& text, int horizon, const std::vector<double>& levels) {
        return Guarded([&] {
          Model model = FromJson(text);
          {
            py::gil_scoped_release release;
            model = Predict(model, horizon, levels);
          }
          return Describe(model);
        });
      },
      py::arg("text"), py::arg("horizon"), py::arg("levels"),
      "The model of a model file with forecasts of `horizon` steps and limits at `levels`.");
}

}  // namespace vordex::python
