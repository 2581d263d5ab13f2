// Model files for the Python package: the functions of the extension that save, load, update
// and forecast fitted models through the library's JSON model files (vordex/model.hpp).
#ifndef VORDEX_PYTHON_MODEL_H
#define VORDEX_PYTHON_MODEL_H

#include <pybind11/pybind11.h>

#include "vordex/batch.hpp"

namespace vordex::python {

// The model file of a fitted result (one line of JSON), or None for a method that cannot be
// saved.
pybind11::object ModelFileOf(const batch::MethodResult& result, long observations);

// Adds model_load(text), model_update(text, y) and model_predict(text, horizon, levels), each
// returning (method, result dict, model file, observations, time, data).
void RegisterModel(pybind11::module_& m);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_MODEL_H
