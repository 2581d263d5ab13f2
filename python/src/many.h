// The many-series functions of the extension module, over the batch layer.
#ifndef VORDEX_PYTHON_MANY_H
#define VORDEX_PYTHON_MANY_H

#include <pybind11/pybind11.h>

#include "vordex/batch.hpp"

namespace vordex::python {

// The settings of `method` read from their dict (convert.h's readers), as a batch takes them.
batch::MethodSettings ReadSettings(Method method, const pybind11::dict& settings);

// Adds fit_many (the batch layer's FitMany) and series_seed (SeriesSeed) to the module.
void RegisterMany(pybind11::module_& m);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_MANY_H
