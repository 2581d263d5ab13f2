// The many-series functions of the extension module, over the batch layer.
#ifndef VORDEX_PYTHON_MANY_H
#define VORDEX_PYTHON_MANY_H

#include <pybind11/pybind11.h>

namespace vordex::python {

// Adds fit_many (the batch layer's FitMany) and series_seed (SeriesSeed) to the module.
void RegisterMany(pybind11::module_& m);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_MANY_H
