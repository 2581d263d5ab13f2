// vordex ets: exponential smoothing of the Pegels family, each component fixed or chosen by an
// information criterion, with simulated prediction limits.
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/ets.hpp"

namespace vordex::cli {
namespace {

const std::map<std::string, ets::ErrorForm> kErrors = {
    {"auto", ets::ErrorForm::kAuto},
    {"additive", ets::ErrorForm::kAdditive},
    {"multiplicative", ets::ErrorForm::kMultiplicative}};
const std::map<std::string, ets::Trend> kTrends = {{"auto", ets::Trend::kAuto},
                                                   {"none", ets::Trend::kNone},
                                                   {"additive", ets::Trend::kAdditive},
                                                   {"multiplicative", ets::Trend::kMultiplicative},
                                                   {"damped", ets::Trend::kDamped}};
const std::map<std::string, ets::Season> kSeasons = {
    {"auto", ets::Season::kAuto},
    {"none", ets::Season::kNone},
    {"additive", ets::Season::kAdditive},
    {"multiplicative", ets::Season::kMultiplicative}};
const std::map<std::string, ets::Criterion> kCriteria = {
    {"mse", ets::Criterion::kMse},
    {"amse", ets::Criterion::kAverageMse},
    {"sigma", ets::Criterion::kSigma},
    {"mape", ets::Criterion::kMape},
    {"likelihood", ets::Criterion::kLikelihood}};
const std::map<std::string, ets::Initialization> kInits = {
    {"heuristic", ets::Initialization::kHeuristic},
    {"estimated", ets::Initialization::kEstimated},
    {"winner", ets::Initialization::kEstimatedForWinner}};
const std::map<std::string, Transform> kTransforms = {
    {"none", Transform::kNone}, {"log", Transform::kLog}, {"sqrt", Transform::kSquareRoot}};

template <class T>
std::vector<std::string> Keys(const std::map<std::string, T>& m) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : m) keys.push_back(key);
  return keys;
}

template <class T>
std::string NameOf(const std::map<std::string, T>& m, T value) {
  for (const auto& [key, v] : m)
    if (v == value) return key;
  return "?";
}

void Report(const std::vector<Message>& messages, std::ostream& err) {
  for (const Message& m : messages) err << m.title << ": " << m.text << '\n';
}

void Add(Column& names, Column& values, std::string name, Cell value) {
  names.cells.emplace_back(std::move(name));
  values.cells.push_back(std::move(value));
}

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
    Report(e.messages(), context.err);
    context.err << "vordex ets: " << OneLine(e.what()) << '\n';
    context.status = 1;
    return;
  }
  Report(r.warnings, context.err);

  Column model_names{"name", {}};
  Column model_values{"value", {}};
  Add(model_names, model_values, "error", NameOf(kErrors, r.model.error));
  Add(model_names, model_values, "trend", NameOf(kTrends, r.model.trend));
  Add(model_names, model_values, "season", NameOf(kSeasons, r.model.season));
  Add(model_names, model_values, "period", static_cast<double>(settings.period));
  Add(model_names, model_values, "selected_by", std::string(r.searched ? o.ic : "given"));

  Column par_names{"name", {}};
  Column par_values{"value", {}};
  Add(par_names, par_values, "alpha", r.alpha);
  if (r.model.trend != ets::Trend::kNone) Add(par_names, par_values, "beta", r.beta);
  if (r.model.season != ets::Season::kNone) Add(par_names, par_values, "gamma", r.gamma);
  if (r.model.trend == ets::Trend::kDamped) Add(par_names, par_values, "phi", r.phi);

  Column state_names{"name", {}};
  Column state_values{"value", {}};
  Add(state_names, state_values, "level", r.initial_level);
  if (r.initial_trend) Add(state_names, state_values, "trend", *r.initial_trend);
  for (std::size_t k = 0; k < r.initial_seasonal.size(); ++k)
    Add(state_names, state_values, "season" + std::to_string(k + 1), r.initial_seasonal[k]);

  Column stat_names{"name", {}};
  Column stat_values{"value", {}};
  Add(stat_names, stat_values, "n", static_cast<double>(series->values.size()));
  Add(stat_names, stat_values, "sigma", r.sigma);
  Add(stat_names, stat_values, "log_likelihood", r.log_likelihood);
  Add(stat_names, stat_values, o.ic, r.information_criterion);
  Add(stat_names, stat_values, "mape", r.mape);
  Add(stat_names, stat_values, "rmse_average", r.rmse_average);
  for (std::size_t k = 0; k < r.rmse.size(); ++k)
    Add(stat_names, stat_values, "rmse_h" + std::to_string(k + 1), r.rmse[k]);

  std::vector<Section> sections;
  sections.push_back(Record("model", model_names, model_values));
  sections.push_back(Record("parameters", par_names, par_values));
  sections.push_back(Record("initial_states", state_names, state_values));
  sections.push_back(Record("statistics", stat_names, stat_values));
  sections.push_back(Section{"forecasts",
                             {TimeColumn(*series, series->values.size(), r.forecasts.size()),
                              NumberColumn("forecast", r.forecasts), NumberColumn("lower", r.lower),
                              NumberColumn("upper", r.upper)}});
  WriteSections(context.out, common.format, sections);
}

}  // namespace

std::string EtsErrorName(ets::ErrorForm form) {
  return NameOf(kErrors, form);
}
std::string EtsTrendName(ets::Trend trend) {
  return NameOf(kTrends, trend);
}
std::string EtsSeasonName(ets::Season season) {
  return NameOf(kSeasons, season);
}

std::string EtsModelName(const ets::Model& model) {
  const auto letter = [](const std::string& name) {
    if (name == "none") return std::string("N");
    if (name == "damped") return std::string("Ad");
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
  };
  return "ETS(" + letter(EtsErrorName(model.error)) + "," + letter(EtsTrendName(model.trend)) +
         "," + letter(EtsSeasonName(model.season)) + ")";
}

ets::Settings EtsSettings(const EtsOptions& o, int horizon, int period) {
  if (o.bounds.size() != 0 && o.bounds.size() != 2 && o.bounds.size() != 8) {
    throw std::invalid_argument(
        "--bounds takes 2 values (one pair for all parameters) or 8 (lower then upper bounds of "
        "alpha, beta, gamma, phi)");
  }
  const int s = o.period > 0 ? o.period : (period > 0 ? period : 1);
  ets::Settings settings = ets::AutoSettings(s, horizon);
  if (!o.auto_preset) {
    settings = ets::Settings{};
    settings.period = s;
    settings.horizon = horizon;
    settings.error = kErrors.at(o.error);
    settings.trend = kTrends.at(o.trend);
    settings.season = kSeasons.at(o.season);
    settings.criterion = kCriteria.at(o.criterion);
    settings.initialization = kInits.at(o.init);
    settings.information_criterion = o.ic == "bic"    ? ets::InformationCriterion::kBic
                                     : o.ic == "aicc" ? ets::InformationCriterion::kAicc
                                                      : ets::InformationCriterion::kAic;
  }
  settings.disturbances =
      o.disturbances == "bootstrap" ? ets::Disturbances::kResampled : ets::Disturbances::kGaussian;
  settings.paths = o.paths;
  settings.multisteps = o.multisteps;
  settings.transform = kTransforms.at(o.transform);
  settings.confidence = o.level;
  const std::size_t pairs = o.bounds.size() / 2;
  for (std::size_t i = 0; i < pairs; ++i)
    settings.bounds.push_back({o.bounds[i], o.bounds[pairs + i]});
  if (o.additive_only) settings.search = ets::Search::kAdditiveOnly;
  settings.admissible_region = o.admissible;
  settings.seed = o.seed;
  settings.threads = o.threads;
  return settings;
}

void AddEtsOptions(CLI::App* command, EtsOptions& options) {
  command->add_option("--error", options.error, "Error form")
      ->check(CLI::IsMember(Keys(kErrors)))
      ->capture_default_str();
  command->add_option("--trend", options.trend, "Trend form")
      ->check(CLI::IsMember(Keys(kTrends)))
      ->capture_default_str();
  command->add_option("--season", options.season, "Seasonality form")
      ->check(CLI::IsMember(Keys(kSeasons)))
      ->capture_default_str();
  command
      ->add_option("--period", options.period,
                   "Seasonal frequency (default: the series' own, else 1)")
      ->check(CLI::PositiveNumber);
  command->add_option("--criterion", options.criterion, "Statistic the parameters minimise")
      ->check(CLI::IsMember(Keys(kCriteria)))
      ->capture_default_str();
  command
      ->add_option("--init", options.init,
                   "Initial states: heuristic, estimated, or estimated for the chosen model only")
      ->check(CLI::IsMember(Keys(kInits)))
      ->capture_default_str();
  command
      ->add_option("--disturbances", options.disturbances,
                   "Simulated disturbances: Gaussian, or resampled one-step errors")
      ->check(CLI::IsMember({"gaussian", "bootstrap"}))
      ->capture_default_str();
  command->add_option("--paths", options.paths, "Number of simulated paths (500..50000)")
      ->capture_default_str();
  command
      ->add_option("--multisteps", options.multisteps,
                   "Horizons of the multi-step fit statistics (3..24)")
      ->capture_default_str();
  command->add_option("--ic", options.ic, "Information criterion of the model search")
      ->check(CLI::IsMember({"aic", "bic", "aicc"}))
      ->capture_default_str();
  command->add_option("--transform", options.transform, "Transform of the observations")
      ->check(CLI::IsMember(Keys(kTransforms)))
      ->capture_default_str();
  command->add_option("--level", options.level, "Coverage of the limits in percent (0..100)")
      ->capture_default_str();
  command
      ->add_option("--bounds", options.bounds,
                   "Parameter bounds: LOWER UPPER for all, or 4 lower then 4 upper bounds "
                   "(alpha beta gamma phi)")
      ->expected(2, 8);
  command->add_flag("--additive-only", options.additive_only, "Search additive forms only");
  command->add_flag("--admissible", options.admissible,
                    "All-additive models: allow any invertible parameters");
  command->add_option("--seed", options.seed,
                      "Seed of the simulated paths (default: a fixed seed); the same seed gives "
                      "the same limits. In a batch, series k draws from a seed derived from this "
                      "one and k");
  command
      ->add_option("--search-threads", options.threads,
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
