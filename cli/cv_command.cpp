// vordex cv METHOD FILE: rolling-origin cross-validation of one method on every series of a long
// or wide file (the inputs of `vordex batch`), with one row per series, origin and step, and the
// measures per series and per step.
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "batch_input.h"
#include "batch_output.h"
#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/cross_validation.hpp"

namespace vordex::cli {
namespace {

constexpr int kSomeSeriesFailed = 3;
constexpr int kUnreadableInput = 2;
constexpr int kUsage = 1;

struct CvOptions {
  BatchInputOptions input;
  batch::CrossValidationSettings validation;
  std::string output;   // --output FILE: the rows; empty: standard output
  std::string summary;  // --summary FILE: the measures per series (and "all")
  std::string by_step;  // --by-step FILE: the mean measures per step
  int threads = 0;
};

void AddCvOptions(CLI::App* command, CvOptions& o) {
  command->add_option("file", o.input.file, "CSV file of the series (\"-\" for standard input)")
      ->required();
  command->add_flag("--wide", o.input.wide, "One column per series instead of id,time,value");
  command->add_option("--id", o.input.id, "Long format: the id column")->capture_default_str();
  command->add_option("--time", o.input.time, "The time column (default: \"time\" if present)");
  command->add_option("--value", o.input.value, "Long format: the value column")
      ->capture_default_str();
  AddHorizonOption(command, o.validation.horizon);
  command->add_option("--windows", o.validation.windows, "The last N origins (default 3)")
      ->check(CLI::PositiveNumber);
  command->add_option("--step", o.validation.step, "Observations between origins (default 1)")
      ->check(CLI::PositiveNumber);
  command
      ->add_option("--initial", o.validation.initial,
                   "Instead of --windows: every origin from this many observations on")
      ->check(CLI::PositiveNumber);
  command
      ->add_option("--refit", o.validation.refit,
                   "Estimate at every k-th window and continue the model in between (1: every "
                   "window, 0: the first only; default 1)")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--conformal", o.validation.conformal,
                    "Also give split-conformal limits (conformal_lower_80, ...) from the "
                    "cross-validated errors inside each training window");
  command
      ->add_option("--conformal-windows", o.validation.conformal_windows,
                   "Windows of the conformal errors (default 3)")
      ->check(CLI::PositiveNumber);
  command
      ->add_option("--conformal-step", o.validation.conformal_step,
                   "Observations between the conformal windows (default: the horizon)")
      ->check(CLI::PositiveNumber);
  command
      ->add_option("--lag", o.validation.lag,
                   "Lag of the seasonal naive scale of MASE, RMSSE and MSIS (default: period)")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--output,-o", o.output, "Write the rows to FILE");
  command->add_option("--summary", o.summary, "Write the measures of each series to FILE");
  command->add_option("--by-step", o.by_step, "Write the mean measures of each step to FILE");
  command->add_option("--threads,-j", o.threads, "Worker threads (default: every core)")
      ->check(CLI::NonNegativeNumber);
}

std::string Cell(double x) {
  return std::isnan(x) ? "" : ShortestNumber(x);
}

// The time of observation `index` (0-based) of a series: its calendar time, or the 1-based
// position without a time column.
std::string TimeOf(const std::optional<Time>& start, long index) {
  if (!start) return std::to_string(index + 1);
  return FormatTime({start->calendar, start->ordinal + index});
}

const char* kPointHeader = "n,me,mae,rmse,mpe,mape,smape,mase,rmsse,acf1";

std::string PointCells(const PointAccuracy& a) {
  return std::to_string(a.n) + "," + Cell(a.me) + "," + Cell(a.mae) + "," + Cell(a.rmse) + "," +
         Cell(a.mpe) + "," + Cell(a.mape) + "," + Cell(a.smape) + "," + Cell(a.mase) + "," +
         Cell(a.rmsse) + "," + Cell(a.acf1);
}

std::string IntervalHeader(const std::vector<IntervalAccuracy>& intervals, const char* prefix) {
  std::string h;
  for (const IntervalAccuracy& i : intervals) {
    const std::string l = LevelName(i.level);
    h += std::string(",") + prefix + "coverage_" + l + "," + prefix + "interval_score_" + l + "," +
         prefix + "msis_" + l;
  }
  return h;
}

std::string IntervalCells(const std::vector<IntervalAccuracy>& intervals) {
  std::string c;
  for (const IntervalAccuracy& i : intervals)
    c += "," + Cell(i.coverage) + "," + Cell(i.interval_score) + "," + Cell(i.msis);
  return c;
}

void WriteRows(std::ostream& out, const batch::CrossValidationResult& r,
               const std::vector<std::optional<Time>>& starts, const std::vector<double>& levels,
               bool conformal) {
  out << "id,origin,time,step,actual,mean";
  for (double l : levels) out << ",lower_" << LevelName(l) << ",upper_" << LevelName(l);
  if (conformal)
    for (double l : levels)
      out << ",conformal_lower_" << LevelName(l) << ",conformal_upper_" << LevelName(l);
  out << '\n';
  for (std::size_t s = 0; s < r.series.size(); ++s) {
    const batch::SeriesValidation& v = r.series[s];
    for (std::size_t i = 0; i < v.origins.size(); ++i)
      for (int k = 0; k < v.steps; ++k) {
        const std::size_t j = i * v.steps + k;
        out << CsvText(v.id) << ',' << TimeOf(starts[s], v.origins[i] - 1) << ','
            << TimeOf(starts[s], v.origins[i] + k) << ',' << k + 1 << ',' << Cell(v.actual[j])
            << ',' << Cell(v.mean[j]);
        for (const Limits& l : v.limits) out << ',' << Cell(l.lower[j]) << ',' << Cell(l.upper[j]);
        for (const Limits& l : v.conformal)
          out << ',' << Cell(l.lower[j]) << ',' << Cell(l.upper[j]);
        out << '\n';
      }
  }
}

void WriteSummary(std::ostream& out, const batch::CrossValidationResult& r) {
  const batch::SeriesValidation* first = nullptr;
  for (const auto& s : r.series)
    if (Succeeded(s.status) && !s.origins.empty()) first = first ? first : &s;
  out << "id,status,message,origins," << kPointHeader << IntervalHeader(r.intervals, "")
      << IntervalHeader(r.conformal_intervals, "conformal_") << '\n';
  for (const auto& s : r.series) {
    out << CsvText(s.id) << ',' << StatusName(s.status) << ',' << CsvText(OneLine(s.text)) << ','
        << s.origins.size() << ',';
    if (Succeeded(s.status) && !s.origins.empty())
      out << PointCells(s.accuracy) << IntervalCells(s.intervals)
          << IntervalCells(s.conformal_intervals);
    out << '\n';
  }
  out << "all,,mean over series,," << PointCells(r.accuracy) << IntervalCells(r.intervals)
      << IntervalCells(r.conformal_intervals) << '\n';
  (void)first;
}

void WriteByStep(std::ostream& out, const batch::CrossValidationResult& r) {
  out << "step," << kPointHeader << '\n';
  for (std::size_t k = 0; k < r.by_step.size(); ++k)
    out << k + 1 << ',' << PointCells(r.by_step[k]) << '\n';
}

using SettingsFor = std::function<batch::MethodSettings(int period)>;

int RunCv(const CvOptions& o, const char* method, const SettingsFor& settings_for,
          CommandContext& context) {
  const std::string name = std::string("vordex cv ") + method;
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
  // Cross-validation holds every series: each is read once and kept.
  std::vector<InputSeries> inputs;
  for (InputSeries s; source->Next(s, error);) inputs.push_back(std::move(s));
  if (!error.empty()) {
    context.err << name << ": " << error << '\n';
    return kUnreadableInput;
  }
  std::vector<batch::Series> series;
  std::vector<std::optional<Time>> starts;
  for (const InputSeries& s : inputs) {
    series.push_back({s.id, s.values});
    starts.push_back(s.start);
  }
  batch::Options options;
  options.threads = o.threads;
  std::visit(
      [&](const auto& s) {
        if constexpr (requires { s.seed; }) options.seed = s.seed;
      },
      settings);
  batch::CrossValidationResult result;
  try {
    result = batch::CrossValidate(series, settings, o.validation, options);
  } catch (const Error& e) {
    context.err << name << ": " << e.text() << '\n';
    return kUsage;
  }
  const std::vector<double> levels = Levels(settings);
  const auto write = [&](const std::string& path, auto&& writer) {
    if (path.empty()) return writer(context.out), true;
    std::ofstream file(path);
    writer(file);
    file.close();
    if (file) return true;
    context.err << name << ": cannot write " << path << '\n';
    return false;
  };
  bool ok = write(o.output, [&](std::ostream& out) {
    WriteRows(out, result, starts, levels, o.validation.conformal);
  });
  if (!o.summary.empty())
    ok = write(o.summary, [&](std::ostream& out) { WriteSummary(out, result); }) && ok;
  if (!o.by_step.empty())
    ok = write(o.by_step, [&](std::ostream& out) { WriteByStep(out, result); }) && ok;
  if (!ok) return kUsage;
  int failed = 0;
  for (const auto& s : result.series) {
    if (Succeeded(s.status)) continue;
    ++failed;
    context.err << name << ": series " << s.id << ": " << StatusName(s.status) << ": "
                << OneLine(s.text) << '\n';
  }
  // The overall measures for people reading the terminal.
  context.err << name << ": " << result.series.size() - failed << " series, mean MASE "
              << Cell(result.accuracy.mase) << ", sMAPE " << Cell(result.accuracy.smape);
  for (const IntervalAccuracy& i : result.intervals)
    context.err << ", coverage " << LevelName(i.level) << "% " << Cell(100 * i.coverage);
  for (const IntervalAccuracy& i : result.conformal_intervals)
    context.err << ", conformal " << LevelName(i.level) << "% " << Cell(100 * i.coverage);
  context.err << '\n';
  return failed > 0 ? kSomeSeriesFailed : 0;
}

template <class MethodOptions, class Settings>
void AddCvMethod(CLI::App* cv, CommandContext& context, const char* name, const char* description,
                 void (*add_options)(CLI::App*, MethodOptions&),
                 Settings (*settings)(const MethodOptions&, int, int)) {
  CLI::App* command = cv->add_subcommand(name, description);
  struct Options {
    CvOptions cv;
    MethodOptions method;
  };
  auto options = std::make_shared<Options>();
  AddCvOptions(command, options->cv);
  add_options(command, options->method);
  command->callback([&context, options, name, settings] {
    const SettingsFor settings_for = [&](int period) -> batch::MethodSettings {
      return settings(options->method, options->cv.validation.horizon, period);
    };
    context.status = RunCv(options->cv, name, settings_for, context);
  });
}

}  // namespace

void AddCvCommand(CLI::App& app, CommandContext& context) {
  CLI::App* cv = app.add_subcommand(
      "cv",
      "Rolling-origin cross-validation of one method on every series of a file: one row per "
      "series, origin and forecast step (id,origin,time,step,actual,mean,lower_80,...), the "
      "measures per series (--summary) and per step (--by-step). Exit status: 0, 3 when some "
      "series failed, 2 when the input cannot be read, 1 for a bad option");
  cv->require_subcommand(1);
  AddCvMethod(cv, context, "arima", "Seasonal ARIMA", &AddArimaOptions, &ArimaSettings);
  AddCvMethod(cv, context, "ets", "Exponential smoothing", &AddEtsOptions, &EtsSettings);
  AddCvMethod(cv, context, "auto", "The automatic combination", &AddAutoOptions, &AutoSettings);
  AddCvMethod(cv, context, "auto-arima", "Automatic ARIMA", &AddAutoArimaOptions,
              &AutoArimaSettings);
  AddCvMethod(cv, context, "theta", "The Theta method", &AddThetaOptions, &ThetaSettings);
}

}  // namespace vordex::cli
