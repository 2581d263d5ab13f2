#include "common.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <nlohmann/json.hpp>

#include "datasets.h"
#include "series_input.h"

namespace vordex::cli {
namespace {

// Every integer up to 2^53 is exactly a double.
constexpr double kExactIntegers = 9007199254740992.0;

bool IsMissing(const Cell& cell) {
  const double* x = std::get_if<double>(&cell);
  return x != nullptr && std::isnan(*x);
}

std::string TableNumber(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6g", x);
  return buffer;
}

std::size_t RowCount(const Section& section) {
  std::size_t rows = 0;
  for (const Column& c : section.columns) rows = std::max(rows, c.cells.size());
  return rows;
}

// The cell at row r, a missing value past the end of a short column.
Cell At(const Column& column, std::size_t r) {
  return r < column.cells.size() ? column.cells[r] : Cell(std::nan(""));
}

void WriteTable(std::ostream& out, const Section& section, bool titled) {
  const std::size_t rows = RowCount(section);
  std::vector<std::vector<std::string>> text(section.columns.size());
  std::vector<std::size_t> width(section.columns.size());
  std::vector<bool> left(section.columns.size(), false);
  for (std::size_t k = 0; k < section.columns.size(); ++k) {
    const Column& column = section.columns[k];
    width[k] = column.name.size();
    for (std::size_t r = 0; r < rows; ++r) {
      const Cell cell = At(column, r);
      std::string s;
      if (IsMissing(cell)) {
        s = "-";
      } else if (const double* x = std::get_if<double>(&cell)) {
        s = TableNumber(*x);
      } else {
        s = std::get<std::string>(cell);
        left[k] = true;
      }
      width[k] = std::max(width[k], s.size());
      text[k].push_back(std::move(s));
    }
  }
  const auto pad = [&](const std::string& s, std::size_t k) {
    const std::string fill(width[k] - s.size(), ' ');
    return left[k] ? s + fill : fill + s;
  };
  const auto write_row = [&](auto cell_of) {
    std::string line;
    for (std::size_t k = 0; k < section.columns.size(); ++k) {
      if (k > 0) line += "  ";
      line += pad(cell_of(k), k);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  };
  if (titled && !section.title.empty()) out << section.title << '\n';
  write_row([&](std::size_t k) { return section.columns[k].name; });
  for (std::size_t r = 0; r < rows; ++r) write_row([&](std::size_t k) { return text[k][r]; });
}

void WriteCsv(std::ostream& out, const Section& section) {
  const std::size_t rows = RowCount(section);
  for (std::size_t k = 0; k < section.columns.size(); ++k) {
    out << (k > 0 ? "," : "") << CsvText(section.columns[k].name);
  }
  out << '\n';
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t k = 0; k < section.columns.size(); ++k) {
      const Cell cell = At(section.columns[k], r);
      if (k > 0) out << ',';
      if (IsMissing(cell)) continue;
      if (const double* x = std::get_if<double>(&cell)) {
        out << ShortestNumber(*x);
      } else {
        out << CsvText(std::get<std::string>(cell));
      }
    }
    out << '\n';
  }
}

nlohmann::ordered_json JsonValue(const Cell& cell) {
  const double* x = std::get_if<double>(&cell);
  if (x == nullptr) return std::get<std::string>(cell);
  if (*x == std::trunc(*x) && std::fabs(*x) <= kExactIntegers)
    return static_cast<std::int64_t>(*x);  // counts print without ".0"
  if (std::isfinite(*x)) return *x;
  return nullptr;  // JSON has no NaN or infinity
}

nlohmann::ordered_json JsonRows(const Section& section) {
  if (section.record && section.columns.size() == 2) {
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    for (std::size_t r = 0; r < RowCount(section); ++r) {
      const Cell name = At(section.columns[0], r);
      const std::string* key = std::get_if<std::string>(&name);
      record[key != nullptr ? *key : ShortestNumber(std::get<double>(name))] =
          JsonValue(At(section.columns[1], r));
    }
    return record;
  }
  auto rows = nlohmann::ordered_json::array();
  for (std::size_t r = 0; r < RowCount(section); ++r) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    for (const Column& column : section.columns) row[column.name] = JsonValue(At(column, r));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

std::string ShortestNumber(double x) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::string CsvText(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void AddInputOptions(CLI::App* command, InputOptions& options) {
  CLI::Option* file = command->add_option(
      "file", options.file,
      "CSV file with the series (\"-\" for standard input); default: the airline series");
  CLI::Option* dataset = command->add_option("--dataset", options.dataset,
                                             "Use an embedded series (see `vordex datasets`)");
  file->excludes(dataset);
  command->add_option(
      "--column", options.column,
      "Column to read, by header name or 1-based position (default: the first numeric one)");
  command->add_option(
      "--time", options.time,
      "Time column (YYYY, YYYY-Qn, YYYY-MM, YYYY-Www or YYYY-MM-DD), by header name "
      "or position (default: a column named time, date, ... or holding dates)");
  command->add_flag("--no-header", options.no_header,
                    "The first line holds an observation, not column names");
}

void AddFormatOption(CLI::App* command, OutputFormat& format) {
  static const std::map<std::string, OutputFormat> kFormats = {
      {"table", OutputFormat::kTable}, {"csv", OutputFormat::kCsv}, {"json", OutputFormat::kJson}};
  command->add_option("--format", format, "Output format: table, csv or json (default: table)")
      ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case))
      ->option_text("table|csv|json");
}

void AddHorizonOption(CLI::App* command, int& horizon) {
  command->add_option("--horizon,-H", horizon, "Number of periods to forecast (0: none)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
}

void AddCommonOptions(CLI::App* command, CommonOptions& options) {
  AddInputOptions(command, options.input);
  AddFormatOption(command, options.format);
  AddHorizonOption(command, options.horizon);
}

CLI::Option* AddLevelOption(CLI::App* command, std::vector<double>& levels) {
  // Levels are percent on every surface: a value in (0, 1) is far likelier a fraction meant as
  // percent than a coverage of under one percent, so it is refused rather than taken.
  const CLI::Validator percent(
      [](std::string& text) -> std::string {
        double level = 0.0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), level);
        if (ec != std::errc() || end != text.data() + text.size()) return "not a number: " + text;
        return LevelProblem(level);
      },
      "PERCENT");
  std::string defaults;
  for (const double level : levels) defaults += (defaults.empty() ? "" : ",") + LevelName(level);
  return command
      ->add_option("--level", levels,
                   "Coverages of the limits in percent, several separated by commas (default " +
                       defaults + ")")
      ->delimiter(',')
      ->check(percent);
}

LoadedSeries LoadSeries(const InputOptions& options) {
  LoadedSeries loaded;
  try {
    if (!options.file.empty()) {
      ReadOptions read;
      read.column = options.column;
      read.time = options.time;
      read.header = options.no_header ? HeaderMode::kAbsent : HeaderMode::kAuto;
      ReadResult r = ReadSeriesFile(options.file, read);
      loaded.values = std::move(r.values);
      loaded.name = std::move(r.name);
      loaded.error = std::move(r.error);
      loaded.start = r.start;
      if (r.start) loaded.frequency = CalendarPeriod(r.start->calendar);
      std::vector<std::string> notes;
      if (r.picked) notes.push_back("column \"" + loaded.name + "\" (the first numeric one)");
      if (r.start) {
        notes.push_back("times from \"" + r.time_name + "\" (" + CalendarName(r.start->calendar) +
                        "s, period " + std::to_string(loaded.frequency) + ")");
      }
      for (const std::string& note : notes)
        loaded.note += (loaded.note.empty() ? options.file + ": " : ", ") + note;
      return loaded;
    }
    if (!options.column.empty() || !options.time.empty() || options.no_header) {
      loaded.error = "--column, --time and --no-header apply to a CSV file only";
      return loaded;
    }
    const std::string name =
        options.dataset.empty() ? std::string(kDefaultDataset) : options.dataset;
    const Dataset* d = FindDataset(name);
    if (d == nullptr) {
      loaded.error = "no embedded series named \"" + name + "\" (see `vordex datasets`)";
      return loaded;
    }
    loaded.values.assign(d->values.begin(), d->values.end());
    loaded.name = d->name;
    loaded.frequency = d->frequency;
  } catch (const std::exception& e) {
    loaded = LoadedSeries{};
    loaded.error = e.what();
  }
  return loaded;
}

std::optional<LoadedSeries> LoadSeriesFor(const char* command, const InputOptions& options,
                                          std::ostream& err) {
  LoadedSeries series = LoadSeries(options);
  if (!series.ok()) {
    err << "vordex " << command << ": " << series.error << '\n';
    return std::nullopt;
  }
  if (!series.note.empty()) err << "vordex " << command << ": " << series.note << '\n';
  return series;
}

Section Record(std::string title, Column names, Column values) {
  return Section{std::move(title), {std::move(names), std::move(values)}, true};
}

Column TimeColumn(const LoadedSeries& series, std::size_t first, std::size_t count) {
  Column times{series.start ? "time" : "t", {}};
  for (std::size_t i = first; i < first + count; ++i) {
    if (!series.start) {
      times.cells.emplace_back(static_cast<double>(i + 1));
      continue;
    }
    const Time t{series.start->calendar, series.start->ordinal + static_cast<std::int64_t>(i)};
    if (t.calendar == Calendar::kCount) {
      times.cells.emplace_back(static_cast<double>(t.ordinal));
    } else {
      times.cells.emplace_back(FormatTime(t));
    }
  }
  return times;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

void WriteSections(std::ostream& out, OutputFormat format, const std::vector<Section>& sections) {
  if (format == OutputFormat::kJson) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    for (const Section& s : sections) document[s.title] = JsonRows(s);
    out << document.dump(2) << '\n';
    return;
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (format == OutputFormat::kCsv) {
      if (i > 0) out << "\n# " << sections[i].title << '\n';
      WriteCsv(out, sections[i]);
    } else {
      if (i > 0) out << '\n';
      WriteTable(out, sections[i], sections.size() > 1);
    }
  }
}

Column NumberColumn(std::string name, const std::vector<double>& values) {
  Column column{std::move(name), {}};
  column.cells.assign(values.begin(), values.end());
  return column;
}

Section Record(std::string title, const NamedValues& values) {
  Column names{"name", {}};
  Column numbers{"value", {}};
  for (const auto& [name, value] : values) {
    names.cells.emplace_back(name);
    numbers.cells.emplace_back(value);
  }
  return Record(std::move(title), std::move(names), std::move(numbers));
}

Section ForecastSection(const LoadedSeries& series, const Forecast& forecast) {
  Section section{"forecasts",
                  {TimeColumn(series, series.values.size(), forecast.mean.size()),
                   NumberColumn("mean", forecast.mean)}};
  for (const Limits& limits : forecast.limits) {
    section.columns.push_back(NumberColumn("lower_" + LevelName(limits.level), limits.lower));
    section.columns.push_back(NumberColumn("upper_" + LevelName(limits.level), limits.upper));
  }
  return section;
}

Section Statistics(const Forecast& r, const NamedValues& extra) {
  NamedValues values = {{"sigma2", r.sigma2},
                        {"log_likelihood", r.log_likelihood},
                        {"aic", r.aic},
                        {"aicc", r.aicc},
                        {"bic", r.bic}};
  values.insert(values.end(), extra.begin(), extra.end());
  return Record("statistics", values);
}

void ReportMessages(const std::vector<Message>& messages, std::ostream& err) {
  for (const Message& m : messages) err << m.title << ": " << m.text << '\n';
}

void ReportFailure(const char* command, const Error& error, std::ostream& err) {
  ReportMessages(error.messages(), err);
  err << "vordex " << command << ": " << OneLine(error.text().empty() ? error.what() : error.text())
      << " (" << StatusName(error.status()) << ")\n";
}

void ReportWarnings(const char* command, const Forecast& result, std::ostream& err) {
  ReportMessages(result.warnings, err);
  if (IsWarning(result.status))
    err << "vordex " << command << ": warning: " << StatusName(result.status) << '\n';
}

}  // namespace vordex::cli
