// What the extension module shares between its single-series and many-series functions: the
// settings read from Python dicts keyed by the C++ field names, results written into dicts of
// numpy arrays and numbers, and vordex::Error raised as the Python vordex.Error.
#ifndef VORDEX_PYTHON_CONVERT_H
#define VORDEX_PYTHON_CONVERT_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"

namespace vordex::python {

namespace py = pybind11;

// Settings from a dict whose keys are field names of the method's Settings; absent keys keep
// the C++ defaults. Throws TypeError for a key that is not a field or a value of the wrong type.
arima::Settings ArimaSettings(const py::dict& settings);
ets::Settings EtsSettings(const py::dict& settings);
armax::Settings ArmaxSettings(const py::dict& settings);
auto_arima::Settings AutoArimaSettings(const py::dict& settings);
theta::Settings ThetaSettings(const py::dict& settings);
auto_forecast::Settings AutoForecastSettings(const py::dict& settings);

// A result as a dict keyed by the fields of the method's Result (vectors as float64 arrays,
// absent optionals as None, enums as their integer codes, messages as (title, text, style)).
py::dict ToDict(const arima::Result& r);
py::dict ToDict(const ets::Result& r);
py::dict ToDict(const armax::Result& r);
py::dict ToDict(const auto_arima::Result& r);
py::dict ToDict(const theta::Result& r);
py::dict ToDict(const auto_forecast::Result& r);

py::list ToList(const std::vector<Message>& messages);

// The observations as doubles: a one-dimensional array of doubles (other numeric types only by a
// safe cast, never from text), copied so that the engine can run without the GIL while Python
// code changes the array.
using DoubleArray = py::array_t<double, py::array::c_style>;
std::vector<double> Observations(const DoubleArray& y);

// Raises the Python vordex.Error for a failed request of `method` ("arima", "ets", "armax"): the
// method tells which checker's rule a status code names.
[[noreturn]] void RaiseError(const char* method, const Error& error);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_CONVERT_H
