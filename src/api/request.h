// Runs one export for the typed API and turns its VARIANT into cells or a vordex::Error.
#ifndef VORDEX_API_REQUEST_H
#define VORDEX_API_REQUEST_H

#include <cstddef>
#include <span>
#include <vector>

#include "vordex/automation.h"
#include "vordex/error.hpp"
#include "vordex/vordex.h"

namespace vordex::api {

// Any of the three exports, with its calling convention.
using Export = decltype(&Arimadll);

// Calls `run` with the options as a VT_I2 array and the data as a VT_R8 array (both lower bound
// 0), collecting every message raised on this thread meanwhile. Returns the result cells (cell 1
// of the result array first). Throws vordex::Error for a status code or text, with the collected
// messages; warnings raised on success are returned through `warnings` when it is not null.
std::vector<double> RunExport(Export run, std::span<const short> options,
                              std::span<const double> data,
                              std::vector<Message>* warnings = nullptr);

// The exports' missing-value marker: cells with exactly this bit pattern hold no value.
inline constexpr double kMissing = -99999.0;

// Returns `block` with every cell whose bits are those of kMissing replaced by a quiet NaN; other
// cells (including other NaNs and -99999.0 computed to a different bit pattern) are kept as they
// are.
std::vector<double> MissingToNaN(std::vector<double> block);

// Narrows `value` to the 16-bit option the export takes. Throws vordex::Error (status 0, no
// messages) with the text "<method>: <name> does not fit a 16-bit option" when it lies outside
// -32768..32767. `method` is the request's name as the caller shows it ("Arima").
short Option(long value, const char* method, const char* name);

// Reads the result cells of one request in order, from cell 1 of the result array on. Every read
// is bounds-checked: asking for more cells than are left throws vordex::Error (status 0) with the
// text "<method>: unexpected result layout" and the request's warnings, and consumes nothing.
class CellReader {
 public:
  // `cells`, `method` and `warnings` are not owned and must outlive the reader.
  CellReader(std::span<const double> cells, const char* method,
             const std::vector<Message>& warnings);

  // The next `count` cells as a block; an empty block (and nothing consumed) when count <= 0.
  std::vector<double> Take(long count);

  // The next cell.
  double Next();

  // True when every cell has been read.
  bool done() const { return at_ == cells_.size(); }

 private:
  // Throws the layout error unless `count` more cells are left.
  void Need(std::size_t count) const;

  std::span<const double> cells_;
  std::size_t at_ = 0;
  const char* method_;
  const std::vector<Message>* warnings_;
};

}  // namespace vordex::api

#endif  // VORDEX_API_REQUEST_H
