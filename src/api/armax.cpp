#include "vordex/armax.hpp"

#include <limits>

#include "api/common.h"
#include "armax/run.h"
#include "numerics/missing.h"

namespace vordex::armax {

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
  engine.constant = settings.constant;
  const api::Prepared prepared =
      api::Prepare("armax", observations, settings.transform, settings.box_cox, settings.period);
  engine.transform = prepared.engine_transform;
  for (const api::Band& band : api::Bands("armax", settings.levels, settings.critical_value))
    engine.bands.push_back({band.level, band.critical});
  if (!engine.bands.empty()) engine.critical = engine.bands.front().critical;
  engine.thorough = settings.thorough;
  Outcome out = Run(engine, prepared.values);
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
