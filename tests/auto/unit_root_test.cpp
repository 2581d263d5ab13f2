#include "auto/unit_root.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::automatic {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerPrinted;

TEST(Kpss, AlternatingSeriesByHand) {
  // e = y (mean 0), partial sums 1, 0, 1, 0: eta = 2 / 16. Lag 0: s2 = 4 / 4. Lag 1: the lag-1
  // products sum to -3 with Bartlett weight 1/2, s2 = (4 - 3) / 4.
  const std::vector<double> y = {1.0, -1.0, 1.0, -1.0};
  const Outcome<KpssResult> lag0 = Kpss(y, 0);
  ASSERT_TRUE(lag0.ok());
  EXPECT_NEAR(lag0.value.statistic, 0.125, kClosedForm);
  EXPECT_EQ(lag0.value.lags, 0);
  const Outcome<KpssResult> lag1 = Kpss(y, 1);
  EXPECT_NEAR(lag1.value.statistic, 0.5, kClosedForm);
  EXPECT_NEAR(lag1.value.p_value, 0.05 - 0.025 * (0.5 - 0.463) / (0.574 - 0.463), kClosedForm);
}

TEST(Kpss, PValueInterpolatesTheCriticalValuesAndHoldsTheEnds) {
  EXPECT_EQ(KpssLevelPValue(0.0), 0.10);
  EXPECT_NEAR(KpssLevelPValue(0.347), 0.10, kClosedForm);
  EXPECT_NEAR(KpssLevelPValue(0.463), 0.05, kClosedForm);
  EXPECT_NEAR(KpssLevelPValue((0.574 + 0.739) / 2.0), (0.025 + 0.01) / 2.0, kClosedForm);
  EXPECT_EQ(KpssLevelPValue(5.0), 0.01);
}

// R 4.2.2, urca 1.3-3 and forecast 8.20:
//   ur.kpss(c(x), type = "mu", use.lag = trunc(3 * sqrt(length(x)) / 13))@teststat
//   ndiffs(x)
// for x = AirPassengers, lynx, Nile, UKgas, USAccDeaths.
struct PeerCase {
  std::string dataset;
  double statistic;
  int differences;
};

TEST(Kpss, AgreesWithUrcaAndNdiffsOnTheSampleSeries) {
  const std::vector<PeerCase> cases = {{"airline", 4.3422867971, 1},
                                       {"lynx", 0.0694650821, 0},
                                       {"nile", 1.3152264632, 1},
                                       {"ukgas", 3.3081959673, 1},
                                       {"usaccdeaths", 0.2912338042, 0}};
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(c.dataset);
    const std::vector<double> y = testing::LoadDataset(c.dataset);
    const Outcome<KpssResult> test = Kpss(y);
    ASSERT_TRUE(test.ok());
    EXPECT_NEAR(test.value.statistic, c.statistic, kPeerPrinted * c.statistic);
    EXPECT_EQ(NumberOfDifferences(y).value, c.differences);
  }
}

TEST(NumberOfDifferences, StopsAtAConstantSeriesAndAtTheLimit) {
  std::vector<double> quadratic;
  for (int t = 1; t <= 40; ++t) quadratic.push_back(t * t);
  EXPECT_EQ(NumberOfDifferences(quadratic).value, 2);  // the second differences are constant
  EXPECT_EQ(NumberOfDifferences(quadratic, {.alpha = 0.05, .max_d = 1}).value, 1);
  EXPECT_EQ(NumberOfDifferences(std::vector<double>(10, 3.0)).value, 0);
  EXPECT_EQ(NumberOfDifferences(std::vector<double>{7.0}).value, 0);
}

TEST(UnitRoot, RefusesSeriesItCannotTest) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Kpss(std::vector<double>{}).text, "KPSS test: the series is empty");
  EXPECT_EQ(Kpss(std::vector<double>{1.0, nan, 2.0}).text, "KPSS test: a value is not finite");
  EXPECT_EQ(Kpss(std::vector<double>(5, 2.0)).text, "KPSS test: the series is constant");
  EXPECT_FALSE(NumberOfDifferences(std::vector<double>{}).ok());
  EXPECT_FALSE(NumberOfDifferences(std::vector<double>{1.0, nan}).ok());
  EXPECT_FALSE(
      NumberOfDifferences(std::vector<double>{1.0, 2.0}, {.alpha = 0.05, .max_d = -1}).ok());
}

TEST(IsConstant, ToleratesRoundingOnlyAsRDoes) {
  EXPECT_TRUE(IsConstant(std::vector<double>{}));
  EXPECT_TRUE(IsConstant(std::vector<double>{0.0, 0.0}));
  EXPECT_TRUE(IsConstant(std::vector<double>{1.0, 1.0 + 1e-12, 1.0}));
  EXPECT_FALSE(IsConstant(std::vector<double>{1.0, 1.0 + 1e-6, 1.0}));
  EXPECT_FALSE(IsConstant(std::vector<double>{0.0, 1e-300}));
}

}  // namespace
}  // namespace vordex::automatic
