// Model files on the command line: --save FILE after a fit, and the time of a series' last
// observation as a model file records it.
#ifndef VORDEX_CLI_MODEL_FILE_H
#define VORDEX_CLI_MODEL_FILE_H

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include "common.h"
#include "dates.h"
#include "vordex/batch.hpp"
#include "vordex/model.hpp"

namespace vordex::cli {

// The time of observation n (1-based) of a series whose first observation is at `start`, with its
// calendar's name; nothing without a start.
std::optional<SeriesTime> LastTime(const std::optional<Time>& start, std::size_t n);

// The model of `result` fitted to `series`: its length and the time of its last observation.
Model ModelOf(batch::MethodResult result, const LoadedSeries& series);

// Writes `model` as a model file at `path` (whole, or nothing: through a temporary renamed into
// place). Returns false after writing "vordex COMMAND: reason" to err (a method that cannot be
// saved, a file that cannot be written).
bool SaveModelFile(const char* command, const std::string& path, const Model& model,
                   std::ostream& err);

// SaveModelFile of ModelOf(result, series) when `path` is not empty (--save); true otherwise.
bool SaveIfAsked(const char* command, const std::string& path, batch::MethodResult result,
                 const LoadedSeries& series, std::ostream& err);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_MODEL_FILE_H
