// Arimadll end to end: the checker's rules and codes, the engine call, the packed result. The
// cells of a fixed set of requests are frozen bit for bit in frozen_cells_test.cpp; these tests
// state the rules and the layout those cells follow.
#include "host/arima_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/frame.h"
#include "support/automation.h"
#include "support/bits.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "support/tolerances.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using testing::CellsOf;
using testing::DataArray;
using testing::HostArray;
using testing::OptionArray;
using testing::StatusOf;

// The 11 settings in slot order.
struct Request {
  short N = 0, s = 1, h = 0, p = 0, d = 0, q = 0, P = 0, D = 0, Q = 0, mean = 0, transform = 0;
  std::vector<short> options() const { return {N, s, h, p, d, q, P, D, Q, mean, transform}; }
};

VARIANT Call(const std::vector<short>& options, const std::vector<double>& data, LONG olower = 0,
             LONG dlower = 0) {
  HostArray opt(OptionArray(options, olower));
  HostArray dat(DataArray(data, dlower));
  return Arimadll(&opt.array, &dat.array);
}

bool IsMarker(double x) {
  return testing::SameBits(x, -99999.0);
}

// The lead value (the critical value) followed by the series.
std::vector<double> WithLead(double lead, const std::vector<double>& y) {
  std::vector<double> data{lead};
  data.insert(data.end(), y.begin(), y.end());
  return data;
}

TEST(ArimaCheck, EachRuleGivesItsCodeAndMessage) {
  const struct {
    Request request;
    int code;
    const char* message;
  } cases[] = {
      {{.N = 1001}, 31, "Too much data: number of observations exceeds MAXN"},
      {{.N = 50, .s = 25}, 32, "Seasonal frequency exceeds MAXS"},
      {{.N = 50, .h = 121}, 33, "Forecast horizon exceeds MAXH"},
      {{.N = 50, .p = 13}, 34, "ARIMA (p,q) order too high"},
      {{.N = 50, .q = 13}, 34, "ARIMA (p,q) order too high"},
      {{.N = 50, .s = 4, .Q = 4}, 35, "ARIMA (P,Q) order too high"},
      {{.N = 50, .d = 3}, 36, "Degree of differencing too large"},
      {{.N = 50, .D = 3}, 36, "Degree of differencing too large"},
      {{.N = 50, .s = 24, .p = 12, .P = 3}, 37, "Total order too large: reduce (p,q) or (P,Q)"},
      {{.N = 50, .s = 0}, 38, "Invalid seasonal frequency (<1)"},
      {{.N = 0}, 39, "Number of observations zero or negative"},
      {{.N = 50, .h = -1}, 40, "Invalid forecast horizon (<0)"},
      {{.N = 50, .d = -1}, 41, "Invalid input: one of (p,d,q) values negative"},
      {{.N = 50, .Q = -1}, 42, "Invalid input: one of (P,D,Q) values negative"},
      {{.N = 50, .s = 1, .P = 1}, 43, "Seasonal model requested for non-seasonal data"},
      {{.N = 23, .s = 12, .Q = 1}, 44, "Insufficient data for estimation of a seasonal model"},
      {{.N = 50, .s = 4, .q = 4, .Q = 1}, 45, "(p,q) must be < s for seasonal model"},
  };
  for (const auto& c : cases) {
    testing::MessageCapture capture;
    // A data array of one element: a rejected option is reported before the data are looked at.
    EXPECT_EQ(StatusOf(Call(c.request.options(), {0.0})), c.code) << c.message;
    EXPECT_EQ(capture.messages(), (testing::Messages{{"Arima Error", c.message, 0x30}}));
  }
}

TEST(ArimaCheck, RulesApplyInOrderAndTheLimitsThemselvesPass) {
  testing::MessageCapture capture;
  // N = 1001 with every other setting also wrong: the first rule wins. Upper limits come before
  // lower limits: p = 13 and N = 0 give 34, not 39.
  EXPECT_EQ(StatusOf(Call({1001, 0, -1, 13, 3, -1, 4, 3, -1, 0, 0}, {0.0})), 31);
  EXPECT_EQ(StatusOf(Call(Request{.N = 0, .p = 13}.options(), {0.0})), 34);
  EXPECT_EQ(capture.size(), 2u);
  capture.clear();
  const auto check = [](const std::vector<int>& options) {
    return ExportCode(arima::Check(ArimaSettings(options), options[0]));
  };
  EXPECT_EQ(check({1000, 24, 120, 11, 2, 11, 3, 2, 3, 0, 0}), 0);  // pp = qq = 83
  EXPECT_EQ(check({50, 12, 0, 11, 0, 0, 3, 0, 0, 0, 0}), 0);       // pp = 47
  // Seasonal differencing alone does not bring in the seasonal rules.
  EXPECT_EQ(check({5, 4, 0, 6, 0, 0, 0, 1, 0, 0, 0}), 0);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(Arimadll, PacksSeriesFittedResidualsForecastsLimitsCoefficientsAndStatistics) {
  // Cells: the working series, fitted values and residuals (N each, the values lost to
  // differencing marked), the forecasts and their lower and upper limits (h each), the
  // coefficients (theta, Theta; R's Arima gives 0.4018 and 0.5569 in Box-Jenkins signs, see the
  // engine's tests), sigma, log-likelihood, AIC and the constant.
  testing::MessageCapture capture;
  const long N = 144, h = 24, coef = 3 * N + 3 * h;
  const Request r{.N = 144, .s = 12, .h = 24, .d = 1, .q = 1, .D = 1, .Q = 1, .transform = 2};
  const auto cells = CellsOf(Call(r.options(), WithLead(0.0, testing::Airline())));
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(coef + 2 + 4));
  auto cell = [&](long k) { return cells[static_cast<std::size_t>(k - 1)]; };
  EXPECT_NEAR(cell(coef + 1), 0.4018, testing::kPeerCoefficient);
  EXPECT_DOUBLE_EQ(cell(coef + 5), -2.0 * cell(coef + 4) + 4.0);
  EXPECT_EQ(cell(coef + 6), 0.0);
  for (long t = 1; t <= N; ++t) {
    EXPECT_EQ(IsMarker(cell(t)), t <= 13);
    EXPECT_EQ(IsMarker(cell(N + t)), t <= 13);
    EXPECT_EQ(IsMarker(cell(2 * N + t)), t <= 13);
    EXPECT_TRUE(t <= 13 || cell(N + t) == cell(t) - cell(2 * N + t)) << t;
  }
  // Forecasts on the passenger scale, inside limits that widen with the horizon.
  for (long k = 1; k <= h; ++k) {
    EXPECT_LT(cell(3 * N + h + k), cell(3 * N + k));
    EXPECT_LT(cell(3 * N + k), cell(3 * N + 2 * h + k));
  }
  EXPECT_GT(cell(3 * N + 2 * h + 24) / cell(3 * N + h + 24),
            cell(3 * N + 2 * h + 1) / cell(3 * N + h + 1));
  EXPECT_EQ(capture.size(), 0u);

  // Without forecasts: 3N cells, the coefficient and four statistics.
  std::vector<double> y(40);
  for (int t = 0; t < 40; ++t) y[t] = 10.0 + 0.3 * t + std::sin(1.7 * t) + (t % 4 == 1 ? 2.0 : 0.0);
  const auto none = CellsOf(Call({40, 4, 0, 1, 1, 0, 0, 1, 0, 0, 0}, WithLead(0.0, y)));
  ASSERT_EQ(none.size(), 3u * 40 + 1 + 4);
  for (int t = 0; t < 40; ++t) EXPECT_EQ(IsMarker(none[80 + t]), t < 5);
}

TEST(Arimadll, CriticalValueWidensTheLimitsBeforeTheTransform) {
  std::vector<double> y(60);
  for (int t = 0; t < 60; ++t) y[t] = 5.0 + std::sin(0.9 * t) + 0.05 * t;
  const Request r{.N = 60, .h = 3, .p = 1, .d = 1};
  const auto a = CellsOf(Call(r.options(), WithLead(0.0, y)));
  const auto b = CellsOf(Call(r.options(), WithLead(3.0, y)));
  const auto c = CellsOf(Call(r.options(), WithLead(std::nan(""), y)));
  ASSERT_EQ(a.size(), b.size());
  for (int k = 0; k < 3; ++k) {
    const double F = a[180 + k];
    EXPECT_EQ(b[180 + k], F);
    EXPECT_NEAR((b[186 + k] - F) / (a[186 + k] - F), 3.0 / 1.96, 1e-9);
    EXPECT_EQ(c[186 + k], a[186 + k]);  // not a number selects 1.96
  }
}

TEST(Arimadll, FrameRulesOfTheArimaExport) {
  testing::MessageCapture capture;
  // An empty option array gives the unit 1.0.
  HostArray empty(SafeArrayCreateVector(VT_I2, 0, 0));
  HostArray dat(DataArray({0.0}));
  VARIANT v = Arimadll(&empty.array, &dat.array);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 1.0);
  // Ten options are too few; a data array of N elements is too short.
  EXPECT_EQ(StatusOf(Call({5, 1, 0, 0, 0, 0, 0, 0, 0, 0}, {0.0})), 3);
  EXPECT_EQ(StatusOf(Call(Request{.N = 3}.options(), {0.0, 1.0, 2.0})), 4);
  EXPECT_EQ(capture.size(), 0u);
  // Options after the eleventh and the arrays' lower bounds do not matter.
  std::vector<double> y(30);
  for (int t = 0; t < 30; ++t) y[t] = 1.0 + 0.5 * std::cos(0.8 * t) + 0.01 * t * t;
  auto options = Request{.N = 30, .h = 2, .p = 1, .d = 1}.options();
  const auto a = CellsOf(Call(options, WithLead(0.0, y)));
  options.push_back(99);
  EXPECT_EQ(CellsOf(Call(options, WithLead(0.0, y), 5, -3)), a);
}

}  // namespace
}  // namespace vordex::host
