#include "csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

CsvReader::CsvReader(std::istream& in, std::string source) : in_(in), source_(std::move(source)) {}

bool CsvReader::Next(std::vector<std::string_view>& cells) {
  cells.clear();
  while (std::getline(in_, text_)) {
    ++line_;
    offset_ = next_offset_;
    next_offset_ += text_.size() + 1;  // and the line end
    if (IsBlank(text_)) continue;
    if (separator_ == 0) separator_ = DetectSeparator(text_);
    SplitCells(text_, separator_, cells);
    return true;
  }
  return false;
}

void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells) {
  cells.clear();
  std::size_t start = 0;
  while (true) {
    const std::size_t end = line.find(separator, start);
    cells.push_back(Trim(
        line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

std::string CsvReader::Where() const {
  return source_ + ": line " + std::to_string(line_);
}

std::string CsvReader::Where(std::size_t column) const {
  return Where() + ", column " + std::to_string(column);
}

std::optional<double> ParseNumber(std::string_view cell) {
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  if (cell.empty()) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (ec != std::errc() || end != cell.data() + cell.size()) return std::nullopt;
  return value;
}

bool IsMissingCell(std::string_view cell) {
  return cell.empty() || EqualsIgnoringCase(cell, "NA") || EqualsIgnoringCase(cell, "NaN");
}

bool IsPosition(std::string_view column) {
  return !column.empty() && column.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::size_t> FindColumn(std::string_view column,
                                      const std::vector<std::string>& header, std::size_t cells) {
  if (IsPosition(column)) {
    std::size_t position = 0;
    const auto [end, ec] = std::from_chars(column.data(), column.data() + column.size(), position);
    if (ec != std::errc() || position == 0 || position > cells) return std::nullopt;
    return position - 1;
  }
  const auto found = std::find(header.begin(), header.end(), column);
  if (found == header.end()) return std::nullopt;
  return static_cast<std::size_t>(found - header.begin());
}

std::vector<std::string> Strings(const std::vector<std::string_view>& cells) {
  return {cells.begin(), cells.end()};
}

}  // namespace vordex::cli
