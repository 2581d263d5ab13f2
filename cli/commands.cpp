#include "commands.h"

namespace vordex::cli {
namespace {

constexpr RegisterCommand kCommands[] = {
    &AddDatasetsCommand,
    &AddSeriesCommand,
    &AddArmaxCommand,
};

}  // namespace

std::span<const RegisterCommand> Commands() {
  return kCommands;
}

}  // namespace vordex::cli
