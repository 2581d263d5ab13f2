// vordex auto, vordex auto-arima and vordex theta: forecasts by methods that choose their model
// from the data. auto (the combination of automatic smoothing, automatic ARIMA and Theta) is the
// recommended one.
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "csv.h"
#include "methods.h"
#include "model_file.h"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/names.hpp"

namespace vordex::cli {
namespace {

int PeriodFor(int option, int series) {
  return option > 0 ? option : (series > 0 ? series : 1);
}

// A single period up to this is given as auto_forecast's `period`, as it always was.
constexpr double kLongestSinglePeriod = 24.0;

void AddPeriodOption(CLI::App* command, int& period) {
  command->add_option("--period", period, "Seasonal frequency (default: the series' own, else 1)")
      ->check(CLI::PositiveNumber);
}

Section AutoArimaModel(const auto_arima::Result& r) {
  return Record("model", {"name", {std::string("model"), std::string("models_fitted")}},
                {"value", {ModelName(r), static_cast<double>(r.path.size())}});
}

// The search path: every model fitted, in order.
Section SearchPath(const auto_arima::Result& r) {
  std::vector<Cell> models, notes;
  std::vector<double> aicc;
  for (const auto_arima::Candidate& c : r.path) {
    models.emplace_back(ModelName(c, r.period));
    aicc.push_back(c.aicc);
    notes.emplace_back(c.note);
  }
  return {"search", {{"model", models}, NumberColumn("aicc", aicc), {"note", notes}}};
}

Section ThetaModel(const theta::Result& r) {
  return Record(
      "model",
      {"name",
       {std::string("model"), std::string("seasonally_adjusted"), std::string("alpha"),
        std::string("initial_level"), std::string("drift")}},
      {"value", {ModelName(r), r.seasonal ? 1.0 : 0.0, r.alpha, r.initial_level, r.drift}});
}

std::string MethodName(Method method) {
  return std::string(ToString(method));
}

// The members of a combination: each method's model, or why it was left out.
Section Members(const auto_forecast::Result& r) {
  std::vector<Cell> methods, models;
  const auto add = [&](std::string method, std::string model) {
    methods.emplace_back(std::move(method));
    models.emplace_back(std::move(model));
  };
  if (r.smoothing) add(MethodName(Method::kEts), ModelName(*r.smoothing));
  if (r.arima) add(MethodName(Method::kAutoArima), ModelName(*r.arima));
  if (r.theta) add(MethodName(Method::kTheta), ModelName(*r.theta));
  if (r.mstl) add("mstl", ModelName(*r.mstl));
  for (const std::string& failure : r.failures) add("left out", failure);
  return {"members", {{"method", methods}, {"model", models}}};
}

// The combination's forecasts beside each member's mean.
Section CombinedForecasts(const auto_forecast::Result& r, const LoadedSeries& series) {
  Section s = ForecastSection(series, r);
  const std::vector<double> missing(r.mean.size(), kMissing);
  const auto member = [&](Method method, const Forecast* f) {
    s.columns.push_back(NumberColumn(MethodName(method), f != nullptr ? f->mean : missing));
  };
  member(Method::kEts, r.smoothing ? &*r.smoothing : nullptr);
  member(Method::kAutoArima, r.arima ? &*r.arima : nullptr);
  member(Method::kTheta, r.theta ? &*r.theta : nullptr);
  if (r.mstl) s.columns.push_back(NumberColumn("mstl", r.mstl->mean));
  return s;
}

// Adds a single-series command whose options live in MethodOptions and whose result is written
// by `write`.
template <class MethodOptions, class Settings, class Write>
void AddAutomaticCommand(CLI::App& app, CommandContext& context, const char* name,
                         const char* description, void (*add_options)(CLI::App*, MethodOptions&),
                         Settings (*settings_for)(const MethodOptions&, int, int), Write write) {
  CLI::App* command = app.add_subcommand(name, description);
  struct Options {
    CommonOptions common;
    MethodOptions method;
  };
  auto options = std::make_shared<Options>();
  AddCommonOptions(command, options->common);
  add_options(command, options->method);
  command->callback([&context, options, name, settings_for, write] {
    const auto series = LoadSeriesFor(name, options->common.input, context.err);
    if (!series) {
      context.status = 1;
      return;
    }
    if constexpr (requires { options->method.calendar; })
      if (series->start) options->method.calendar = series->start->calendar;
    Settings settings = settings_for(options->method, options->common.horizon, series->frequency);
    try {
      if constexpr (requires { options->method.regressors; })
        SetRegressors(options->method.regressors, options->common.input, *series, settings);
      const auto r = Fit(series->values, settings);
      ReportWarnings(name, r, context.err);
      WriteSections(context.out, options->common.format, write(r, *series));
      if (!SaveIfAsked(name, options->common.save, r, *series, context.err)) context.status = 1;
    } catch (const std::invalid_argument& e) {
      context.err << "vordex " << name << ": " << e.what() << '\n';
      context.status = 1;
    } catch (const Error& e) {
      ReportFailure(name, e, context.err);
      context.status = 1;
    }
  });
}

}  // namespace

NamedValues Parameters(const theta::Result& r) {
  return {{"alpha", r.alpha}, {"drift", r.drift}};
}

namespace {

// --transform (none or boxcox for the automatic methods), --lambda and --bias-adjusted.
void AddAutomaticTransform(CLI::App* command, Transform& transform, BoxCox& box_cox) {
  AddNamedOption(command, "--transform", transform,
                 "Transform of the observations: none or boxcox");
  AddBoxCoxOptions(command, box_cox);
}

}  // namespace

void AddAutoArimaOptions(CLI::App* command, AutoArimaOptions& o) {
  AddPeriodOption(command, o.period);
  AddLevelOption(command, o.levels);
  command->add_option("-d,--differences", o.d, "Nonseasonal differences (default: KPSS test)")
      ->check(CLI::Range(0, 2));
  command
      ->add_option("-D,--seasonal-differences", o.D,
                   "Seasonal differences (default: seasonal strength)")
      ->check(CLI::Range(0, 1));
  command->add_option("--max-p", o.max_p, "Largest nonseasonal AR order (default 5)")
      ->check(CLI::Range(0, 12));
  command->add_option("--max-q", o.max_q, "Largest nonseasonal MA order (default 5)")
      ->check(CLI::Range(0, 12));
  command->add_option("--max-P", o.max_P, "Largest seasonal AR order (default 2)")
      ->check(CLI::Range(0, 3));
  command->add_option("--max-Q", o.max_Q, "Largest seasonal MA order (default 2)")
      ->check(CLI::Range(0, 3));
  command->add_flag("--exhaustive", o.exhaustive,
                    "Fit every model within the bounds instead of the stepwise search");
  command->add_flag("--no-constant", o.no_constant, "Never include a constant");
  command->add_flag("--single-start", o.single_start,
                    "Do not re-estimate the best candidates from several starting points");
  command->add_flag("--approximation", o.approximation,
                    "Rank the candidates by conditional sums of squares and fit only the best "
                    "exactly (R's default above 150 values)");
  AddAutomaticTransform(command, o.transform, o.box_cox);
  AddRegressorOptions(command, o.regressors, false);
}

auto_arima::Settings AutoArimaSettings(const AutoArimaOptions& o, int horizon, int period) {
  auto_arima::Settings s;
  s.period = PeriodFor(o.period, period);
  s.horizon = horizon;
  s.levels = o.levels;
  s.d = o.d;
  s.D = o.D;
  s.max_p = o.max_p;
  s.max_q = o.max_q;
  s.max_P = o.max_P;
  s.max_Q = o.max_Q;
  s.stepwise = !o.exhaustive;
  s.allow_constant = !o.no_constant;
  s.thorough = !o.single_start;
  s.approximation = o.approximation;
  s.transform = TransformFor(o.transform, o.box_cox);
  s.box_cox = o.box_cox;
  return s;
}

void AddThetaOptions(CLI::App* command, ThetaOptions& o) {
  AddPeriodOption(command, o.period);
  AddLevelOption(command, o.levels);
  AddAutomaticTransform(command, o.transform, o.box_cox);
}

theta::Settings ThetaSettings(const ThetaOptions& o, int horizon, int period) {
  return {.period = PeriodFor(o.period, period),
          .horizon = horizon,
          .levels = o.levels,
          .transform = TransformFor(o.transform, o.box_cox),
          .box_cox = o.box_cox};
}

void AddAutoOptions(CLI::App* command, AutoOptions& o) {
  command
      ->add_option("--period", o.periods,
                   "Seasonal period, or several separated by commas (24,168; 52.18); default: "
                   "the series' own, days 7,365.25, weeks 52.18, else 1")
      ->delimiter(',')
      ->check(CLI::PositiveNumber);
  AddLevelOption(command, o.levels);
  command->add_option("--seed", o.seed, "Seed of the smoothing method's simulated limits");
  command->add_option("--search-threads", o.threads,
                      "Threads of the smoothing model search (default: all cores)");
  AddAutomaticTransform(command, o.transform, o.box_cox);
}

auto_forecast::Settings AutoSettings(const AutoOptions& o, int horizon, int period) {
  auto_forecast::Settings s;
  s.period = PeriodFor(0, period);
  const bool one_short = o.periods.size() == 1 && o.periods[0] == std::floor(o.periods[0]) &&
                         o.periods[0] <= kLongestSinglePeriod;
  if (one_short)
    s.period = static_cast<int>(o.periods[0]);
  else if (!o.periods.empty())
    s.periods = o.periods;
  else if (o.calendar == Calendar::kHalfHour)
    s.periods = SeasonalPeriods(Interval::kHalfHourly);
  else if (o.calendar == Calendar::kHour)
    s.periods = SeasonalPeriods(Interval::kHourly);
  else if (o.calendar == Calendar::kDay)
    s.periods = SeasonalPeriods(Interval::kDaily);
  else if (o.calendar == Calendar::kWeek)
    s.periods = SeasonalPeriods(Interval::kWeekly);
  s.horizon = horizon;
  s.levels = o.levels;
  s.seed = o.seed;
  s.threads = o.threads;
  s.transform = TransformFor(o.transform, o.box_cox);
  s.box_cox = o.box_cox;
  return s;
}

void AddAutoCommands(CLI::App& app, CommandContext& context) {
  AddAutomaticCommand(
      app, context, "auto",
      "The recommended automatic forecast: the mean of automatic smoothing, automatic ARIMA "
      "and Theta",
      &AddAutoOptions, &AutoSettings, [](const auto_forecast::Result& r, const LoadedSeries& s) {
        return std::vector<Section>{Members(r), CombinedForecasts(r, s)};
      });
  AddAutomaticCommand(
      app, context, "auto-arima",
      "Seasonal ARIMA chosen by unit-root tests and a stepwise search on the AICc",
      &AddAutoArimaOptions, &AutoArimaSettings,
      [](const auto_arima::Result& r, const LoadedSeries& s) {
        std::vector<Section> sections = {AutoArimaModel(r), Record("coefficients", Parameters(r))};
        if (!r.regression.empty()) sections.push_back(RegressionSection(r.regression));
        sections.push_back(Statistics(r));
        sections.push_back(SearchPath(r));
        sections.push_back(ForecastSection(s, r));
        return sections;
      });
  AddAutomaticCommand(
      app, context, "theta",
      "The Theta method: simple exponential smoothing with half the trend's slope as drift",
      &AddThetaOptions, &ThetaSettings, [](const theta::Result& r, const LoadedSeries& s) {
        return std::vector<Section>{ThetaModel(r), Statistics(r), ForecastSection(s, r)};
      });
}

}  // namespace vordex::cli
