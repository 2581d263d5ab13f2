#include "model/admissible.h"

#include <cmath>
#include <memory>

#include "arima/estimate.h"
#include "arima/state.h"
#include "arma/likelihood.h"
#include "smoothing/admissible.h"
#include "smoothing/state.h"

namespace vordex::model {

std::string ArimaInadmissible(const arima::Result& r) {
  // Coefficient j of a lag polynomial scaled by rho^j moves every root outwards by 1/rho, so that
  // roots within the slack of the unit circle pass Arimaadmissible's "modulus 1.0 or more".
  const double rho = 1.0 - kUnitCircleSlack;
  const struct {
    const std::vector<double>* coefficients;
    int lag;
    const char* name;
  } blocks[] = {{&r.ar, 1, "ar"},
                {&r.seasonal_ar, r.period, "seasonal_ar"},
                {&r.ma, 1, "ma"},
                {&r.seasonal_ma, r.period, "seasonal_ma"}};
  for (const auto& block : blocks) {
    if (block.coefficients->empty()) continue;
    // One block at a time, as a polynomial in its own lag z = B^s: the roots in B of Phi(B^s)
    // have modulus at least 1 exactly when the roots of Phi(z) do (|B| = |z|^(1/s)), so a
    // seasonal block is searched with degree P rather than s P (a twelfth of the work for monthly
    // models); scaling by rho^(j s) moves its roots in B outwards by 1/rho as well. MA blocks
    // have the same roots as AR blocks of the same coefficients.
    const auto k = static_cast<int>(block.coefficients->size());
    const bool seasonal = block.lag > 1;
    if (k > (seasonal ? arima::kMaxSeasonalP : arima::kMaxP)) return block.name;
    auto st = std::make_unique<arima::ArimaStateRecord>();
    st->s = 1;
    for (int j = 1; j <= k; ++j)
      st->phi[j] =
          (*block.coefficients)[static_cast<std::size_t>(j - 1)] * std::pow(rho, j * block.lag);
    st->p = k;
    if (arima::Arimaadmissible(*st) == 0) return block.name;
  }
  return "";
}

std::string ArmaxInadmissible(const armax::Result& r) {
  // One block at a time, so that the refusal names it.
  const struct {
    const std::vector<double>* coefficients;
    int p, q, P, Q;
    const char* name;
  } blocks[] = {{&r.ar, 1, 0, 0, 0, "ar"},
                {&r.ma, 0, 1, 0, 0, "ma"},
                {&r.seasonal_ar, 0, 0, 1, 0, "seasonal_ar"},
                {&r.seasonal_ma, 0, 0, 0, 1, "seasonal_ma"}};
  for (const auto& b : blocks) {
    const int k = static_cast<int>(b.coefficients->size());
    if (k == 0) continue;
    if (arma::ArmaInadmissible(b.p * k, b.q * k, b.P * k, b.Q * k, b.coefficients->data()))
      return b.name;
  }
  return "";
}

std::string EtsInadmissible(const ets::Result& r) {
  auto P = std::make_unique<smoothing::PegelsState>();
  P->s = r.period;
  P->modelType = r.model.error;
  P->trendType = r.model.trend;
  P->seasonalityType = r.model.season;
  P->admissibleRegion = r.settings.admissible_region;
  P->par[1] = r.alpha;
  P->par[2] = r.beta;
  P->par[3] = r.gamma;
  P->par[4] = r.phi;
  if (smoothing::Pegelsadmissible(*P, 1) == 1) return "";
  if (!r.settings.admissible_region) {
    if (!(r.alpha >= 0.0 && r.alpha <= 1.0)) return "alpha";
    if (!(r.beta >= 0.0 && r.beta <= 1.0)) return "beta";
    if (!(r.gamma >= 0.0 && r.gamma <= 1.0)) return "gamma";
    return "phi";
  }
  return "alpha";
}

std::string EtsStatesInadmissible(const ets::Result& r) {
  const ets::Continuation& c = r.continuation;
  const bool multiplies = r.model.error == ets::ErrorForm::kMultiplicative ||
                          r.model.trend == ets::Trend::kMultiplicative ||
                          r.model.season == ets::Season::kMultiplicative;
  if (multiplies && !(c.level > 0.0)) return "level";
  if (r.model.trend == ets::Trend::kMultiplicative && !(c.trend > 0.0)) return "trend";
  if (r.model.season == ets::Season::kMultiplicative)
    for (const double v : c.seasonal)
      if (!(v > 0.0)) return "seasonal";
  return "";
}

}  // namespace vordex::model
