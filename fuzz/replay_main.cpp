// A fuzz target without libFuzzer: runs each input named on the command line (a file, or every
// file of a directory) once, in an ordinary optimised build, and reports those that take longer
// than a limit. libFuzzer's own timeout applies to the instrumented build, where a request runs
// ten or more times slower; this tells how long the library itself takes. Times are the
// processor time of the process (the targets run on one thread), so that a busy machine does not
// count against an input.
//   vordex_replay_<target> [-limit=SECONDS] PATH...
// Prints the slowest inputs (at most ten) with their times; exits 1 when any input took longer
// than the limit (default 1 s), 2 on a path that cannot be read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  double limit = 1.0;
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("-limit=", 0) == 0) {
      limit = std::atof(arg.c_str() + 7);
      continue;
    }
    std::error_code error;
    if (std::filesystem::is_directory(arg, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, error))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else {
      inputs.emplace_back(arg);
    }
    if (error) {
      std::fprintf(stderr, "cannot read %s\n", arg.c_str());
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  std::vector<std::pair<double, std::string>> times;
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    const std::clock_t start = std::clock();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    times.emplace_back(took, path.string());
  }
  std::sort(times.rbegin(), times.rend());
  std::size_t over = 0;
  for (const auto& [seconds, name] : times) over += seconds > limit ? 1 : 0;
  std::printf("%zu inputs, %zu over %g s; slowest:\n", times.size(), over, limit);
  for (std::size_t i = 0; i < times.size() && i < 10; ++i)
    std::printf("  %.3f s  %s\n", times[i].first, times[i].second.c_str());
  return over > 0 ? 1 : 0;
}
