// What the extension module shares between its single-series and many-series functions: the
// settings read from Python dicts keyed by the C++ field names (the values of enumerations by
// their names, through FromString), results written into dicts of numpy arrays and numbers, and
// vordex::Error raised as the Python vordex.Error.
#ifndef VORDEX_PYTHON_CONVERT_H
#define VORDEX_PYTHON_CONVERT_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/names.hpp"

namespace vordex::python {

namespace py = pybind11;

// Settings from a dict whose keys are field names of the method's Settings; absent keys keep
// the C++ defaults. An enumeration's value is its name (any name FromString takes). Throws
// vordex::Error kInvalidSettings for a key that is not a field, a value of the wrong type or an
// unknown name (the message lists the names allowed).
arima::Settings ArimaSettings(const py::dict& settings);
ets::Settings EtsSettings(const py::dict& settings);
armax::Settings ArmaxSettings(const py::dict& settings);
auto_arima::Settings AutoArimaSettings(const py::dict& settings);
theta::Settings ThetaSettings(const py::dict& settings);
auto_forecast::Settings AutoForecastSettings(const py::dict& settings);

// The canonical name of the value of kind `kind` ("transform", "method", "error", "trend",
// "season", "criterion", "initialization", "disturbances", "information_criterion", "search")
// named `name`. Throws vordex::Error kInvalidSettings for an unknown name (listing the names
// allowed) and std::invalid_argument for an unknown kind.
std::string CanonicalName(std::string_view kind, const py::handle& name);

// Every kind of CanonicalName with its canonical names in the enumeration's order.
py::dict AllNamesByKind();

// A result as a dict: what every method shares (mean; limits as (level, lower, upper) tuples;
// fitted; residuals; sigma2, log_likelihood, aic, aicc, bic; status as its code; warnings; the
// model's name), then the method's own fields (vectors as float64 arrays, absent optionals as
// None, enumerations by their names, messages as (title, text, style)).
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

// Raises the Python vordex.Error for a failed request, with the error's status, text and
// messages.
[[noreturn]] void RaiseError(const Error& error);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_CONVERT_H
