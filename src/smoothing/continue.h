// A fitted model continued without re-estimation: forecasts and simulated limits from its final
// states, and new observations filtered through its recursion.
#ifndef VORDEX_SMOOTHING_CONTINUE_H
#define VORDEX_SMOOTHING_CONTINUE_H

#include <span>
#include <vector>

#include "smoothing/state.h"
#include "vordex/ets.hpp"
#include "vordex/outcome.hpp"

namespace vordex::smoothing {

// What continuing a fitted model needs: the model, its parameters and where its recursion stands
// after the last observation (Estimates::end), with the engine's transform of the observations
// and the disturbances of its limits.
struct Fitted {
  ets::Model model;
  int period = 1;
  double alpha = 0.0, beta = 0.0, gamma = 0.0, phi = 1.0;
  ets::Continuation end;
  Transform transform = Transform::kNone;  // none, log or square root
  Disturbances disturbances = Disturbances::kGaussian;
  int paths = 500;
};

// Forecasts 1..h (on the observations' scale) and the limits of each level.
struct Forecasts {
  std::vector<double> mean;
  std::vector<Limits> limits;
};

// The point forecasts of h steps from the final states and the limits of `levels` (percent)
// simulated from them, the generator first seeded with `seed` (SetSeed's argument): the numbers
// that Execute gives for the same final states, parameters and seed, bit for bit. h < 1 gives
// none. Fails (kEngineFailed, after the simulation's message) when the paths cannot be stored.
vordex::Outcome<Forecasts> ForecastFrom(const Fitted& fitted, int h, std::span<const double> levels,
                                        int seed);

// The new observations y (in time order after the last one, NaN for a missing value) transformed
// and scaled as the fit's observations, and filtered through the recursion from the final
// states: series, fitted values and errors on the transformed scale (the scaling undone, the
// fitted values not transformed back), and the final states after them (sigma and the resampled
// errors kept).
struct Filtered {
  std::vector<double> series;
  std::vector<double> fitted;
  std::vector<double> errors;
  ets::Continuation end;
};

// Fails with kInvalidData (an infinite value, or one the transform cannot take) or
// kEtsZerosInMultiplicative (a value below 1e-10 in magnitude after the scaling, for a model with
// a multiplicative part), each with its message as the text.
vordex::Outcome<Filtered> Filter(const Fitted& fitted, std::span<const double> y);

}  // namespace vordex::smoothing

#endif  // VORDEX_SMOOTHING_CONTINUE_H
