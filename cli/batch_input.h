// Reading the many series of `vordex batch`: long files (one row per observation, with columns
// for the series' id, the time and the value) or wide files (one column per series).
//
// Memory: a long file whose rows of each series are contiguous is read series by series (a first
// pass checks every row and counts the series, a second reads them), so only one series is held
// at a time. A long file whose series are interleaved is indexed instead of grouped: a second
// pass records where each series' rows are (1 to 5 bytes a row: 4 for rows 2 to 256 MB apart),
// and each series is then read from there, again one at a time. While the file is checked and
// indexed each series also takes its id and about 80 bytes. A wide file is held in memory (8 bytes
// a cell). Standard input is first copied to a temporary file, so that it can be read again.
#ifndef VORDEX_CLI_BATCH_INPUT_H
#define VORDEX_CLI_BATCH_INPUT_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dates.h"
#include "vordex/regressors.hpp"

namespace vordex::cli {

struct BatchInputOptions {
  std::string file;  // a path, or "-" for standard input
  bool wide = false;
  // Long files: the columns of the id, the time and the value, by header name or 1-based
  // position. An empty time means the column named "time" when there is one, else none (the
  // rows of a series are then in time order).
  std::string id = "id";
  std::string time;
  std::string value = "value";
  // Long files: regressor columns (--xreg), read with each series' values.
  std::vector<std::string> xreg;
  // Wide files: the time column as for single series (empty: detected); every other column is a
  // series, named by its header cell.
};

// One series as read: its id, observations in time order and the time of the first, or the
// reason it cannot be fitted (times repeated or missing; the values are then those read).
struct InputSeries {
  std::string id;
  std::vector<double> values;  // missing values are NaN; leading and trailing ones are dropped
  std::optional<Time> start;   // with a time column and at least one value
  std::string problem;         // empty when the series can be fitted
  Regressors regressors;       // the --xreg columns at the values' times
};

// The series of an input, one at a time in the order of their first rows.
class BatchSource {
 public:
  virtual ~BatchSource() = default;
  // The next series, or false at the end. `error` is set (and false returned) when the input
  // cannot be read after all (it changed since it was checked).
  virtual bool Next(InputSeries& series, std::string& error) = 0;
  // Passes over the next series, giving only its id and its number of rows (for a series that
  // will not be fitted); false at the end or, with `error` set, when the input cannot be read.
  virtual bool Skip(std::string& id, std::size_t& rows, std::string& error) {
    InputSeries series;
    if (!Next(series, error)) return false;
    id = std::move(series.id);
    rows = series.values.size();
    return true;
  }
  // The number of series.
  std::size_t count() const { return count_; }
  // The calendar of the time column, when there is one.
  const std::optional<Calendar>& calendar() const { return calendar_; }

 protected:
  std::size_t count_ = 0;
  std::optional<Calendar> calendar_;
};

// Opens and checks the input: every row is read once, and the first that cannot be (a missing
// column, a value that is neither a number nor a missing marker, a time of another form than
// the first) gives the error, naming the line and column. Missing markers: an empty cell, NA or
// NaN. Never throws.
std::unique_ptr<BatchSource> OpenBatchInput(const BatchInputOptions& options, std::string& error);

// The regressors' future values of each series, from a long file with the input's id and time
// columns (a time column only when the input has one) and the --xreg columns.
struct FutureRegressors {
  std::optional<Time> start;  // the first future time, with a time column
  Regressors values;          // one row per step ahead
};
using FutureFile = std::unordered_map<std::string, FutureRegressors>;

// Reads the future file `path` for an input read with `options` (whose times are of `calendar`):
// every series' rows, put in time order. Sets error, naming the line and column, for a missing
// column, a cell that is not a number (a future value cannot be missing), a time of another form
// than the input's, and a time repeated or skipped within a series.
std::optional<FutureFile> ReadFutureFile(const std::string& path, const BatchInputOptions& options,
                                         const std::optional<Calendar>& calendar,
                                         std::string& error);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_BATCH_INPUT_H
