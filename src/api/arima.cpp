#include "vordex/arima.hpp"

#include "api/common.h"
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
  engine.mean = settings.constant ? 1 : 0;
  const api::Prepared prepared =
      api::Prepare("arima", observations, settings.transform, settings.box_cox, settings.period);
  engine.transform = prepared.engine_transform;
  for (const api::Band& band : api::Bands("arima", settings.levels, settings.critical_value))
    engine.bands.push_back({band.level, band.critical});
  if (!engine.bands.empty()) engine.critical = engine.bands.front().critical;
  engine.thorough = settings.thorough;
  Outcome out = Run(engine, prepared.values);
  if (!out.ok()) throw Error(out.status, std::move(out.text), std::move(out.messages));
  Result r = api::ToResult(engine, std::move(out.value), observations.size(),
                           std::move(out.messages));
  r.transform = settings.transform;
  api::Restore(r, prepared, settings.box_cox);
  return r;
}

}  // namespace vordex::arima
