// The extension module vordex._vordex: the typed C++ API for the Python package. The package's
// pure-Python layer checks the arguments, passes settings as dicts keyed by the C++ field names
// and builds its result objects from the dicts returned here. The library's names (of every
// enumeration, of the statuses, of fitted models) and defaults come from here, so the package
// keeps no table of its own. Engines run without the GIL, so requests from several Python threads
// run in parallel.
#include <pybind11/stl.h>

#include <span>
#include <string>

#include "convert.h"
#include "model.h"
#include "vordex/forecast.hpp"
#include "vordex/regressors.hpp"
#if VORDEX_PYTHON_BATCH
#include "evaluation.h"
#include "many.h"
#endif

namespace vordex::python {
namespace {

template <class Settings, class Result>
py::dict Fit(Settings (*read)(const py::dict&),
             Result (*fit)(std::span<const double>, const Settings&), const DoubleArray& y,
             const py::dict& settings) {
  try {
    const std::vector<double> values = Observations(y);
    const Settings s = read(settings);
    Result result;
    {
      py::gil_scoped_release release;
      result = fit(values, s);
    }
    py::dict d = ToDict(result);
    d["model_file"] = ModelFileOf(result, static_cast<long>(values.size()));
    return d;
  } catch (const Error& e) {
    RaiseError(e);
  }
}

template <class Settings, class Result>
void Define(py::module_& m, const char* name, Settings (*read)(const py::dict&),
            Result (*fit)(std::span<const double>, const Settings&)) {
  m.def(
      name,
      [read, fit](const DoubleArray& y, const py::dict& settings) {
        return Fit(read, fit, y, settings);
      },
      py::arg("y"), py::arg("settings"));
}

// A design as (names, in-sample values by columns, future values by columns).
py::tuple DesignTuple(const Design& d) {
  return py::make_tuple(d.in_sample.names, d.in_sample.values, d.future.values);
}

template <class Make>
py::tuple Made(Make make) {
  try {
    return DesignTuple(make());
  } catch (const Error& e) {
    RaiseError(e);
  }
}

void DefineRegressors(py::module_& m) {
  m.def(
      "fourier",
      [](std::size_t rows, int horizon, const std::vector<double>& periods,
         const std::vector<int>& orders) {
        return Made([&] {
          std::vector<FourierPeriod> f;
          for (std::size_t i = 0; i < periods.size() && i < orders.size(); ++i)
            f.push_back({periods[i], orders[i]});
          if (periods.size() != orders.size())
            throw Error(Status::kInvalidSettings, "fourier: as many orders K as periods needed");
          return FourierTerms(rows, horizon, f);
        });
      },
      py::arg("rows"), py::arg("horizon"), py::arg("periods"), py::arg("orders"));
  m.def(
      "trend",
      [](std::size_t rows, int horizon) { return Made([&] { return Trend(rows, horizon); }); },
      py::arg("rows"), py::arg("horizon"));
  m.def(
      "event_positions",
      [](const std::string& name, std::size_t rows, int horizon, const std::vector<long>& at) {
        return Made([&] { return EventDummy(name, rows, horizon, at); });
      },
      py::arg("name"), py::arg("rows"), py::arg("horizon"), py::arg("positions"));
  m.def(
      "event_times",
      [](const std::string& name, const std::vector<double>& times,
         const std::vector<double>& future_times, const std::vector<double>& events) {
        return Made([&] { return EventDummy(name, times, future_times, events); });
      },
      py::arg("name"), py::arg("times"), py::arg("future_times"), py::arg("events"));
}

}  // namespace
}  // namespace vordex::python

PYBIND11_MODULE(_vordex, m) {
  namespace py = pybind11;
  using namespace vordex::python;
  m.doc() = "VORDEX engines for the vordex package (use the package's functions instead).";
  m.attr("DEFAULT_SEED") = vordex::ets::kDefaultSeed;
  m.attr("DEFAULT_HORIZON") = vordex::kDefaultHorizon;
  m.attr("DEFAULT_LEVELS") = py::tuple(py::cast(vordex::kDefaultLevels));
  m.attr("NAMES") = AllNamesByKind();
  py::list statuses;
  for (const auto& [status, name] : vordex::AllNames<vordex::Status>())
    statuses.append(py::make_tuple(py::str(name.data(), name.size()), vordex::Code(status),
                                   vordex::Succeeded(status), vordex::IsWarning(status)));
  m.attr("STATUSES") = py::tuple(statuses);
  m.def(
      "canonical_name",
      [](const std::string& kind, const py::object& name) {
        try {
          return CanonicalName(kind, name);
        } catch (const vordex::Error& e) {
          RaiseError(e);
        }
      },
      py::arg("kind"), py::arg("name"),
      "The canonical name of the value of `kind` named `name` (FromString, then ToString); "
      "raises vordex.Error for an unknown name.");
  Define(m, "fit_arima", &ArimaSettings, &vordex::arima::Fit);
  Define(m, "fit_ets", &EtsSettings, &vordex::ets::Fit);
  Define(m, "fit_armax", &ArmaxSettings, &vordex::armax::Fit);
  Define(m, "fit_auto_arima", &AutoArimaSettings, &vordex::auto_arima::Fit);
  Define(m, "fit_theta", &ThetaSettings, &vordex::theta::Fit);
  Define(m, "fit_auto", &AutoForecastSettings, &vordex::auto_forecast::Fit);
  DefineRegressors(m);
#if VORDEX_PYTHON_BATCH
  RegisterMany(m);
  RegisterEvaluation(m);
#endif
  RegisterModel(m);
}
