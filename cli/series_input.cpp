#include "series_input.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <exception>
#include <fstream>
#include <iostream>

#include "csv.h"

namespace vordex::cli {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

ReadResult Fail(std::string message) {
  ReadResult r;
  r.error = std::move(message);
  return r;
}

bool IsValueCell(std::string_view cell) {
  return ParseNumber(cell).has_value() || ParseTime(cell).has_value() || IsMissingCell(cell);
}

std::string ColumnName(const std::vector<std::string>& header, std::size_t k) {
  return k < header.size() ? header[k] : "column " + std::to_string(k + 1);
}

// The column named by `column` (a name or a 1-based position), or an error for the user.
std::optional<std::size_t> Named(const std::string& column, const std::vector<std::string>& header,
                                 bool has_header, const CsvReader& reader, std::size_t cells,
                                 std::string& error) {
  if (IsPosition(column)) {
    const auto k = FindColumn(column, header, cells);
    if (k) return k;
    if (column.find_first_not_of('0') == std::string::npos) {
      error =
          reader.source() + ": column " + column + " does not exist; columns are counted from 1";
    } else {
      error = reader.Where() + ": no column " + column + " (the line has " + std::to_string(cells) +
              ")";
    }
    return std::nullopt;
  }
  if (!has_header) {
    error = reader.source() + ": column \"" + column +
            "\" is chosen by name, which needs a header line";
    return std::nullopt;
  }
  const auto k = FindColumn(column, header, cells);
  if (k) return k;
  std::string names;
  for (const auto& c : header) names += (names.empty() ? "" : ", ") + c;
  error =
      reader.source() + ": no column named \"" + column + "\" in the header line (" + names + ")";
  return std::nullopt;
}

ReadResult Read(std::istream& in, std::string_view source, const ReadOptions& options) {
  CsvReader reader(in, std::string(source));
  std::vector<std::string_view> cells;
  if (!reader.Next(cells)) return Fail(std::string(source) + ": no observations");

  // Is the first line a header?
  bool header = false;
  std::vector<std::string> names;
  std::string error;
  if (options.header == HeaderMode::kAuto) {
    if (IsPosition(options.column)) {
      const auto k = Named(options.column, names, false, reader, cells.size(), error);
      if (!k) return Fail(error);
      header = !ParseNumber(cells[*k]).has_value();
    } else {
      header = !options.column.empty() || !std::all_of(cells.begin(), cells.end(), IsValueCell);
    }
  }
  if (header) {
    names = Strings(cells);
    if (!reader.Next(cells)) return Fail(std::string(source) + ": no observations");
  }

  // The columns, chosen on the first line of observations.
  ReadResult result;
  std::size_t value = kNone;
  if (!options.column.empty()) {
    const auto k = Named(options.column, names, header, reader, cells.size(), error);
    if (!k) return Fail(error);
    value = *k;
  }
  std::size_t time = kNone;
  if (!options.time.empty()) {
    const auto k = Named(options.time, names, header, reader, cells.size(), error);
    if (!k) return Fail(error);
    time = *k;
  } else {
    for (std::size_t k = 0; k < names.size() && k < cells.size() && time == kNone; ++k)
      if (k != value && IsTimeName(names[k]) && ParseTime(cells[k])) time = k;
    for (std::size_t k = 0; k < cells.size() && time == kNone; ++k) {
      const auto t = ParseTime(cells[k]);
      if (k != value && t && t->calendar != Calendar::kCount) time = k;
    }
  }
  if (value == kNone) {
    for (std::size_t k = 0; k < cells.size() && value == kNone; ++k)
      if (k != time && ParseNumber(cells[k])) value = k;
    // With no number on the line, the first column is read and its cell refused below.
    if (value == kNone) value = time == 0 ? 1 : 0;
    result.picked = cells.size() > 1;
  }
  if (time == value) time = kNone;
  result.name = ColumnName(names, value);
  if (time != kNone) result.time_name = ColumnName(names, time);

  Time last;
  std::size_t leading = 0;  // missing values before the first observed one
  do {
    if (value >= cells.size()) {
      return Fail(reader.Where() + ": no column " + std::to_string(value + 1) + " (the line has " +
                  std::to_string(cells.size()) + ")");
    }
    const std::string at = reader.Where(value + 1);
    // A missing cell is a gap the methods predict through; leading ones are dropped below.
    const auto x =
        IsMissingCell(cells[value]) ? std::optional<double>(kMissing) : ParseNumber(cells[value]);
    if (!x) {
      return Fail(at + ": \"" + std::string(cells[value]) +
                  "\" is not a number (nor empty, NA or NaN)");
    }
    if (std::isinf(*x))
      return Fail(at + ": \"" + std::string(cells[value]) + "\" is not a finite number");
    if (time != kNone) {
      const std::string when = reader.Where(time + 1);
      const auto t = time < cells.size() ? ParseTime(cells[time]) : std::nullopt;
      if (!t) {
        return Fail(when + ": \"" + std::string(time < cells.size() ? cells[time] : "") +
                    "\" is not a time (" + kTimeForms + ")");
      }
      Time now = *t;
      if (result.start && last.calendar == Calendar::kHour && now.calendar == Calendar::kHalfHour) {
        // The hours read so far were half-hours.
        last = OnClockOf(last, Calendar::kHalfHour);
        result.start = OnClockOf(*result.start, Calendar::kHalfHour);
      }
      if (result.start) now = OnClockOf(now, last.calendar);
      if (!result.start) {
        result.start = now;
      } else if (now.calendar != last.calendar || now.ordinal != last.ordinal + 1) {
        return Fail(when + ": " + std::string(cells[time]) + " does not follow " +
                    FormatTime(last) + " (times must be consecutive and in order)");
      }
      last = now;
    }
    if (std::isnan(*x) && result.values.empty()) {
      ++leading;
    } else {
      result.values.push_back(*x);
    }
  } while (reader.Next(cells));
  if (reader.failed()) return Fail(std::string(source) + ": read error");
  if (result.values.empty()) return Fail(std::string(source) + ": no observed value");
  if (result.start) result.start->ordinal += static_cast<decltype(result.start->ordinal)>(leading);
  return result;
}

}  // namespace

bool IsTimeName(std::string_view name) {
  static constexpr std::array<std::string_view, 10> kNames = {
      "time", "date", "ds", "t", "year", "quarter", "month", "week", "day", "period"};
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::find(kNames.begin(), kNames.end(), lower) != kNames.end();
}

ReadResult ReadSeries(std::istream& in, std::string_view source, const ReadOptions& options) {
  try {
    return Read(in, source, options);
  } catch (const std::exception& e) {
    return Fail(std::string(source) + ": " + e.what());
  }
}

ReadResult ReadSeriesFile(const std::string& path, const ReadOptions& options) {
  if (path == "-") return ReadSeries(std::cin, "standard input", options);
  std::ifstream file(path);
  if (!file) return Fail(path + ": cannot open the file");
  return ReadSeries(file, path, options);
}

}  // namespace vordex::cli
