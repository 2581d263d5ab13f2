// Reading one series from delimited text.
#ifndef VORDEX_CLI_SERIES_INPUT_H
#define VORDEX_CLI_SERIES_INPUT_H

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace vordex::cli {

enum class HeaderMode {
  kAuto,    // the first line is a header when its chosen cell is not a number
  kAbsent,  // every line holds observations
};

struct ReadOptions {
  // The column to read: all digits means a 1-based position, anything else a name in the header
  // line (which a name then requires). Empty means the first column.
  std::string column;
  HeaderMode header = HeaderMode::kAuto;
};

// The observations of the chosen column, or the reason there are none.
struct ReadResult {
  std::vector<double> values;  // in the order of the lines, 0-based
  std::string name;            // the column's header cell, or "column K" without a header
  std::string error;           // empty on success; otherwise one line for the user
  bool ok() const { return error.empty(); }
};

// Reads in line by line. The separator is the first of comma, semicolon and tab found on the
// first non-blank line (comma when none is). Cells are trimmed of blanks and of one pair of
// double quotes; blank lines are skipped; a carriage return before the line end is ignored.
// Fails, naming source and the line and column, on: no observations, a cell that is not a
// number, a missing column (in the header or on any line), and a value that is not finite.
// Never throws.
ReadResult ReadSeries(std::istream& in, std::string_view source, const ReadOptions& options);

// ReadSeries on the file at path, or on standard input for "-". Fails when the file cannot be
// opened.
ReadResult ReadSeriesFile(const std::string& path, const ReadOptions& options);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_SERIES_INPUT_H
