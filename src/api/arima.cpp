#include "vordex/arima.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "api/common.h"
#include "arima/forecast.h"
#include "arima/regression.h"
#include "arima/run.h"
#include "numerics/boxcox.h"

namespace vordex::arima {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Refuse(Status status, const std::string& text) {
  throw Error(status, "arima: " + text);
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "'" : ", '") + name + "'";
  return list.empty() ? "none" : list;
}

// The regressors the caller gave (named `what`) must be the model's, in its order.
void CheckNames(const Regressors& given, const std::vector<std::string>& expected,
                const char* what) {
  if (given.names != expected)
    Refuse(Status::kInvalidData, std::string(what) + " are named " + NameList(given.names) +
                                     "; the model's regressors are " + NameList(expected));
}

// The first `rows` rows of each column of x, by columns.
std::vector<double> FirstRows(const Regressors& x, std::size_t rows) {
  std::vector<double> values;
  for (std::size_t j = 0; j < x.columns(); ++j) {
    const auto column = x.column(j);
    values.insert(values.end(), column.begin(), column.begin() + static_cast<long>(rows));
  }
  return values;
}

// What continuing a fit needs: the engine's request (orders, constant, drift, the regressors'
// names), its coefficients and b.
struct Continuation {
  Request request;
  std::vector<std::string> names;  // the fit's own regressors
  std::vector<double> par, beta;
  arma::RegArimaModel model;
  arma::FilterState state;
};

Continuation ContinuationOf(const Result& fit) {
  if (fit.state.mean.empty())
    Refuse(Status::kInvalidSettings, "the fit carries no filter state to continue from");
  Continuation c;
  Request& r = c.request;
  r.period = fit.period;
  r.p = fit.p;
  r.d = fit.d;
  r.q = fit.q;
  r.P = fit.P;
  r.D = fit.D;
  r.Q = fit.Q;
  r.mean = fit.constant ? 1 : 0;
  r.drift = fit.drift;
  const std::size_t own = (fit.constant ? 1 : 0) + (fit.drift ? 1 : 0);
  for (std::size_t j = 0; j < fit.regression.size(); ++j) {
    if (j >= own) c.names.push_back(fit.regression[j].name);
    c.beta.push_back(fit.regression[j].estimate);
  }
  for (const auto* block : {&fit.ar, &fit.ma, &fit.seasonal_ar, &fit.seasonal_ma})
    c.par.insert(c.par.end(), block->begin(), block->end());
  c.model = StateSpaceModel(r);
  c.state = api::ToKernel(fit.state);
  return c;
}

// x on the model's scale: the Box-Cox transform of the fit's lambda (a fit whose series was
// Box-Cox transformed before the engine saw it records lambda), or the engine's transform.
double ToModelScale(const Result& fit, double x) {
  if (fit.lambda) return numerics::BoxCox(x, *fit.lambda);
  return TransformValue(fit.transform, x);
}

// v on the model's scale back on the observations' (a median; Restore makes means of forecasts).
double FromModelScale(const Result& fit, double v) {
  if (!fit.lambda) return InverseTransform(fit.transform, v);
  return fit.bias_adjusted && std::isfinite(fit.sigma2)
             ? numerics::InvBoxCoxBiasAdjusted(v, fit.sigma2, *fit.lambda)
             : numerics::InvBoxCox(v, *fit.lambda);
}

// Forecasts of `r` from the continuation's state: mean and limits of each level.
void ForecastInto(Result& r, const Continuation& c, int horizon, const std::vector<double>& levels,
                  const Regressors& future) {
  if (horizon < 0) Refuse(Status::kInvalidSettings, "the horizon must not be negative");
  const std::vector<api::Band> bands = api::Bands("arima", levels);
  std::vector<double> own;
  if (!c.names.empty() && (horizon > 0 || !future.empty())) {
    CheckNames(future, c.names, "the future values");
    if (future.rows() < static_cast<std::size_t>(horizon) ||
        future.values.size() != future.rows() * future.columns())
      Refuse(Status::kInvalidData, "the future values have " + std::to_string(future.rows()) +
                                       " rows; the horizon is " + std::to_string(horizon));
    own = FirstRows(future, static_cast<std::size_t>(horizon));
    for (double v : own)
      if (!std::isfinite(v)) Refuse(Status::kInvalidData, "a future value is not a finite number");
  } else if (c.names.empty() && !future.empty()) {
    Refuse(Status::kInvalidData, "future values given for a model without regressors");
  }
  const auto h = static_cast<std::size_t>(horizon);
  std::vector<double> mean(h), variance(h);
  const std::vector<double> Xf = RegressorMatrix(c.request, c.state.times + 1, horizon, own);
  if (!arma::RegArimaForecast(c.model, c.par.data(), c.beta, r.sigma2, c.state, Xf, mean, variance))
    Refuse(Status::kInvalidSettings, "the filter state does not belong to the fit's model");
  const Transform engine = r.lambda ? Transform::kNone : r.transform;
  r.mean.resize(h);
  r.limits.clear();
  for (const api::Band& band : bands) {
    Limits& limits = r.limits.emplace_back();
    limits.level = band.level;
    for (std::size_t j = 0; j < h; ++j) {
      const double half = band.critical * std::sqrt(variance[j]);
      limits.lower.push_back(InverseTransform(engine, mean[j] - half));
      limits.upper.push_back(InverseTransform(engine, mean[j] + half));
    }
  }
  for (std::size_t j = 0; j < h; ++j) r.mean[j] = InverseTransform(engine, mean[j]);
  if (r.lambda) {
    // Restore back-transforms forecasts and limits (and fitted values, kept aside here).
    api::Prepared prepared;
    prepared.lambda = r.lambda;
    std::vector<double> fitted = std::move(r.fitted);
    r.fitted.clear();
    api::Restore(r, prepared, {.lambda = r.lambda, .bias_adjusted = r.bias_adjusted});
    r.fitted = std::move(fitted);
  }
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& settings) {
  Request engine;
  engine.period = settings.period;
  engine.horizon = settings.horizon;
  engine.p = settings.p;
  engine.d = settings.d;
  engine.q = settings.q;
  engine.P = settings.P;
  engine.D = settings.D;
  engine.Q = settings.Q;
  engine.mean = settings.constant ? 1 : 0;
  engine.drift = settings.drift;
  const Regressors& x = settings.regressors;
  if (!x.empty()) {
    if (!settings.future.empty()) CheckNames(settings.future, x.names, "the future values");
    // The horizon is that of the future values (none without them).
    engine.horizon = static_cast<int>(std::min<std::size_t>(
        settings.future.rows(), static_cast<std::size_t>(kMaxObservations) + 1));
    engine.names = x.names;
    engine.xreg = x.values;
    engine.future = settings.future.values;
  } else if (!settings.future.empty()) {
    Refuse(Status::kInvalidData, "future values given without regressors");
  }
  const api::Prepared prepared =
      api::Prepare("arima", observations, settings.transform, settings.box_cox, settings.period);
  engine.transform = prepared.engine_transform;
  for (const api::Band& band : api::Bands("arima", settings.levels, settings.critical_value))
    engine.bands.push_back({band.level, band.critical});
  if (!engine.bands.empty()) engine.critical = engine.bands.front().critical;
  engine.thorough = settings.thorough;
  Outcome out = Run(engine, prepared.values);
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));
  Result r =
      api::ToResult(engine, std::move(out.value), observations.size(), std::move(out.messages));
  r.transform = settings.transform;
  r.bias_adjusted = prepared.lambda.has_value() && settings.box_cox.bias_adjusted;
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

Result Predict(const Result& fit, int horizon, const std::vector<double>& levels,
               const Regressors& future) {
  const Continuation c = ContinuationOf(fit);
  Result r = fit;
  ForecastInto(r, c, horizon, levels, future);
  return r;
}

Result Update(const Result& fit, std::span<const double> new_observations,
              const Regressors& new_regressors, const Regressors& future) {
  Continuation c = ContinuationOf(fit);
  const std::size_t m = new_observations.size();
  std::vector<double> own;
  if (!c.names.empty()) {
    CheckNames(new_regressors, c.names, "the new regressors");
    if (new_regressors.values.size() != m * c.names.size())
      Refuse(Status::kInvalidData, "the new regressors have " +
                                       std::to_string(new_regressors.rows()) + " rows; there are " +
                                       std::to_string(m) + " new observations");
    own = new_regressors.values;
    for (double v : own)
      if (!std::isfinite(v))
        Refuse(Status::kInvalidData, "a new regressor value is not a finite number");
  } else if (!new_regressors.empty()) {
    Refuse(Status::kInvalidData, "new regressors given for a model without regressors");
  }
  std::vector<double> z(m);
  int missing = 0;
  for (std::size_t t = 0; t < m; ++t) {
    const double v = new_observations[t];
    z[t] = ToModelScale(fit, v);
    if (std::isnan(v)) {
      ++missing;
    } else if (!std::isfinite(z[t])) {
      Refuse(Status::kInvalidData, "new observation " + std::to_string(t + 1) +
                                       " cannot be transformed (" + std::to_string(v) + ")");
    }
  }
  const std::vector<double> X =
      RegressorMatrix(c.request, c.state.times + 1, static_cast<long>(m), own);
  std::vector<double> predictions(m), ratios(m);
  if (!arma::RegArimaFilter(c.model, c.par.data(), c.beta, {z, X, static_cast<int>(c.beta.size())},
                            c.state, predictions, ratios))
    Refuse(Status::kInvalidSettings, "the filter state does not belong to the fit's model");
  Result r = fit;
  r.missing += missing;
  for (std::size_t t = 0; t < m; ++t) {
    const bool none = std::isinf(ratios[t]);
    r.fitted.push_back(none ? kNaN : FromModelScale(fit, predictions[t]));
    r.residuals.push_back(none ? kNaN : z[t] - predictions[t]);
  }
  r.state = api::ToPublic(c.state);
  // The log-likelihood of every value at the estimates, sigma2 among them: on the fit's own
  // values it is the maximum the fit reported.
  const double U = static_cast<double>(c.state.used);
  r.log_likelihood = -0.5 * (U * std::log(2.0 * std::numbers::pi * r.sigma2) + c.state.sumlog +
                             c.state.ssq / r.sigma2);
  const double k = static_cast<double>(c.par.size() + c.beta.size()) + 1.0;
  api::SetInformationCriteria(r, k, static_cast<double>(r.fitted.size()) - r.missing - r.lost);
  std::vector<double> levels;
  for (const Limits& l : fit.limits) levels.push_back(l.level);
  const int horizon =
      c.names.empty() ? static_cast<int>(fit.mean.size()) : static_cast<int>(future.rows());
  ForecastInto(r, c, horizon, levels, future);
  return r;
}

}  // namespace vordex::arima
