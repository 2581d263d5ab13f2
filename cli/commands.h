// The subcommands of the vordex tool. Each lives in its own file, declares its registration
// function here and is listed by one line in commands.cpp.
#ifndef VORDEX_CLI_COMMANDS_H
#define VORDEX_CLI_COMMANDS_H

#include <CLI/CLI.hpp>
#include <ostream>
#include <span>

namespace vordex::cli {

// What a command's callback writes to and reports back through.
struct CommandContext {
  std::ostream& out;  // results
  std::ostream& err;  // messages for the user
  int status = 0;     // the exit status: 0 for success; set non-zero after writing to err
  bool out_is_terminal = false;  // out is a terminal
  bool err_is_terminal = false;  // err is a terminal (progress may be shown in place)
};

// Adds one subcommand to app. Its callback runs when the subcommand is chosen; it must catch its
// own failures, write a message to context.err and set context.status. The options shared by
// forecasting commands come from common.h.
using RegisterCommand = void (*)(CLI::App& app, CommandContext& context);

void AddDatasetsCommand(CLI::App& app, CommandContext& context);  // datasets_command.cpp
void AddSeriesCommand(CLI::App& app, CommandContext& context);    // series_command.cpp
void AddArimaCommand(CLI::App& app, CommandContext& context);     // arima_command.cpp
void AddArmaxCommand(CLI::App& app, CommandContext& context);     // armax_command.cpp
void AddEtsCommand(CLI::App& app, CommandContext& context);       // ets_command.cpp
void AddAutoCommands(CLI::App& app, CommandContext& context);     // auto_command.cpp
void AddBatchCommand(CLI::App& app, CommandContext& context);     // batch_command.cpp
void AddForecastCommand(CLI::App& app, CommandContext& context);  // forecast_command.cpp
void AddCvCommand(CLI::App& app, CommandContext& context);        // cv_command.cpp
void AddAccuracyCommand(CLI::App& app, CommandContext& context);  // accuracy_command.cpp

// The registration functions in the order that --help lists the commands (commands.cpp).
std::span<const RegisterCommand> Commands();

}  // namespace vordex::cli

#endif  // VORDEX_CLI_COMMANDS_H
