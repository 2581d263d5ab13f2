// Reading one series from delimited text.
#ifndef VORDEX_CLI_SERIES_INPUT_H
#define VORDEX_CLI_SERIES_INPUT_H

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dates.h"

namespace vordex::cli {

enum class HeaderMode {
  kAuto,    // the first line is a header when it holds a cell that is not a value
  kAbsent,  // every line holds observations
};

struct ReadOptions {
  // The column to read: all digits means a 1-based position, anything else a name in the header
  // line (which a name then requires). Empty: the first column (other than the time column)
  // whose first observation is a number.
  std::string column;
  HeaderMode header = HeaderMode::kAuto;
  // The time column, named or numbered like `column`. Empty: the first column whose header is
  // one of time, date, ds, t, year, quarter, month, week, day, period and whose first cell is a
  // time, else the first column holding a date (not a plain integer); none when there is neither.
  std::string time;
};

// The observations of the chosen column, or the reason there are none.
struct ReadResult {
  std::vector<double> values;  // in the order of the lines, 0-based
  std::string name;            // the column's header cell, or "column K" without a header
  bool picked = false;         // the column was chosen among several, none being named
  std::optional<Time> start;   // the first observation's time, with a time column
  std::string time_name;       // the time column's header cell, or "column K"
  std::string error;           // empty on success; otherwise one line for the user
  bool ok() const { return error.empty(); }
};

// Reads the series from `in` (see CsvReader for the separators, quotes and blank lines). With a
// time column the observations must be in time order without gaps. Fails, naming source and the
// line and column, on: no observations, a cell that is not a number (or not a time in the time
// column), a missing column, a value that is not finite, and times that do not follow each
// other. Never throws.
ReadResult ReadSeries(std::istream& in, std::string_view source, const ReadOptions& options);

// ReadSeries on the file at path, or on standard input for "-". Fails when the file cannot be
// opened.
ReadResult ReadSeriesFile(const std::string& path, const ReadOptions& options);

// Whether a header cell names a time column (time, date, ds, t, year, quarter, month, week, day,
// period; any case).
bool IsTimeName(std::string_view name);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_SERIES_INPUT_H
