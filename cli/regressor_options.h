// The regressors of a regression with ARIMA errors, as the tool takes them: columns of the input
// file (--xreg) with their future values from another file (--future), and ready-made ones
// (--fourier, --trend, --event).
#ifndef VORDEX_CLI_REGRESSOR_OPTIONS_H
#define VORDEX_CLI_REGRESSOR_OPTIONS_H

#include <CLI/CLI.hpp>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common.h"
#include "vordex/arima.hpp"
#include "vordex/regressors.hpp"

namespace vordex::cli {

struct RegressorOptions {
  std::vector<std::string> xreg;     // --xreg COL[,COL...]: columns of the input file
  std::string future;                // --future FILE: their values ahead, one row per step
  std::vector<std::string> fourier;  // --fourier PERIOD:K (repeatable, or a comma list)
  bool trend = false;                // --trend: the regressor t = 1..n
  std::vector<std::string> events;   // --event [NAME=]TIME[,TIME...] (repeatable)
  bool drift = false;                // --drift (the ARIMA command only)
  bool any() const { return !xreg.empty() || !fourier.empty() || trend || !events.empty(); }
};

// Adds --xreg, --future, --fourier, --trend and --event to command (and --drift with_drift).
void AddRegressorOptions(CLI::App* command, RegressorOptions& options, bool with_drift);

// The regressors for `series` read from `input` (the file it came from) and their future values:
// the --xreg columns, then the Fourier terms, the trend and the events, in that order. The
// horizon is the --future file's row count when it is given, else `horizon`. An event's times
// are the time column's (YYYY-MM-DD etc.; a day marks the month, quarter or week that holds it)
// or plain integers, 1-based positions (years when the times are years); times after the series
// fall in the forecasts. Throws
// std::invalid_argument with the message for the user: --xreg without a file, or with standard
// input; a column or future file that cannot be read; a future file without one of the columns;
// --xreg without --future when forecasts are asked for; a future file whose first time does not
// follow the series' last; an unreadable --fourier or --event.
Design BuildRegressors(const RegressorOptions& options, const InputOptions& input,
                       const LoadedSeries& series, int horizon);

// The ready-made regressors alone (--fourier, --trend, --event) for a series of `rows` values from
// `start` (no time column: none) and `horizon` steps ahead; throws as BuildRegressors.
Design ReadyMadeRegressors(const RegressorOptions& options, std::size_t rows,
                           const std::optional<Time>& start, int horizon);

// Puts the regressors of BuildRegressors into a method's settings (arima::Settings or
// auto_arima::Settings): regressors, future and the horizon they give. Nothing without any.
template <class Settings>
void SetRegressors(const RegressorOptions& options, const InputOptions& input,
                   const LoadedSeries& series, Settings& settings) {
  if (!options.any() && options.future.empty()) return;
  Design d = BuildRegressors(options, input, series, settings.horizon);
  settings.horizon = static_cast<int>(d.future.rows());
  settings.regressors = std::move(d.in_sample);
  settings.future = std::move(d.future);
}

// The regression coefficients with their standard errors ("regression": name, estimate,
// standard_error).
Section RegressionSection(const std::vector<arima::Coefficient>& coefficients);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_REGRESSOR_OPTIONS_H
