// The public evaluation functions: the evaluate room's measures and diagnostics in the typed API's
// form (values, or vordex::Error for invalid arguments).
#include "vordex/evaluate.hpp"

#include <string>
#include <utility>

#include "api/evaluate_public.h"
#include "evaluate/accuracy.h"
#include "evaluate/diagnostics.h"

namespace vordex {
using api::Public;
namespace {

template <class T>
T Checked(evaluate::Outcome<T> outcome) {
  if (!outcome.ok()) {
    // The room fails only for arguments the caller chose.
    throw Error(Status::kInvalidSettings, std::move(outcome.text), std::move(outcome.messages));
  }
  return std::move(outcome.value);
}

// forecast 8.20, modeldf.Arima: sum(arimaorder(object)[c("p", "q", "P", "Q")]).
template <class R>
int ArmaDegrees(const R& r) {
  return r.p + r.q + r.P + r.Q;
}

}  // namespace

PointAccuracy MeasureAccuracy(std::span<const double> actual, std::span<const double> forecast,
                              std::span<const double> training, int lag) {
  return Public(Checked(evaluate::ScoreForecasts(actual, forecast, training, lag)));
}

IntervalAccuracy MeasureIntervals(std::span<const double> actual, std::span<const double> lower,
                                  std::span<const double> upper, double level,
                                  std::span<const double> training, int lag) {
  // Levels are percent on every surface: 0.95 is refused with the hint, not read as 0.95%.
  if (std::string problem = LevelProblem(level); !problem.empty())
    throw Error(Status::kInvalidSettings, std::move(problem));
  return Public(Checked(evaluate::ScoreIntervals(actual, lower, upper, level, training, lag)));
}

AccuracyReport MeasureAccuracy(const Forecast& forecast, std::span<const double> actual,
                               std::span<const double> training, int lag) {
  const std::size_t h = actual.size();
  if (h > forecast.mean.size())
    throw Error(Status::kInvalidSettings, std::to_string(h) + " actual values for " +
                                              std::to_string(forecast.mean.size()) + " forecasts");
  AccuracyReport report;
  report.point = MeasureAccuracy(actual, std::span(forecast.mean).first(h), training, lag);
  for (const Limits& l : forecast.limits)
    report.intervals.push_back(MeasureIntervals(
        actual, std::span(l.lower).first(h), std::span(l.upper).first(h), l.level, training, lag));
  return report;
}

double PinballLoss(std::span<const double> actual, std::span<const double> quantile, double tau) {
  if (actual.size() != quantile.size() || !(tau > 0.0 && tau < 1.0))
    throw Error(Status::kInvalidSettings,
                "pinball loss needs actual values and quantiles of one length and 0 < tau < 1");
  return evaluate::PinballLoss(actual, quantile, tau).value;
}

Correlogram Autocorrelation(std::span<const double> x, int max_lag, double level) {
  return Public(Checked(evaluate::Autocorrelations(x, max_lag, level)));
}

LjungBoxTest LjungBox(std::span<const double> x, int lag, int fitdf) {
  return Public(Checked(evaluate::LjungBox(x, lag, fitdf)));
}

ResidualDiagnostics DiagnoseResiduals(std::span<const double> residuals, int period, int fitdf) {
  const evaluate::Diagnostics d = Checked(evaluate::Diagnose(residuals, period, fitdf));
  ResidualDiagnostics out;
  out.residuals.assign(residuals.begin(), residuals.end());
  out.period = period;
  out.fitdf = fitdf;
  out.n = d.n;
  out.missing = d.missing;
  out.mean = d.mean;
  out.sd = d.sd;
  out.acf = Public(d.acf);
  out.ljung_box = Public(d.ljung_box);
  out.normality = Public(d.jarque_bera);
  return out;
}

ResidualDiagnostics Diagnostics(const arima::Result& result) {
  return DiagnoseResiduals(result.residuals, result.period, ArmaDegrees(result));
}

ResidualDiagnostics Diagnostics(const armax::Result& result) {
  return DiagnoseResiduals(result.residuals, result.period, ArmaDegrees(result));
}

// forecast 8.20, modeldf.ets: length(object$par), the smoothing parameters (alpha, beta, gamma,
// phi as the model has them) and the initial states (l, b, and s - 1 seasonal values).
ResidualDiagnostics Diagnostics(const ets::Result& result) {
  const bool trend = result.model.trend != ets::Trend::kNone;
  const bool damped = result.model.trend == ets::Trend::kDamped;
  const bool season = result.model.season != ets::Season::kNone;
  int fitdf = 2;  // alpha and the initial level
  if (trend) fitdf += 2;
  if (damped) fitdf += 1;
  if (season) fitdf += 1 + (result.period - 1);
  return DiagnoseResiduals(result.residuals, result.period, fitdf);
}

ResidualDiagnostics Diagnostics(const theta::Result& result) {
  return DiagnoseResiduals(result.residuals, result.period, 0);
}

ResidualDiagnostics Diagnostics(const auto_forecast::Result& result) {
  return DiagnoseResiduals(result.residuals, result.period, 0);
}

}  // namespace vordex
