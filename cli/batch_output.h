// What `vordex batch` writes: the forecasts of every series as one long table, and one summary
// row per series. CSV, or JSON with one object a line (so that both can be written as the series
// finish).
#ifndef VORDEX_CLI_BATCH_OUTPUT_H
#define VORDEX_CLI_BATCH_OUTPUT_H

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dates.h"
#include "vordex/batch.hpp"

namespace vordex::cli {

enum class BatchFormat { kCsv, kJson };

// The rows `id,time,forecast,lower,upper` (CSV with a header line), one per forecast.
class ForecastWriter {
 public:
  ForecastWriter(std::ostream& out, BatchFormat format);
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
  std::string status;       // ok, failed or cancelled
  std::optional<int> code;  // the library's status code (none for a problem of the input rows)
  std::string message;      // why it failed, or the warnings of a fit
  std::string model;        // "ETS(M,Ad,M)", "ARIMA(0,1,1)(0,1,1)[12]", ...
  std::vector<std::pair<std::string, double>> parameters;
  std::optional<double> log_likelihood, information_criterion, sigma2;
  std::size_t n = 0;  // observations
};

// The summary of a series' outcome; `settings` are those it was fitted with.
SummaryRow Summarise(const batch::Outcome& outcome, const batch::MethodSettings& settings,
                     std::size_t n);

// The name of the information criterion that Summarise reports for `settings` ("aic", "bic").
std::string CriterionName(const batch::MethodSettings& settings);

// The rows `id,status,code,message,model,parameters,log_likelihood,<criterion>,sigma2,n`; in CSV
// the parameters are one cell "name=value name=value", in JSON an object.
class SummaryWriter {
 public:
  SummaryWriter(std::ostream& out, BatchFormat format, std::string criterion);
  void Write(const SummaryRow& row);

 private:
  std::ostream& out_;
  BatchFormat format_;
  std::string criterion_;
};

}  // namespace vordex::cli

#endif  // VORDEX_CLI_BATCH_OUTPUT_H
