// Runs one export for the typed API and turns its VARIANT into cells or a vordex::Error.
#ifndef VORDEX_API_REQUEST_H
#define VORDEX_API_REQUEST_H

#include <span>
#include <vector>

#include "vordex/automation.h"
#include "vordex/error.hpp"
#include "vordex/vordex.h"

namespace vordex::api {

// Any of the three exports, with its calling convention.
using Export = decltype(&Arimadll);

// Calls `run` with the options as a VT_I2 array and the data as a VT_R8 array (both lower bound
// 0), collecting every message raised on this thread meanwhile. Returns the result cells (cell 1
// of the result array first). Throws vordex::Error for a status code or text, with the collected
// messages; warnings raised on success are returned through `warnings` when it is not null.
std::vector<double> RunExport(Export run, std::span<const short> options,
                              std::span<const double> data,
                              std::vector<Message>* warnings = nullptr);

}  // namespace vordex::api

#endif  // VORDEX_API_REQUEST_H
