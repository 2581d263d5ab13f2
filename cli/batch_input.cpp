#include "batch_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "csv.h"
#include "series_input.h"

namespace vordex::cli {
namespace {

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
  std::vector<std::size_t> xreg;  // the regressors' columns
  std::vector<std::string> xreg_names;
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

// Where a reader's last line is, for messages: "source: line L" and, for a column C > 0 (1-based),
// ", column C".
struct LineOf {
  const CsvReader& reader;
  std::string operator()(std::size_t column) const {
    return column == 0 ? reader.Where() : reader.Where(column);
  }
};

// Parses one long row, appending its regressors' values to `xreg`; on failure sets error (naming
// the place by where(column), column 1-based or 0 for the row) and returns nothing. `calendar` is
// the form of the first time seen, set by the first row.
template <class Where>
std::optional<Row> ParseRow(const Where& where, const std::vector<std::string_view>& cells,
                            const LongColumns& c, std::optional<Calendar>& calendar,
                            std::vector<double>& xreg, std::string& error) {
  if (cells.size() < c.needed) {
    error = where(0) + ": " + std::to_string(cells.size()) + " cells, " + std::to_string(c.needed) +
            " expected";
    return std::nullopt;
  }
  Row row;
  row.id = cells[c.id];
  if (row.id.empty()) {
    error = where(c.id + 1) + ": the id is empty";
    return std::nullopt;
  }
  const auto value = ValueCell(cells[c.value]);
  if (!value) {
    error = where(c.value + 1) + ": \"" + std::string(cells[c.value]) +
            "\" is not a number (nor empty, NA or NaN)";
    return std::nullopt;
  }
  row.value = *value;
  for (const std::size_t k : c.xreg) {
    const auto x = ValueCell(cells[k]);
    if (!x) {
      error = where(k + 1) + ": \"" + std::string(cells[k]) +
              "\" is not a number (nor empty, NA or NaN)";
      return std::nullopt;
    }
    xreg.push_back(*x);
  }
  if (c.time != kNone) {
    row.time = ParseTime(cells[c.time]);
    if (!row.time) {
      error = where(c.time + 1) + ": \"" + std::string(cells[c.time]) + "\" is not a time (" +
              kTimeForms + ")";
      return std::nullopt;
    }
    if (!calendar) calendar = row.time->calendar;
    // Hours among half-hours are half-hours; a half-hour after hours makes them all half-hours.
    if (*calendar == Calendar::kHour && row.time->calendar == Calendar::kHalfHour)
      calendar = Calendar::kHalfHour;
    row.time = OnClockOf(*row.time, *calendar);
    if (row.time->calendar != *calendar) {
      error = where(c.time + 1) + ": \"" + std::string(cells[c.time]) + "\" is a " +
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
  std::vector<double> xreg;            // the regressors' values, row after row
};

// Puts the rows in time order, checks that no time is repeated or missing, and drops leading and
// trailing missing values (with their regressors, named `xreg_names`).
InputSeries Settle(Rows rows, const std::optional<Calendar>& calendar,
                   const std::vector<std::string>& xreg_names = {}) {
  InputSeries s;
  s.id = std::move(rows.id);
  std::vector<double>& y = rows.values;
  std::vector<std::int64_t>& t = rows.ordinals;
  const std::size_t k = xreg_names.size();
  if (calendar && !std::is_sorted(t.begin(), t.end())) {
    std::vector<std::size_t> order(t.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return t[a] < t[b]; });
    std::vector<double> y2, x2;
    std::vector<std::int64_t> t2;
    for (std::size_t i : order) {
      y2.push_back(y[i]);
      t2.push_back(t[i]);
      x2.insert(x2.end(), rows.xreg.begin() + static_cast<std::ptrdiff_t>(i * k),
                rows.xreg.begin() + static_cast<std::ptrdiff_t>((i + 1) * k));
    }
    y.swap(y2);
    t.swap(t2);
    rows.xreg.swap(x2);
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
  std::vector<double> column(last - first);
  for (std::size_t j = 0; j < k; ++j) {
    for (std::size_t i = first; i < last; ++i) column[i - first] = rows.xreg[i * k + j];
    s.regressors.Add(xreg_names[j], column);
  }
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
      const std::size_t before = rows.xreg.size();
      const auto row = ParseRow(LineOf{*reader_}, cells_, columns_, calendar, rows.xreg, error);
      if (!row) return false;
      if (rows.values.empty()) {
        rows.id = std::string(row->id);
      } else if (row->id != rows.id) {
        rows.xreg.resize(before);  // the next series' row
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
    series = Settle(std::move(rows), calendar_, columns_.xreg_names);
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

// The rows of each series of an interleaved long file, as byte offsets into the file: series k's
// offsets are the LEB128-coded distances, each from the one before (the first from 0), in bytes
// [starts[k], starts[k + 1]) of one array. A distance takes 7 bits a byte: rows 2 MB apart (the
// rows of 100,000 series interleaved time by time) take 4 bytes a row, rows of a series close
// together 1 or 2.
struct RowIndex {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint64_t> starts;  // one per series, and the end
};

std::size_t CodedSize(std::uint64_t distance) {
  std::size_t size = 1;
  while (distance >= 0x80) {
    distance >>= 7;
    ++size;
  }
  return size;
}

std::uint8_t* Code(std::uint64_t distance, std::uint8_t* out) {
  while (distance >= 0x80) {
    *out++ = static_cast<std::uint8_t>(distance | 0x80);
    distance >>= 7;
  }
  *out++ = static_cast<std::uint8_t>(distance);
  return out;
}

// A long file whose series are interleaved, read series by series at the offsets of their rows:
// the index, the series in flight and one line are all it holds.
class IndexedSource : public BatchSource {
 public:
  IndexedSource(int fd, std::string source, LongColumns columns, char separator,
                std::optional<Calendar> calendar, RowIndex index, std::shared_ptr<Spool> spool)
      : fd_(fd),
        source_(std::move(source)),
        columns_(columns),
        separator_(separator),
        index_(std::move(index)),
        spool_(std::move(spool)) {
    calendar_ = calendar;
    count_ = index_.starts.size() - 1;
  }
  ~IndexedSource() override { close(fd_); }
  IndexedSource(const IndexedSource&) = delete;
  IndexedSource& operator=(const IndexedSource&) = delete;

  bool Next(InputSeries& series, std::string& error) override {
    if (next_ == count_) return false;
    Rows rows;
    std::optional<Calendar> calendar = calendar_;
    bool first = true;
    const bool read = ForEachRow(next_, [&](std::uint64_t offset) {
      if (!ReadRow(offset, error)) return false;
      const auto where = [&](std::size_t) { return Changed(offset); };
      const auto row = ParseRow(where, cells_, columns_, calendar, rows.xreg, error);
      if (!row) return false;
      if (first) rows.id = std::string(row->id);
      if (row->id != rows.id) {
        error = Changed(offset);
        return false;
      }
      first = false;
      rows.values.push_back(row->value);
      if (row->time) rows.ordinals.push_back(row->time->ordinal);
      return true;
    });
    if (!read) return false;
    ++next_;
    series = Settle(std::move(rows), calendar_, columns_.xreg_names);
    return true;
  }

  bool Skip(std::string& id, std::size_t& rows, std::string& error) override {
    if (next_ == count_) return false;
    rows = 0;
    const bool read = ForEachRow(next_, [&](std::uint64_t offset) {
      if (rows++ > 0) return true;
      if (!ReadRow(offset, error)) return false;
      id = std::string(cells_[columns_.id]);
      return true;
    });
    ++next_;
    return read;
  }

 private:
  // Calls row(offset) for each row of series k in file order, while it returns true.
  template <class F>
  bool ForEachRow(std::size_t k, const F& row) const {
    std::uint64_t offset = 0;
    unsigned shift = 0;
    std::uint64_t distance = 0;
    for (std::uint64_t i = index_.starts[k]; i < index_.starts[k + 1]; ++i) {
      const std::uint8_t b = index_.bytes[i];
      distance |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      shift += 7;
      if ((b & 0x80) != 0) continue;
      offset += distance;
      distance = 0;
      shift = 0;
      if (!row(offset)) return false;
    }
    return true;
  }

  std::string Changed(std::uint64_t offset) const {
    return source_ + ": the file changed while it was read (the row at byte " +
           std::to_string(offset) + " is not what it was)";
  }

  // Splits the line at `offset` into cells_. Lines are read in chunks of kChunk bytes, and a
  // chunk serves every line it holds whole (the rows of a series that lie close together).
  bool ReadRow(std::uint64_t offset, std::string& error) {
    static constexpr std::size_t kChunk = 512;
    std::size_t at = offset - chunk_offset_;
    std::size_t end = std::string::npos;
    if (offset >= chunk_offset_ && at < chunk_.size()) end = chunk_.find('\n', at);
    if (end == std::string::npos && !(at < chunk_.size() && chunk_eof_)) {
      chunk_offset_ = offset;
      at = 0;
      chunk_.clear();
      chunk_eof_ = false;
      // Larger reads until the line end is in (or the file ends).
      for (std::size_t want = kChunk; end == std::string::npos && !chunk_eof_; want *= 2) {
        const std::size_t have = chunk_.size();
        chunk_.resize(want);
        const ssize_t n =
            pread(fd_, chunk_.data() + have, want - have, static_cast<off_t>(offset + have));
        if (n < 0) {
          error = source_ + ": read error: " + std::strerror(errno);
          return false;
        }
        chunk_.resize(have + static_cast<std::size_t>(n));
        chunk_eof_ = static_cast<std::size_t>(n) < want - have;
        end = chunk_.find('\n', have);
      }
    }
    if (at >= chunk_.size()) {
      error = Changed(offset);
      return false;
    }
    const std::size_t stop = end == std::string::npos ? chunk_.size() : end;
    SplitCells(std::string_view(chunk_).substr(at, stop - at), separator_, cells_);
    if (cells_.size() < columns_.needed) {
      error = Changed(offset);
      return false;
    }
    return true;
  }

  int fd_;
  std::string source_;
  LongColumns columns_;
  char separator_;
  RowIndex index_;
  std::shared_ptr<Spool> spool_;
  std::size_t next_ = 0;
  std::string chunk_;  // bytes from chunk_offset_
  std::uint64_t chunk_offset_ = 0;
  bool chunk_eof_ = false;  // chunk_ runs to the end of the file
  std::vector<std::string_view> cells_;
};

// Series held in memory (wide files), handed out in order.
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
  for (const std::string& name : options.xreg) {
    const auto k = Resolve(name, "--xreg", header, source, error);
    if (!k) return nullptr;
    if (*k == c.id || *k == c.value || *k == c.time) {
      error = source + ": --xreg: column \"" + name + "\" is the series' id, time or value";
      return nullptr;
    }
    c.xreg.push_back(*k);
    c.xreg_names.push_back(header[*k]);
    c.needed = std::max(c.needed, *k + 1);
  }

  // First pass: check every row, number the series in the order of their first rows, and size
  // each series' part of the row index. The series are contiguous unless an id comes back after
  // another.
  struct Sizing {
    std::uint64_t last = 0;   // offset of the series' last row
    std::uint64_t bytes = 0;  // of its index part; then where the next distance goes
  };
  std::optional<Calendar> calendar;
  std::unordered_map<std::string, std::size_t> number;
  std::vector<Sizing> sizes;
  std::string key;
  std::size_t current = kNone;
  bool contiguous = true;
  const auto series_of = [&](std::string_view id) -> std::size_t {
    if (current != kNone && key == id) return current;
    key.assign(id);
    const auto [at, added] = number.try_emplace(key, sizes.size());
    if (added) {
      sizes.emplace_back();
    } else if (at->second != current) {
      contiguous = false;
    }
    return current = at->second;
  };
  std::vector<double> xreg;
  while (reader.Next(cells)) {
    xreg.clear();
    const auto row = ParseRow(LineOf{reader}, cells, c, calendar, xreg, error);
    if (!row) return nullptr;
    Sizing& s = sizes[series_of(row->id)];
    s.bytes += CodedSize(reader.offset() - s.last);
    s.last = reader.offset();
  }
  if (reader.failed()) {
    error = source + ": read error";
    return nullptr;
  }
  if (sizes.empty()) {
    error = source + ": no observations";
    return nullptr;
  }
  if (contiguous) {
    return std::make_unique<ContiguousSource>(path, source, c, calendar, sizes.size(), spool);
  }

  // Interleaved series: a second pass writes the row index, and each series is then read from
  // the offsets of its rows.
  RowIndex index;
  index.starts.resize(sizes.size() + 1);
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    index.starts[k + 1] = index.starts[k] + sizes[k].bytes;
    sizes[k] = Sizing{0, index.starts[k]};
  }
  index.bytes.resize(index.starts.back());
  in = OpenFile(path, source, error);
  if (!in) return nullptr;
  CsvReader again(*in, source);
  again.Next(cells);
  current = kNone;
  while (again.Next(cells)) {
    if (cells.size() >= c.needed) key.assign(cells[c.id]);
    const auto found = cells.size() < c.needed ? number.end() : number.find(key);
    const std::size_t k = found == number.end() ? kNone : found->second;
    const std::uint64_t distance = again.offset() - (k == kNone ? 0 : sizes[k].last);
    if (k == kNone || sizes[k].bytes + CodedSize(distance) > index.starts[k + 1]) {
      error = source + ": the file changed while it was read (line " +
              std::to_string(again.line()) + ")";
      return nullptr;
    }
    Code(distance, index.bytes.data() + sizes[k].bytes);
    sizes[k].bytes += CodedSize(distance);
    sizes[k].last = again.offset();
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = source + ": cannot open the file";
    return nullptr;
  }
  return std::make_unique<IndexedSource>(fd, source, c, reader.separator(), calendar,
                                         std::move(index), spool);
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
    if (k != time) series.push_back(Rows{header[k], {}, {}, {}});
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

std::optional<FutureFile> ReadFutureFile(const std::string& path, const BatchInputOptions& options,
                                         const std::optional<Calendar>& calendar,
                                         std::string& error) {
  try {
    const auto in = OpenFile(path, path, error);
    if (!in) return std::nullopt;
    CsvReader reader(*in, path);
    std::vector<std::string_view> cells;
    if (!reader.Next(cells)) {
      error = path + ": no header line";
      return std::nullopt;
    }
    const std::vector<std::string> header = Strings(cells);
    const auto id = Resolve(options.id, "--id", header, path, error);
    if (!id) return std::nullopt;
    std::size_t time = kNone;
    if (calendar) {
      const auto t =
          Resolve(options.time.empty() ? "time" : options.time, "--time", header, path, error);
      if (!t) return std::nullopt;
      time = *t;
    }
    std::vector<std::size_t> columns;
    std::vector<std::string> names;
    for (const std::string& name : options.xreg) {
      const auto k = Resolve(name, "--xreg", header, path, error);
      if (!k) return std::nullopt;
      columns.push_back(*k);
      names.push_back(header[*k]);
    }
    const std::size_t needed =
        std::max(
            *id,
            std::max(time == kNone ? 0 : time,
                     columns.empty() ? 0 : *std::max_element(columns.begin(), columns.end()))) +
        1;
    std::unordered_map<std::string, Rows> parts;
    while (reader.Next(cells)) {
      if (cells.size() < needed) {
        error = reader.Where() + ": " + std::to_string(cells.size()) + " cells, " +
                std::to_string(needed) + " expected";
        return std::nullopt;
      }
      if (cells[*id].empty()) {
        error = reader.Where(*id + 1) + ": the id is empty";
        return std::nullopt;
      }
      Rows& rows = parts[std::string(cells[*id])];
      if (time != kNone) {
        auto t = ParseTime(cells[time]);
        if (t) t = OnClockOf(*t, *calendar);
        if (!t || t->calendar != *calendar) {
          error = reader.Where(time + 1) + ": \"" + std::string(cells[time]) + "\" is not a " +
                  CalendarName(*calendar) + ", as the series' times are";
          return std::nullopt;
        }
        rows.ordinals.push_back(t->ordinal);
      }
      for (const std::size_t k : columns) {
        const auto x = IsMissingCell(cells[k]) ? std::nullopt : ParseNumber(cells[k]);
        if (!x) {
          error = reader.Where(k + 1) + ": \"" + std::string(cells[k]) +
                  "\" is not a number (a regressor's future value cannot be missing)";
          return std::nullopt;
        }
        rows.xreg.push_back(*x);
      }
      rows.values.push_back(0.0);  // the rows' count, for Settle
    }
    if (reader.failed()) {
      error = path + ": read error";
      return std::nullopt;
    }
    FutureFile future;
    for (auto& [name, rows] : parts) {
      rows.id = name;
      InputSeries s = Settle(std::move(rows), calendar, names);
      if (!s.problem.empty()) {
        error = path + ": series " + s.id + ": " + s.problem;
        return std::nullopt;
      }
      future.emplace(std::move(s.id), FutureRegressors{s.start, std::move(s.regressors)});
    }
    return future;
  } catch (const std::exception& e) {
    error = path + ": " + e.what();
    return std::nullopt;
  }
}

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
    if (options.wide) {
      if (!options.xreg.empty()) {
        error = "--xreg reads regressor columns of a long file (id,time,value,...), not --wide";
        return nullptr;
      }
      return OpenWide(path, source, options, error);
    }
    return OpenLong(path, source, options, spool, error);
  } catch (const std::exception& e) {
    error = options.file + ": " + e.what();
    return nullptr;
  }
}

}  // namespace vordex::cli
