// The command-line tool run in-process, as the CLI tests drive it.
#ifndef VORDEX_TESTS_CLI_RUN_FIXTURE_H
#define VORDEX_TESTS_CLI_RUN_FIXTURE_H

#include <sstream>
#include <string>
#include <vector>

#include "app.h"

namespace vordex::cli {

// What one run of the tool gave: its exit status and everything written to each stream.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs `vordex <args...>` (the program name is added in front) and collects its output.
inline Outcome RunTool(std::vector<const char*> args) {
  args.insert(args.begin(), "vordex");
  std::ostringstream out, err;
  const int status = Run(static_cast<int>(args.size()), args.data(), out, err);
  return {status, out.str(), err.str()};
}

}  // namespace vordex::cli

#endif  // VORDEX_TESTS_CLI_RUN_FIXTURE_H
