#include "vordex/armax.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "api/common.h"
#include "armax/final_fit.h"
#include "armax/run.h"
#include "numerics/missing.h"
#include "vordex/arima.hpp"

namespace vordex::armax {
namespace {

// The engine status of Armaxml's common storage limit (n k > 1000 or n (k + 1) > 2000 values).
constexpr int kStorageLimitStatus = 11;

// The model through arima::Fit's state space route: a seasonal ARMA for the differenced series
// with a constant is ARIMA(p,d,q)(P,D,Q)s with a mean (R's Arima(include.mean = TRUE) for
// d = D = 0), whose exact likelihood the Kalman filter gives over the observed values; the mean
// is the ARMAX constant. The result keeps ARMAX's meaning: the working series without the values
// lost to differencing and with the mean in it, the sum of squares of the residuals observed.
Result ThroughStateSpace(std::span<const double> observations, const Settings& settings) {
  arima::Settings a;
  a.period = settings.period;
  a.horizon = settings.horizon;
  a.p = settings.p;
  a.d = settings.d;
  a.q = settings.q;
  a.P = settings.period > 1 ? settings.P : 0;  // ARMAX drops the seasonal ARMA orders below s = 2
  a.D = settings.D;
  a.Q = settings.period > 1 ? settings.Q : 0;
  a.constant = settings.constant;
  a.transform = settings.transform;
  a.box_cox = settings.box_cox;
  a.levels = settings.levels;
  a.critical_value = settings.critical_value;
  // On a complete series the export's route takes the sample mean for the constant; thorough
  // estimation gives its maximum-likelihood value, as ARMAX's estimates it.
  a.thorough = settings.thorough || settings.constant;
  arima::Result f = arima::Fit(observations, a);
  Result r;
  static_cast<Forecast&>(r) = std::move(static_cast<Forecast&>(f));
  r.period = f.period;
  r.p = f.p;
  r.d = f.d;
  r.q = f.q;
  r.P = f.P;
  r.D = f.D;
  r.Q = f.Q;
  r.transform = f.transform;
  r.lost = f.lost;
  // The mean mu of the differenced series; from the constant c = mu (1 - phi(1)) (1 - Phi(1))
  // when the fit reports no "mean" coefficient.
  double mu = 0.0;
  if (f.constant) {
    double ar1 = 1.0, sar1 = 1.0;
    for (double phi : f.ar) ar1 -= phi;
    for (double Phi : f.seasonal_ar) sar1 -= Phi;
    mu = *f.constant / (ar1 * sar1);
    for (const arima::Coefficient& c : f.regression)
      if (c.name == "mean") mu = c.estimate;
    r.constant = mu;
  }
  const auto lost =
      static_cast<std::size_t>(std::min<int>(f.lost, static_cast<int>(f.series.size())));
  r.series.assign(f.series.begin() + static_cast<std::ptrdiff_t>(lost), f.series.end());
  for (double& w : r.series) w += mu;
  r.ar = std::move(f.ar);
  r.ma = std::move(f.ma);
  r.seasonal_ar = std::move(f.seasonal_ar);
  r.seasonal_ma = std::move(f.seasonal_ma);
  for (double e : r.residuals)
    if (std::isfinite(e)) r.sum_of_squares += e * e;
  return r;
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& settings) {
  for (double y : observations)
    if (std::isnan(y)) return ThroughStateSpace(observations, settings);
  Request engine;
  engine.period = settings.period;
  engine.horizon = settings.horizon;
  engine.p = settings.p;
  engine.d = settings.d;
  engine.q = settings.q;
  engine.P = settings.P;
  engine.D = settings.D;
  engine.Q = settings.Q;
  engine.constant = settings.constant;
  const api::Prepared prepared =
      api::Prepare("armax", observations, settings.transform, settings.box_cox, settings.period);
  engine.transform = prepared.engine_transform;
  for (const api::Band& band : api::Bands("armax", settings.levels, settings.critical_value))
    engine.bands.push_back({band.level, band.critical});
  if (!engine.bands.empty()) engine.critical = engine.bands.front().critical;
  engine.thorough = settings.thorough;
  Outcome out = Run(engine, prepared.values);
  if (out.status == Status::kEngineFailed && out.value.engine_status == kStorageLimitStatus)
    return ThroughStateSpace(observations, settings);
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));

  ArmaxResult& fit = out.value.result;
  const ArmaxModelRecord& m = fit.model;
  Result r;
  r.period = m.s;
  r.p = m.p;
  r.d = m.d;
  r.q = m.q;
  r.P = m.P;
  r.D = m.D;
  r.Q = m.Q;
  r.transform = settings.transform;
  const std::size_t N = observations.size();
  r.lost = static_cast<int>(N - static_cast<std::size_t>(m.n));
  r.series = std::move(fit.series);
  // Residuals follow the observations: none for the values lost to differencing.
  r.residuals.assign(static_cast<std::size_t>(r.lost), std::numeric_limits<double>::quiet_NaN());
  r.residuals.insert(r.residuals.end(), fit.residuals.begin(), fit.residuals.end());
  r.fitted = numerics::MissingToNaN(std::move(fit.predictions));
  r.mean = std::move(fit.forecasts);
  r.limits = std::move(fit.bands);
  auto at = fit.par.begin();
  for (auto [block, order] : {std::pair{&r.ar, m.p}, std::pair{&r.ma, m.q},
                              std::pair{&r.seasonal_ar, m.P}, std::pair{&r.seasonal_ma, m.Q}}) {
    block->assign(at, at + order);
    at += order;
  }
  if (m.k() > 0) r.constant = fit.b[0];
  r.sum_of_squares = fit.sum_of_squares;
  r.continuation.history = std::move(fit.history);
  const std::size_t nq = static_cast<std::size_t>(m.q + m.s * m.Q);
  r.continuation.innovations.assign(
      fit.residuals.end() - static_cast<std::ptrdiff_t>(std::min(nq, fit.residuals.size())),
      fit.residuals.end());
  r.continuation.n = m.n;
  r.bias_adjusted = prepared.lambda.has_value() && settings.box_cox.bias_adjusted;
  r.sigma2 = fit.sigma2;
  r.log_likelihood = fit.log_likelihood;
  api::SetInformationCriteria(r, m.npar() + m.k() + 1.0, static_cast<double>(m.n));
  r.warnings = std::move(out.messages);
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

Result Predict(const Result& fit, int horizon, const std::vector<double>& levels) {
  const Result::Continuation& c = fit.continuation;
  if (c.n <= 0)
    throw Error(Status::kInvalidSettings,
                "armax: a fit through the state space route (missing values, or a series beyond "
                "the engine's storage) has no continuation to forecast from");
  if (horizon < 0) throw Error(Status::kInvalidSettings, "armax: the horizon must not be negative");
  const std::vector<api::Band> bands = api::Bands("armax", levels);
  ArmaxModelRecord model;
  model.n = c.n;
  model.s = fit.period;
  model.h = horizon;
  model.p = fit.p;
  model.d = fit.d;
  model.q = fit.q;
  model.P = fit.P;
  model.D = fit.D;
  model.Q = fit.Q;
  model.constant = fit.constant ? 1 : 0;
  model.transform = fit.transform == Transform::kBoxCox ? Transform::kNone : fit.transform;
  std::vector<double> par;
  for (const auto* block : {&fit.ar, &fit.ma, &fit.seasonal_ar, &fit.seasonal_ma})
    par.insert(par.end(), block->begin(), block->end());
  // The forecast recursion reaches p + sP + d + sD values and q + sQ errors back; the kept ones
  // stand at the end, earlier ones count as 0 as they do before a short series' start.
  const std::size_t npd =
      static_cast<std::size_t>(model.p + model.s * model.P + model.d + model.s * model.D);
  const std::size_t nq = static_cast<std::size_t>(model.q + model.s * model.Q);
  if (c.history.size() > npd || c.innovations.size() > nq)
    throw Error(Status::kInvalidSettings, "armax: the continuation does not match the orders");
  std::vector<double> history(npd - c.history.size(), 0.0), errors(nq - c.innovations.size(), 0.0);
  history.insert(history.end(), c.history.begin(), c.history.end());
  errors.insert(errors.end(), c.innovations.begin(), c.innovations.end());
  history.push_back(0.0);  // never read: keeps data() valid for npd = 0
  errors.push_back(0.0);
  const std::size_t h = static_cast<std::size_t>(horizon);
  std::vector<double> f(h + 1), se(h + 1);
  const int status = ArmaxForecastFrom(
      model, par.data(), fit.constant.value_or(0.0), fit.sum_of_squares / c.n, history.data(),
      static_cast<int>(npd), errors.data(), static_cast<int>(nq), f.data(), se.data());
  if (status != kXtraOk)
    throw Error(Status::kEngineFailed,
                std::string("armax: ") + StatusText(kArmaxXtraBase + status));
  f.resize(h);
  // Limits as the fit forms those of each band, then everything back to the observations' scale.
  Forecast out;
  for (const api::Band& band : bands) {
    Limits& limits = out.limits.emplace_back();
    limits.level = band.level;
    limits.lower.resize(h);
    limits.upper.resize(h);
    for (std::size_t j = 0; j < h; ++j) {
      limits.lower[j] = f[j] - band.critical * se[j];
      limits.upper[j] = f[j] + band.critical * se[j];
    }
    Armaxuntrans(limits.lower.data(), horizon, model.transform);
    Armaxuntrans(limits.upper.data(), horizon, model.transform);
  }
  Armaxuntrans(f.data(), horizon, model.transform);
  out.mean = std::move(f);
  return api::WithForecasts(fit, std::move(out));
}

}  // namespace vordex::armax
