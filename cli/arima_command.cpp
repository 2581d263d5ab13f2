// vordex arima: fits a seasonal ARIMA(p,d,q)(P,D,Q)s model by exact maximum likelihood and
// prints the coefficients, the fit statistics and the forecasts with their limits.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "common.h"
#include "methods.h"
#include "vordex/arima.hpp"
#include "vordex/error.hpp"

namespace vordex::cli {
namespace {

std::vector<Cell> Texts(const std::vector<std::string>& texts) {
  return {texts.begin(), texts.end()};
}

}  // namespace

Section ArimaCoefficients(const arima::Result& r) {
  std::vector<std::string> names;
  std::vector<double> values;
  auto add = [&](const char* prefix, const std::vector<double>& block) {
    for (std::size_t i = 0; i < block.size(); ++i) {
      names.push_back(prefix + std::to_string(i + 1));
      values.push_back(block[i]);
    }
  };
  add("ar", r.ar);
  add("ma", r.ma);
  add("sar", r.seasonal_ar);
  add("sma", r.seasonal_ma);
  return Record("coefficients", {"name", Texts(names)}, NumberColumn("value", values));
}

namespace {

Section Statistics(const arima::Result& r, bool mean) {
  std::vector<std::string> names = {"sigma", "sigma2", "log_likelihood", "aic"};
  std::vector<double> values = {std::sqrt(r.sigma2), r.sigma2, r.log_likelihood, r.aic};
  if (mean) {
    names.push_back("constant");
    values.push_back(r.constant.value_or(0.0));
  }
  return Record("statistics", {"name", Texts(names)}, NumberColumn("value", values));
}

Section Forecasts(const arima::Result& r, const LoadedSeries& series) {
  return {"forecasts",
          {TimeColumn(series, series.values.size(), r.forecasts.size()),
           NumberColumn("forecast", r.forecasts), NumberColumn("lower", r.lower),
           NumberColumn("upper", r.upper)}};
}

Transform TransformNamed(const std::string& name) {
  return name == "log"    ? Transform::kLog
         : name == "sqrt" ? Transform::kSquareRoot
                          : Transform::kNone;
}

}  // namespace

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
  command->add_option("--transform", options.transform, "none, log or sqrt (default log)")
      ->check(CLI::IsMember({"none", "log", "sqrt"}));
  command->add_flag("--mean", options.mean,
                    "Remove the mean of the differenced series and estimate a constant");
  command->add_option("--critical", options.critical,
                      "Standard errors between a forecast and each limit (default 1.96)");
  command->add_flag("--thorough", options.thorough,
                    "Estimate from several starting points and keep the best optimum");
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
  settings.mean = options.mean;
  settings.transform = TransformNamed(options.transform);
  settings.critical_value = options.critical;
  settings.thorough = options.thorough;
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
  options->common.horizon = 24;
  AddCommonOptions(command, options->common);
  AddArimaOptions(command, options->arima);

  command->callback([&context, options] {
    const auto series = LoadSeriesFor("arima", options->common.input, context.err);
    if (!series) {
      context.status = 1;
      return;
    }
    const arima::Settings settings =
        ArimaSettings(options->arima, options->common.horizon, series->frequency);
    try {
      const arima::Result r = arima::Fit(series->values, settings);
      for (const Message& m : r.warnings) context.err << m.title << ": " << m.text << '\n';
      WriteSections(context.out, options->common.format,
                    {ArimaCoefficients(r), Statistics(r, settings.mean), Forecasts(r, *series)});
    } catch (const Error& e) {
      for (const Message& m : e.messages()) context.err << m.title << ": " << m.text << '\n';
      if (!e.host_text().empty()) {
        context.err << "vordex arima: " << OneLine(e.host_text()) << '\n';
      } else {
        context.err << "vordex arima: request refused";
        if (e.status() != Status::kOk) context.err << " (status " << Code(e.status()) << ")";
        if (e.messages().empty()) context.err << ": " << e.what();
        context.err << '\n';
      }
      context.status = 1;
    }
  });
}

}  // namespace vordex::cli
