#include "batch_input.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "csv.h"
#include "series_input.h"

namespace vordex::cli {
namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A copy of standard input in a temporary file, removed with this object.
class Spool {
 public:
  // Copies std::cin; sets error when it cannot.
  explicit Spool(std::string& error) {
    std::string name = (std::filesystem::temp_directory_path() / "vordex-batch-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
      error = "standard input: cannot create a temporary copy";
      return;
    }
    close(fd);
    path_ = name;
    std::ofstream copy(path_, std::ios::binary);
    copy << std::cin.rdbuf();
    if (!copy || std::cin.bad()) error = "standard input: cannot copy it to " + path_;
  }
  ~Spool() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The columns of a long file, resolved from its header line.
struct LongColumns {
  std::size_t id = 0, value = 0, time = kNone;
  std::size_t needed = 0;  // cells a row must have
};

// One checked row of a long file.
struct Row {
  std::string_view id;
  double value = 0.0;
  std::optional<Time> time;
};

std::string List(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
  return list;
}

// Reads a value cell: a number, or NaN for a missing marker; nothing for anything else.
std::optional<double> ValueCell(std::string_view cell) {
  if (IsMissingCell(cell)) return kMissing;
  return ParseNumber(cell);
}

// Parses one long row; on failure sets error (naming line and column) and returns nothing.
// `calendar` is the form of the first time seen, set by the first row.
std::optional<Row> ParseRow(const CsvReader& reader, const std::vector<std::string_view>& cells,
                            const LongColumns& c, std::optional<Calendar>& calendar,
                            std::string& error) {
  if (cells.size() < c.needed) {
    error = reader.Where() + ": " + std::to_string(cells.size()) + " cells, " +
            std::to_string(c.needed) + " expected";
    return std::nullopt;
  }
  Row row;
  row.id = cells[c.id];
  if (row.id.empty()) {
    error = reader.Where(c.id + 1) + ": the id is empty";
    return std::nullopt;
  }
  const auto value = ValueCell(cells[c.value]);
  if (!value) {
    error = reader.Where(c.value + 1) + ": \"" + std::string(cells[c.value]) +
            "\" is not a number (nor empty, NA or NaN)";
    return std::nullopt;
  }
  row.value = *value;
  if (c.time != kNone) {
    row.time = ParseTime(cells[c.time]);
    if (!row.time) {
      error = reader.Where(c.time + 1) + ": \"" + std::string(cells[c.time]) +
              "\" is not a time (" + kTimeForms + ")";
      return std::nullopt;
    }
    if (!calendar) calendar = row.time->calendar;
    if (row.time->calendar != *calendar) {
      error = reader.Where(c.time + 1) + ": \"" + std::string(cells[c.time]) + "\" is a " +
              CalendarName(row.time->calendar) + ", the times before it are of the form " +
              CalendarName(*calendar);
      return std::nullopt;
    }
  }
  return row;
}

// The rows of one series as read, before they are put in time order.
struct Rows {
  std::string id;
  std::vector<double> values;
  std::vector<std::int64_t> ordinals;  // empty without a time column
};

// Puts the rows in time order, checks that no time is repeated or missing, and drops leading and
// trailing missing values.
InputSeries Settle(Rows rows, const std::optional<Calendar>& calendar) {
  InputSeries s;
  s.id = std::move(rows.id);
  std::vector<double>& y = rows.values;
  std::vector<std::int64_t>& t = rows.ordinals;
  if (calendar && !std::is_sorted(t.begin(), t.end())) {
    std::vector<std::size_t> order(t.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return t[a] < t[b]; });
    std::vector<double> y2;
    std::vector<std::int64_t> t2;
    for (std::size_t i : order) {
      y2.push_back(y[i]);
      t2.push_back(t[i]);
    }
    y.swap(y2);
    t.swap(t2);
  }
  for (std::size_t i = 1; calendar && i < t.size() && s.problem.empty(); ++i) {
    if (t[i] == t[i - 1]) {
      s.problem = "time " + FormatTime({*calendar, t[i]}) + " appears twice";
    } else if (t[i] != t[i - 1] + 1) {
      s.problem = "no observation for " + FormatTime({*calendar, t[i - 1] + 1}) + " (between " +
                  FormatTime({*calendar, t[i - 1]}) + " and " + FormatTime({*calendar, t[i]}) + ")";
    }
  }
  std::size_t first = 0;
  std::size_t last = y.size();
  while (first < last && std::isnan(y[first])) ++first;
  while (last > first && std::isnan(y[last - 1])) --last;
  s.values.assign(y.begin() + static_cast<std::ptrdiff_t>(first),
                  y.begin() + static_cast<std::ptrdiff_t>(last));
  if (calendar && first < last) s.start = Time{*calendar, t[first]};
  if (s.problem.empty() && s.values.empty()) s.problem = "no observations";
  return s;
}

// Opens path for reading; `source` names it in messages.
std::unique_ptr<std::ifstream> OpenFile(const std::string& path, const std::string& source,
                                        std::string& error) {
  auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*in) {
    error = source + ": cannot open the file";
    return nullptr;
  }
  return in;
}

// Resolves a column named by `column`, or sets error.
std::optional<std::size_t> Resolve(const std::string& column, const char* option,
                                   const std::vector<std::string>& header,
                                   const std::string& source, std::string& error) {
  const auto k = FindColumn(column, header, header.size());
  if (!k) {
    error = source + ": no column " + (IsPosition(column) ? column : "named \"" + column + "\"") +
            " in the header line (" + List(header) + "); name it with " + option;
  }
  return k;
}

// A long file whose series' rows are contiguous: read again from the start, series by series.
class ContiguousSource : public BatchSource {
 public:
  ContiguousSource(std::string path, std::string source, LongColumns columns,
                   std::optional<Calendar> calendar, std::size_t count,
                   std::shared_ptr<Spool> spool)
      : path_(std::move(path)), source_(std::move(source)), columns_(columns), spool_(spool) {
    calendar_ = calendar;
    count_ = count;
  }

  bool Next(InputSeries& series, std::string& error) override {
    if (!reader_) {
      in_ = OpenFile(path_, source_, error);
      if (!in_) return false;
      reader_ = std::make_unique<CsvReader>(*in_, source_);
      if (!reader_->Next(cells_)) return false;  // the header line
      more_ = reader_->Next(cells_);
    }
    if (!more_) return false;
    Rows rows;
    std::optional<Calendar> calendar = calendar_;
    while (more_) {
      const auto row = ParseRow(*reader_, cells_, columns_, calendar, error);
      if (!row) return false;
      if (rows.values.empty()) {
        rows.id = std::string(row->id);
      } else if (row->id != rows.id) {
        break;
      }
      rows.values.push_back(row->value);
      if (row->time) rows.ordinals.push_back(row->time->ordinal);
      more_ = reader_->Next(cells_);
    }
    if (reader_->failed()) {
      error = source_ + ": read error";
      return false;
    }
    series = Settle(std::move(rows), calendar_);
    return true;
  }

 private:
  std::string path_, source_;
  LongColumns columns_;
  std::shared_ptr<Spool> spool_;
  std::unique_ptr<std::ifstream> in_;
  std::unique_ptr<CsvReader> reader_;
  std::vector<std::string_view> cells_;
  bool more_ = false;
};

// Series held in memory (interleaved long files, wide files), handed out in order.
class MemorySource : public BatchSource {
 public:
  MemorySource(std::vector<Rows> series, std::optional<Calendar> calendar)
      : series_(std::move(series)) {
    calendar_ = calendar;
    count_ = series_.size();
  }

  bool Next(InputSeries& series, std::string&) override {
    if (next_ == series_.size()) return false;
    series = Settle(std::move(series_[next_]), calendar_);
    series_[next_] = Rows{};  // its memory goes now
    ++next_;
    return true;
  }

 private:
  std::vector<Rows> series_;
  std::size_t next_ = 0;
};

std::unique_ptr<BatchSource> OpenLong(const std::string& path, const std::string& source,
                                      const BatchInputOptions& options,
                                      std::shared_ptr<Spool> spool, std::string& error) {
  auto in = OpenFile(path, source, error);
  if (!in) return nullptr;
  CsvReader reader(*in, source);
  std::vector<std::string_view> cells;
  if (!reader.Next(cells)) {
    error = source + ": no header line";
    return nullptr;
  }
  const std::vector<std::string> header = Strings(cells);
  LongColumns c;
  const auto id = Resolve(options.id, "--id", header, source, error);
  if (!id) return nullptr;
  const auto value = Resolve(options.value, "--value", header, source, error);
  if (!value) return nullptr;
  c.id = *id;
  c.value = *value;
  if (!options.time.empty()) {
    const auto time = Resolve(options.time, "--time", header, source, error);
    if (!time) return nullptr;
    c.time = *time;
  } else if (const auto time = FindColumn("time", header, header.size())) {
    c.time = *time;
  }
  c.needed = std::max({c.id, c.value, c.time == kNone ? 0 : c.time}) + 1;

  // First pass: check every row and see whether each series' rows are contiguous. The ids of
  // finished series are remembered by their hashes only: a collision merely sends the file down
  // the grouping path, which is right for any file.
  std::optional<Calendar> calendar;
  std::unordered_set<std::size_t> finished;
  std::string current;
  std::size_t count = 0;
  bool contiguous = true;
  const std::hash<std::string_view> hash;
  while (reader.Next(cells)) {
    const auto row = ParseRow(reader, cells, c, calendar, error);
    if (!row) return nullptr;
    if (count > 0 && row->id == current) continue;
    if (count > 0) finished.insert(hash(current));
    if (finished.count(hash(row->id)) != 0) contiguous = false;
    current = std::string(row->id);
    ++count;
  }
  if (reader.failed()) {
    error = source + ": read error";
    return nullptr;
  }
  if (count == 0) {
    error = source + ": no observations";
    return nullptr;
  }
  if (contiguous) {
    return std::make_unique<ContiguousSource>(path, source, c, calendar, count, spool);
  }

  // Interleaved series: grouped in memory, in the order of their first rows.
  in = OpenFile(path, source, error);
  if (!in) return nullptr;
  CsvReader again(*in, source);
  again.Next(cells);
  std::vector<Rows> series;
  std::unordered_map<std::string, std::size_t> index;
  while (again.Next(cells)) {
    const auto row = ParseRow(again, cells, c, calendar, error);
    if (!row) return nullptr;
    const auto [at, added] = index.try_emplace(std::string(row->id), series.size());
    if (added) series.push_back(Rows{std::string(row->id), {}, {}});
    Rows& rows = series[at->second];
    rows.values.push_back(row->value);
    if (row->time) rows.ordinals.push_back(row->time->ordinal);
  }
  return std::make_unique<MemorySource>(std::move(series), calendar);
}

std::unique_ptr<BatchSource> OpenWide(const std::string& path, const std::string& source,
                                      const BatchInputOptions& options, std::string& error) {
  auto in = OpenFile(path, source, error);
  if (!in) return nullptr;
  CsvReader reader(*in, source);
  std::vector<std::string_view> cells;
  if (!reader.Next(cells)) {
    error = source + ": no header line";
    return nullptr;
  }
  const std::vector<std::string> header = Strings(cells);
  const bool more = reader.Next(cells);
  std::size_t time = kNone;
  if (!options.time.empty()) {
    const auto k = Resolve(options.time, "--time", header, source, error);
    if (!k) return nullptr;
    time = *k;
  } else if (more) {
    // As for a single series: a column named like a time and holding one, else one of dates.
    for (std::size_t k = 0; k < header.size() && k < cells.size() && time == kNone; ++k)
      if (IsTimeName(header[k]) && ParseTime(cells[k])) time = k;
    for (std::size_t k = 0; k < header.size() && k < cells.size() && time == kNone; ++k) {
      const auto t = ParseTime(cells[k]);
      if (t && t->calendar != Calendar::kCount) time = k;
    }
  }
  std::vector<Rows> series;
  for (std::size_t k = 0; k < header.size(); ++k)
    if (k != time) series.push_back(Rows{header[k], {}, {}});
  if (series.empty()) {
    error = source + ": no series columns besides the time column";
    return nullptr;
  }
  std::optional<Calendar> calendar;
  std::optional<Time> last;
  for (bool row = more; row; row = reader.Next(cells)) {
    if (cells.size() != header.size()) {
      error = reader.Where() + ": " + std::to_string(cells.size()) + " cells, " +
              std::to_string(header.size()) + " expected";
      return nullptr;
    }
    std::int64_t ordinal = 0;
    if (time != kNone) {
      const auto t = ParseTime(cells[time]);
      if (!t || (last && (t->calendar != last->calendar || t->ordinal != last->ordinal + 1))) {
        error = reader.Where(time + 1) + ": \"" + std::string(cells[time]) + "\" " +
                (t ? "does not follow " + FormatTime(*last) + " (times must be consecutive)"
                   : std::string("is not a time (") + kTimeForms + ")");
        return nullptr;
      }
      last = t;
      calendar = t->calendar;
      ordinal = t->ordinal;
    }
    std::size_t s = 0;
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (k == time) continue;
      const auto value = ValueCell(cells[k]);
      if (!value) {
        error = reader.Where(k + 1) + ": \"" + std::string(cells[k]) +
                "\" is not a number (nor empty, NA or NaN)";
        return nullptr;
      }
      series[s].values.push_back(*value);
      if (time != kNone) series[s].ordinals.push_back(ordinal);
      ++s;
    }
  }
  if (reader.failed()) {
    error = source + ": read error";
    return nullptr;
  }
  if (!more) {
    error = source + ": no observations";
    return nullptr;
  }
  return std::make_unique<MemorySource>(std::move(series), calendar);
}

}  // namespace

std::unique_ptr<BatchSource> OpenBatchInput(const BatchInputOptions& options, std::string& error) {
  try {
    std::shared_ptr<Spool> spool;
    std::string path = options.file;
    std::string source = options.file;
    if (options.file == "-") {
      spool = std::make_shared<Spool>(error);
      if (!error.empty()) return nullptr;
      path = spool->path();
      source = "standard input";
    }
    if (options.wide) return OpenWide(path, source, options, error);
    return OpenLong(path, source, options, spool, error);
  } catch (const std::exception& e) {
    error = options.file + ": " + e.what();
    return nullptr;
  }
}

}  // namespace vordex::cli
