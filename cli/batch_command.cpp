// vordex batch METHOD: one method fitted to every series of a long or wide file on all cores,
// with the forecasts as one long table and a summary line per series.
//
// The series are handed to the library's stream as they are read and their results written as
// they come back, in input order: memory holds the series in flight (16 per worker), not the
// file (see batch_input.h for the inputs that must be grouped first).
#include <atomic>
#include <csignal>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "batch_input.h"
#include "batch_output.h"
#include "commands.h"
#include "common.h"
#include "methods.h"
#include "progress.h"
#include "vordex/batch.hpp"

namespace vordex::cli {
namespace {

// Exit statuses of `vordex batch` (also in --help and the README).
constexpr int kSomeSeriesFailed = 3;  // every series has its line in the summary
constexpr int kUnreadableInput = 2;
constexpr int kUsage = 1;  // a bad option or an output that cannot be written

struct BatchOptions {
  BatchInputOptions input;
  std::string output;   // --output FILE; empty: standard output
  std::string summary;  // --summary FILE; empty: failures on the error stream only
  BatchFormat format = BatchFormat::kCsv;
  int horizon = kDefaultHorizon;
  int threads = 0;
};

// Set by the first interrupt (Ctrl-C) while a batch runs: the series not yet started are then
// cancelled, and listed in the summary as such.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// While alive, an interrupt cancels the batch instead of ending the program; a second one ends
// it as usual.
class InterruptScope {
 public:
  InterruptScope() {
    interrupted = false;
    previous_ = std::signal(SIGINT, [](int) {
      interrupted.store(true);
      std::signal(SIGINT, SIG_DFL);
    });
  }
  ~InterruptScope() { std::signal(SIGINT, previous_); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  void (*previous_)(int) = SIG_DFL;
};

void AddBatchOptions(CLI::App* command, BatchOptions& o) {
  command->add_option("file", o.input.file, "CSV file of the series (\"-\" for standard input)")
      ->required();
  command->add_flag("--wide", o.input.wide,
                    "One column per series (named by its header cell) instead of the long "
                    "format id,time,value");
  command->add_option("--id", o.input.id, "Long format: the id column (name or position)")
      ->capture_default_str();
  command->add_option("--time", o.input.time,
                      "The time column, YYYY, YYYY-Qn, YYYY-MM, YYYY-Www or YYYY-MM-DD (default: "
                      "\"time\" when there is one; wide: detected)");
  command->add_option("--value", o.input.value, "Long format: the value column")
      ->capture_default_str();
  AddHorizonOption(command, o.horizon);
  command->add_option("--output,-o", o.output,
                      "Write the forecasts (id,time,mean,lower_80,upper_80,...) to FILE instead "
                      "of standard output");
  command->add_option("--summary", o.summary,
                      "Write one line per series (status, code, message, model, parameters, "
                      "log_likelihood, aic, aicc, bic, sigma2, n) to FILE");
  static const std::map<std::string, BatchFormat> kFormats = {{"csv", BatchFormat::kCsv},
                                                              {"json", BatchFormat::kJson}};
  command->add_option("--format", o.format, "csv, or json: one object a line (default csv)")
      ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case))
      ->option_text("csv|json");
  command->add_option("--threads,-j", o.threads, "Worker threads (default: every core)")
      ->check(CLI::NonNegativeNumber);
}

// A series in flight, or one whose input rows could not be fitted.
struct Pending {
  std::string id;
  std::optional<Time> start;
  std::size_t n = 0;
  std::string problem;  // set for a series never handed to the library
};

using SettingsFor = std::function<batch::MethodSettings(int period)>;

// Runs the batch; returns the exit status.
int RunBatch(const BatchOptions& o, const char* method, const SettingsFor& settings_for,
             CommandContext& context) {
  const std::string name = std::string("vordex batch ") + method;
  std::string error;
  const std::unique_ptr<BatchSource> source = OpenBatchInput(o.input, error);
  if (!source) {
    context.err << name << ": " << error << '\n';
    return kUnreadableInput;
  }
  batch::MethodSettings settings;
  try {
    settings = settings_for(source->calendar() ? CalendarPeriod(*source->calendar()) : 0);
  } catch (const std::invalid_argument& e) {
    context.err << name << ": " << e.what() << '\n';
    return kUsage;
  }

  std::ofstream output_file, summary_file;
  const auto open = [&](std::ofstream& file, const std::string& path) {
    file.open(path, std::ios::binary);
    if (!file) context.err << name << ": " << path << ": cannot write the file\n";
    return static_cast<bool>(file);
  };
  if (!o.output.empty() && !open(output_file, o.output)) return kUsage;
  if (!o.summary.empty() && !open(summary_file, o.summary)) return kUsage;
  ForecastWriter forecasts(o.output.empty() ? context.out : output_file, o.format,
                           Levels(settings));
  std::optional<SummaryWriter> summary;
  if (!o.summary.empty()) summary.emplace(summary_file, o.format);

  // The status line only when it does not interleave with forecasts on the same screen.
  const bool show_status =
      context.err_is_terminal && (!o.output.empty() || !context.out_is_terminal);
  Progress progress(context.err, show_status, source->count());
  std::deque<Pending> pending;
  // A warning (the series has its result, less than asked for) counts as fitted.
  const auto report = [&](const SummaryRow& row) {
    if (summary) summary->Write(row);
    if (row.status != Status::kOk && !summary) {
      context.err << name << ": series " << row.id << ": "
                  << (IsWarning(row.status) ? "warning " + std::string(StatusName(row.status))
                                            : row.message);
      if (IsWarning(row.status) && !row.message.empty()) context.err << ": " << row.message;
      context.err << '\n';
    }
    progress.Add(Succeeded(row.status), row.status == Status::kCancelled);
  };
  // Series whose rows could not be fitted are reported as soon as the series before them are.
  const auto report_problems = [&] {
    while (!pending.empty() && !pending.front().problem.empty()) {
      report(InputProblem(pending.front().id, pending.front().problem, pending.front().n));
      pending.pop_front();
    }
  };
  const auto deliver = [&](batch::Outcome outcome) {
    const Pending p = std::move(pending.front());
    pending.pop_front();
    forecasts.Write(p.id, p.start, p.n, outcome.value);
    report(Summarise(outcome, p.n));
    report_problems();
  };

  batch::StreamOptions stream_options;
  stream_options.threads = o.threads;
  stream_options.cancel = &interrupted;
  // A method that simulates takes its --seed as the batch's: series `id` draws from
  // SeriesSeed(seed, id).
  std::visit(
      [&](const auto& s) {
        if constexpr (requires { s.seed; }) stream_options.seed = s.seed;
      },
      settings);
  InterruptScope interrupt_scope;
  batch::Stream stream(deliver, stream_options);
  InputSeries series;
  while (source->Next(series, error)) {
    pending.push_back(Pending{series.id, series.start, series.values.size(), series.problem});
    if (series.problem.empty()) {
      stream.Push(std::move(series.id), std::move(series.values), settings);
    } else {
      report_problems();
    }
  }
  if (!error.empty()) {
    context.err << name << ": " << error << '\n';
    return kUnreadableInput;
  }
  stream.Finish();
  report_problems();
  progress.Finish();
  std::ostream& out = o.output.empty() ? context.out : output_file;
  out.flush();
  if (!out || (summary && !summary_file.flush())) {
    context.err << name << ": the output could not be written\n";
    return kUsage;
  }
  return progress.failed() + progress.cancelled() > 0 ? kSomeSeriesFailed : 0;
}

// Adds `vordex batch NAME`, with the method's own options as its single-series command has them.
template <class MethodOptions, class Settings>
void AddBatchMethod(CLI::App* batch, CommandContext& context, const char* name,
                    const char* description, void (*add_options)(CLI::App*, MethodOptions&),
                    Settings (*settings)(const MethodOptions&, int, int)) {
  CLI::App* command = batch->add_subcommand(name, description);
  struct Options {
    BatchOptions batch;
    MethodOptions method;
  };
  auto options = std::make_shared<Options>();
  AddBatchOptions(command, options->batch);
  add_options(command, options->method);
  command->callback([&context, options, name, settings] {
    const SettingsFor settings_for = [&](int period) -> batch::MethodSettings {
      return settings(options->method, options->batch.horizon, period);
    };
    context.status = RunBatch(options->batch, name, settings_for, context);
  });
}

}  // namespace

void AddBatchCommand(CLI::App& app, CommandContext& context) {
  CLI::App* batch = app.add_subcommand(
      "batch",
      "Fit one method to every series of a file, on every core. Exit status: 0 when every "
      "series was fitted, 3 when some were not (see --summary), 2 when the input cannot be read");
  batch->require_subcommand(1);
  AddBatchMethod(batch, context, "arima", "Seasonal ARIMA for every series", &AddArimaOptions,
                 &ArimaSettings);
  AddBatchMethod(batch, context, "ets", "Exponential smoothing for every series", &AddEtsOptions,
                 &EtsSettings);
  AddBatchMethod(batch, context, "armax", "Seasonal ARMA with a constant for every series",
                 &AddArmaxOptions, &ArmaxSettings);
  AddBatchMethod(batch, context, "auto",
                 "The recommended automatic forecast (smoothing, ARIMA and Theta combined) for "
                 "every series",
                 &AddAutoOptions, &AutoSettings);
  AddBatchMethod(batch, context, "auto-arima", "Automatic ARIMA for every series",
                 &AddAutoArimaOptions, &AutoArimaSettings);
  AddBatchMethod(batch, context, "theta", "The Theta method for every series", &AddThetaOptions,
                 &ThetaSettings);
}

}  // namespace vordex::cli
