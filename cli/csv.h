// Delimited text as every input of the tool is read: line by line, cells split at one separator.
#ifndef VORDEX_CLI_CSV_H
#define VORDEX_CLI_CSV_H

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vordex::cli {

// Reads `in` line by line. The separator is the first of comma, semicolon and tab found on the
// first non-blank line (comma when none is). Cells are trimmed of blanks and of one pair of
// double quotes; blank lines are skipped; a carriage return before the line end is ignored.
class CsvReader {
 public:
  // `source` names the input in messages (a path, or "standard input"). `in` is read from its
  // start.
  CsvReader(std::istream& in, std::string source);

  // The cells of the next non-blank line, or false at the end of the input. The views stay
  // valid until the next call.
  bool Next(std::vector<std::string_view>& cells);

  // The 1-based number of the line last returned.
  std::size_t line() const { return line_; }
  // The byte offset in the input of the line last returned.
  std::uint64_t offset() const { return offset_; }
  // The separator (0 before the first non-blank line).
  char separator() const { return separator_; }
  const std::string& source() const { return source_; }
  // "source: line L" and "source: line L, column C" (C is 1-based) for messages.
  std::string Where() const;
  std::string Where(std::size_t column) const;
  // Whether reading failed (rather than reaching the end).
  bool failed() const { return in_.bad(); }

 private:
  std::istream& in_;
  std::string source_;
  std::string text_;
  std::size_t line_ = 0;
  std::uint64_t offset_ = 0, next_offset_ = 0;
  char separator_ = 0;  // 0 until the first non-blank line
};

// The cells of one line, split at `separator` and trimmed as CsvReader does (the views point
// into `line`).
void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells);

// The number the whole cell spells (with an optional leading +), or nothing. "nan" and "inf"
// are numbers here; callers decide about them.
std::optional<double> ParseNumber(std::string_view cell);

// Whether a cell marks a missing value: empty, "NA" or "NaN" (any case).
bool IsMissingCell(std::string_view cell);

// Whether `column` is a 1-based position (all digits) rather than a name.
bool IsPosition(std::string_view column);

// The 0-based index of the column that `column` names in `header` (a name, or a 1-based
// position when all digits; positions need no header), or nothing.
std::optional<std::size_t> FindColumn(std::string_view column,
                                      const std::vector<std::string>& header, std::size_t cells);

// Copies of the cells (header names outlive the line they came from).
std::vector<std::string> Strings(const std::vector<std::string_view>& cells);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_CSV_H
