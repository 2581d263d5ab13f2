#include "armax/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using testing::kClosedForm;

TEST(Armaxfe, LogTransformRefusesZeroAndLeavesDataUntouched) {
  std::vector<double> x = {1.0, 0.0, 3.0};
  std::vector<double> W(3, -7.0);
  int n = -1;
  EXPECT_FALSE(Armaxfe(x.data(), W.data(), 3, Transform::kLog, 0, 0, 1, n));
  EXPECT_EQ(x, (std::vector<double>{1.0, 0.0, 3.0}));
  EXPECT_EQ(W, std::vector<double>(3, -7.0));
  EXPECT_EQ(n, -1);

  std::vector<double> negative = {4.0, -1.0};
  EXPECT_FALSE(Armaxfe(negative.data(), W.data(), 2, Transform::kLog, 0, 0, 1, n));
}

TEST(Armaxfe, SquareRootAcceptsZeroAndRefusesNegatives) {
  std::vector<double> x = {0.0, 4.0, 9.0};
  std::vector<double> W(3);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), 3, Transform::kSquareRoot, 0, 0, 1, n));
  EXPECT_EQ(x, (std::vector<double>{0.0, 2.0, 3.0}));
  EXPECT_EQ(W, x);
  EXPECT_EQ(n, 3);

  std::vector<double> bad = {1.0, -0.5};
  EXPECT_FALSE(Armaxfe(bad.data(), W.data(), 2, Transform::kSquareRoot, 0, 0, 1, n));
  EXPECT_EQ(bad[0], 1.0);
}

TEST(Armaxfe, LogTransformStaysInPlaceForTheForecasts) {
  std::vector<double> x = {1.0, std::exp(2.0), std::exp(-1.5)};
  std::vector<double> W(3);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), 3, Transform::kLog, 1, 0, 1, n));
  EXPECT_NEAR(x[1], 2.0, kClosedForm);
  EXPECT_NEAR(x[2], -1.5, kClosedForm);
  EXPECT_EQ(n, 2);
  EXPECT_NEAR(W[1], 2.0, kClosedForm);
  EXPECT_NEAR(W[2], -3.5, kClosedForm);
}

TEST(Armaxfe, NoTransformChangesNothing) {
  std::vector<double> x = {-2.0, 0.0, 5.0};
  std::vector<double> W(3);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), 3, Transform::kNone, 0, 0, 1, n));
  EXPECT_EQ(x, (std::vector<double>{-2.0, 0.0, 5.0}));
}

TEST(Armaxfe, SecondDifferencesOfAQuadraticAreConstant) {
  // x(t) = t^2: first differences 2t - 1, second differences 2.
  const int N = 8;
  std::vector<double> x(N);
  for (int t = 1; t <= N; ++t) x[t - 1] = t * t;
  std::vector<double> W(N);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), N, Transform::kNone, 1, 0, 1, n));
  for (int t = 2; t <= N; ++t) EXPECT_EQ(W[t - 1], 2.0 * t - 1.0);
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), N, Transform::kNone, 2, 0, 1, n));
  EXPECT_EQ(n, N - 2);
  for (int t = 3; t <= N; ++t) EXPECT_EQ(W[t - 1], 2.0);
}

TEST(Armaxfe, SeasonalAndRegularDifferencesMatchTheDirectFormula) {
  // (1 - B)(1 - B^12) x(t) = x(t) - x(t-1) - x(t-12) + x(t-13), for t = 14..60.
  const int N = 60;
  const int s = 12;
  std::vector<double> x(N);
  for (int t = 1; t <= N; ++t) x[t - 1] = std::sin(0.37 * t) * t + 0.01 * t * t * t;
  std::vector<double> W(N);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), N, Transform::kNone, 1, 1, s, n));
  ASSERT_EQ(n, 47);
  const auto X = [&](int t) { return x[t - 1]; };
  for (int t = N - n + 1; t <= N; ++t) {
    const double direct = X(t) - X(t - 1) - X(t - 12) + X(t - 13);
    EXPECT_NEAR(W[t - 1], direct, kClosedForm * 100.0 * std::abs(X(t))) << "t = " << t;
  }
}

TEST(Armaxfe, TwoSeasonalDifferences) {
  // (1 - B^4)^2 x(t) = x(t) - 2 x(t-4) + x(t-8).
  const int N = 20;
  std::vector<double> x(N);
  for (int t = 1; t <= N; ++t) x[t - 1] = (t * 7919) % 31;
  std::vector<double> W(N);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), N, Transform::kNone, 0, 2, 4, n));
  ASSERT_EQ(n, 12);
  for (int t = 9; t <= N; ++t) EXPECT_EQ(W[t - 1], x[t - 1] - 2.0 * x[t - 5] + x[t - 9]);
}

TEST(Armaxfe, DifferencingBeyondTheSeriesReportsTheShortLength) {
  // The caller refuses n < 2; the front end itself must stay inside the arrays.
  std::vector<double> x = {1.0, 4.0, 9.0};
  std::vector<double> W(3);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), 3, Transform::kNone, 5, 1, 2, n));
  EXPECT_EQ(n, 3 - 5 - 2);
}

}  // namespace
}  // namespace vordex::armax
