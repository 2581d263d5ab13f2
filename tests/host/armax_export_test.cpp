// Armaxdll end to end through the call frame: the checker, the engine statuses as the host sees
// them, and the result layout.
#include "host/armax_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/automation.h"
#include "support/capture.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using testing::CellsOf;
using testing::DataArray;
using testing::HostArray;
using testing::OptionArray;
using testing::StatusOf;
using testing::TextOf;

// Options N, s, h, p, d, q, P, D, Q, constant, transform.
VARIANT Call(const std::vector<short>& options, const std::vector<double>& data, LONG lower = 0) {
  HostArray opt(OptionArray(options, lower));
  HostArray dat(DataArray(data, lower));
  return Armaxdll(&opt.array, &dat.array);
}

std::vector<double> Data(int N, double critical = 1.96) {
  std::vector<double> x(N + 1);
  x[0] = critical;
  for (int t = 1; t <= N; ++t) x[t] = 20.0 + 3.0 * std::sin(0.7 * t) + 0.1 * t + std::cos(3.1 * t);
  return x;
}

TEST(ArmaxChecker, RulesInOrderWithTheirMessagesAndCodes) {
  struct Case {
    std::vector<short> options;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 31, "Invalid seasonal frequency (s < 1)"},
      {{7, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       32,
       "Insufficient data: too few observations \nfor this seasonality (n < 2s)"},
      {{20, 1, -1, 0, 0, 0, 0, 0, 0, 0, 0}, 33, "Invalid forecast horizon (h < 0)"},
      {{20, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0},
       34,
       "Invalid input: at least one (p,d,q) value negative"},
      {{20, 1, 0, 0, 0, 0, 0, 0, -2, 0, 0},
       35,
       "Invalid input: at least one (P,D,Q) value negative"},
      {{20, 4, 0, 4, 0, 0, 0, 0, 0, 0, 0},
       36,
       "Inappropriate (p,q) values for seasonal model (p or q > s)"},
      {{20, 4, 0, 0, 0, 4, 0, 0, 0, 0, 0},
       36,
       "Inappropriate (p,q) values for seasonal model (p or q > s)"},
      // Rule 1 is reported before rule 3 when both fail.
      {{20, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0}, 31, "Invalid seasonal frequency (s < 1)"},
  };
  for (const Case& c : cases) {
    testing::MessageCapture capture;
    // The data array is too short as well: the option is reported first.
    EXPECT_EQ(StatusOf(Call(c.options, {1.96})), c.code);
    EXPECT_EQ(capture.messages(),
              (testing::Messages{{"Armax Error", c.message, platform::kStyleWarning}}));
  }
}

TEST(ArmaxExport, FrameStatusesWithoutBoxes) {
  testing::MessageCapture capture;
  EXPECT_EQ(StatusOf(Call({20, 1, 0, 0, 0, 0, 0, 0, 0, 0}, Data(20))), 3);
  EXPECT_EQ(StatusOf(Call({}, Data(20))), 3);
  EXPECT_EQ(StatusOf(Call({20, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Data(19))), 4);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(ArmaxExport, EngineStatusesReachTheHostAsTexts) {
  testing::MessageCapture capture;
  std::vector<double> zero = Data(20);
  zero[4] = 0.0;
  EXPECT_EQ(TextOf(Call({20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 1}, zero)),
            "Error in Armaxfe:\n-- requested transform could not be performed");
  std::vector<double> nan = Data(20);
  nan[3] = std::nan("");
  EXPECT_EQ(TextOf(Call({20, 1, 2, 1, 0, 0, 0, 0, 0, 0, 0}, nan)),
            "Error in Armaxfe:\n-- observations must be finite numbers");
  EXPECT_EQ(TextOf(Call({20, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0}, Data(20, INFINITY))),
            "Error in Armaxmain:\n-- critical value must be a finite number");
  EXPECT_EQ(TextOf(Call({8, 4, 0, 0, 3, 0, 0, 1, 0, 0, 0}, Data(8))),
            "Error in Armaxfe:\n-- differencing leaves fewer than 2 values");
  EXPECT_EQ(TextOf(Call({1200, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0}, Data(1200))),
            "Error in Armaxml:\n-- too much data for common storage");
  EXPECT_EQ(TextOf(Call({300, 1, 0, 101, 0, 0, 0, 0, 0, 0, 0}, Data(300))),
            "Error in Armaxmain:\n-- model orders out of range");
  // A constant series is fitted perfectly: its log-likelihood is infinite, which is no result.
  std::vector<double> constant(49, 100.0);
  constant[0] = 1.96;
  EXPECT_EQ(TextOf(Call({48, 12, 12, 0, 1, 1, 0, 1, 1, 0, 0}, constant)),
            "Failure in Armaxmain:\nModel could not be estimated");
}

TEST(ArmaxExport, StatusTextTable) {
  const std::pair<int, const char*> texts[] = {
      {0, "Unknown error in Armaxmain:\n-- no results returned"},
      {2, "Error in Armaxfe:\n-- requested transform could not be performed"},
      {11, "Error in Armaxml:\n-- too much data for common storage"},
      {12, "Error in Armaxml:\n-- failure in duminf"},
      {13, "Error in Armaxml:\n-- arma is zero order"},
      {14, "Error in Armaxml:\n-- misassigned constant flag"},
      {21, "Error in Armax_xtra:\n-- phitheta out-of-bounds"},
      {22, "Error in Armax_xtra:\n-- failure in drlse"},
      {24, "Error in Armax_xtra:\n-- regression forecasts not implemented"},
      {31, "Error in Armax_pack:\n-- insufficient array space for output"},
      {32, "Warning: Armax_pack:\n-- not all output returned"}};
  for (const auto& [status, text] : texts) EXPECT_STREQ(armax::StatusText(status), text);
  for (int other : {1, 9, 23, 30, 33, 99, -1})
    EXPECT_STREQ(armax::StatusText(other), "Failure in Armaxmain:\nModel could not be estimated");
}

TEST(ArmaxExport, ResultCountAndBoundsAreIndependentOfLowerBounds) {
  const std::vector<short> options = {40, 4, 3, 1, 1, 1, 0, 0, 0, 1, 0};
  const std::vector<double> data = Data(40);
  const std::vector<double> base = CellsOf(Call(options, data, 0));
  // n = 39, npar = 2, k = 1: 2n + 3h + npar + k + 3 cells.
  EXPECT_EQ(base.size(), static_cast<std::size_t>(2 * 39 + 9 + 2 + 1 + 3));
  EXPECT_EQ(CellsOf(Call(options, data, 1)), base);
  EXPECT_EQ(CellsOf(Call(options, data, -7)), base);
  // Elements after the observations and options after the eleventh change nothing.
  std::vector<short> longer = options;
  longer.push_back(99);
  std::vector<double> more = data;
  more.push_back(1e9);
  EXPECT_EQ(CellsOf(Call(longer, more)), base);
  // The constant flag 5 acts as 1.
  std::vector<short> five = options;
  five[9] = 5;
  EXPECT_EQ(CellsOf(Call(five, data)), base);
}

TEST(ArmaxExport, NoHorizonLeavesOutTheForecastBlocks) {
  const std::vector<double> cells = CellsOf(Call({30, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0}, Data(30)));
  EXPECT_EQ(cells.size(), static_cast<std::size_t>(2 * 29 + 1 + 3));
}

}  // namespace
}  // namespace vordex::host
