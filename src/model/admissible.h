// The admissible region of loaded estimates, judged by the engines' own checks.
#ifndef VORDEX_MODEL_ADMISSIBLE_H
#define VORDEX_MODEL_ADMISSIBLE_H

#include <string>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/ets.hpp"

namespace vordex::model {

// Moduli of roots may fall short of 1 by this relative amount and still count as on the unit
// circle: a fitted seasonal MA coefficient at the boundary (Theta = -1) has roots of modulus 1
// that a root search returns a few units of rounding inside.
inline constexpr double kUnitCircleSlack = 1e-9;

// "" when the factor polynomials of r (orders and coefficient counts already checked) pass
// Arimaadmissible with every root modulus allowed kUnitCircleSlack below 1; else the name of the
// first coefficient block outside ("ar", "seasonal_ar", "ma" or "seasonal_ma").
std::string ArimaInadmissible(const arima::Result& r);

// "" when each lag polynomial of the ARMAX estimates r passes the engine's own admissibility test
// (ArmaInadmissible, as its final fit applies it); else the first block outside ("ar", "ma",
// "seasonal_ar", "seasonal_ma").
std::string ArmaxInadmissible(const armax::Result& r);

// "" when alpha, beta, gamma and phi of r lie in the region Pegelsadmissible permits for its
// model (the usual region, or the invertible region of all-additive models with
// settings.admissible_region); else "alpha" (the first parameter's name the refusal concerns is
// not known to the check, so the smoothing parameters are named together as "alpha").
std::string EtsInadmissible(const ets::Result& r);

// "" when the states that multiply (the level, a multiplicative trend and multiplicative seasonal
// values) are positive in r's continuation; else the field's name ("level", "trend", "seasonal").
std::string EtsStatesInadmissible(const ets::Result& r);

}  // namespace vordex::model

#endif  // VORDEX_MODEL_ADMISSIBLE_H
