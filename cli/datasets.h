// The sample series compiled into the tool.
#ifndef VORDEX_CLI_DATASETS_H
#define VORDEX_CLI_DATASETS_H

#include <span>
#include <string_view>

namespace vordex::cli {

// The values of one embedded series in time order, as read from data/<name>.csv at build time.
struct EmbeddedValues {
  std::string_view name;
  std::span<const double> values;
};

// Every embedded series, ordered by name. Defined in the file generated from data/*.csv.
std::span<const EmbeddedValues> EmbeddedSeriesValues();

// An embedded series with what is known about it.
struct Dataset {
  std::string_view name;
  int frequency;                 // observations per season (12 monthly, 4 quarterly, 1 annual)
  std::string_view start;        // time of the first observation ("1949-01", "1960-Q1", "1871")
  std::string_view description;  // what the values measure and where they come from
  std::span<const double> values;
};

// The series that a forecasting command uses when given no input.
inline constexpr std::string_view kDefaultDataset = "airline";

// Every embedded series, ordered by name. A series without a description has frequency 1 and
// empty start and description.
std::span<const Dataset> Datasets();

// The embedded series called name (exact, lower case), or null when there is none.
const Dataset* FindDataset(std::string_view name);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_DATASETS_H
