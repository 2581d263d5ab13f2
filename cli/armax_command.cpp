// vordex armax: seasonal ARMA with an optional constant for a transformed and differenced series.
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/armax.hpp"

namespace vordex::cli {
namespace {

std::string Numbered(const char* stem, std::size_t i) {
  return stem + std::to_string(i + 1);
}

void AddCoefficients(const char* stem, const std::vector<double>& values, Column& names,
                     Column& numbers) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    names.cells.emplace_back(Numbered(stem, i));
    numbers.cells.emplace_back(values[i]);
  }
}

void Report(const std::vector<Message>& messages, std::ostream& err) {
  for (const Message& m : messages) err << m.title << ": " << m.text << '\n';
}

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
    Report(e.messages(), context.err);
    context.err << "vordex armax: " << OneLine(e.what()) << '\n';
    context.status = 1;
    return;
  }
  Report(r.warnings, context.err);

  Column names{"name", {}};
  Column values{"value", {}};
  AddCoefficients("ar", r.ar, names, values);
  AddCoefficients("ma", r.ma, names, values);
  AddCoefficients("sar", r.seasonal_ar, names, values);
  AddCoefficients("sma", r.seasonal_ma, names, values);
  if (r.constant) {
    names.cells.emplace_back(std::string("constant"));
    values.cells.emplace_back(*r.constant);
  }

  Column stat_names{"name", {}};
  Column stat_values{"value", {}};
  const std::pair<const char*, double> stats[] = {
      {"n", static_cast<double>(r.series.size())},
      {"sum_of_squares", r.sum_of_squares},
      {"log_likelihood", r.log_likelihood},
      {"sigma2", r.sigma2},
  };
  for (const auto& [name, value] : stats) {
    stat_names.cells.emplace_back(std::string(name));
    stat_values.cells.emplace_back(value);
  }

  std::vector<Section> sections;
  sections.push_back(Section{"forecasts",
                             {TimeColumn(*series, series->values.size(), r.forecasts.size()),
                              NumberColumn("forecast", r.forecasts), NumberColumn("lower", r.lower),
                              NumberColumn("upper", r.upper)}});
  if (!names.cells.empty()) sections.push_back(Record("coefficients", names, values));
  sections.push_back(Record("statistics", stat_names, stat_values));
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
  settings.transform = o.transform == "log"    ? Transform::kLog
                       : o.transform == "sqrt" ? Transform::kSquareRoot
                                               : Transform::kNone;
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
  command->add_option("--transform", options.transform, "Transform of the observations")
      ->check(CLI::IsMember({"none", "log", "sqrt"}))
      ->capture_default_str();
  command
      ->add_option("--critical", options.critical,
                   "Critical value: each limit lies this many standard errors from the forecast")
      ->capture_default_str();
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
