// The extension module vordex._vordex: the typed C++ API for the Python package. The package's
// pure-Python layer checks the arguments, passes settings as dicts keyed by the C++ field names
// and builds its result objects from the dicts returned here. Engines run without the GIL, so
// requests from several Python threads run in parallel.
#include <span>

#include "convert.h"
#if VORDEX_PYTHON_BATCH
#include "many.h"
#endif

namespace vordex::python {
namespace {

template <class Settings, class Result>
py::dict Fit(const char* method, Result (*fit)(std::span<const double>, const Settings&),
             const DoubleArray& y, const Settings& settings) {
  const std::vector<double> values = Observations(y);
  try {
    Result result;
    {
      py::gil_scoped_release release;
      result = fit(values, settings);
    }
    return ToDict(result);
  } catch (const Error& e) {
    RaiseError(method, e);
  }
}

}  // namespace
}  // namespace vordex::python

PYBIND11_MODULE(_vordex, m) {
  namespace py = pybind11;
  using namespace vordex::python;
  m.doc() = "VORDEX engines for the vordex package (use the package's functions instead).";
  m.attr("DEFAULT_SEED") = vordex::ets::kDefaultSeed;
  m.def(
      "fit_arima",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("arima", &vordex::arima::Fit, y, ArimaSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
  m.def(
      "fit_ets",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("ets", &vordex::ets::Fit, y, EtsSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
  m.def(
      "fit_armax",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("armax", &vordex::armax::Fit, y, ArmaxSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
  m.def(
      "fit_auto_arima",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("auto_arima", &vordex::auto_arima::Fit, y, AutoArimaSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
  m.def(
      "fit_theta",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("theta", &vordex::theta::Fit, y, ThetaSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
  m.def(
      "fit_auto",
      [](const DoubleArray& y, const py::dict& settings) {
        return Fit("auto", &vordex::auto_forecast::Fit, y, AutoForecastSettings(settings));
      },
      py::arg("y"), py::arg("settings"));
#if VORDEX_PYTHON_BATCH
  RegisterMany(m);
#endif
}
