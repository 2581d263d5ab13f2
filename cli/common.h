// What every forecasting command shares: where the series comes from and how results are
// written. A method's command adds these options to its subcommand, then its own.
#ifndef VORDEX_CLI_COMMON_H
#define VORDEX_CLI_COMMON_H

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "dates.h"
#include "vordex/error.hpp"
#include "vordex/forecast.hpp"
#include "vordex/names.hpp"

namespace vordex::cli {

// Where the series comes from: a CSV file (or "-" for standard input), an embedded series, or,
// with neither, the embedded airline series.
struct InputOptions {
  std::string file;        // positional FILE
  std::string dataset;     // --dataset NAME
  std::string column;      // --column NAME|K (1-based position); empty: the first numeric one
  std::string time;        // --time NAME|K; empty: detected (see ReadOptions)
  bool no_header = false;  // --no-header: the first line holds an observation too
};

enum class OutputFormat { kTable, kCsv, kJson };

// Options every forecasting command takes.
struct CommonOptions {
  InputOptions input;
  OutputFormat format = OutputFormat::kTable;  // --format table|csv|json
  int horizon = kDefaultHorizon;               // --horizon H (0: no forecasts)
};

// Adds FILE, --dataset, --column, --time and --no-header to command; FILE and --dataset exclude
// each other.
void AddInputOptions(CLI::App* command, InputOptions& options);
// Adds --format.
void AddFormatOption(CLI::App* command, OutputFormat& format);
// Adds --horizon (at least 1); the value horizon holds is the default.
void AddHorizonOption(CLI::App* command, int& horizon);
// All three of the above.
void AddCommonOptions(CLI::App* command, CommonOptions& options);

// Adds --level L[,L...]: coverages of the limits in percent, each in (0, 100); a value below 1
// is refused as a probably meant fraction. `levels` holds the default (kDefaultLevels).
CLI::Option* AddLevelOption(CLI::App* command, std::vector<double>& levels);

// The names of Enum's values (AllNames, names.hpp) joined by `separator`.
template <class Enum>
std::string NamesOf(std::string_view separator) {
  std::string names;
  for (const auto& [value, name] : AllNames<Enum>()) {
    if (!names.empty()) names += separator;
    names += name;
  }
  return names;
}

// Adds an option whose value is one of Enum's names (FromString: any case, '-' for '_', the
// library's aliases); the help lists the canonical names and the default, `value`'s own.
template <class Enum>
CLI::Option* AddNamedOption(CLI::App* command, const std::string& name, Enum& value,
                            const std::string& description) {
  const CLI::Validator known(
      [](std::string& text) -> std::string {
        if (FromString<Enum>(text)) return {};
        return "\"" + text + "\" is none of " + NamesOf<Enum>(", ");
      },
      NamesOf<Enum>("|"));
  return command
      ->add_option_function<std::string>(
          name, [&value](const std::string& text) { value = *FromString<Enum>(text); },
          description + " (default " + std::string(ToString(value)) + ")")
      ->check(known);
}

// Level names in columns are the library's (vordex::LevelName: 80, 95, 99.5).
using vordex::LevelName;

// A series ready for a method, or the reason there is none.
struct LoadedSeries {
  std::vector<double> values;
  std::string name;           // the dataset's name, or the column's name
  int frequency = 0;          // observations per season of an embedded series or of the times'
                              // calendar (12 for months, ...); 0 when unknown
  std::optional<Time> start;  // the first observation's time, when a file has a time column
  std::string note;           // which columns a file was read from, when they were chosen
  std::string error;          // empty on success; one line for the user otherwise
  bool ok() const { return error.empty(); }
};

// Reads the series that options name. Never throws.
LoadedSeries LoadSeries(const InputOptions& options);

// Loads the series for `command` (its name in messages): on failure writes the error to err and
// gives nothing; otherwise writes the note on the columns chosen, if any, to err.
std::optional<LoadedSeries> LoadSeriesFor(const char* command, const InputOptions& options,
                                          std::ostream& err);

// One cell of output: a number (NaN is a missing value: "-" in tables, empty in CSV, null in
// JSON) or a text.
using Cell = std::variant<double, std::string>;

// A named column of cells. Columns of one section should be equally long; shorter ones are
// padded with missing values.
struct Column {
  std::string name;
  std::vector<Cell> cells;
};

// A titled group of columns: forecasts, coefficients, statistics, ...
struct Section {
  std::string title;  // a heading in tables, the key in JSON ("forecasts")
  std::vector<Column> columns;
  // A record: two columns of names and values, written as one JSON object {name: value, ...}
  // (as rows in tables and CSV).
  bool record = false;
};

// A record section from a column of names and a column of values.
Section Record(std::string title, Column names, Column values);

// Writes sections to out in format:
//  - table: each section's title (only when there are several), then its columns under their
//    names, numbers right-aligned with 6 significant digits, text left-aligned; a blank line
//    between sections;
//  - csv: per section a header row and one row per cell, numbers in shortest round-trip form;
//    sections after the first are preceded by a blank line and a line "# title";
//  - json: one object with one key per section title, each an array of row objects (an object
//    of the names' values for a record); integral numbers are written without a fraction.
void WriteSections(std::ostream& out, OutputFormat format, const std::vector<Section>& sections);

// A column of numbers.
Column NumberColumn(std::string name, const std::vector<double>& values);

// Numbers under their names, in order (coefficients, parameters, statistics).
using NamedValues = std::vector<std::pair<std::string, double>>;

// A record section of named numbers.
Section Record(std::string title, const NamedValues& values);

// The forecasts of a series: its times continued, `mean`, then `lower_L` and `upper_L` for each
// level L of the limits, in their order.
Section ForecastSection(const LoadedSeries& series, const Forecast& forecast);

// The fit statistics every method shares (sigma2, log_likelihood, aic, aicc, bic; missing where
// the method has none), then the method's own `extra` ones.
Section Statistics(const Forecast& result, const NamedValues& extra = {});

// Writes the messages of a request ("title: text") to err.
void ReportMessages(const std::vector<Message>& messages, std::ostream& err);

// Reports a failed request of `command` on err: its messages, then one line with the reason and
// the status's name ("vordex arima: <text> (arima_seasonal_for_non_seasonal)").
void ReportFailure(const char* command, const Error& error, std::ostream& err);

// Reports what a successful request raised on err: its messages, and a warning status by name.
void ReportWarnings(const char* command, const Forecast& result, std::ostream& err);

// The times of observations first .. first + count - 1 (0-based; from N on, forecasts): the
// series' times continued ("time") when it came with a time column, else the 1-based positions
// ("t").
Column TimeColumn(const LoadedSeries& series, std::size_t first, std::size_t count);

// The shortest text that reads back as x exactly (CSV numbers).
std::string ShortestNumber(double x);

// A CSV cell for text: quoted (with quotes doubled) when it holds a separator, quote or line end.
std::string CsvText(const std::string& text);

// A text on one line: line ends become blanks.
std::string OneLine(std::string text);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_COMMON_H
