// vordex series: reads a series as a forecasting command would and writes it back, to check an
// input file and the choice of column.
#include <memory>

#include "commands.h"
#include "common.h"

namespace vordex::cli {

void AddSeriesCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command =
      app.add_subcommand("series", "Read a series as the forecasting commands do and print it");
  struct Options {
    InputOptions input;
    OutputFormat format = OutputFormat::kTable;
  };
  auto options = std::make_shared<Options>();
  AddInputOptions(command, options->input);
  AddFormatOption(command, options->format);
  command->callback([&context, options] {
    const auto series = LoadSeriesFor("series", options->input, context.err);
    if (!series) {
      context.status = 1;
      return;
    }
    WriteSections(context.out, options->format,
                  {Section{"series",
                           {TimeColumn(*series, 0, series->values.size()),
                            NumberColumn(series->name, series->values)}}});
  });
}

}  // namespace vordex::cli
