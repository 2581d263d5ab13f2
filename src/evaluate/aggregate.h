// Summaries of a cross-validation: the accuracy of each forecast step across origins, of a whole
// series, and the mean over series.
//
// One series' cross-validation is a block of origins x steps values, row-major: entry (i, h), at
// index i * steps + h, belongs to the (h + 1)-step forecast from origin i (0-based, origins in
// time order). Actual values, forecasts and limits come in that layout, NaN where there is none
// (a step beyond the end of the data). Each origin may carry the in-sample scale of its own
// training window (SeasonalNaiveScale of the data up to that origin): scales holds one per origin,
// one for all, or none (the scaled measures are then NaN). Nothing is kept between calls.
#ifndef VORDEX_EVALUATE_AGGREGATE_H
#define VORDEX_EVALUATE_AGGREGATE_H

#include <span>
#include <vector>

#include "evaluate/accuracy.h"
#include "evaluate/outcome.h"

namespace vordex::evaluate {

// The point measures of each step over the origins: record h from the pairs (i, h),
// i = 0 .. origins - 1, each scaled by its origin's scale; its ACF1 is that of the (h + 1)-step
// errors in origin order. Fails when origins < 1, steps < 1, a block has another size than
// origins x steps, or scales has another size than 0, 1 or origins.
Outcome<std::vector<Accuracy>> AccuracyByStep(std::span<const double> actual,
                                              std::span<const double> forecast, int origins,
                                              int steps, std::span<const NaiveScale> scales);

// The point measures of the whole block (every pair once). The ACF1 is that of the errors in
// origin order when steps = 1 and NaN otherwise (the errors of several steps do not form one
// series). Fails as AccuracyByStep.
Outcome<Accuracy> AccuracyOfBlock(std::span<const double> actual, std::span<const double> forecast,
                                  int origins, int steps, std::span<const NaiveScale> scales);

// The interval measures of each step over the origins, as AccuracyByStep.
Outcome<std::vector<IntervalAccuracy>> IntervalAccuracyByStep(std::span<const double> actual,
                                                              std::span<const double> lower,
                                                              std::span<const double> upper,
                                                              double level, int origins, int steps,
                                                              std::span<const NaiveScale> scales);

// The mean of each measure over records (of several series, or several steps), each measure over
// the records where it is not NaN (an infinite one makes the mean infinite); the counts n and
// n_percent are the sums. This is how the M3 and M4 competitions average sMAPE and MASE over
// series. No record gives NaN throughout.
Accuracy MeanAccuracy(std::span<const Accuracy> records);

// As MeanAccuracy for interval records of one level (the result carries the first record's).
IntervalAccuracy MeanIntervalAccuracy(std::span<const IntervalAccuracy> records);

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_AGGREGATE_H
