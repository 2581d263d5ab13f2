// The evaluation functions of the extension module: accuracy measures, residual diagnostics and
// cross-validation over the batch layer.
#ifndef VORDEX_PYTHON_EVALUATION_H
#define VORDEX_PYTHON_EVALUATION_H

#include <pybind11/pybind11.h>

namespace vordex::python {

// Adds measure_accuracy, measure_intervals, diagnose_residuals and cross_validate to the module.
void RegisterEvaluation(pybind11::module_& m);

}  // namespace vordex::python

#endif  // VORDEX_PYTHON_EVALUATION_H
