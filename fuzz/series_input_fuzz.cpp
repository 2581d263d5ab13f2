// The command-line tool's series reader on arbitrary text: it answers with observations (finite,
// or NaN for a missing cell, the first one observed) or one line naming the problem, and never
// throws.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "series_input.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte chooses the options: header mode, and the column as none, a position or the
  // name that the next bytes up to a newline spell.
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  vordex::cli::ReadOptions options;
  options.header = mode & 1 ? vordex::cli::HeaderMode::kAbsent : vordex::cli::HeaderMode::kAuto;
  switch ((mode >> 1) % 4) {
    case 1:
      options.column = std::to_string(mode >> 3);
      break;
    case 2: {
      const std::size_t end = text.find('\n');
      options.column = text.substr(0, end);
      text.erase(0, end == std::string::npos ? text.size() : end + 1);
      break;
    }
    case 3:
      options.column = "99999999999999999999";
      break;
    default:
      break;
  }
  std::istringstream in(text);
  const vordex::cli::ReadResult r = vordex::cli::ReadSeries(in, "input", options);
  if (r.ok()) {
    if (r.values.empty() || std::isnan(r.values.front()))
      Broken("success without an observation first");
    for (double v : r.values)
      if (std::isinf(v)) Broken("an observation that is infinite");
  } else if (r.error.find('\n') != std::string::npos) {
    Broken("an error of more than one line");
  }
  return 0;
}
