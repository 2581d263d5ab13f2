#include "evaluate/aggregate.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <utility>

namespace vordex::evaluate {
namespace {

// The shape check shared by the block summaries: an empty string when the block is well formed.
std::string BlockError(std::size_t actual, std::size_t other, int origins, int steps,
                       std::size_t scales) {
  if (origins < 1 || steps < 1) return "Origins or steps below 1";
  const std::size_t cells = static_cast<std::size_t>(origins) * static_cast<std::size_t>(steps);
  if (actual != cells || other != cells) return "Blocks: need origins x steps values";
  if (scales > 1 && scales != static_cast<std::size_t>(origins))
    return "Scales: need none, one, or one per origin";
  return {};
}

// Column h of a block (the values of step h + 1 over the origins).
std::vector<double> Column(std::span<const double> block, int origins, int steps, int h) {
  std::vector<double> column(origins);
  for (int i = 0; i < origins; ++i) column[i] = block[static_cast<std::size_t>(i) * steps + h];
  return column;
}

// A mean over the values that are not NaN.
struct Mean {
  double sum = 0.0;
  int n = 0;
  void Add(double v) {
    if (std::isnan(v)) return;
    sum += v;
    ++n;
  }
  double value() const { return n > 0 ? sum / n : kNaN; }
};

}  // namespace

Outcome<std::vector<Accuracy>> AccuracyByStep(std::span<const double> actual,
                                              std::span<const double> forecast, int origins,
                                              int steps, std::span<const NaiveScale> scales) {
  using Result = Outcome<std::vector<Accuracy>>;
  if (auto e = BlockError(actual.size(), forecast.size(), origins, steps, scales.size());
      !e.empty())
    return Result::Failure(Status::kInvalidSettings, std::move(e));
  std::vector<Accuracy> records(steps);
  for (int h = 0; h < steps; ++h)
    records[h] = ScoreForecastsScaled(Column(actual, origins, steps, h),
                                      Column(forecast, origins, steps, h), scales)
                     .value;
  return Result::Success(std::move(records));
}

Outcome<Accuracy> AccuracyOfBlock(std::span<const double> actual, std::span<const double> forecast,
                                  int origins, int steps, std::span<const NaiveScale> scales) {
  if (auto e = BlockError(actual.size(), forecast.size(), origins, steps, scales.size());
      !e.empty())
    return Outcome<Accuracy>::Failure(Status::kInvalidSettings, std::move(e));
  // Every pair of origin i takes scale i.
  std::vector<NaiveScale> per_pair;
  if (scales.size() > 1)
    for (int i = 0; i < origins; ++i) per_pair.insert(per_pair.end(), steps, scales[i]);
  auto out = ScoreForecastsScaled(
      actual, forecast, scales.size() > 1 ? std::span<const NaiveScale>(per_pair) : scales);
  if (steps > 1) out.value.acf1 = kNaN;
  return out;
}

Outcome<std::vector<IntervalAccuracy>> IntervalAccuracyByStep(std::span<const double> actual,
                                                              std::span<const double> lower,
                                                              std::span<const double> upper,
                                                              double level, int origins, int steps,
                                                              std::span<const NaiveScale> scales) {
  using Result = Outcome<std::vector<IntervalAccuracy>>;
  if (auto e = BlockError(actual.size(), lower.size(), origins, steps, scales.size()); !e.empty())
    return Result::Failure(Status::kInvalidSettings, std::move(e));
  if (auto e = BlockError(actual.size(), upper.size(), origins, steps, scales.size()); !e.empty())
    return Result::Failure(Status::kInvalidSettings, std::move(e));
  std::vector<IntervalAccuracy> records(steps);
  for (int h = 0; h < steps; ++h) {
    auto r =
        ScoreIntervalsScaled(Column(actual, origins, steps, h), Column(lower, origins, steps, h),
                             Column(upper, origins, steps, h), level, scales);
    if (!r.ok()) return Result::Failure(r.status, std::move(r.text));
    records[h] = r.value;
  }
  return Result::Success(std::move(records));
}

Accuracy MeanAccuracy(std::span<const Accuracy> records) {
  Mean me, mae, rmse, mpe, mape, smape, mase, rmsse, acf1;
  Accuracy mean;
  for (const Accuracy& r : records) {
    mean.n += r.n;
    mean.n_percent += r.n_percent;
    me.Add(r.me);
    mae.Add(r.mae);
    rmse.Add(r.rmse);
    mpe.Add(r.mpe);
    mape.Add(r.mape);
    smape.Add(r.smape);
    mase.Add(r.mase);
    rmsse.Add(r.rmsse);
    acf1.Add(r.acf1);
  }
  mean.me = me.value();
  mean.mae = mae.value();
  mean.rmse = rmse.value();
  mean.mpe = mpe.value();
  mean.mape = mape.value();
  mean.smape = smape.value();
  mean.mase = mase.value();
  mean.rmsse = rmsse.value();
  mean.acf1 = acf1.value();
  return mean;
}

IntervalAccuracy MeanIntervalAccuracy(std::span<const IntervalAccuracy> records) {
  Mean coverage, score, msis, width;
  IntervalAccuracy mean;
  if (!records.empty()) mean.level = records[0].level;
  for (const IntervalAccuracy& r : records) {
    mean.n += r.n;
    coverage.Add(r.coverage);
    score.Add(r.interval_score);
    msis.Add(r.msis);
    width.Add(r.mean_width);
  }
  mean.coverage = coverage.value();
  mean.interval_score = score.value();
  mean.msis = msis.value();
  mean.mean_width = width.value();
  return mean;
}

}  // namespace vordex::evaluate
