#include "decompose/interpolate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::decompose {
namespace {

using vordex::testing::kClosedForm;

// The same regression, robust STL and interpolation as R's; the regression is solved by another
// route (normal equations in an orthogonal-like basis instead of R's QR of poly()), which moves
// the filled values by about 1e-9 at most.
constexpr double kSameMethod = 1e-6;

// R 4.2.2, forecast 8.20, printed with %.10f at the gaps:
//   g <- AirPassengers; g[c(5, 6, 50, 51, 52, 100, 143)] <- NA
//   seasonal: na.interp(g);  log: na.interp(g, lambda = 0);  linear: na.interp(ts(as.numeric(g)))
//   tg <- taylor; tg[c(100:130, 2000:2100, 4000)] <- NA; na.interp(tg)[c(100, 115, 130, 2000,
//   2050, 2100, 4000)] (periods 48 and 336)
TEST(InterpolateMissing, AgreesWithRsNaInterp) {
  struct Case {
    std::string name;
    std::vector<double> periods;
    std::optional<double> lambda;
    std::vector<int> checked;
    std::vector<double> expected;
  };
  const std::vector<int> air_gaps = {5, 6, 50, 51, 52, 100, 143};
  const std::vector<Case> cases = {
      {"seasonal",
       {12},
       std::nullopt,
       air_gaps,
       {109.0566225058, 120.1425043343, 191.5651637212, 226.0927006407, 221.1813496352,
        347.0874181081, 413.7124484789}},
      {"log",
       {12},
       0.0,
       air_gaps,
       {125.7231411542, 138.5433768247, 196.3668301872, 226.1747933841, 223.2560291552,
        347.2556934487, 396.9682338518}},
      {"linear",
       {},
       std::nullopt,
       air_gaps,
       {135.3333333333, 141.6666666667, 204.25, 212.5, 220.75, 355.5, 446.5}},
      {"taylor",
       {48, 336},
       std::nullopt,
       {100, 115, 130, 2000, 2050, 2100, 4000},
       {25058.4963423165, 36757.0944294888, 37075.5767320883, 27132.1379548761, 36829.3629301265,
        35714.2913961852, 22044.0397513959}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> y;
    if (c.name == "taylor") {
      y = testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor.csv")[0];
      for (int t = 100; t <= 130; ++t) y[t - 1] = std::nan("");
      for (int t = 2000; t <= 2100; ++t) y[t - 1] = std::nan("");
      y[3999] = std::nan("");
    } else {
      y = testing::Airline();
      for (int t : air_gaps) y[t - 1] = std::nan("");
    }
    const Outcome<std::vector<double>> filled = InterpolateMissing(y, c.periods, c.lambda);
    ASSERT_TRUE(filled.ok());
    for (std::size_t k = 0; k < c.checked.size(); ++k)
      EXPECT_NEAR(filled.value[c.checked[k] - 1], c.expected[k], kSameMethod);
    for (std::size_t t = 0; t < y.size(); ++t) {
      if (!std::isnan(y[t])) {
        EXPECT_EQ(filled.value[t], y[t]);
      }
    }
  }
}

// Leading and trailing gaps take the nearest observed value (R's approx with rule = 2), inner
// gaps lie on the line between their neighbours; a complete series comes back unchanged.
TEST(InterpolateMissing, LinearFillByConstruction) {
  const double nan = std::nan("");
  const std::vector<double> y = {nan, 2.0, nan, nan, 8.0, nan};
  const std::vector<double> filled = InterpolateMissing(y, std::vector<double>{}).value;
  const std::vector<double> expected = {2.0, 2.0, 4.0, 6.0, 8.0, 8.0};
  for (std::size_t t = 0; t < y.size(); ++t) EXPECT_NEAR(filled[t], expected[t], kClosedForm);
  const std::vector<double> complete = testing::Airline();
  EXPECT_EQ(InterpolateMissing(complete, std::vector<double>{12.0}).value, complete);
  EXPECT_FALSE(InterpolateMissing(std::vector<double>{nan, nan}, std::vector<double>{}).ok());
  EXPECT_FALSE(InterpolateMissing(y, std::vector<double>{INFINITY}).ok());
}

}  // namespace
}  // namespace vordex::decompose
