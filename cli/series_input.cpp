#include "series_input.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>

namespace vordex::cli {
namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

char DetectSeparator(std::string_view line) {
  for (char c : {',', ';', '\t'}) {
    if (line.find(c) != std::string_view::npos) return c;
  }
  return ',';
}

std::vector<std::string_view> SplitCells(std::string_view line, char separator) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = line.find(separator, start);
    cells.push_back(Trim(
        line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return cells;
}

// The number the whole cell spells (with an optional leading +), or nothing.
std::optional<double> ParseNumber(std::string_view cell) {
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  if (cell.empty()) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (ec != std::errc() || end != cell.data() + cell.size()) return std::nullopt;
  return value;
}

bool IsPosition(std::string_view column) {
  return !column.empty() && column.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string Where(std::string_view source, std::size_t line) {
  return std::string(source) + ": line " + std::to_string(line);
}

ReadResult Fail(std::string message) {
  ReadResult r;
  r.error = std::move(message);
  return r;
}

ReadResult Read(std::istream& in, std::string_view source, const ReadOptions& options) {
  ReadResult result;
  std::size_t index = 0;  // 0-based column, known once the first line has been seen
  bool first = true;
  char separator = ',';
  std::string line;
  std::size_t line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    if (IsBlank(line)) continue;
    if (first) {
      first = false;
      separator = DetectSeparator(line);
      const auto cells = SplitCells(line, separator);
      if (options.column.empty() || IsPosition(options.column)) {
        std::size_t position = 1;
        if (!options.column.empty()) {
          const auto [end, ec] = std::from_chars(
              options.column.data(), options.column.data() + options.column.size(), position);
          if (ec != std::errc() || position == 0) {
            return Fail(std::string(source) + ": column " + options.column +
                        " does not exist; columns are counted from 1");
          }
        }
        if (position > cells.size()) {
          return Fail(Where(source, line_number) + ": no column " + options.column +
                      " (the line has " + std::to_string(cells.size()) + ")");
        }
        index = position - 1;
        const bool header =
            options.header == HeaderMode::kAuto && !ParseNumber(cells[index]).has_value();
        result.name = header ? std::string(cells[index]) : "column " + std::to_string(position);
        if (header) continue;
      } else {
        if (options.header == HeaderMode::kAbsent) {
          return Fail(std::string(source) + ": column \"" + options.column +
                      "\" is chosen by name, which needs a header line");
        }
        bool found = false;
        for (std::size_t k = 0; k < cells.size() && !found; ++k) {
          if (cells[k] == options.column) {
            index = k;
            found = true;
          }
        }
        if (!found) {
          std::string names;
          for (const auto& c : cells) names += (names.empty() ? "" : ", ") + std::string(c);
          return Fail(std::string(source) + ": no column named \"" + options.column +
                      "\" in the header line (" + names + ")");
        }
        result.name = options.column;
        continue;
      }
    }
    const auto cells = SplitCells(line, separator);
    const std::string at = Where(source, line_number) + ", column " + std::to_string(index + 1);
    if (index >= cells.size()) {
      return Fail(Where(source, line_number) + ": no column " + std::to_string(index + 1) +
                  " (the line has " + std::to_string(cells.size()) + ")");
    }
    const auto value = ParseNumber(cells[index]);
    if (!value) {
      return Fail(at + ": \"" + std::string(cells[index]) + "\" is not a number");
    }
    if (!std::isfinite(*value)) {
      return Fail(at + ": \"" + std::string(cells[index]) + "\" is not a finite number");
    }
    result.values.push_back(*value);
  }
  if (in.bad()) return Fail(std::string(source) + ": read error");
  if (result.values.empty()) return Fail(std::string(source) + ": no observations");
  return result;
}

}  // namespace

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
