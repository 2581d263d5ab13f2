#include "decompose/mstl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kClosedForm;

// The same STL passes as R's; the only differences are rounding (largest seen 2e-11 on values of
// 3e4; 2e-8 for robust passes) and R's printed digits.
constexpr double kSameAlgorithm = 1e-6;

std::vector<double> Taylor() {
  return testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor.csv")[0];
}

// R 4.2.2, forecast 8.20: m <- mstl(taylor) (periods 48 and 336, iterate 2, s.window 11 and 15);
// data/taylor_mstl.csv holds m[t, ] for t = 1, 21, 41, ..., 4021 and 4032.
TEST(Mstl, AgreesWithRsMstlOnTheHalfHourlyTaylorSeries) {
  const auto ref =
      testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor_mstl.csv");
  ASSERT_EQ(ref.size(), 5u);
  const std::vector<double> periods = {336.0, 48.0};
  const Outcome<MstlResult> fit = Mstl(Taylor(), periods);
  ASSERT_TRUE(fit.ok());
  const MstlResult& m = fit.value;
  ASSERT_EQ(m.periods, (std::vector<double>{48.0, 336.0}));
  for (std::size_t r = 0; r < ref[0].size(); ++r) {
    const std::size_t t = static_cast<std::size_t>(ref[0][r]) - 1;
    SCOPED_TRACE(t);
    EXPECT_NEAR(m.trend[t], ref[1][r], kSameAlgorithm);
    EXPECT_NEAR(m.seasonal[0][t], ref[2][r], kSameAlgorithm);
    EXPECT_NEAR(m.seasonal[1][t], ref[3][r], kSameAlgorithm);
    EXPECT_NEAR(m.remainder[t], ref[4][r], kSameAlgorithm);
  }
}

// R 4.2.2, forecast 8.20, printed with %.10f at times 1-based `times`:
//   air: mstl(AirPassengers) (a ts: one pass);  nile: mstl(Nile) (no period: supsmu trend);
//   taylor3: mstl(msts(taylor, seasonal.periods = c(48, 52.18, 336)));
//   lambda: mstl(AirPassengers, lambda = 0.3);
//   gaps: g <- AirPassengers; g[c(5, 6, 50, 51, 52, 100, 143)] <- NA; mstl(g).
TEST(Mstl, AgreesWithRsMstlAcrossItsCases) {
  struct Case {
    std::string name;
    std::vector<double> periods;
    MstlSettings settings;
    std::vector<int> times;
    std::vector<double> trend;
    std::size_t component;  // which seasonal component `seasonal` holds
    std::vector<double> seasonal;
  };
  MstlSettings lambda;
  lambda.lambda = 0.3;
  const std::vector<Case> cases = {
      {"air",
       {12},
       {},
       {1, 70, 144},
       {123.1450569281, 251.1623083611, 496.6832540252},
       0,
       {-16.9770740864, -21.7110053102, -44.1963249790}},
      {"nile", {1}, {}, {1, 50, 100}, {1164.2848629502, 834.8025209533, 681.9717531798}, 0, {}},
      {"taylor3",
       {336, 52.18, 48},
       {},
       {1, 2000, 4032},
       {30239.2680964967, 29810.6196656557, 29899.9357307326},
       1,
       {106.1267966729, -193.4953152763, -19.6966131101}},
      {"lambda",
       {12},
       lambda,
       {1, 70, 144},
       {10.7998533475, 14.1272310156, 18.0886313826},
       0,
       {-0.4306152051, -0.4123986286, -0.6720480738}},
      {"gaps",
       {12},
       {},
       {1, 50, 144},
       {120.1323228232, 215.3857393704, 501.7774363578},
       0,
       {-16.1202909784, -23.4720964228, -44.8492290526}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> y = c.name == "nile"               ? testing::LoadDataset("nile")
                            : c.name.starts_with("taylor") ? Taylor()
                                                           : testing::Airline();
    if (c.name == "gaps")
      for (int t : {5, 6, 50, 51, 52, 100, 143}) y[t - 1] = std::nan("");
    const Outcome<MstlResult> fit = Mstl(y, c.periods, c.settings);
    ASSERT_TRUE(fit.ok());
    ASSERT_EQ(fit.value.seasonal.size(), c.name == "nile" ? 0u : c.periods.size());
    for (std::size_t k = 0; k < c.times.size(); ++k) {
      const std::size_t t = static_cast<std::size_t>(c.times[k] - 1);
      EXPECT_NEAR(fit.value.trend[t], c.trend[k], kSameAlgorithm);
      if (!c.seasonal.empty()) {
        EXPECT_NEAR(fit.value.seasonal[c.component][t], c.seasonal[k], kSameAlgorithm);
      }
    }
    if (c.name == "gaps") {
      EXPECT_EQ(fit.value.missing, 7u);
      EXPECT_TRUE(std::isnan(fit.value.remainder[49]));
      EXPECT_NEAR(fit.value.remainder[143], -24.9282073052, kSameAlgorithm);  // R: m[144, 4]
    }
  }
}

// Periods with fewer than two full cycles are dropped; the adjusted series is the data less every
// seasonal component; the seasonal forecast repeats each component's last cycle.
TEST(Mstl, ForecastPiecesFollowFromTheComponents) {
  const std::vector<double> y = testing::Airline();  // n = 144
  const std::vector<double> periods = {12.0, 4.0, 72.0};
  const MstlResult m = Mstl(y, periods).value;
  ASSERT_EQ(m.periods, (std::vector<double>{4.0, 12.0}));
  const std::vector<double> adjusted = SeasonallyAdjusted(m);
  const std::vector<double> seasonal = SeasonalSum(m);
  for (std::size_t t = 0; t < y.size(); ++t)
    EXPECT_NEAR(adjusted[t], y[t] - seasonal[t], kClosedForm * y[t]);
  const std::vector<double> future = SeasonalForecast(m, 30);
  for (std::size_t h = 0; h < 30; ++h)
    EXPECT_NEAR(future[h], m.seasonal[0][140 + h % 4] + m.seasonal[1][132 + h % 12], kClosedForm);

  const std::vector<double> cycle = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0};
  EXPECT_EQ(RepeatLastCycle(cycle, 3.5, 5), (std::vector<double>{5.0, 6.0, 7.0, 5.0, 6.0}));
  EXPECT_TRUE(RepeatLastCycle(cycle, 8.0, 5).empty());
}

TEST(Mstl, RefusesWhatItCannotDecompose) {
  const std::vector<double> y = testing::Airline();
  const std::vector<double> two = {4.0, 12.0};
  EXPECT_FALSE(Mstl(std::vector<double>{}, two).ok());
  EXPECT_FALSE(Mstl(y, std::vector<double>{NAN}).ok());
  MstlSettings windows;
  windows.seasonal_windows = {7, 9, 11};
  EXPECT_TRUE(Mstl(y, two, windows).ok());
  windows.seasonal_windows = {7, 9};
  EXPECT_TRUE(Mstl(y, two, windows).ok());
  windows.seasonal_windows = {7, 1};  // below STL's smallest seasonal window
  EXPECT_FALSE(Mstl(y, two, windows).ok());
  MstlSettings negative;
  negative.iterate = -1;
  EXPECT_FALSE(Mstl(y, two, negative).ok());
}

}  // namespace
}  // namespace vordex::decompose
