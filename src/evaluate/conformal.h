// Split-conformal prediction limits from cross-validated forecast errors, as statsforecast's
// ConformalIntervals makes them (Nixtla; statsforecast.models, _TS._conformity_scores and
// _add_conformal_distribution_intervals). The conformity score of a forecast is its absolute
// error; each step h has its own scores, those of the h-step forecasts from the cross-validation
// origins (Stankeviciute, Alaa and van der Schaar 2021, "Conformal time-series forecasting",
// NeurIPS 34; split conformal prediction: Vovk, Gammerman and Shafer 2005, Algorithmic Learning
// in a Random World; Lei et al. 2018, "Distribution-free predictive inference for regression",
// JASA 113, 1094-1111).
//
// The limits are symmetric about the point forecast, forecast -+ half-width. The quantile is
// numpy's default (linear interpolation between order statistics, Hyndman and Fan's type 7):
// - kDistribution (statsforecast's "conformal_distribution", its only method): the scores
//   s_1 .. s_W of a step make 2W forecast paths f - s_i and f + s_i, and the limits are their
//   quantiles of probabilities a / 2 and 1 - a / 2, a = 1 - level / 100. The half-width is thus
//   the type-7 quantile of probability 1 - a / 2 of {-s_i} and {+s_i} together.
// - kError ("conformal_error" of Nixtla's mlforecast, PredictionIntervals): the half-width is the
//   type-7 quantile of probability level / 100 of s_1 .. s_W.
// statsforecast asks for at least two windows; here a step needs at least one score, and a step
// without one gets NaN limits. Nothing is kept between calls.
#ifndef VORDEX_EVALUATE_CONFORMAL_H
#define VORDEX_EVALUATE_CONFORMAL_H

#include <span>
#include <vector>

#include "evaluate/accuracy.h"
#include "evaluate/outcome.h"
#include "vordex/forecast.hpp"

namespace vordex::evaluate {

enum class ConformalMethod {
  kDistribution,  // "conformal_distribution": quantile of the 2W paths
  kError,         // "conformal_error": quantile of the W absolute errors
};

// Half-widths per level and step.
struct ConformalWidths {
  int steps = 0;
  std::vector<double> levels;      // as given, percent
  std::vector<double> half_width;  // half_width[k * steps + h]: level k, step h + 1 (0-based h)
  std::vector<int> scores;         // scores[h]: the errors of step h + 1 that were present

  double at(int k, int h) const { return half_width[k * steps + h]; }
};

// The half-widths of each level in levels (percent, each in (0, 100)) for each step, from the
// errors of a cross-validation, origins x steps row-major: errors[i * steps + h] is the error
// (actual - forecast; the sign does not matter) of the (h + 1)-step forecast from origin i. NaN
// marks an error that is missing (a forecast beyond the data, or a missing actual) and is left
// out of its step. Fails when origins < 1, steps < 1, errors.size() != origins * steps, levels is
// empty or a level is outside (0, 100).
Outcome<ConformalWidths> ConformalHalfWidths(
    std::span<const double> errors, int origins, int steps, std::span<const double> levels,
    ConformalMethod method = ConformalMethod::kDistribution);

// Prediction limits of one level.
using vordex::Limits;

// The limits forecasts[h] -+ widths.at(k, h) for h = 0 .. forecasts.size() - 1, one Limits per
// level of widths, in its order. Fails when there are more forecasts than widths.steps, or when
// widths does not hold one half-width per level and step.
Outcome<std::vector<Limits>> ConformalLimits(std::span<const double> forecasts,
                                             const ConformalWidths& widths);

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_CONFORMAL_H
