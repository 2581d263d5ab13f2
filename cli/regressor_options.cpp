#include "regressor_options.h"

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "csv.h"
#include "dates.h"
#include "series_input.h"

namespace vordex::cli {
namespace {

[[noreturn]] void Refuse(const std::string& text) {
  throw std::invalid_argument(text);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The ordinal in `calendar` of the period that holds `time` (a day in its week, month or quarter;
// a month in its quarter), or nothing when `time` is no finer than that calendar.
std::optional<std::int64_t> OrdinalIn(Calendar calendar, const Time& time) {
  if (time.calendar == calendar) return time.ordinal;
  if (time.calendar == Calendar::kHour && calendar == Calendar::kHalfHour) return 2 * time.ordinal;
  if (time.calendar == Calendar::kMonth && calendar == Calendar::kQuarter)
    return FloorDiv(time.ordinal, 3);
  if (time.calendar != Calendar::kDay) return std::nullopt;
  // Week ordinals count Mondays from 1970-01-05 (day 4); months and quarters from year 0.
  if (calendar == Calendar::kWeek) return FloorDiv(time.ordinal - 4, 7);
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{time.ordinal}}};
  const std::int64_t y = static_cast<int>(date.year());
  const std::int64_t m = static_cast<unsigned>(date.month()) - 1;
  if (calendar == Calendar::kMonth) return 12 * y + m;
  if (calendar == Calendar::kQuarter) return 4 * y + m / 3;
  return std::nullopt;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = text.find(separator, from);
    parts.emplace_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

// The column `name` of `path` (with its first time, when the file has a time column).
ReadResult ReadColumn(const std::string& path, const std::string& name, const InputOptions& input) {
  ReadOptions read;
  read.column = name;
  read.time = input.time;
  read.header = input.no_header ? HeaderMode::kAbsent : HeaderMode::kAuto;
  ReadResult r = ReadSeriesFile(path, read);
  if (!r.ok()) Refuse(r.error);
  return r;
}

Design FromColumns(const RegressorOptions& o, const InputOptions& input, const LoadedSeries& series,
                   int& horizon) {
  Design d;
  if (o.xreg.empty()) {
    if (!o.future.empty()) Refuse("--future gives the future values of --xreg columns");
    return d;
  }
  if (input.file.empty() || input.file == "-")
    Refuse(
        "--xreg reads columns of the input file; give the series as a FILE (not standard input)");
  if (o.future.empty())
    Refuse("--xreg needs --future FILE: the regressors' values for each step ahead");
  std::optional<Time> future_start;
  for (const std::string& name : o.xreg) {
    if (name == series.name)
      Refuse("column \"" + name + "\" is the series itself; name the series with --column");
    ReadResult in = ReadColumn(input.file, name, input);
    if (in.values.size() != series.values.size())
      Refuse("column \"" + name + "\" has " + std::to_string(in.values.size()) +
             " values, the series " + std::to_string(series.values.size()));
    d.in_sample.Add(name, in.values);
    ReadResult ahead = ReadColumn(o.future, name, input);
    if (d.future.empty()) {
      horizon = static_cast<int>(ahead.values.size());
      future_start = ahead.start;
    } else if (ahead.values.size() != static_cast<std::size_t>(horizon)) {
      Refuse(o.future + ": column \"" + name + "\" has " + std::to_string(ahead.values.size()) +
             " values, the first " + std::to_string(horizon));
    }
    d.future.Add(name, ahead.values);
  }
  if (series.start && future_start) {
    const Time next{series.start->calendar,
                    series.start->ordinal + static_cast<std::int64_t>(series.values.size())};
    if (future_start->calendar != next.calendar || future_start->ordinal != next.ordinal)
      Refuse(o.future + ": the first time is " + FormatTime(*future_start) + ", but the series' " +
             "next is " + FormatTime(next));
  }
  return d;
}

Design Events(const std::string& option, std::size_t rows, const std::optional<Time>& start,
              int horizon, int count) {
  std::string name = "event" + (count > 1 ? std::to_string(count) : std::string());
  std::string_view times = option;
  if (const std::size_t eq = option.find('='); eq != std::string::npos) {
    name = option.substr(0, eq);
    times = std::string_view(option).substr(eq + 1);
  }
  std::vector<long> positions;
  for (const std::string& cell : Split(times, ',')) {
    const std::optional<Time> t = ParseTime(cell);
    if (!t) Refuse("--event: \"" + cell + "\" is not a time (" + kTimeForms + ")");
    std::optional<std::int64_t> ordinal;
    if (!start || (t->calendar == Calendar::kCount && start->calendar != Calendar::kCount)) {
      if (t->calendar != Calendar::kCount)
        Refuse("--event: the series has no time column, so events are 1-based positions; got \"" +
               cell + "\"");
      ordinal = t->ordinal - 1;
    } else if (auto o = OrdinalIn(start->calendar, *t)) {
      ordinal = *o - start->ordinal;
    } else {
      Refuse("--event: \"" + cell + "\" is a " + CalendarName(t->calendar) +
             ", the series' times " + CalendarName(start->calendar) + "s");
    }
    if (*ordinal >= 0) positions.push_back(static_cast<long>(*ordinal + 1));
  }
  return EventDummy(name, rows, horizon, positions);
}

}  // namespace

void AddRegressorOptions(CLI::App* command, RegressorOptions& o, bool with_drift) {
  const char* group = "Regressors";
  command
      ->add_option("--xreg", o.xreg,
                   "Regressors: columns of the input file (regression with ARIMA errors)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->group(group);
  command
      ->add_option("--future", o.future,
                   "CSV file of the --xreg columns' future values, one row per step (the horizon)")
      ->group(group);
  command
      ->add_option("--fourier", o.fourier,
                   "Fourier terms PERIOD:K, K sine/cosine pairs (e.g. 52.18:10; repeatable)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->group(group);
  command->add_flag("--trend", o.trend, "A linear trend regressor t = 1..n")->group(group);
  command
      ->add_option("--event", o.events,
                   "An event dummy [NAME=]TIME,TIME...: 1 at those times (dates, or 1-based "
                   "positions without a time column; repeatable, one column each)")
      ->allow_extra_args(false)
      ->group(group);
  if (with_drift)
    command->add_flag("--drift", o.drift, "A drift: the regressor t, for d + D <= 1")->group(group);
}

Design BuildRegressors(const RegressorOptions& o, const InputOptions& input,
                       const LoadedSeries& series, int horizon) {
  Design d = FromColumns(o, input, series, horizon);
  d.Append(ReadyMadeRegressors(o, series.values.size(), series.start, horizon));
  return d;
}

Design ReadyMadeRegressors(const RegressorOptions& o, std::size_t n,
                           const std::optional<Time>& start, int horizon) {
  Design d;
  try {
    if (!o.fourier.empty()) {
      std::vector<FourierPeriod> periods;
      for (const std::string& f : o.fourier) {
        const std::vector<std::string> parts = Split(f, ':');
        const auto m = parts.size() == 2 ? ParseNumber(parts[0]) : std::nullopt;
        const auto k = parts.size() == 2 ? ParseNumber(parts[1]) : std::nullopt;
        if (!m || !k || !(*k >= 0 && *k <= 1e6) || *k != static_cast<int>(*k))
          Refuse("--fourier: \"" + f + "\" is not PERIOD:K (e.g. 52.18:10)");
        periods.push_back({*m, static_cast<int>(*k)});
      }
      d.Append(FourierTerms(n, horizon, periods));
    }
    if (o.trend) d.Append(Trend(n, horizon));
    int count = 0;
    for (const std::string& e : o.events) d.Append(Events(e, n, start, horizon, ++count));
  } catch (const Error& e) {
    Refuse(e.text());
  }
  return d;
}

Section RegressionSection(const std::vector<arima::Coefficient>& coefficients) {
  Column names{"name", {}};
  std::vector<double> estimates, errors;
  for (const arima::Coefficient& c : coefficients) {
    names.cells.emplace_back(c.name);
    estimates.push_back(c.estimate);
    errors.push_back(c.standard_error);
  }
  return {"regression",
          {std::move(names), NumberColumn("estimate", estimates),
           NumberColumn("standard_error", errors)}};
}

}  // namespace vordex::cli
