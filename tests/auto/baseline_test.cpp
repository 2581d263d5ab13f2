// The simple forecasts of the fallback ladder, against their closed forms on short series.
#include "auto/baseline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/tolerances.h"
#include "vordex/auto.hpp"
#include "vordex/names.hpp"

namespace vordex::automatic {
namespace {

using testing::kClosedForm;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double z95 = 1.9599639845400536;  // qnorm(0.975)

struct Case {
  const char* what;
  Baseline method;
  std::vector<double> y;
  int period;
  std::vector<double> mean;  // the first forecasts
  double sigma2;
  std::vector<double> factor;  // standard error / sigma at the same steps
};

TEST(FitBaseline, ForecastsAndLimitsFollowTheirClosedForms) {
  const Case cases[] = {
      {"constant", Baseline::kConstant, {4, 4, kNaN, 4}, 1, {4, 4}, 0.0, {1, 1}},
      {"mean",
       Baseline::kMean,
       {1, 2, 3},
       1,
       {2, 2},
       1.0,
       {std::sqrt(4.0 / 3), std::sqrt(4.0 / 3)}},
      // Changes 1 and 2 (the gap breaks the pair around it): sigma2 = (1 + 4) / 2.
      {"naive",
       Baseline::kNaive,
       {1, 2, 4, kNaN, 9},
       1,
       {9, 9, 9},
       2.5,
       {1, std::sqrt(2.0), std::sqrt(3.0)}},
      // Seasonal changes 3 - 1 and 5 - 2: sigma2 = (4 + 9) / 2; the seasons repeat.
      {"seasonal naive",
       Baseline::kSeasonalNaive,
       {1, 2, 3, 5},
       2,
       {3, 5, 3},
       6.5,
       {1, 1, std::sqrt(2.0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome<Forecast> out =
        FitBaseline(c.method, c.y, c.period, static_cast<int>(c.mean.size()), {95.0});
    ASSERT_TRUE(out.ok()) << out.text;
    const Forecast& f = out.value;
    EXPECT_EQ(f.mean, c.mean);
    EXPECT_NEAR(f.sigma2, c.sigma2, kClosedForm);
    for (std::size_t h = 0; h < c.mean.size(); ++h) {
      const double half = z95 * std::sqrt(c.sigma2) * c.factor[h];
      EXPECT_NEAR(f.limits[0].upper[h] - f.mean[h], half, kClosedForm) << h;
      EXPECT_NEAR(f.mean[h] - f.limits[0].lower[h], half, kClosedForm) << h;
    }
    // Fitted plus residual gives back every observed value.
    for (std::size_t t = 0; t < c.y.size(); ++t) {
      if (!std::isnan(f.fitted[t])) {
        EXPECT_NEAR(f.fitted[t] + f.residuals[t], c.y[t], kClosedForm);
      }
    }
  }
  EXPECT_FALSE(FitBaseline(Baseline::kNaive, std::vector<double>{1.0}, 1, 2, {95.0}).ok());
  EXPECT_FALSE(FitBaseline(Baseline::kMean, std::vector<double>{kNaN}, 1, 2, {95.0}).ok());
}

TEST(ChooseBaseline, TakesTheRungTheObservedValuesAllow) {
  EXPECT_EQ(ChooseBaseline(std::vector<double>{3, kNaN, 3}, 4), Baseline::kConstant);
  EXPECT_EQ(ChooseBaseline(std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}, 4),
            Baseline::kSeasonalNaive);
  EXPECT_EQ(ChooseBaseline(std::vector<double>{1, 2, 3, 4, 5, 6, 7}, 4), Baseline::kNaive);
  EXPECT_EQ(ChooseBaseline(std::vector<double>{1, kNaN, 2}, 1), Baseline::kMean);
}

TEST(AutomaticMethods, FallBackOnTooShortSeriesAndSaySo) {
  // Two values: too short for every member of the combination.
  const auto_forecast::Result two =
      auto_forecast::Fit(std::vector<double>{10.0, 12.0}, {.period = 1, .horizon = 3});
  EXPECT_EQ(two.status, Status::kFallback);
  EXPECT_EQ(two.fallback, "naive");
  EXPECT_EQ(two.mean, (std::vector<double>{12.0, 12.0, 12.0}));
  EXPECT_FALSE(two.smoothing || two.arima || two.theta);
  EXPECT_EQ(ModelName(two), "Naive");
  // A constant series gets its constant with limits of zero width.
  const auto_forecast::Result flat =
      auto_forecast::Fit(std::vector<double>(30, 7.0), {.period = 12, .horizon = 2});
  EXPECT_EQ(flat.fallback, "constant");
  EXPECT_EQ(flat.limits[0].lower, flat.limits[0].upper);
  const theta::Result t = theta::Fit(std::vector<double>{5.0, 6.0}, {.period = 1, .horizon = 1});
  EXPECT_EQ(t.status, Status::kFallback);
}

}  // namespace
}  // namespace vordex::automatic
