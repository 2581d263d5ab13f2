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
    const LoadedSeries series = LoadSeries(options->input);
    if (!series.ok()) {
      context.err << "vordex series: " << series.error << '\n';
      context.status = 1;
      return;
    }
    std::vector<double> t(series.values.size());
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<double>(i + 1);
    WriteSections(
        context.out, options->format,
        {Section{"series", {NumberColumn("t", t), NumberColumn(series.name, series.values)}}});
  });
}

}  // namespace vordex::cli
