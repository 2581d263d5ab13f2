// vordex armax: seasonal ARMA with an optional constant for a transformed and differenced series.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/armax.hpp"

namespace vordex::cli {
namespace {

void RunArmax(const CommonOptions& common, const ArmaxOptions& o, CommandContext& context) {
  const auto series = LoadSeriesFor("armax", common.input, context.err);
  if (!series) {
    context.status = 1;
    return;
  }
  const armax::Settings settings = ArmaxSettings(o, common.horizon, series->frequency);
  armax::Result r;
  try {
    r = armax::Fit(series->values, settings);
  } catch (const Error& e) {
    ReportFailure("armax", e, context.err);
    context.status = 1;
    return;
  }
  ReportWarnings("armax", r, context.err);
  std::vector<Section> sections;
  const NamedValues coefficients = Parameters(r);
  if (!coefficients.empty()) sections.push_back(Record("coefficients", coefficients));
  // n: the values the differenced model explains.
  sections.push_back(Statistics(
      r, {{"n", static_cast<double>(r.series.size())}, {"sum_of_squares", r.sum_of_squares}}));
  sections.push_back(ForecastSection(*series, r));
  WriteSections(context.out, common.format, sections);
}

}  // namespace

armax::Settings ArmaxSettings(const ArmaxOptions& o, int horizon, int period) {
  armax::Settings settings;
  settings.period = o.period > 0 ? o.period : (period > 0 ? period : 1);
  settings.horizon = horizon;
  settings.p = o.order[0];
  settings.d = o.order[1];
  settings.q = o.order[2];
  const std::array<int, 3> seasonal =
      o.seasonal.size() == 3 ? std::array<int, 3>{o.seasonal[0], o.seasonal[1], o.seasonal[2]}
      : settings.period > 1  ? std::array<int, 3>{0, 1, 1}
                             : std::array<int, 3>{0, 0, 0};
  settings.P = seasonal[0];
  settings.D = seasonal[1];
  settings.Q = seasonal[2];
  settings.constant = o.constant;
  settings.transform = o.transform;
  settings.levels = o.levels;
  settings.critical_value = o.critical;
  settings.thorough = o.thorough;
  return settings;
}

void AddArmaxOptions(CLI::App* command, ArmaxOptions& options) {
  command->add_option("--order", options.order, "Nonseasonal orders p,d,q")
      ->delimiter(',')
      ->expected(3)
      ->allow_extra_args(false)
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  command
      ->add_option("--seasonal", options.seasonal,
                   "Seasonal orders P,D,Q (default 0,1,1 when the period exceeds 1, else 0,0,0)")
      ->delimiter(',')
      ->expected(3)
      ->allow_extra_args(false)
      ->check(CLI::NonNegativeNumber);
  command
      ->add_option("--period", options.period,
                   "Seasonal frequency (default: the series' own, else 1)")
      ->check(CLI::PositiveNumber);
  command->add_flag("--constant", options.constant, "Estimate a constant (the mean)");
  AddNamedOption(command, "--transform", options.transform, "Transform of the observations");
  CLI::Option* level = AddLevelOption(command, options.levels);
  command
      ->add_option_function<double>(
          "--critical", [&options](double z) { options.critical = z; },
          "Instead of --level: one pair of limits this many standard errors from the forecast")
      ->excludes(level);
  command->add_flag("--thorough", options.thorough,
                    "Estimate from several starting points and keep the best optimum");
}

void AddArmaxCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "armax",
      "Seasonal ARMA with an optional constant for a transformed, differenced series "
      "(exact maximum likelihood)");
  struct Options {
    CommonOptions common;
    ArmaxOptions armax;
  };
  auto options = std::make_shared<Options>();
  AddCommonOptions(command, options->common);
  AddArmaxOptions(command, options->armax);
  command->callback([&context, options] { RunArmax(options->common, options->armax, context); });
}

}  // namespace vordex::cli
