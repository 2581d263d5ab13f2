#include "app.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "commands.h"

#ifndef VORDEX_VERSION_STRING
#define VORDEX_VERSION_STRING "unknown"
#endif

namespace vordex::cli {
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  try {
    CLI::App app(
        "Time-series forecasting: seasonal ARIMA, exponential smoothing and ARMAX, for one series "
        "or many.",
        "vordex");
    app.set_version_flag("--version", std::string("vordex ") + VORDEX_VERSION_STRING);
    app.require_subcommand(1);
    CommandContext context{out, err};
    context.out_is_terminal = &out == &std::cout && isatty(STDOUT_FILENO) == 1;
    context.err_is_terminal = &err == &std::cerr && isatty(STDERR_FILENO) == 1;
    for (RegisterCommand add : Commands()) add(app, context);
    try {
      app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
      // Also the way CLI11 ends --help and --version, with status 0.
      return app.exit(e, out, err);
    }
    return context.status;
  } catch (const std::exception& e) {
    err << "vordex: " << e.what() << '\n';
  } catch (...) {
    err << "vordex: unexpected failure\n";
  }
  return 1;
}

}  // namespace vordex::cli
