// vordex forecast --model FILE [--new-data FILE] [--horizon H]: forecasts from a saved model,
// after filtering new observations through it when they are given, without estimating again; or
// from every model of a JSON Lines file (vordex batch --models), under their ids.
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "common.h"
#include "model_file.h"
#include "vordex/error.hpp"
#include "vordex/model.hpp"

namespace vordex::cli {
namespace {

struct ForecastOptions {
  std::string model;      // --model FILE
  InputOptions new_data;  // --new-data FILE (with --column, --time, --no-header)
  int horizon = -1;       // --horizon H; -1: the model's own
  std::vector<double> levels = kDefaultLevels;
  bool levels_given = false;
  OutputFormat format = OutputFormat::kTable;
  std::string save;  // --save FILE: the updated model
};

// A series of `n` values whose last observation is at the model's last time, so that the
// forecasts' times continue it (positions n + 1, ... when the time is unknown).
LoadedSeries TimesOf(const Model& model, long n) {
  LoadedSeries series;
  series.values.assign(static_cast<std::size_t>(n), 0.0);
  if (model.time) {
    if (const std::optional<Time> last = ParseTime(model.time->last))
      series.start = Time{last->calendar, last->ordinal - (n - 1)};
  }
  return series;
}

// The forecasts of every model of a JSON Lines file, one after another under their ids.
void ForecastMany(const ForecastOptions& o, const std::vector<Model>& models,
                  CommandContext& context) {
  Section all{"forecasts", {}};
  for (const Model& model : models) {
    const int horizon = o.horizon >= 0 ? o.horizon : model.horizon;
    const std::vector<double> levels = o.levels_given ? o.levels : model.levels;
    const Model forecast = Predict(model, horizon, levels);
    const Section one = ForecastSection(TimesOf(model, model.observations), Common(forecast));
    if (all.columns.empty()) {
      all.columns.push_back(Column{"id", {}});
      for (const Column& c : one.columns) all.columns.push_back(Column{c.name, {}});
    }
    if (one.columns.size() + 1 != all.columns.size())
      throw Error(Status::kInvalidSettings, "the models' limits differ; give --level");
    for (std::size_t h = 0; h < Common(forecast).mean.size(); ++h)
      all.columns[0].cells.emplace_back(model.id);
    for (std::size_t j = 0; j < one.columns.size(); ++j) {
      if (one.columns[j].name != all.columns[j + 1].name)
        all.columns[j + 1].name = j == 0 ? "time" : all.columns[j + 1].name;
      all.columns[j + 1].cells.insert(all.columns[j + 1].cells.end(), one.columns[j].cells.begin(),
                                      one.columns[j].cells.end());
    }
  }
  WriteSections(context.out, o.format, {all});
}

void RunForecast(const ForecastOptions& o, CommandContext& context) {
  const char* name = "forecast";
  Model model;
  try {
    std::ifstream in(o.model, std::ios::binary);
    if (!in) throw Error(Status::kInvalidData, o.model + ": cannot be opened");
    std::vector<Model> models = LoadMany(in);
    if (models.empty()) throw Error(Status::kInvalidData, "model file: no model");
    if (models.size() > 1) {
      if (!o.new_data.file.empty() || !o.save.empty())
        throw Error(Status::kInvalidSettings,
                    "--new-data and --save take a file of one model; this one has " +
                        std::to_string(models.size()));
      ForecastMany(o, models, context);
      return;
    }
    model = std::move(models.front());
  } catch (const Error& e) {
    context.err << "vordex forecast: " << o.model << ": " << e.text() << '\n';
    context.status = 1;
    return;
  }
  try {
    if (!o.new_data.file.empty()) {
      const auto series = LoadSeriesFor(name, o.new_data, context.err);
      if (!series) {
        context.status = 1;
        return;
      }
      std::optional<std::string> last;
      if (const auto t = LastTime(series->start, series->values.size())) last = t->last;
      // New values without a time column continue the model's times.
      if (!last && model.time) {
        if (const std::optional<Time> end = ParseTime(model.time->last))
          last = FormatTime(
              Time{end->calendar, end->ordinal + static_cast<std::int64_t>(series->values.size())});
      }
      model = Update(model, series->values, last);
    }
    const int horizon = o.horizon >= 0 ? o.horizon : model.horizon;
    const std::vector<double> levels = o.levels_given ? o.levels : model.levels;
    const Model forecast = Predict(model, horizon, levels);
    ReportWarnings(name, Common(forecast), context.err);
    WriteSections(context.out, o.format,
                  {ForecastSection(TimesOf(model, model.observations), Common(forecast))});
    if (!o.save.empty() && !SaveModelFile(name, o.save, model, context.err)) context.status = 1;
  } catch (const Error& e) {
    ReportFailure(name, e, context.err);
    context.status = 1;
  }
}

}  // namespace

void AddForecastCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "forecast", "Forecast from a saved model, after filtering new observations through it");
  auto o = std::make_shared<ForecastOptions>();
  command->add_option("--model,-m", o->model, "The model file (from --save)")
      ->required()
      ->check(CLI::ExistingFile);
  command->add_option("--new-data", o->new_data.file,
                      "CSV file of the observations after the model's last (\"-\" for standard "
                      "input): filtered through the model without estimating again");
  command->add_option("--column", o->new_data.column,
                      "The new data's value column (name or 1-based position)");
  command->add_option("--time", o->new_data.time, "The new data's time column (name or position)");
  command->add_flag("--no-header", o->new_data.no_header, "The new data have no header line");
  command
      ->add_option("--horizon,-H", o->horizon,
                   "Number of periods to forecast (default: the model's)")
      ->check(CLI::NonNegativeNumber);
  AddLevelOption(command, o->levels);
  AddFormatOption(command, o->format);
  command->add_option("--save", o->save, "Write the model, updated with the new data, to FILE");
  command->callback([&context, o, command] {
    o->levels_given = command->count("--level") > 0;
    RunForecast(*o, context);
  });
}

}  // namespace vordex::cli
