#include "smoothing/admissible.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/capture.h"
#include "support/pegels_state.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;
using testing::kClosedForm;
using testing::MessageCapture;

void SetParameters(PegelsState& P, double alpha, double beta, double gamma, double phi) {
  P.par[1] = alpha;
  P.par[2] = beta;
  P.par[3] = gamma;
  P.par[4] = phi;
}

TEST(Pegelsadmissible, UsualRegionIsTheUnitBox) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  SetParameters(P, 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsadmissible(P, 0), 1);
  SetParameters(P, 1.0000001, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  SetParameters(P, 0.5, -0.1, 0.0, 1.0);
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].title, "Pegels Input Error");
  EXPECT_EQ(capture.messages()[0].text,
            "At least one of the smoothing parameters is greater than one");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);
  EXPECT_EQ(capture.messages()[1].text, "At least one of the smoothing parameters is negative");
  // The silent form says nothing.
  EXPECT_EQ(Pegelsadmissible(P, 1), 0);
  EXPECT_EQ(capture.size(), 2u);
}

TEST(Pegelsadmissible, DampingMustExceedBetaInTheUsualRegion) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kDamped, Season::kNone);
  SetParameters(P, 0.5, 0.2, 0.0, 0.2);
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Damping parameter out of stable range");
  SetParameters(P, 0.5, 0.2, 0.0, 0.21);
  EXPECT_EQ(Pegelsadmissible(P, 0), 1);
  SetParameters(P, 0.5, 0.2, 0.0, 1.0);
  EXPECT_EQ(Pegelsadmissible(P, 0), 1);
}

TEST(Pegelsadmissible, AdmissibleRegionDampingRange) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kDamped, Season::kNone);
  P.admissibleRegion = true;
  SetParameters(P, 0.5, 0.2, 0.0, 0.01);
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Pegels input error");
  // phi may lie below beta here.
  SetParameters(P, 0.5, 0.2, 0.0, 0.02);
  EXPECT_EQ(Pegelsadmissible(P, 0), 1);
}

TEST(Pegelsadmissible, UndampedModelsNeedPhiOneInBothRegions) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kAdditive, Season::kNone);
  SetParameters(P, 0.5, 0.2, 0.0, 0.999);
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  P.admissibleRegion = true;
  EXPECT_EQ(Pegelsadmissible(P, 0), 0);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].text, "Damping parameter must equal 1 if no damping");
  EXPECT_EQ(capture.messages()[1].text, "Damping parameter must equal 1 if no damping");
}

TEST(Pegelsadmissible, MultiplicativeModelsUseTheUsualRegion) {
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kMultiplicative, Trend::kNone, Season::kNone);
  P.admissibleRegion = true;
  // alpha = 1.5 is invertible for simple smoothing but outside the unit box.
  SetParameters(P, 1.5, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsadmissible(P, 1), 0);
  P.modelType = ErrorForm::kAdditive;
  EXPECT_EQ(Pegelsadmissible(P, 1), 1);
}

TEST(Pegelsdiscount, SimpleSmoothingIsInvertibleUpToAlphaTwo) {
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kNone, Season::kNone);
  // D = [1 - alpha].
  EXPECT_NEAR(Pegelsdiscount(P, 0.3, 0.0, 0.0, 1.0), 0.7, kClosedForm);
  EXPECT_NEAR(Pegelsdiscount(P, 2.0, 0.0, 0.0, 1.0), 1.0, kClosedForm);
  SetParameters(P, 2.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsinvertible(P, P.par), 1);
  SetParameters(P, 2.01, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsinvertible(P, P.par), 0);
}

TEST(Pegelsdiscount, TrendMatrixEigenvaluesFromTheQuadratic) {
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kAdditive, Trend::kAdditive, Season::kNone);
  // D = [[-0.5, -0.5], [-0.75, 0.25]]: trace -0.25, determinant -0.5, so the eigenvalues are
  // (-0.25 +- sqrt(0.0625 + 2)) / 2 and the larger modulus belongs to the negative one.
  const double radius = (0.25 + std::sqrt(0.0625 + 2.0)) / 2.0;
  EXPECT_NEAR(Pegelsdiscount(P, 1.5, 0.5, 0.0, 1.0), radius, kClosedForm);
  EXPECT_LT(radius, 1.0);
}

TEST(Pegelsdiscount, SeasonalMatrixMatchesItsCharacteristicPolynomial) {
  // No trend, additive seasonality, s = 2: D = [[1-a, 0, -a], [-g, 0, 1-g], [0, 1, 0]], whose
  // characteristic polynomial is z^3 - (1-a) z^2 - (1-g) z + (1-a)(1-g) - a g. With a = 1 and
  // g = 1 it is z^3 - 1: all three eigenvalues on the unit circle.
  PegelsState& P = FreshPegels(10, 2, 3, ErrorForm::kAdditive, Trend::kNone, Season::kAdditive);
  EXPECT_NEAR(Pegelsdiscount(P, 1.0, 0.0, 1.0, 1.0), 1.0, testing::kRecursion);
  // With a = 0, g = 0: (z - 1)(z^2 - 1), radius 1; with a = 0.5, g = 0: (z - 0.5)(z^2 - 1).
  EXPECT_NEAR(Pegelsdiscount(P, 0.5, 0.0, 0.0, 1.0), 1.0, testing::kRecursion);
}

TEST(Pegelsdiscount, MatrixTooLargeIsReportedOncePerRequest) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(60, 20, 3, ErrorForm::kAdditive, Trend::kNone, Season::kAdditive);
  // Order s + 1 = 21 is beyond the eigenvalue routine: the model counts as invertible.
  EXPECT_EQ(Pegelsdiscount(P, 0.5, 0.0, 0.5, 1.0), 0.0);
  EXPECT_EQ(Pegelsdiscount(P, 0.6, 0.0, 0.5, 1.0), 0.0);
  EXPECT_EQ(Pegelsdiscount(P, 0.7, 0.0, 0.5, 1.0), 0.0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Matrix too large");
  EXPECT_EQ(capture.messages()[0].title, "Pegels Input Error");
  // A new request shows it again.
  P.tooLargeShown = 0;
  Pegelsdiscount(P, 0.5, 0.0, 0.5, 1.0);
  EXPECT_EQ(capture.size(), 2u);
}

TEST(Pegelsinvertible, MultiplicativeModelsCannotBeChecked) {
  MessageCapture capture;
  PegelsState& P = FreshPegels(10, 1, 3, ErrorForm::kMultiplicative, Trend::kNone, Season::kNone);
  SetParameters(P, 0.5, 0.0, 0.0, 1.0);
  EXPECT_EQ(Pegelsinvertible(P, P.par), 0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Can't check invertibility of mutiplicative model");
}

}  // namespace
}  // namespace vordex::smoothing
