#include "arima/prepare.h"

#include <algorithm>
#include <cmath>

#include "arima/state.h"
#include "numerics/vectors.h"

namespace vordex::arima {

using numerics::ReportError;

int Arimatransform(ArimaStateRecord& st) {
  double mn = 1e20;
  for (int t = 1; t <= st.N; ++t) {
    if (!std::isfinite(st.y[t]))
      return ReportError(kArimaTitle, "Observations must be finite numbers (no NaN or infinity)",
                         1);
    mn = std::min(mn, st.y[t]);
  }
  if (st.transform == Transform::kLog) {
    if (mn <= 0.0) return ReportError(kArimaTitle, "Can't take log of zero or negative values", 1);
    for (int t = 1; t <= st.N; ++t) st.y[t] = std::log(st.y[t]);
  } else if (st.transform == Transform::kSquareRoot) {
    if (mn < 0.0) return ReportError(kArimaTitle, "Can't take sqrt of negative values", 1);
    for (int t = 1; t <= st.N; ++t) st.y[t] = std::sqrt(st.y[t]);
  }
  double lambda = 0.0;
  for (int t = 1; t <= st.N; ++t) lambda = std::max(lambda, std::fabs(st.y[t]));
  // Every transformed value 0 leaves nothing to scale by (and nothing to model).
  if (lambda == 0.0)
    return ReportError(kArimaTitle,
                       "All transformed observations are zero: the series cannot be scaled", 1);
  st.lambda = lambda;
  for (int t = 1; t <= st.N; ++t) st.y[t] /= lambda;
  return 0;
}

void Arimadifference(ArimaStateRecord& st) {
  const int N = st.N;
  for (int t = 1; t <= N; ++t) st.w[t] = st.y[t];
  // Working from the end backwards lets each pass run in place; a difference that involves a
  // marker is a marker.
  for (int k = 1; k <= st.D; ++k) {
    for (int t = N; t >= st.s + 1; --t)
      st.w[t] = IsMissing(st.w[t - st.s]) ? kMissing : st.w[t] - st.w[t - st.s];
    if (k == 1) std::fill(st.w.begin() + 1, st.w.begin() + 1 + std::min(st.s, N), kMissing);
  }
  for (int k = 1; k <= st.d; ++k) {
    for (int t = N; t >= 2; --t)
      st.w[t] = IsMissing(st.w[t - 1]) ? kMissing : st.w[t] - st.w[t - 1];
    if (k == 1 && N >= 1) st.w[1] = kMissing;
  }
  st.nd = st.d + st.D * st.s;
}

}  // namespace vordex::arima
