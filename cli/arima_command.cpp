// vordex arima: fits a seasonal ARIMA(p,d,q)(P,D,Q)s model by exact maximum likelihood and
// prints the coefficients, the fit statistics and the forecasts with their limits.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "model_file.h"
#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/error.hpp"

namespace vordex::cli {
namespace {

// The coefficients of a seasonal ARMA fit (ARIMA or ARMAX: the same fields).
template <class Result>
NamedValues ArmaParameters(const Result& r) {
  NamedValues parameters;
  const auto add = [&](const char* stem, const std::vector<double>& block) {
    for (std::size_t i = 0; i < block.size(); ++i)
      parameters.emplace_back(stem + std::to_string(i + 1), block[i]);
  };
  add("ar", r.ar);
  add("ma", r.ma);
  add("sar", r.seasonal_ar);
  add("sma", r.seasonal_ma);
  if (r.constant) parameters.emplace_back("constant", *r.constant);
  return parameters;
}

}  // namespace

NamedValues Parameters(const arima::Result& result) {
  return ArmaParameters(result);
}

NamedValues Parameters(const armax::Result& result) {
  return ArmaParameters(result);
}

void AddArimaOptions(CLI::App* command, ArimaOptions& options) {
  command->add_option("--order", options.order, "Nonseasonal orders p,d,q (default 0,1,1)")
      ->delimiter(',')
      ->expected(3)
      ->allow_extra_args(false);
  command
      ->add_option("--seasonal", options.seasonal,
                   "Seasonal orders P,D,Q (default 0,1,1 when the period exceeds 1, else 0,0,0)")
      ->delimiter(',')
      ->expected(3)
      ->allow_extra_args(false);
  command
      ->add_option("--period", options.period,
                   "Seasonal frequency s, 1..24 (default: the series' own, else 1)")
      ->check(CLI::PositiveNumber);
  AddNamedOption(command, "--transform", options.transform, "Transform of the observations");
  AddBoxCoxOptions(command, options.box_cox);
  command->add_flag("--constant", options.constant,
                    "Estimate a constant: the mean of the differenced series");
  command->add_flag("--mean", options.constant)->group("");  // the constant's former name
  CLI::Option* level = AddLevelOption(command, options.levels);
  command
      ->add_option_function<double>(
          "--critical", [&options](double z) { options.critical = z; },
          "Instead of --level: one pair of limits this many standard errors from the forecast")
      ->excludes(level);
  command->add_flag("--thorough", options.thorough,
                    "Estimate from several starting points and keep the best optimum");
  AddRegressorOptions(command, options.regressors, true);
}

arima::Settings ArimaSettings(const ArimaOptions& options, int horizon, int period) {
  arima::Settings settings;
  settings.period = options.period > 0 ? options.period : (period > 0 ? period : 1);
  settings.horizon = horizon;
  settings.p = options.order[0];
  settings.d = options.order[1];
  settings.q = options.order[2];
  std::vector<int> seasonal = options.seasonal;
  if (seasonal.empty())
    seasonal = settings.period > 1 ? std::vector<int>{0, 1, 1} : std::vector<int>{0, 0, 0};
  settings.P = seasonal[0];
  settings.D = seasonal[1];
  settings.Q = seasonal[2];
  settings.constant = options.constant;
  settings.transform = TransformFor(options.transform, options.box_cox);
  settings.box_cox = options.box_cox;
  settings.levels = options.levels;
  settings.critical_value = options.critical;
  settings.thorough = options.thorough;
  settings.drift = options.regressors.drift;
  return settings;
}

void AddArimaCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "arima", "Fit a seasonal ARIMA model by exact maximum likelihood and forecast");
  struct Options {
    CommonOptions common;
    ArimaOptions arima;
  };
  auto options = std::make_shared<Options>();
  AddCommonOptions(command, options->common);
  AddArimaOptions(command, options->arima);

  command->callback([&context, options] {
    const auto series = LoadSeriesFor("arima", options->common.input, context.err);
    if (!series) {
      context.status = 1;
      return;
    }
    arima::Settings settings =
        ArimaSettings(options->arima, options->common.horizon, series->frequency);
    try {
      SetRegressors(options->arima.regressors, options->common.input, *series, settings);
      const arima::Result r = arima::Fit(series->values, settings);
      ReportWarnings("arima", r, context.err);
      std::vector<Section> sections = {Record("coefficients", Parameters(r))};
      if (!r.regression.empty()) sections.push_back(RegressionSection(r.regression));
      sections.push_back(Statistics(r));
      sections.push_back(ForecastSection(*series, r));
      WriteSections(context.out, options->common.format, sections);
      if (!SaveIfAsked("arima", options->common.save, r, *series, context.err)) context.status = 1;
    } catch (const std::invalid_argument& e) {
      context.err << "vordex arima: " << e.what() << '\n';
      context.status = 1;
    } catch (const Error& e) {
      ReportFailure("arima", e, context.err);
      context.status = 1;
    }
  });
}

}  // namespace vordex::cli
