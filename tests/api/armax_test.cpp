// The typed ARMAX interface gives the numbers of the export, in named fields.
#include "vordex/armax.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "api/request.h"
#include "support/datasets.h"
#include "vordex/vordex.h"

namespace vordex::armax {
namespace {

using vordex::testing::Airline;

TEST(ArmaxApi, NamedFieldsHoldTheExportCellsInOrder) {
  const std::vector<double> x = Airline();
  Settings settings;
  settings.s = 12;
  settings.h = 12;
  settings.p = 1;
  settings.d = 1;
  settings.q = 0;
  settings.D = 1;
  settings.Q = 1;
  settings.constant = true;
  settings.transform = Transform::kLog;
  settings.critical_value = 1.645;
  const Result r = Fit(x, settings);

  const short options[] = {144, 12, 12, 1, 1, 0, 0, 1, 1, 1, 1};
  std::vector<double> data = {1.645};
  data.insert(data.end(), x.begin(), x.end());
  const std::vector<double> cells = api::RunExport(&Armaxdll, options, data);

  std::vector<double> joined;
  for (const auto* block : {&r.series, &r.residuals, &r.forecasts, &r.lower, &r.upper, &r.ar, &r.ma,
                            &r.seasonal_ar, &r.seasonal_ma})
    joined.insert(joined.end(), block->begin(), block->end());
  ASSERT_TRUE(r.constant.has_value());
  joined.push_back(*r.constant);
  joined.push_back(r.sum_of_squares);
  joined.push_back(r.log_likelihood);
  joined.push_back(r.sigma2);
  EXPECT_EQ(joined, cells);  // bit for bit: the same code path
  EXPECT_EQ(r.series.size(), 131u);
  EXPECT_EQ(r.ar.size(), 1u);
  EXPECT_EQ(r.seasonal_ma.size(), 1u);
  EXPECT_TRUE(r.ma.empty());
  EXPECT_TRUE(r.warnings.empty());
}

TEST(ArmaxApi, FailuresThrowWithTheHostTextAndMessages) {
  Settings settings;
  settings.s = 4;
  settings.p = 4;
  try {
    Fit(std::vector<double>(20, 1.0), settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), 36);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Armax Error");
  }

  settings = Settings{};
  settings.h = 2;
  settings.transform = Transform::kLog;
  std::vector<double> x(20, 2.0);
  x[3] = -1.0;
  try {
    Fit(x, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.host_text(), "Error in Armaxfe:\n-- requested transform could not be performed");
  }
}

TEST(ArmaxApi, SeasonalOrdersAreDroppedWithoutSeasonality) {
  Settings settings;
  settings.s = 1;
  settings.p = 1;
  settings.P = 1;
  settings.Q = 1;
  std::vector<double> x(50);
  for (int t = 0; t < 50; ++t) x[t] = std::sin(0.8 * t) + 0.2 * std::cos(2.3 * t);
  const Result r = Fit(x, settings);
  EXPECT_EQ(r.ar.size(), 1u);
  EXPECT_TRUE(r.seasonal_ar.empty());
  EXPECT_TRUE(r.seasonal_ma.empty());
  EXPECT_FALSE(r.constant.has_value());
}

}  // namespace
}  // namespace vordex::armax
