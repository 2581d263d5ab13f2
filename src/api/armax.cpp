#include "vordex/armax.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "api/common.h"
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
  r.sigma2 = fit.sigma2;
  r.log_likelihood = fit.log_likelihood;
  api::SetInformationCriteria(r, m.npar() + m.k() + 1.0, static_cast<double>(m.n));
  r.warnings = std::move(out.messages);
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

}  // namespace vordex::armax
