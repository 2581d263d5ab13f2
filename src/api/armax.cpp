#include "vordex/armax.hpp"

#include "api/outcome.h"
#include "armax/run.h"

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
  engine.transform = settings.transform;
  engine.critical = settings.critical_value;
  engine.thorough = settings.thorough;
  Outcome out = api::Checked([&] { return Run(engine, observations); });

  ArmaxResult& fit = out.fit;
  const ArmaxModelRecord& m = fit.model;
  Result r;
  r.series = std::move(fit.series);
  r.residuals = std::move(fit.residuals);
  r.forecasts = std::move(fit.forecasts);
  const auto h = static_cast<std::ptrdiff_t>(r.forecasts.size());
  r.lower.assign(fit.limits.begin(), fit.limits.begin() + h);
  r.upper.assign(fit.limits.begin() + h, fit.limits.end());
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
  r.aic = -2.0 * (fit.log_likelihood - (m.npar() + m.k()));
  r.warnings = std::move(out.messages);
  return r;
}

}  // namespace vordex::armax
