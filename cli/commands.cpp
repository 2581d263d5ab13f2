#include "commands.h"

namespace vordex::cli {
namespace {

constexpr RegisterCommand kCommands[] = {
    &AddDatasetsCommand, &AddSeriesCommand,   &AddArimaCommand, &AddArmaxCommand,
    &AddEtsCommand,      &AddAutoCommands,    &AddBatchCommand, &AddForecastCommand,
    &AddCvCommand,       &AddAccuracyCommand,
};

}  // namespace

std::span<const RegisterCommand> Commands() {
  return kCommands;
}

}  // namespace vordex::cli
