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
#if VORDEX_PYTHON_BATCH
  RegisterMany(m);
  RegisterEvaluation(m);
#endif
  RegisterModel(m);
}
