// The vordex command-line tool.
#ifndef VORDEX_CLI_APP_H
#define VORDEX_CLI_APP_H

#include <ostream>

namespace vordex::cli {

// Parses argv (argv[0] is the program name) and runs the chosen command, writing results to out
// and messages (including the library's message boxes) to err. Returns the exit status: 0 on
// success, non-zero after a message on err. Never throws.
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_APP_H
