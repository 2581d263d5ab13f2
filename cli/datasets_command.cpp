// vordex datasets: lists the embedded sample series.
#include <memory>

#include "commands.h"
#include "common.h"
#include "datasets.h"

namespace vordex::cli {

void AddDatasetsCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand("datasets", "List the embedded sample series");
  auto format = std::make_shared<OutputFormat>(OutputFormat::kTable);
  AddFormatOption(command, *format);
  command->callback([&context, format] {
    Column name{"name", {}}, frequency{"frequency", {}}, length{"length", {}}, start{"start", {}},
        description{"description", {}};
    for (const Dataset& d : Datasets()) {
      name.cells.emplace_back(std::string(d.name));
      frequency.cells.emplace_back(static_cast<double>(d.frequency));
      length.cells.emplace_back(static_cast<double>(d.values.size()));
      start.cells.emplace_back(std::string(d.start));
      description.cells.emplace_back(std::string(d.description));
    }
    WriteSections(context.out, *format,
                  {Section{"datasets", {name, frequency, length, start, description}}});
  });
}

}  // namespace vordex::cli
