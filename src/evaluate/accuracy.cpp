#include "evaluate/accuracy.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "evaluate/diagnostics.h"

namespace vordex::evaluate {
namespace {

// A mean over the terms that are not NaN: missing pairs and 0/0 terms, which R's na.rm drops.
struct Mean {
  double sum = 0.0;
  int n = 0;

  void Add(double term) {
    if (std::isnan(term)) return;
    sum += term;
    ++n;
  }
  double value() const { return n > 0 ? sum / n : kNaN; }
  Score score() const { return {value(), n}; }
};

bool LevelValid(double level) {
  return level > 0.0 && level < 100.0;
}

// The scale of pair i: scales[i], scales[0] for one scale, none for an empty span.
const NaiveScale* ScaleOf(std::span<const NaiveScale> scales, std::size_t i) {
  if (scales.empty()) return nullptr;
  return scales.size() == 1 ? &scales[0] : &scales[i];
}

// Every point measure with the count of terms of each mean.
struct PointScores {
  Mean me, mae, mse, mpe, mape, smape, mase, msse;
  double acf1 = kNaN;
  int n = 0;
};

PointScores ComputePoint(std::span<const double> actual, std::span<const double> forecast,
                         std::span<const NaiveScale> scales) {
  PointScores s;
  std::vector<double> errors(actual.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const double y = actual[i];
    const double f = forecast[i];
    const double e = y - f;  // NaN when either value is missing
    errors[i] = e;
    if (std::isnan(e)) continue;
    ++s.n;
    s.me.Add(e);
    s.mae.Add(std::fabs(e));
    s.mse.Add(e * e);
    // 100 e / y as R forms it, (e / y) * 100: +-infinity at y = 0 unless e = 0 (then 0/0, left
    // out).
    const double pe = e / y * 100.0;
    s.mpe.Add(pe);
    s.mape.Add(std::fabs(pe));
    s.smape.Add(200.0 * std::fabs(e) / (std::fabs(y) + std::fabs(f)));
    if (const NaiveScale* scale = ScaleOf(scales, i)) {
      s.mase.Add(std::fabs(e / scale->mae));
      s.msse.Add(e * e / scale->mse);
    }
  }
  if (auto acf = Autocorrelations(errors, 1); acf.ok() && acf.value.acf.size() > 1)
    s.acf1 = acf.value.acf[1];
  return s;
}

std::string LengthError(const char* what) {
  return std::string(what) + " and actual values differ in length";
}

}  // namespace

NaiveScale SeasonalNaiveScale(std::span<const double> training, int lag) {
  NaiveScale scale;
  if (lag < 1) return scale;
  Mean mae, mse;
  for (std::size_t t = static_cast<std::size_t>(lag); t < training.size(); ++t) {
    const double d = training[t] - training[t - lag];
    mae.Add(std::fabs(d));
    mse.Add(d * d);
  }
  return {mae.value(), mse.value(), mae.n};
}

Outcome<Accuracy> ScoreForecastsScaled(std::span<const double> actual,
                                       std::span<const double> forecast,
                                       std::span<const NaiveScale> scales) {
  if (forecast.size() != actual.size()) return Outcome<Accuracy>::Failure(Status::kInvalidSettings, LengthError("Forecasts"));
  if (scales.size() > 1 && scales.size() != actual.size())
    return Outcome<Accuracy>::Failure(Status::kInvalidData, "Scales: need none, one, or one per actual value");
  const PointScores s = ComputePoint(actual, forecast, scales);
  Accuracy a;
  a.n = s.n;
  a.n_percent = s.mape.n;
  a.me = s.me.value();
  a.mae = s.mae.value();
  a.rmse = std::sqrt(s.mse.value());
  a.mpe = s.mpe.value();
  a.mape = s.mape.value();
  a.smape = s.smape.value();
  a.mase = s.mase.value();
  a.rmsse = std::sqrt(s.msse.value());
  a.acf1 = s.acf1;
  return Outcome<Accuracy>::Success(a);
}

Outcome<Accuracy> ScoreForecasts(std::span<const double> actual, std::span<const double> forecast,
                                 std::span<const double> training, int lag) {
  if (lag < 1) return Outcome<Accuracy>::Failure(Status::kInvalidSettings, "Lag of the scale below 1");
  const NaiveScale scale = SeasonalNaiveScale(training, lag);
  return ScoreForecastsScaled(
      actual, forecast,
      training.empty() ? std::span<const NaiveScale>{} : std::span<const NaiveScale>(&scale, 1));
}

Score Compute(Measure measure, std::span<const double> actual, std::span<const double> forecast,
              std::span<const double> training, int lag) {
  if (lag < 1 || forecast.size() != actual.size()) return {};
  const NaiveScale scale = SeasonalNaiveScale(training, lag);
  const PointScores s = ComputePoint(
      actual, forecast,
      training.empty() ? std::span<const NaiveScale>{} : std::span<const NaiveScale>(&scale, 1));
  switch (measure) {
    case Measure::kMe:
      return s.me.score();
    case Measure::kMae:
      return s.mae.score();
    case Measure::kRmse:
      return {std::sqrt(s.mse.value()), s.mse.n};
    case Measure::kMpe:
      return s.mpe.score();
    case Measure::kMape:
      return s.mape.score();
    case Measure::kSmape:
      return s.smape.score();
    case Measure::kMase:
      return s.mase.score();
    case Measure::kRmsse:
      return {std::sqrt(s.msse.value()), s.msse.n};
    case Measure::kAcf1:
      return {s.acf1, std::isnan(s.acf1) ? 0 : s.n};
  }
  return {};
}

Outcome<IntervalAccuracy> ScoreIntervalsScaled(std::span<const double> actual,
                                               std::span<const double> lower,
                                               std::span<const double> upper, double level,
                                               std::span<const NaiveScale> scales) {
  using Result = Outcome<IntervalAccuracy>;
  if (lower.size() != actual.size()) return Result::Failure(Status::kInvalidSettings, LengthError("Lower limits"));
  if (upper.size() != actual.size()) return Result::Failure(Status::kInvalidSettings, LengthError("Upper limits"));
  if (!LevelValid(level)) return Result::Failure(Status::kInvalidSettings, "Level outside (0, 100)");
  if (scales.size() > 1 && scales.size() != actual.size())
    return Result::Failure(Status::kInvalidSettings, "Scales: need none, one, or one per actual value");
  const double penalty = 2.0 / (1.0 - level / 100.0);  // 2 / a
  Mean inside, score, scaled, width;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const double y = actual[i];
    const double l = lower[i];
    const double u = upper[i];
    if (std::isnan(y) || std::isnan(l) || std::isnan(u)) continue;
    inside.Add(l <= y && y <= u ? 1.0 : 0.0);
    double s = u - l;
    if (y < l) s += penalty * (l - y);
    if (y > u) s += penalty * (y - u);
    score.Add(s);
    width.Add(u - l);
    if (const NaiveScale* scale = ScaleOf(scales, i)) scaled.Add(s / scale->mae);
  }
  IntervalAccuracy r;
  r.level = level;
  r.n = inside.n;
  r.coverage = inside.value();
  r.interval_score = score.value();
  r.msis = scaled.value();
  r.mean_width = width.value();
  return Result::Success(r);
}

Outcome<IntervalAccuracy> ScoreIntervals(std::span<const double> actual,
                                         std::span<const double> lower,
                                         std::span<const double> upper, double level,
                                         std::span<const double> training, int lag) {
  if (lag < 1) return Outcome<IntervalAccuracy>::Failure(Status::kInvalidSettings, "Lag of the scale below 1");
  const NaiveScale scale = SeasonalNaiveScale(training, lag);
  return ScoreIntervalsScaled(
      actual, lower, upper, level,
      training.empty() ? std::span<const NaiveScale>{} : std::span<const NaiveScale>(&scale, 1));
}

Score Coverage(std::span<const double> actual, std::span<const double> lower,
               std::span<const double> upper) {
  // The level does not enter the coverage; any valid one will do.
  const auto r = ScoreIntervalsScaled(actual, lower, upper, 50.0, {});
  return r.ok() ? Score{r.value.coverage, r.value.n} : Score{};
}

Score IntervalScore(std::span<const double> actual, std::span<const double> lower,
                    std::span<const double> upper, double level) {
  const auto r = ScoreIntervalsScaled(actual, lower, upper, level, {});
  return r.ok() ? Score{r.value.interval_score, r.value.n} : Score{};
}

Score Msis(std::span<const double> actual, std::span<const double> lower,
           std::span<const double> upper, double level, std::span<const double> training, int lag) {
  const auto r = ScoreIntervals(actual, lower, upper, level, training, lag);
  if (!r.ok() || std::isnan(r.value.msis)) return {};
  return {r.value.msis, r.value.n};
}

Score PinballLoss(std::span<const double> actual, std::span<const double> quantile, double tau) {
  if (quantile.size() != actual.size() || !(tau > 0.0 && tau < 1.0)) return {};
  Mean loss;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const double u = actual[i] - quantile[i];
    loss.Add(u >= 0.0 ? tau * u : (tau - 1.0) * u);
  }
  return loss.score();
}

}  // namespace vordex::evaluate
