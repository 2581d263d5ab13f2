// What `vordex batch` writes: the forecasts of every series as one long table, and one summary
// row per series. CSV, or JSON with one object a line (so that both can be written as the series
// finish).
#ifndef VORDEX_CLI_BATCH_OUTPUT_H
#define VORDEX_CLI_BATCH_OUTPUT_H

#include <cstddef>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common.h"
#include "dates.h"
#include "vordex/batch.hpp"

namespace vordex::cli {

enum class BatchFormat { kCsv, kJson };

// The coverage levels, in percent, of the limits that `settings` give, in order: the levels
// asked for, or the normal coverage of a critical value (100 erf(c / sqrt 2)).
std::vector<double> Levels(const batch::MethodSettings& settings);

// The rows `id,time,mean,lower_L,upper_L,...` (one pair per level L, as LevelName writes it; CSV
// with a header line), one per forecast.
class ForecastWriter {
 public:
  // `levels`: those of every series' limits (Levels of the batch's settings).
  ForecastWriter(std::ostream& out, BatchFormat format, const std::vector<double>& levels);
  // The forecasts of a series of n observations whose first is at `start` (without a time the
  // forecasts are at positions n+1, n+2, ...). Nothing for a failed series.
  void Write(const std::string& id, const std::optional<Time>& start, std::size_t n,
             const batch::MethodResult& result);

 private:
  std::ostream& out_;
  BatchFormat format_;
};

// One series' line of the summary.
struct SummaryRow {
  std::string id;
  Status status = Status::kOk;  // its name is the `status` column
  std::optional<int> code;      // Code(status); none when the input rows were at fault
  std::string message;          // why it failed, or the warnings of a fit
  std::string model;            // "ETS(M,Ad,M)", "ARIMA(0,1,1)(0,1,1)[12]", ...
  NamedValues parameters;
  // The fit statistics (NaN where there are none).
  double log_likelihood = std::numeric_limits<double>::quiet_NaN();
  double aic = std::numeric_limits<double>::quiet_NaN();
  double aicc = std::numeric_limits<double>::quiet_NaN();
  double bic = std::numeric_limits<double>::quiet_NaN();
  double sigma2 = std::numeric_limits<double>::quiet_NaN();
  std::size_t n = 0;  // observations
};

// The summary of a series' outcome (n: its observations).
SummaryRow Summarise(const batch::Outcome& outcome, std::size_t n);

// The summary of a series whose input rows cannot be fitted: status invalid_data, no code.
SummaryRow InputProblem(const std::string& id, const std::string& problem, std::size_t n);

// The rows `id,status,code,message,model,parameters,log_likelihood,aic,aicc,bic,sigma2,n`; in
// CSV the parameters are one cell "name=value name=value", in JSON an object.
class SummaryWriter {
 public:
  SummaryWriter(std::ostream& out, BatchFormat format);
  void Write(const SummaryRow& row);
  // The closing line of a run stopped by a signal (`signal`: its name, such as "SIGINT"), after
  // the lines of all `total` series, `cancelled` of them never started. CSV: "# interrupted by
  // SIGINT: 23 of 40 series cancelled"; JSON: {"interrupted":"SIGINT","cancelled":23,"series":40}.
  void WriteInterrupted(const std::string& signal, std::size_t cancelled, std::size_t total);

 private:
  std::ostream& out_;
  BatchFormat format_;
};

}  // namespace vordex::cli

#endif  // VORDEX_CLI_BATCH_OUTPUT_H
