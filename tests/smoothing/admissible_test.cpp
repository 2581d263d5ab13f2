#include "smoothing/admissible.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/capture.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::kClosedForm;
using testing::kRecursion;
using testing::MessageCapture;

constexpr auto kA = ErrorForm::kAdditive;
constexpr auto kM = ErrorForm::kMultiplicative;

TEST(Pegelsadmissible, UsualRegionIsTheUnitBoxAndTheAdmissibleRegionTheDiscountMatrix) {
  const std::string negative = "At least one of the smoothing parameters is negative";
  const std::string above = "At least one of the smoothing parameters is greater than one";
  const std::string damping = "Damping parameter out of stable range";
  const std::string undamped = "Damping parameter must equal 1 if no damping";
  const struct {
    ErrorForm error;
    Trend trend;
    bool region;
    double alpha, beta, phi;
    int admissible;
    std::string title, text;  // of the box when refused
  } cases[] = {
      {kA, Trend::kNone, false, 0.0, 0.0, 1.0, 1, "", ""},
      {kA, Trend::kNone, false, 1.0000001, 0.0, 1.0, 0, "Pegels Input Error", above},
      {kA, Trend::kNone, false, 0.5, -0.1, 1.0, 0, "Pegels Input Error", negative},
      // Damping must exceed beta in the usual region ...
      {kA, Trend::kDamped, false, 0.5, 0.2, 0.2, 0, "Pegels Input Error", damping},
      {kA, Trend::kDamped, false, 0.5, 0.2, 0.21, 1, "", ""},
      {kA, Trend::kDamped, false, 0.5, 0.2, 1.0, 1, "", ""},
      // ... and only lie in (0.01, 1] in the admissible region.
      {kA, Trend::kDamped, true, 0.5, 0.2, 0.01, 0, "Pegels input error", damping},
      {kA, Trend::kDamped, true, 0.5, 0.2, 0.02, 1, "", ""},
      {kA, Trend::kAdditive, false, 0.5, 0.2, 0.999, 0, "Pegels Input Error", undamped},
      {kA, Trend::kAdditive, true, 0.5, 0.2, 0.999, 0, "Pegels Input Error", undamped},
      // alpha = 1.5 is invertible for simple smoothing, but multiplicative models use the box.
      {kA, Trend::kNone, true, 1.5, 0.0, 1.0, 1, "", ""},
      {kM, Trend::kNone, true, 1.5, 0.0, 1.0, 0, "Pegels Input Error", above},
  };
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(10, 1, 3, c.error, c.trend, Season::kNone);
    P.admissibleRegion = c.region;
    P.par[1] = c.alpha, P.par[2] = c.beta, P.par[4] = c.phi;
    MessageCapture capture;
    EXPECT_EQ(Pegelsadmissible(P, 1), c.admissible) << c.text;  // the silent form says nothing
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_EQ(Pegelsadmissible(P, 0), c.admissible) << c.text;
    if (c.admissible == 1) continue;
    EXPECT_EQ(capture.messages(), (testing::Messages{{c.title, c.text, 0x30u}}));
  }
}

TEST(Pegelsdiscount, SpectralRadiusOfTheDiscountMatrixInClosedForm) {
  // Simple smoothing: D = [1 - alpha]. Additive trend: D = [[-0.5, -0.5], [-0.75, 0.25]] at
  // alpha 1.5, beta 0.5, trace -0.25 and determinant -0.5, so the eigenvalues are
  // (-0.25 +- sqrt(0.0625 + 2)) / 2. Additive seasonality, s = 2: the characteristic polynomial
  // is z^3 - (1-a) z^2 - (1-g) z + (1-a)(1-g) - a g, z^3 - 1 at a = g = 1 and
  // (z - 0.5)(z^2 - 1) at a = 0.5, g = 0.
  const struct {
    Trend trend;
    Season season;
    int s;
    double alpha, beta, gamma, radius;
  } cases[] = {
      {Trend::kNone, Season::kNone, 1, 0.3, 0.0, 0.0, 0.7},
      {Trend::kNone, Season::kNone, 1, 2.0, 0.0, 0.0, 1.0},
      {Trend::kAdditive, Season::kNone, 1, 1.5, 0.5, 0.0, (0.25 + std::sqrt(2.0625)) / 2.0},
      {Trend::kNone, Season::kAdditive, 2, 1.0, 0.0, 1.0, 1.0},
      {Trend::kNone, Season::kAdditive, 2, 0.5, 0.0, 0.0, 1.0},
  };
  for (const auto& c : cases) {
    PegelsState& P = FreshPegels(10, c.s, 3, kA, c.trend, c.season);
    EXPECT_NEAR(Pegelsdiscount(P, c.alpha, c.beta, c.gamma, 1.0), c.radius, kRecursion);
  }
  // Simple smoothing is invertible up to alpha = 2.
  PegelsState& P = FreshPegels(10, 1, 3, kA, Trend::kNone, Season::kNone);
  P.par[1] = 2.0;
  EXPECT_EQ(Pegelsinvertible(P, P.par), 1);
  P.par[1] = 2.01;
  EXPECT_EQ(Pegelsinvertible(P, P.par), 0);
  EXPECT_NEAR(Pegelsdiscount(P, 0.3, 0.0, 0.0, 1.0), 0.7, kClosedForm);
}

TEST(Pegelsdiscount, MatrixTooLargeIsReportedOncePerRequest) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(60, 20, 3, kA, Trend::kNone, Season::kAdditive);
  // Order s + 1 = 21 is beyond the eigenvalue routine: the model counts as invertible.
  for (double alpha : {0.5, 0.6, 0.7}) EXPECT_EQ(Pegelsdiscount(P, alpha, 0.0, 0.5, 1.0), 0.0);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{{"Pegels Input Error", "Matrix too large", 0x30u}}));
  // A new request shows it again.
  P.tooLargeShown = 0;
  Pegelsdiscount(P, 0.5, 0.0, 0.5, 1.0);
  EXPECT_EQ(capture.size(), 2u);
}

TEST(Pegelsinvertible, MultiplicativeModelsCannotBeChecked) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, kM, Trend::kNone, Season::kNone);
  P.par[1] = 0.5;
  EXPECT_EQ(Pegelsinvertible(P, P.par), 0);
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{"Can't check invertibility of mutiplicative model"}));
}

}  // namespace
}  // namespace vordex::smoothing
