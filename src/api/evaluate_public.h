// The evaluation room's records in the public types of vordex/evaluate.hpp (field for field).
#ifndef VORDEX_API_EVALUATE_PUBLIC_H
#define VORDEX_API_EVALUATE_PUBLIC_H

#include "evaluate/accuracy.h"
#include "evaluate/diagnostics.h"
#include "vordex/evaluate.hpp"

namespace vordex::api {

inline PointAccuracy Public(const evaluate::Accuracy& a) {
  return {.n = a.n,
          .n_percent = a.n_percent,
          .me = a.me,
          .mae = a.mae,
          .rmse = a.rmse,
          .mpe = a.mpe,
          .mape = a.mape,
          .smape = a.smape,
          .mase = a.mase,
          .rmsse = a.rmsse,
          .acf1 = a.acf1};
}

inline IntervalAccuracy Public(const evaluate::IntervalAccuracy& a) {
  return {.level = a.level,
          .n = a.n,
          .coverage = a.coverage,
          .interval_score = a.interval_score,
          .msis = a.msis,
          .mean_width = a.mean_width};
}

inline Correlogram Public(const evaluate::Correlogram& c) {
  return {.acf = c.acf, .bound = c.bound, .n = c.n};
}

inline LjungBoxTest Public(const evaluate::LjungBoxTest& t) {
  return {.statistic = t.statistic, .lag = t.lag, .df = t.df, .p_value = t.p_value};
}

inline NormalityTest Public(const evaluate::JarqueBeraTest& t) {
  return {.statistic = t.statistic,
          .p_value = t.p_value,
          .skewness = t.skewness,
          .kurtosis = t.kurtosis};
}

}  // namespace vordex::api

#endif  // VORDEX_API_EVALUATE_PUBLIC_H
