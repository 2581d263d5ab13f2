// Pegelsdll end to end through automation arrays: the option reader and checker, the bounds
// after the observations, the data checks before the engine and the packed result layout.
#include "host/pegels_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/seed.h"
#include "smoothing/random.h"
#include "smoothing/state.h"
#include "support/automation.h"
#include "support/bits.h"
#include "support/capture.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using testing::MessageCapture;

struct Request {
  std::vector<short> options;
  std::vector<double> data;
};

// A quarterly series with trend and season, all values positive.
std::vector<double> Quarterly(int n) {
  std::vector<double> y;
  const double season[4] = {1.0, -2.0, 3.0, -2.0};
  for (int t = 1; t <= n; ++t)
    y.push_back(20.0 + 0.5 * t + season[(t - 1) % 4] + 0.3 * std::sin(3.0 * t));
  return y;
}

// N observations, s = 4, h = 4, additive errors, no trend, no seasonality, Gaussian limits,
// one-step MSE, heuristic states, 500 paths, m = 3, AIC; confidence 95.
Request Base(int n = 24) {
  Request r;
  r.options = {static_cast<short>(n), 4, 4, 1, 1, 1, 0, 1, 1, 500, 3, 1};
  r.data.push_back(95.0);
  for (double v : Quarterly(n)) r.data.push_back(v);
  return r;
}

VARIANT Call(const Request& r) {
  testing::HostArray opt(testing::OptionArray(r.options));
  testing::HostArray dat(testing::DataArray(r.data, 1));
  return Pegelsdll(&opt.array, &dat.array);
}

int StatusOf(const Request& r) {
  return testing::StatusOf(Call(r));
}

std::vector<double> CellsOf(const Request& r) {
  return testing::CellsOf(Call(r));
}

// The options changed from Base(): slot and value; a slot past the twelfth appends the value.
using Changes = std::vector<std::pair<std::size_t, short>>;

Request Changed(const Changes& changes, int n = 24) {
  Request r = Base(n);
  for (const auto& [slot, value] : changes) {
    if (slot < r.options.size())
      r.options[slot] = value;
    else
      r.options.push_back(value);
  }
  return r;
}

TEST(PegelsCheck, EveryRuleGivesItsCodeAndMessage) {
  const struct {
    Changes changes;
    int code;
    const char* message;
  } cases[] = {
      {{{0, 1001}}, 31, "Number of data observations exceeds MAXN"},
      {{{1, 25}}, 32, "Seasonal frequency exceeds MAXS"},
      {{{2, 121}}, 33, "Forecast horizon exceeds MAXH"},
      {{{1, 0}}, 34, "Seasonal frequency zero or negative"},
      {{{0, 0}}, 35, "Number of observations zero or negative"},
      {{{3, 3}}, 41, "Unknown model type"},
      {{{4, 5}}, 42, "Unknown trend type"},
      {{{5, 4}}, 43, "Unknown seasonality type"},
      {{{12, 4}}, 44, "Unknown transform type"},
      {{{12, 1}, {13, 5}}, 45, "Unknown search type"},
      {{{0, 7}, {5, 2}}, 61, "Insufficient data for estimation of seasonal models"},
      {{{1, 1}, {5, 2}}, 62, "Seasonal model requested for nonseasonal data"},
      {{{6, 2}}, 64, "Unknown bootstrap type"},
      {{{7, 6}}, 65, "Unknown optimization criterion"},
      {{{8, 4}}, 66, "Unknown initialization method"},
      {{{11, 4}}, 67, "Unknown information criterion"},
      {{{9, 499}}, 68, "#Bootstrap samples must be between 500 & 50000"},
      {{{10, 25}}, 69, "#MSE multisteps must be between 3 & MAXS"},
  };
  for (const auto& c : cases) {
    MessageCapture capture;
    EXPECT_EQ(StatusOf(Changed(c.changes)), c.code) << c.message;
    EXPECT_EQ(capture.messages(), (testing::Messages{{"Pegels Error", c.message, 0x30u}}));
  }
}

TEST(PegelsCheck, FirstFailingRuleWinsAndOptionsComeBeforeData) {
  MessageCapture capture;
  Request r = Base();
  r.options[0] = 1001;
  r.options[1] = 25;
  r.options[9] = 10;
  EXPECT_EQ(StatusOf(r), 31);
  // An invalid option is reported even when the data array is too short.
  Request s = Base();
  s.options[10] = 2;
  s.data.resize(5);
  EXPECT_EQ(StatusOf(s), 69);
  Request t = Base();
  t.data.resize(24);
  EXPECT_EQ(StatusOf(t), 4);
}

TEST(PegelsCheck, TooFewOptionsAndEmptyOptions) {
  MessageCapture capture;
  Request r = Base();
  r.options.resize(11);
  EXPECT_EQ(StatusOf(r), 3);
  EXPECT_EQ(capture.size(), 0u);
  r.options.clear();
  VARIANT v = Call(r);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 1.0);
}

TEST(PegelsCheck, ZerosAreJudgedOnThisRequestsData) {
  MessageCapture capture;
  host::ScopedSeedOverride seed(-1);
  // A request whose data contain a zero, with an additive model: fitted.
  Request zeros = Base();
  zeros.data[5] = 0.0;
  EXPECT_EQ(CellsOf(zeros).empty(), false);
  // The next request, multiplicative, with data free of zeros: the earlier zeros do not count.
  Request mult = Base();
  mult.options[3] = 0;
  EXPECT_EQ(CellsOf(mult).empty(), false);
  capture.clear();
  // The same multiplicative model on data with a zero is refused before the engine runs.
  mult.data[5] = 0.0;
  EXPECT_EQ(StatusOf(mult), 63);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Data contains zeros: cannot specify multiplicative model");
  // With the log transform an observation of 1 is a zero.
  Request logged = Base();
  logged.options[4] = 3;  // multiplicative trend
  logged.options.push_back(2);
  logged.data[3] = 1.0;
  EXPECT_EQ(StatusOf(logged), 63);
}

TEST(PegelsCheck, OpenSeasonalityWithTooFewDataIsDroppedWithAWarning) {
  MessageCapture capture;
  host::ScopedSeedOverride seed(-1);
  Request r = Base(10);
  r.options[1] = 12;
  r.options[5] = 0;  // choose
  const std::vector<double> cells = CellsOf(r);
  ASSERT_GE(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Insufficient data for estimation of seasonal models");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);
  // Nothing was open any more, so no search: no types, no trend, no seasonal indices.
  // 3N + 3h + 4 parameters + level + (m + 1) + 4 statistics.
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(30 + 12 + 4 + 1 + 4 + 4));
  capture.clear();
  r.options[5] = 2;
  EXPECT_EQ(StatusOf(r), 61);
}

TEST(Pegelsdll, ResultLayoutWithSearch) {
  MessageCapture capture;
  host::ScopedSeedOverride seed(-3);
  Request r = Base(40);
  r.options[4] = 0;  // trend open: the search type becomes 2
  r.options[5] = 2;  // additive seasonality
  const std::vector<double> cells = CellsOf(r);
  const int N = 40;
  const int h = 4;
  std::size_t at = 3 * N + 3 * h;
  ASSERT_GT(cells.size(), at + 3);
  const int model = static_cast<int>(cells[at]);
  const int trend = static_cast<int>(cells[at + 1]);
  EXPECT_EQ(model, 1);
  EXPECT_GE(trend, 1);
  EXPECT_LE(trend, 4);
  EXPECT_EQ(cells[at + 2], 2.0);
  const std::size_t expected = at + 3 + 4 + 1 + (trend > 1 ? 1 : 0) + 4 + (3 + 1) + 4;
  EXPECT_EQ(cells.size(), expected);
  // Observations come back unchanged, errors are data minus fitted values.
  for (int t = 0; t < N; ++t) {
    EXPECT_NEAR(cells[t], r.data[t + 1], 1e-12 * 50);
    EXPECT_NEAR(cells[2 * N + t], cells[t] - cells[N + t], 1e-12 * 50);
  }
  // Lower limit <= forecast <= upper limit at every horizon.
  for (int k = 0; k < h; ++k) {
    EXPECT_LE(cells[3 * N + h + k], cells[3 * N + k]);
    EXPECT_GE(cells[3 * N + 2 * h + k], cells[3 * N + k]);
  }
  // Additive seasonal indices sum to zero only when estimated; heuristic ones are normalised.
  const std::size_t seasonal = at + 3 + 4 + 1 + (trend > 1 ? 1 : 0);
  double sum = 0.0;
  for (int k = 0; k < 4; ++k) sum += cells[seasonal + k];
  EXPECT_NEAR(sum, 0.0, 1e-9);
}

TEST(Pegelsdll, CellCountsFollowTheModel) {
  // 3N + 3h, the types when something was searched (3), 4 parameters, the level, the trend, s
  // seasonal indices, sqrt(amse) and sqrt(mse[1..m]) (m + 1), 4 statistics.
  const struct {
    int n;
    Changes changes;
    std::size_t count;
  } cases[] = {
      // The error form chosen, additive trend and seasonality: the full capacity.
      {40, {{3, 2}, {4, 2}, {5, 2}}, 3 * (40 + 4) + 3 + 4 + 1 + 1 + 4 + 4 + 4},
      {24, {{2, -5}}, 3 * 24 + 4 + 1 + 4 + 4},  // a negative horizon means no forecasts
  };
  for (const auto& c : cases) {
    MessageCapture capture;
    host::ScopedSeedOverride seed(-4);
    EXPECT_EQ(CellsOf(Changed(c.changes, c.n)).size(), c.count);
  }
}

TEST(Pegelsdll, SeededRequestsReproduceTheirCellsWhateverTheOptionalOptionsAtTheirDefaults) {
  MessageCapture capture;
  const auto cells = [](int seed, const Request& r) {
    host::ScopedSeedOverride override(seed);
    return CellsOf(r);
  };
  Request sixteen = Base();
  sixteen.options.insert(sixteen.options.end(), {1, 0, 0, 1});
  const std::vector<double> a = cells(-21, Base());
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(testing::SameBits(cells(-21, Base()), a));
  EXPECT_TRUE(testing::SameBits(cells(-21, sixteen), a));
  // Another seed moves the limits (cells 3N + h ..), not the point forecasts.
  const std::vector<double> c = cells(-22, Base());
  EXPECT_EQ(a[72], c[72]);
  EXPECT_NE(a[76], c[76]);
}

TEST(Pegelsdll, InformationCriterionThreeIsTheAiccOverEveryEstimatedQuantity) {
  // Code 3, refused before, selects by the AICc; its cell is AIC + 2k(k + 1)/(n - k - 1) with k
  // counting alpha, the level and sigma for simple smoothing (k = 3, n = 24).
  MessageCapture capture;
  Request r = Base();
  r.options[11] = 3;
  const std::vector<double> cells = CellsOf(r);
  ASSERT_FALSE(cells.empty());
  const double loglik = cells[cells.size() - 3];
  EXPECT_NEAR(cells[cells.size() - 2], -2.0 * loglik + 6.0 + 24.0 / 20.0, 1e-9);
}

TEST(Pegelsdll, DataTheEngineCannotUseAreRefused) {
  MessageCapture capture;
  Request r = Base();
  r.data[0] = 150.0;
  EXPECT_EQ(StatusOf(r), 70);
  r.data[0] = std::nan("");
  EXPECT_EQ(StatusOf(r), 70);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].text, "Confidence level must be between 0 and 100");
  Request s = Base();
  s.data[7] = INFINITY;
  EXPECT_EQ(StatusOf(s), 71);
  EXPECT_EQ(capture.messages().back().text, "Data contain missing or non-finite values");
}

TEST(Pegelsdll, EngineFailureReturnsItsText) {
  MessageCapture capture;
  Request r = Base();
  r.options.push_back(2);  // log transform of a negative value
  r.data[4] = -1.0;
  EXPECT_EQ(testing::TextOf(Call(r)), "Failure in Pegelsmain:\nModel could not be estimated");
}

TEST(Pegelsdll, HorizonsBeyondTheDataAreMarkedMissing) {
  MessageCapture capture;
  Request r = Base(2);
  r.options[1] = 1;
  r.options[2] = 0;
  const std::vector<double> cells = CellsOf(r);
  // 3N, 4 parameters, level, then sqrt(amse), sqrt(mse[1..3]), 4 statistics.
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(6 + 5 + 4 + 4));
  const double marker = -99999.0;
  EXPECT_EQ(0, std::memcmp(&cells[11 + 3], &marker, sizeof(double)));
  EXPECT_NE(cells[11 + 2], marker);
}

TEST(Pegelsdll, MatrixTooLargeIsShownOncePerRequest) {
  // Additive seasonality with s = 20 in the admissible region: the discount matrix has order 21,
  // beyond the eigenvalue routine. Every evaluation of the objective asks, the user is told once.
  MessageCapture capture;
  Request r;
  r.options = {60, 20, 0, 1, 1, 2, 0, 1, 1, 500, 3, 1, 1, 0, 0, 2};
  r.data.push_back(95.0);
  for (int t = 1; t <= 60; ++t) r.data.push_back(10.0 + std::sin(2.0 * M_PI * t / 20.0) + 0.01 * t);
  ASSERT_FALSE(CellsOf(r).empty());
  int boxes = 0;
  for (const auto& m : capture.messages()) boxes += m.text == "Matrix too large";
  EXPECT_EQ(boxes, 1);
}

TEST(pegelspack, ShortCapacitiesReturnWhatFits) {
  MessageCapture capture;
  Request r = Base();
  r.options[4] = 0;  // a search, so that the types are packed
  smoothing::Request settings;
  ASSERT_EQ(PegelsSettings(std::vector<int>(r.options.begin(), r.options.end()), settings), 0);
  const std::vector<double> y(r.data.begin() + 1, r.data.end());
  const smoothing::Outcome out = smoothing::Run(settings, y);
  ASSERT_TRUE(out.ok());
  std::vector<double> buffer(200, 0.0);
  const long full = PegelsCapacity(24, settings);
  EXPECT_EQ(pegelspack(out.value, buffer.data(), 3 * (24 + 4) - 1, 4), 0);
  capture.clear();
  EXPECT_EQ(pegelspack(out.value, buffer.data(), 3 * (24 + 4) + 2, 4), 3 * (24 + 4));
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text,
            "Allocation failure in pegelspack - not all results returned");
  EXPECT_LE(pegelspack(out.value, buffer.data(), full, 4), full);
}

}  // namespace
}  // namespace vordex::host
