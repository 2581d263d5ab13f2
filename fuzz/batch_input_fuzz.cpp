// The batch reader on arbitrary files, long or wide: it opens the input or says why not, then
// gives every series in turn (each fit for the library or with the reason it is not) without
// throwing, and never more series than it counted.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "batch_input.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// The reader takes a path: each input is written to this process's own file. The process number
// is written with ten digits: the reader names the file in its messages, and a name whose length
// changed from one process to the next would take other paths through the string code, so that
// the same inputs would not give the same coverage.
const std::string& InputPath() {
  static const std::string path = [] {
    char name[64];
    std::snprintf(name, sizeof name, "vordex_fuzz_batch_%010ld.csv", static_cast<long>(getpid()));
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  {
    std::ofstream file(InputPath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  vordex::cli::BatchInputOptions options;
  options.file = InputPath();
  options.wide = mode & 1;
  if (mode & 2) options.time = (mode & 4) ? "2" : "time";
  if (mode & 8) options.id = "1";
  if (mode & 16) options.value = "3";
  if (mode & 32) options.xreg = {(mode & 64) ? "4" : "x"};
  std::string error;
  const auto source = vordex::cli::OpenBatchInput(options, error);
  if (!source) {
    if (error.empty()) Broken("no source and no reason");
    return 0;
  }
  vordex::cli::InputSeries series;
  std::size_t seen = 0;
  while (source->Next(series, error)) {
    if (++seen > source->count()) Broken("more series than counted");
    if (series.regressors.columns() != options.xreg.size() ||
        (!series.regressors.empty() && series.regressors.rows() != series.values.size()))
      Broken("regressors not row for row with the values");
    if (series.problem.empty()) {
      if (series.values.empty()) Broken("a series to fit without observations");
      for (double v : series.values)
        if (std::isinf(v)) Broken("an infinite observation");
    }
  }
  // The same text as a future file of the regressors: read whole, or refused with a reason.
  if (!options.xreg.empty() && (mode & 128)) {
    error.clear();
    const auto future = vordex::cli::ReadFutureFile(InputPath(), options, source->calendar(), error);
    if (!future && error.empty()) Broken("no future values and no reason");
    if (future)
      for (const auto& [id, f] : *future)
        if (f.values.columns() != 1 || f.values.rows() == 0) Broken("a future part without rows");
  }
  return 0;
}
