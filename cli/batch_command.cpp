// vordex batch METHOD: one method fitted to every series of a long or wide file on all cores,
// with the forecasts as one long table and a summary line per series.
//
// The series are handed to the library's stream as they are read and their results written as
// they come back, in input order: memory holds the series in flight (16 per worker), not the
// file (see batch_input.h for what reading an input holds). The output files are written to
// temporaries and renamed into place when the run ends (output_file.h).
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "batch_input.h"
#include "batch_output.h"
#include "commands.h"
#include "common.h"
#include "methods.h"
#include "model_file.h"
#include "output_file.h"
#include "progress.h"
#include "regressor_options.h"
#include "vordex/batch.hpp"

namespace vordex::cli {
namespace {

// Exit statuses of `vordex batch` (also in --help and the README).
constexpr int kInterrupted = 4;       // SIGINT or SIGTERM: the outputs hold the series finished
constexpr int kSomeSeriesFailed = 3;  // every series has its line in the summary
constexpr int kUnreadableInput = 2;
constexpr int kUsage = 1;  // a bad option, or an output that cannot be written (nothing is left)

struct BatchOptions {
  BatchInputOptions input;
  std::string output;   // --output FILE; empty: standard output
  std::string summary;  // --summary FILE; empty: failures on the error stream only
  std::string models;   // --models FILE: the fitted models as JSON Lines (model_file.h)
  BatchFormat format = BatchFormat::kCsv;
  int horizon = kDefaultHorizon;
  int threads = 0;
};

// Set while a batch runs by the first SIGINT or SIGTERM, or by a failed write: the series not yet
// started are then not started (they are listed in the summary as cancelled). `stop_signal` is
// the signal's number, 0 when none came.
std::atomic<bool> stop{false};
std::atomic<int> stop_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM};

std::string SignalName(int signal) {
  return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : std::to_string(signal);
}

// While alive, SIGINT and SIGTERM stop the batch instead of ending the program; a second one ends
// it as usual. A signal the program was started to ignore stays ignored.
class InterruptScope {
 public:
  InterruptScope() {
    stop = false;
    stop_signal = 0;
    struct sigaction action {};
    action.sa_handler = [](int signal) {
      stop_signal.store(signal);
      stop.store(true);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
      sigaction(kStopSignals[i], nullptr, &previous_[i]);
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kStopSignals[i], &action, nullptr);
    }
  }
  ~InterruptScope() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
      sigaction(kStopSignals[i], &previous_[i], nullptr);
  }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  struct sigaction previous_[std::size(kStopSignals)]{};
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
                      "of standard output. FILE appears only when the run ends, complete "
                      "(standard output is written as the series finish)");
  command->add_option("--summary", o.summary,
                      "Write one line per series (status, code, message, model, parameters, "
                      "log_likelihood, aic, aicc, bic, sigma2, n) to FILE, which appears only "
                      "when the run ends");
  static const std::map<std::string, BatchFormat> kFormats = {{"csv", BatchFormat::kCsv},
                                                              {"json", BatchFormat::kJson}};
  command->add_option("--models", o.models,
                      "Write each fitted model to FILE, one model file a line (JSON Lines, with "
                      "the series' id), which appears only when the run ends");
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
  std::size_t missing = 0;  // values that are NaN
  std::string problem;      // set for a series never handed to the library
};

// The settings of one series from the batch's, for a method whose settings depend on the series
// (its regressors); throws std::invalid_argument with the reason the series cannot be fitted.
using SeriesSettings =
    std::function<batch::MethodSettings(const InputSeries&, const batch::MethodSettings&)>;

struct BatchSettings {
  batch::MethodSettings method;
  SeriesSettings for_series;  // empty: every series takes `method`
};

// The settings for the file's series, from the period and the calendar of their times. Throws
// std::invalid_argument for settings that cannot be taken, std::runtime_error for a file they
// name that cannot be read.
using SettingsFor = std::function<BatchSettings(int period, std::optional<Calendar> calendar)>;

// Each series' regressors: the --xreg columns read with it and their values ahead from the
// --future file (a long file: id, time, the columns; the horizon is the series' rows there), then
// the ready-made ones for its length, times and horizon.
SeriesSettings RegressorsFor(const RegressorOptions& x, const BatchInputOptions& input,
                             const std::optional<Calendar>& calendar) {
  if (!x.xreg.empty() && x.future.empty())
    throw std::invalid_argument(
        "--xreg needs --future FILE: the regressors' values ahead for each series (id,time and "
        "the --xreg columns, one row per step)");
  if (x.xreg.empty() && !x.future.empty())
    throw std::invalid_argument("--future gives the future values of --xreg columns");
  // A bad --fourier or --event is the run's error, not each series'.
  ReadyMadeRegressors(x, 1, calendar ? std::optional<Time>(Time{*calendar, 0}) : std::nullopt, 1);
  std::shared_ptr<const FutureFile> future;
  if (!x.future.empty()) {
    std::string error;
    std::optional<FutureFile> read = ReadFutureFile(x.future, input, calendar, error);
    if (!read) throw std::runtime_error(error);
    future = std::make_shared<const FutureFile>(std::move(*read));
  }
  return [x, future](const InputSeries& s, const batch::MethodSettings& base) {
    batch::MethodSettings out = base;
    std::visit(
        [&](auto& m) {
          if constexpr (requires { m.regressors; }) {
            Design d;
            int horizon = m.horizon;
            if (future) {
              const auto at = future->find(s.id);
              if (at == future->end())
                throw std::invalid_argument(x.future + " has no rows for the series");
              const FutureRegressors& f = at->second;
              if (s.start && f.start) {
                const Time next{s.start->calendar,
                                s.start->ordinal + static_cast<std::int64_t>(s.values.size())};
                if (f.start->ordinal != next.ordinal)
                  throw std::invalid_argument(x.future + ": the series' first time there is " +
                                              FormatTime(*f.start) + ", but its next is " +
                                              FormatTime(next));
              }
              d.in_sample = s.regressors;
              d.future = f.values;
              horizon = static_cast<int>(f.values.rows());
            }
            d.Append(ReadyMadeRegressors(x, s.values.size(), s.start, horizon));
            m.horizon = horizon;
            m.regressors = std::move(d.in_sample);
            m.future = std::move(d.future);
          }
        },
        out);
    return out;
  };
}

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
  SeriesSettings for_series;
  try {
    BatchSettings b = settings_for(source->calendar() ? CalendarPeriod(*source->calendar()) : 0,
                                   source->calendar());
    settings = std::move(b.method);
    for_series = std::move(b.for_series);
  } catch (const std::invalid_argument& e) {
    context.err << name << ": " << e.what() << '\n';
    return kUsage;
  } catch (const std::runtime_error& e) {
    context.err << name << ": " << e.what() << '\n';
    return kUnreadableInput;
  }

  // The files appear under their names only when the run ends (output_file.h); standard output
  // is written as the series finish.
  AtomicOutputFile output_file, summary_file, models_file;
  for (const auto& [file, path] : {std::pair{&output_file, &o.output},
                                   {&summary_file, &o.summary},
                                   {&models_file, &o.models}}) {
    if (!path->empty() && !file->Open(*path, error)) {
      context.err << name << ": " << error << '\n';
      return kUsage;
    }
  }
  ForecastWriter forecasts(o.output.empty() ? context.out : output_file.stream(), o.format,
                           Levels(settings));
  std::optional<SummaryWriter> summary;
  if (!o.summary.empty()) summary.emplace(summary_file.stream(), o.format);

  // The status line only when it does not interleave with forecasts on the same screen.
  const bool show_status =
      context.err_is_terminal && (!o.output.empty() || !context.out_is_terminal);
  Progress progress(context.err, show_status, source->count());
  std::deque<Pending> pending;
  // A warning (the series has its result, less than asked for) counts as fitted. A cancelled
  // series is not named on the error stream: one line at the end counts them.
  const auto report = [&](const SummaryRow& row) {
    if (summary) summary->Write(row);
    if (row.status != Status::kOk && row.status != Status::kCancelled && !summary) {
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
      report(InputProblem(pending.front().id, pending.front().problem, pending.front().n,
                          pending.front().missing));
      pending.pop_front();
    }
  };
  // A full disk stops the run: no series more is started.
  bool write_failed = false;
  const auto deliver = [&](batch::Outcome outcome) {
    const Pending p = std::move(pending.front());
    pending.pop_front();
    forecasts.Write(p.id, p.start, p.n, outcome.value);
    // A fit without a state to continue from (a fallback forecast, the MSTL route) keeps its
    // forecasts; its summary line says that its model is not in the file.
    std::string unsaved;
    if (!o.models.empty() && outcome.ok()) {
      Model model{
          .id = p.id, .observations = static_cast<long>(p.n), .time = LastTime(p.start, p.n)};
      model.result = std::move(outcome.value);
      try {
        models_file.stream() << ToJson(model) << '\n';
      } catch (const Error& e) {
        unsaved = e.text();
      }
      outcome.value = std::move(model.result);
    }
    SummaryRow row = Summarise(outcome, p.n, p.missing);
    if (!unsaved.empty())
      row.message += (row.message.empty() ? "" : "; ") + std::string("model not saved: ") + unsaved;
    report(row);
    report_problems();
    if (output_file.failed() || summary_file.failed() || models_file.failed()) {
      write_failed = true;
      stop = true;
    }
  };

  batch::StreamOptions stream_options;
  stream_options.threads = o.threads;
  stream_options.cancel = &stop;
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
  while (!write_failed) {
    if (stop) {
      // Interrupted: the remaining series are only listed (the stream gives them the status
      // cancelled); their values are not read.
      std::string id;
      std::size_t rows = 0;
      if (!source->Skip(id, rows, error)) break;
      pending.push_back(Pending{id, std::nullopt, rows, 0, ""});
      stream.Push(std::move(id), {}, settings);
      continue;
    }
    if (!source->Next(series, error)) break;
    std::optional<batch::MethodSettings> own;
    if (for_series && series.problem.empty()) {
      try {
        own = for_series(series, settings);
      } catch (const std::invalid_argument& e) {
        series.problem = e.what();
      }
    }
    const auto missing = static_cast<std::size_t>(std::count_if(
        series.values.begin(), series.values.end(), [](double v) { return std::isnan(v); }));
    pending.push_back(
        Pending{series.id, series.start, series.values.size(), missing, series.problem});
    if (series.problem.empty()) {
      stream.Push(std::move(series.id), std::move(series.values), own ? std::move(*own) : settings);
    } else {
      report_problems();
    }
  }
  if (!error.empty()) {
    context.err << name << ": " << error << '\n';
    return kUnreadableInput;  // the files are discarded
  }
  stream.Finish();
  report_problems();
  // A signal after the last series started stops nothing: the run is complete.
  const bool interrupted = stop_signal != 0 && progress.cancelled() > 0;
  if (interrupted && summary)
    summary->WriteInterrupted(SignalName(stop_signal), progress.cancelled(), source->count());
  progress.Finish();
  if (interrupted) {
    context.err << name << ": interrupted by " << SignalName(stop_signal) << ": "
                << progress.cancelled() << " series not started (status cancelled)"
                << (o.output.empty() && o.summary.empty() ? "" : "; the files hold the others")
                << '\n';
  }

  // Both files are closed (written out and synced) before either is renamed into place, so that
  // a failure leaves neither.
  bool written = output_file.Close(error) && summary_file.Close(error) && models_file.Close(error);
  written = written && output_file.Commit(error) && summary_file.Commit(error) &&
            models_file.Commit(error);
  if (!written) {
    context.err << name << ": " << error << " (the run is not saved)\n";
    return kUsage;
  }
  if (o.output.empty() && !context.out.flush()) {
    context.err << name << ": the standard output could not be written\n";
    return kUsage;
  }
  if (interrupted) return kInterrupted;
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
    const SettingsFor settings_for = [&](int period,
                                         std::optional<Calendar> calendar) -> BatchSettings {
      if constexpr (requires { options->method.calendar; }) options->method.calendar = calendar;
      BatchSettings b{settings(options->method, options->batch.horizon, period), {}};
      if constexpr (requires { options->method.regressors; }) {
        const RegressorOptions& x = options->method.regressors;
        if (x.any() || !x.future.empty())
          b.for_series = RegressorsFor(x, options->batch.input, calendar);
      }
      return b;
    };
    if constexpr (requires { options->method.regressors; })
      options->batch.input.xreg = options->method.regressors.xreg;
    context.status = RunBatch(options->batch, name, settings_for, context);
  });
}

}  // namespace

void AddBatchCommand(CLI::App& app, CommandContext& context) {
  CLI::App* batch = app.add_subcommand(
      "batch",
      "Fit one method to every series of a file, on every core. The files of --output and "
      "--summary appear only when the run ends, complete; standard output is written as the "
      "series finish. SIGINT (Ctrl-C) or SIGTERM stops the run after the series being fitted: the "
      "others are listed as cancelled and the files saved. Exit status: 0 when every series was "
      "fitted, 3 when some were not (see --summary), 4 when interrupted, 2 when the input cannot "
      "be read, 1 for a bad option or an output that cannot be written (nothing is saved)");
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
