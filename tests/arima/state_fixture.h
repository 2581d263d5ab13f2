// Helpers shared by the ARIMA engine tests: a fresh engine state and the sample series.
#ifndef VORDEX_TESTS_ARIMA_STATE_FIXTURE_H
#define VORDEX_TESTS_ARIMA_STATE_FIXTURE_H

#include <memory>
#include <vector>

#include "arima/state.h"
#include "support/datasets.h"
#include "support/simulate.h"

namespace vordex::arima::testing {

// The engine state of the calling thread's test.
inline ArimaStateRecord& ArimaState() {
  // The record is large: on the heap, not the stack.
  static thread_local std::unique_ptr<ArimaStateRecord> record =
      std::make_unique<ArimaStateRecord>();
  return *record;
}

// Resets ArimaState() and writes the settings and observations as the host layer would.
inline void Prepare(const std::vector<double>& y, int s, int h, int p, int d, int q, int P, int D,
                    int Q, int mean = 0, Transform transform = Transform::kNone,
                    double critical = 0.0) {
  ArimaState() = ArimaStateRecord{};
  auto& st = ArimaState();
  st.N = static_cast<int>(y.size());
  st.s = s;
  st.h = h;
  st.p = p;
  st.d = d;
  st.q = q;
  st.P = P;
  st.D = D;
  st.Q = Q;
  st.mean = mean;
  st.transform = transform;
  st.pp = p + P * s;
  st.qq = q + Q * s;
  st.critical = critical;
  st.confidence = 95.0;
  SizeArrays(st);
  for (int t = 1; t <= st.N; ++t) st.y[t] = y[static_cast<std::size_t>(t - 1)];
}

// The monthly airline passenger totals 1949-1960 (Box and Jenkins, Series G).
using vordex::testing::Airline;

using vordex::testing::SimulateArma11;

}  // namespace vordex::arima::testing

#endif  // VORDEX_TESTS_ARIMA_STATE_FIXTURE_H
