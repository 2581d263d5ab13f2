// Extreme but valid requests through the three exports: the longest series, values near both
// ends of the double range, constant series, a single huge outlier, the largest orders the
// checkers accept and the most simulated paths at the longest horizon. Each must answer with a
// result whose cells are all finite numbers, or refuse clearly with a status code or a failure
// text; the sanitized build checks that none of them reads or writes out of bounds. The time
// each may take is bounded by the ctest timeout of this group (label "extreme").
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/automation.h"
#include "support/capture.h"
#include "support/tolerances.h"
#include "vordex/vordex.h"

namespace vordex {
namespace {

constexpr int MAXN = 1000;  // the longest series the ARIMA and smoothing checkers accept
constexpr int MAXH = 120;   // the longest horizon they accept

using Export = VARIANT (*)(SAFEARRAY**, SAFEARRAY**);

// What an export answered, read as a host reads it.
struct Answer {
  VARTYPE vt = VT_EMPTY;
  std::vector<double> cells;
  int status = 0;
  std::string text;
};

// Calls run with the options (as VT_I2, or VT_I4 when wide) and lead value plus series.
Answer Ask(Export run, const std::vector<int>& options, double lead, const std::vector<double>& y,
           bool wide = false) {
  SAFEARRAY* opt = SafeArrayCreateVector(wide ? VT_I4 : VT_I2, 0, options.size());
  for (LONG i = 0; i < static_cast<LONG>(options.size()); ++i) {
    LONG wide_value = options[static_cast<std::size_t>(i)];
    SHORT narrow_value = static_cast<SHORT>(wide_value);
    SafeArrayPutElement(opt, &i, wide ? static_cast<void*>(&wide_value) : &narrow_value);
  }
  std::vector<double> data{lead};
  data.insert(data.end(), y.begin(), y.end());
  testing::HostArray options_array(opt);
  testing::HostArray data_array(testing::DataArray(data));
  testing::MessageCapture boxes;
  VARIANT v = run(&options_array.array, &data_array.array);
  Answer a;
  a.vt = v.vt;
  if (v.vt == (VT_ARRAY | VT_R8))
    a.cells = testing::CellsOf(v);
  else if (v.vt == VT_I2)
    a.status = testing::StatusOf(v);
  else if (v.vt == VT_BSTR)
    a.text = testing::TextOf(v);
  else
    VariantClear(&v);
  return a;
}

// A result with only finite cells, or a refusal the host can show.
void ExpectResultOrRefusal(const Answer& a) {
  switch (a.vt) {
    case VT_ARRAY | VT_R8:
      ASSERT_FALSE(a.cells.empty());
      for (std::size_t i = 0; i < a.cells.size(); ++i)
        ASSERT_TRUE(std::isfinite(a.cells[i])) << "cell " << i + 1 << " of " << a.cells.size();
      break;
    case VT_I2:
      EXPECT_GE(a.status, 1);
      break;
    case VT_BSTR:
      EXPECT_FALSE(a.text.empty());
      break;
    default:
      ADD_FAILURE() << "answer of type " << a.vt;
  }
}

// A monthly series with trend, season and an irregular part, scaled by level.
std::vector<double> Seasonal(int n, double level) {
  std::vector<double> y(static_cast<std::size_t>(n));
  for (int t = 0; t < n; ++t)
    y[static_cast<std::size_t>(t)] =
        level * (1.0 + 0.001 * t + 0.2 * std::sin(t * 0.5235987755982988) +
                 0.05 * std::sin(1.7 * t + 0.3 * t * t));
  return y;
}

// The airline model on the raw scale with 12 forecasts, for each export's option layout.
struct Method {
  const char* name;
  Export run;
  std::vector<int> options;  // N is set by the test
  double lead;
  int forecasts_at;  // 0-based index of the first forecast cell for N observations: 3N
};

const std::vector<Method>& Methods() {
  static const std::vector<Method> methods = {
      {"Arimadll", &Arimadll, {0, 12, 12, 0, 1, 1, 0, 1, 1, 0, 1}, 1.96, 3},
      {"Pegelsdll", &Pegelsdll, {0, 12, 12, 1, 2, 2, 0, 1, 1, 500, 3, 1}, 95.0, 3},
      {"Armaxdll", &Armaxdll, {0, 12, 12, 0, 1, 1, 0, 1, 1, 0, 0}, 1.96, 0},
  };
  return methods;
}

Answer AskMethod(const Method& m, const std::vector<double>& y) {
  std::vector<int> options = m.options;
  options[0] = static_cast<int>(y.size());
  return Ask(m.run, options, m.lead, y);
}

TEST(ExtremeInput, LongestSeriesNearBothEndsOfTheDoubleRange) {
  for (const Method& m : Methods()) {
    for (double level : {1e300, 1e-300}) {
      SCOPED_TRACE(std::string(m.name) + " at " + std::to_string(level));
      ExpectResultOrRefusal(AskMethod(m, Seasonal(MAXN, level)));
    }
  }
}

TEST(ExtremeInput, TinyValuesGiveTheForecastsOfTheUnscaledSeriesScaledDown) {
  // On the raw scale the forecasts are equivariant: y -> c y gives c times the forecasts.
  constexpr double c = 1e-300;
  for (const Method& m : Methods()) {
    if (m.forecasts_at == 0) continue;  // the ARMAX layout places them after the differenced series
    SCOPED_TRACE(m.name);
    const Answer unit = AskMethod(m, Seasonal(MAXN, 1.0));
    const Answer tiny = AskMethod(m, Seasonal(MAXN, c));
    ASSERT_EQ(unit.vt, VT_ARRAY | VT_R8);
    ASSERT_EQ(tiny.vt, VT_ARRAY | VT_R8);
    for (int i = 0; i < 12; ++i) {
      const auto k = static_cast<std::size_t>(m.forecasts_at * MAXN + i);
      EXPECT_NEAR(tiny.cells[k] / c, unit.cells[k], testing::kOptimiser * std::abs(unit.cells[k]))
          << "forecast " << i + 1;
    }
  }
}

TEST(ExtremeInput, ConstantSeriesAndASingleHugeOutlier) {
  std::vector<double> outlier = Seasonal(MAXN, 100.0);
  outlier[MAXN / 2] = 1e12;
  for (const Method& m : Methods()) {
    SCOPED_TRACE(m.name);
    ExpectResultOrRefusal(AskMethod(m, std::vector<double>(MAXN, 5.0)));
    ExpectResultOrRefusal(AskMethod(m, outlier));
  }
}

TEST(ExtremeInput, LargestArimaOrdersTheCheckerAccepts) {
  // s = 24 leaves p + 24 P <= 83 and q + 24 Q <= 83 with P = Q = 3, p = q = 11; d = D = 2.
  const std::vector<int> options = {MAXN, 24, MAXH, 11, 2, 11, 3, 2, 3, 1, 1};
  const Answer a = Ask(&Arimadll, options, 1.96, Seasonal(MAXN, 100.0));
  ExpectResultOrRefusal(a);
  if (a.vt == (VT_ARRAY | VT_R8)) {
    // 3N + 3h cells, the 28 coefficients and four statistics.
    EXPECT_EQ(a.cells.size(), static_cast<std::size_t>(3 * MAXN + 3 * MAXH + 28 + 4));
  }
  std::vector<int> beyond = options;
  beyond[3] = 12;  // p + 24 P = 84: the total order rule refuses it
  EXPECT_EQ(Ask(&Arimadll, beyond, 1.96, Seasonal(MAXN, 100.0)).status, 37);
}

TEST(ExtremeInput, LargestArmaxOrdersTheCheckerAccepts) {
  // Seasonal: p, q < s = 24 and P = Q = 3 on the longest series; non-seasonal: the root finder's
  // largest degree, 100, for both polynomials.
  ExpectResultOrRefusal(
      Ask(&Armaxdll, {MAXN, 24, MAXH, 23, 1, 23, 3, 1, 3, 1, 0}, 1.96, Seasonal(MAXN, 100.0)));
  ExpectResultOrRefusal(
      Ask(&Armaxdll, {MAXN, 1, MAXH, 100, 1, 100, 0, 0, 0, 1, 0}, 1.96, Seasonal(MAXN, 100.0)));
}

TEST(ExtremeInput, MostSimulatedPathsAtTheLongestHorizon) {
  // Every model chosen by AIC, bootstrapped paths, 24-step criterion; 32767 paths is the most a
  // 16-bit option carries. 50000, within the checker's range, cannot be passed as one.
  std::vector<int> options = {MAXN, 24, MAXH, 2, 0, 0, 1, 1, 1, 32767, 24, 1};
  const Answer a = Ask(&Pegelsdll, options, 95.0, Seasonal(MAXN, 100.0));
  ASSERT_EQ(a.vt, VT_ARRAY | VT_R8);
  ExpectResultOrRefusal(a);
  options[9] = 50000;
  EXPECT_EQ(Ask(&Pegelsdll, options, 95.0, Seasonal(MAXN, 100.0), /*wide=*/true).status, 12);
}

TEST(ExtremeInput, AdmissibleRegionSearchAtTheLargestEigenvalueOrder) {
  // Every additive model by AIC in the admissible region, where each evaluation of the objective
  // needs the eigenvalues of the discount matrix: s = 18 makes it of order 20, the largest the
  // eigenvalue routine takes.
  const std::vector<int> options = {MAXN, 18, 0, 1, 0, 0, 0, 1, 1, 500, 3, 1, 1, 0, 0, 2};
  ExpectResultOrRefusal(Ask(&Pegelsdll, options, 95.0, Seasonal(MAXN, 100.0)));
}

}  // namespace
}  // namespace vordex
