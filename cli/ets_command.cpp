// vordex ets: exponential smoothing of the Pegels family, each component fixed or chosen by an
// information criterion, with simulated prediction limits.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/ets.hpp"
#include "vordex/names.hpp"

namespace vordex::cli {
namespace {

void RunEts(const CommonOptions& common, const EtsOptions& o, CommandContext& context) {
  const auto series = LoadSeriesFor("ets", common.input, context.err);
  if (!series) {
    context.status = 1;
    return;
  }
  ets::Settings settings;
  try {
    settings = EtsSettings(o, common.horizon, series->frequency);
  } catch (const std::invalid_argument& e) {
    context.err << "vordex ets: " << e.what() << '\n';
    context.status = 1;
    return;
  }

  ets::Result r;
  try {
    r = ets::Fit(series->values, settings);
  } catch (const Error& e) {
    ReportFailure("ets", e, context.err);
    context.status = 1;
    return;
  }
  ReportWarnings("ets", r, context.err);

  Column model_names{"name", {}};
  Column model_values{"value", {}};
  const auto add = [&](const char* name, Cell value) {
    model_names.cells.emplace_back(std::string(name));
    model_values.cells.push_back(std::move(value));
  };
  add("model", ModelName(r));
  add("error", std::string(ToString(r.model.error)));
  add("trend", std::string(ToString(r.model.trend)));
  add("season", std::string(ToString(r.model.season)));
  add("period", static_cast<double>(settings.period));
  add("selected_by",
      r.searched ? std::string(ToString(settings.information_criterion)) : std::string("given"));
  // The criterion the search minimised, counted as the settings say (aic of the statistics
  // always counts the initial states and sigma).
  if (r.searched) add("information_criterion", r.information_criterion);

  NamedValues states = {{"level", r.initial_level}};
  if (r.initial_trend) states.emplace_back("trend", *r.initial_trend);
  for (std::size_t k = 0; k < r.initial_seasonal.size(); ++k)
    states.emplace_back("season" + std::to_string(k + 1), r.initial_seasonal[k]);

  NamedValues extra = {{"n", static_cast<double>(series->values.size())},
                       {"sigma", r.sigma},
                       {"mape", r.mape},
                       {"rmse_average", r.rmse_average}};
  for (std::size_t k = 0; k < r.rmse.size(); ++k)
    extra.emplace_back("rmse_h" + std::to_string(k + 1), r.rmse[k]);

  WriteSections(
      context.out, common.format,
      {Record("model", model_names, model_values), Record("parameters", Parameters(r)),
       Record("initial_states", states), Statistics(r, extra), ForecastSection(*series, r)});
}

}  // namespace

NamedValues Parameters(const ets::Result& r) {
  NamedValues parameters = {{"alpha", r.alpha}};
  if (r.model.trend != ets::Trend::kNone) parameters.emplace_back("beta", r.beta);
  if (r.model.season != ets::Season::kNone) parameters.emplace_back("gamma", r.gamma);
  if (r.model.trend == ets::Trend::kDamped) parameters.emplace_back("phi", r.phi);
  return parameters;
}

ets::Settings EtsSettings(const EtsOptions& o, int horizon, int period) {
  if (o.bounds.size() != 0 && o.bounds.size() != 2 && o.bounds.size() != 8) {
    throw std::invalid_argument(
        "--bounds takes 2 values (one pair for all parameters) or 8 (lower then upper bounds of "
        "alpha, beta, gamma, phi)");
  }
  const int s = o.period > 0 ? o.period : (period > 0 ? period : 1);
  ets::Settings settings = o.settings;
  if (o.auto_preset) {
    // The preset's model choice; the forecasts as the options ask.
    settings = ets::AutoSettings(s, horizon);
    settings.disturbances = o.settings.disturbances;
    settings.paths = o.settings.paths;
    settings.multisteps = o.settings.multisteps;
    settings.transform = o.settings.transform;
    settings.search = o.settings.search;
    settings.admissible_region = o.settings.admissible_region;
    settings.levels = o.settings.levels;
    settings.seed = o.settings.seed;
    settings.threads = o.settings.threads;
  }
  settings.period = s;
  settings.horizon = horizon;
  const std::size_t pairs = o.bounds.size() / 2;
  for (std::size_t i = 0; i < pairs; ++i)
    settings.bounds.push_back({o.bounds[i], o.bounds[pairs + i]});
  if (o.additive_only) settings.search = ets::Search::kAdditiveOnly;
  return settings;
}

void AddEtsOptions(CLI::App* command, EtsOptions& options) {
  ets::Settings& s = options.settings;
  AddNamedOption(command, "--error", s.error, "Error form");
  AddNamedOption(command, "--trend", s.trend, "Trend form");
  AddNamedOption(command, "--season", s.season, "Seasonality form");
  command
      ->add_option("--period", options.period,
                   "Seasonal frequency (default: the series' own, else 1)")
      ->check(CLI::PositiveNumber);
  AddNamedOption(command, "--criterion", s.criterion, "Statistic the parameters minimise");
  AddNamedOption(command, "--init", s.initialization,
                 "Initial states: heuristic, estimated, or estimated for the chosen model only");
  AddNamedOption(command, "--disturbances", s.disturbances,
                 "Simulated disturbances: Gaussian, or resampled one-step errors");
  command->add_option("--paths", s.paths, "Number of simulated paths (500..50000)")
      ->capture_default_str();
  command
      ->add_option("--multisteps", s.multisteps,
                   "Horizons of the multi-step fit statistics (3..24)")
      ->capture_default_str();
  AddNamedOption(command, "--ic", s.information_criterion,
                 "Information criterion of the model search");
  AddNamedOption(command, "--search", s.search, "Candidates of the model search");
  AddNamedOption(command, "--transform", s.transform, "Transform of the observations");
  AddLevelOption(command, s.levels);
  command
      ->add_option("--bounds", options.bounds,
                   "Parameter bounds: LOWER UPPER for all, or 4 lower then 4 upper bounds "
                   "(alpha beta gamma phi)")
      ->expected(2, 8);
  command->add_flag("--additive-only", options.additive_only,
                    "Search additive forms only (--search additive_only)");
  command->add_flag("--admissible", s.admissible_region,
                    "All-additive models: allow any invertible parameters");
  command->add_option("--seed", s.seed,
                      "Seed of the simulated paths (default: a fixed seed); the same seed gives "
                      "the same limits. In a batch, each series draws from a seed derived from "
                      "this one and the series' id");
  command
      ->add_option("--search-threads", s.threads,
                   "Threads of the model search (0: every core, 1: one after another; a batch "
                   "fits each series on one thread); the results are the same")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--auto", options.auto_preset,
                    "The recommended automatic smoothing: every component chosen without a "
                    "multiplicative trend, by AIC counting the initial states, estimated states "
                    "for the chosen model (--error, --trend, --season, --criterion, --init and "
                    "--ic are then not used)");
}

void AddEtsCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "ets",
      "Exponential smoothing (Pegels family): error, trend and season fixed or chosen by AIC/BIC, "
      "limits from simulated paths");
  struct Options {
    CommonOptions common;
    EtsOptions ets;
  };
  auto options = std::make_shared<Options>();
  AddCommonOptions(command, options->common);
  AddEtsOptions(command, options->ets);
  command->callback([&context, options] { RunEts(options->common, options->ets, context); });
}

}  // namespace vordex::cli
