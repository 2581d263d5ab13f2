#include "vordex/arima.hpp"

#include <algorithm>

#include "api/arima_result.h"
#include "api/outcome.h"
#include "arima/run.h"

namespace vordex::arima {

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
  engine.mean = settings.mean ? 1 : 0;
  engine.transform = settings.transform;
  engine.critical = settings.critical_value;
  engine.thorough = settings.thorough;
  Outcome out = api::Checked([&] { return Run(engine, observations); });
  const int missing =
      std::min(settings.d + settings.D * settings.period, static_cast<int>(observations.size()));
  return api::ToResult(std::move(out.fit), missing, settings.mean, std::move(out.messages));
}

}  // namespace vordex::arima

namespace vordex::api {

arima::Result ToResult(arima::Estimates fit, int missing, bool mean,
                       std::vector<Message> messages) {
  arima::Result r;
  r.missing = missing;
  // Values lost to differencing come marked; they become NaN here.
  r.series = MissingToNaN(std::move(fit.series));
  r.fitted = MissingToNaN(std::move(fit.fitted));
  r.residuals = MissingToNaN(std::move(fit.residuals));
  r.forecasts = std::move(fit.forecasts);
  r.lower = std::move(fit.lower);
  r.upper = std::move(fit.upper);
  r.ar = std::move(fit.phi);
  r.ma = std::move(fit.theta);
  r.seasonal_ar = std::move(fit.Phi);
  r.seasonal_ma = std::move(fit.Theta);
  r.sigma2 = fit.sigma2;
  r.log_likelihood = fit.log_likelihood;
  r.aic = fit.aic;
  if (mean) r.constant = fit.constant;
  r.warnings = std::move(messages);
  return r;
}

}  // namespace vordex::api
