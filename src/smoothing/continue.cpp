#include "smoothing/continue.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/messages.h"
#include "smoothing/driver.h"
#include "smoothing/fit.h"
#include "smoothing/random.h"
#include "smoothing/run.h"
#include "smoothing/simulate.h"

namespace vordex::smoothing {
namespace {

// An engine state with the model, parameters, disturbances and scale of `fitted`, and no series.
void Describe(PegelsState& P, const Fitted& fitted) {
  P.s = fitted.period;
  P.modelType = fitted.model.error;
  P.trendType = fitted.model.trend;
  P.seasonalityType = fitted.model.season;
  P.par[1] = fitted.alpha;
  P.par[2] = fitted.beta;
  P.par[3] = fitted.gamma;
  P.par[4] = fitted.phi;
  P.sigma = fitted.end.sigma;
  P.bootstrapType = fitted.disturbances;
  P.bootstrapSamples = fitted.paths;
  P.transformType = fitted.transform;
  P.scale = fitted.end.scale;
}

// The seasonal values of the s times after the last observation, in time order.
void NextSeasons(const Fitted& fitted, double* seas) {
  const std::size_t s = std::min<std::size_t>(fitted.end.seasonal.size(), MAXS);
  std::copy_n(fitted.end.seasonal.begin(), s, seas);
}

bool MultiplicativePart(const ets::Model& m) {
  return m.error == ErrorForm::kMultiplicative || m.trend == Trend::kMultiplicative ||
         m.season == Season::kMultiplicative;
}

}  // namespace

vordex::Outcome<Forecasts> ForecastFrom(const Fitted& fitted, int h, std::span<const double> levels,
                                        int seed) {
  using Out = vordex::Outcome<Forecasts>;
  if (h < 1) return Out::Success({});
  platform::MessageRecorder recorder;
  PegelsState P;
  Describe(P, fitted);
  P.pool = fitted.end.resampled_errors;
  double seas[MAXS] = {};
  NextSeasons(fitted, seas);
  const double level = fitted.end.level;
  const double trend = fitted.end.trend;

  // As Pegelsmain: the point forecasts, then the limits from the freshly seeded generator.
  std::vector<double> fc(static_cast<std::size_t>(h) + 1, 0.0);
  Pegelsforecast(P, level, trend, seas, h, fc.data());
  SetSeed(seed);
  std::vector<std::vector<double>> lo;
  std::vector<std::vector<double>> hi;
  // The paths feed the limits alone: point forecasts asked for without limits simulate none.
  if (!levels.empty() && PegelssimFrom(P, level, trend, seas, h, levels, lo, hi) == 0)
    return Out::Failure(Status::kEngineFailed, kFailureText, recorder.Take());

  const auto unscale = [&](double v) { return PegelsUnscale(P.transformType, P.scale, v); };
  Forecasts f;
  for (int k = 1; k <= h; ++k) f.mean.push_back(unscale(fc[static_cast<std::size_t>(k)]));
  for (std::size_t j = 0; j < lo.size(); ++j) {
    Limits& limits = f.limits.emplace_back();
    limits.level = levels[j];
    for (int k = 1; k <= h; ++k) {
      limits.lower.push_back(unscale(lo[j][static_cast<std::size_t>(k)]));
      limits.upper.push_back(unscale(hi[j][static_cast<std::size_t>(k)]));
    }
  }
  return Out::Success(std::move(f), recorder.Take());
}

vordex::Outcome<Filtered> Filter(const Fitted& fitted, std::span<const double> y) {
  using Out = vordex::Outcome<Filtered>;
  const int n = static_cast<int>(y.size());
  PegelsState P;
  Describe(P, fitted);
  P.n = n;
  Resize(P, n);
  // The transform and scaling of Pegelstransform, value by value.
  const bool multiplicative = MultiplicativePart(fitted.model);
  for (int t = 1; t <= n; ++t) {
    double v = y[static_cast<std::size_t>(t - 1)];
    if (std::isinf(v)) return Out::Failure(Status::kInvalidData, "ets: a new value is infinite");
    if (!std::isnan(v)) {
      if (P.transformType == Transform::kLog) {
        if (v <= 0.0)
          return Out::Failure(Status::kInvalidData,
                              "Data error: Can't take log of zero or negative values");
        v = std::log(v);
      } else if (P.transformType == Transform::kSquareRoot) {
        if (v < 0.0)
          return Out::Failure(Status::kInvalidData,
                              "Data error: Can't take sqrt of negative values");
        v = std::sqrt(v);
      }
      v = v / P.scale;
      if (multiplicative && std::fabs(v) < kTiny)
        return Out::Failure(Status::kEtsZerosInMultiplicative,
                            "Data contains zeros: cannot specify multiplicative model");
    }
    P.y[static_cast<std::size_t>(t)] = v;
  }

  // The final states are the initial states of the new stretch: the seasonal values of the next
  // s times are those of times 1..s in it.
  P.l[0] = fitted.end.level;
  P.b[0] = fitted.end.trend;
  NextSeasons(fitted, P.seasInit);
  P.lean = 1;
  P.optimizationCriterion = Criterion::kMse;
  Pegelspass(P);

  Filtered r;
  const double c = P.scale;
  r.series.reserve(y.size());
  r.fitted.reserve(y.size());
  r.errors.reserve(y.size());
  for (int t = 1; t <= n; ++t) {
    const auto k = static_cast<std::size_t>(t);
    r.series.push_back(P.y[k] * c);
    r.fitted.push_back(P.F[k] * c);
    r.errors.push_back(P.e[k] * c);
  }
  r.end = fitted.end;
  r.end.level = P.l[static_cast<std::size_t>(n)];
  if (HasTrend(P.trendType)) r.end.trend = P.b[static_cast<std::size_t>(n)];
  if (HasSeason(P.seasonalityType)) {
    // Times n - s + 1 .. n; those before the new stretch keep their earlier values.
    const int s = P.s;
    for (int j = 0; j < s && j < static_cast<int>(r.end.seasonal.size()); ++j) {
      const int tau = n - s + 1 + j;
      r.end.seasonal[static_cast<std::size_t>(j)] =
          tau >= 1 ? P.S[static_cast<std::size_t>(tau)] : P.seasInit[n + j];
    }
  }
  return Out::Success(std::move(r));
}

}  // namespace vordex::smoothing
