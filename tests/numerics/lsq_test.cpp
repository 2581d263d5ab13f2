#include "numerics/lsq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/vectors.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kRecursion;
using Rows = std::vector<std::vector<double>>;

// A 1-based copy of rows (n by k).
Matrix FromRows(const Rows& rows) {
  const int n = static_cast<int>(rows.size()), k = static_cast<int>(rows[0].size());
  auto a = matrix(1, n, 1, k);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= k; ++j) a[i][j] = rows[i - 1][j - 1];
  return a;
}

TEST(MatInverse, KnownInversesOfOrderOneToThree) {
  const struct {
    Rows a, inverse;
  } cases[] = {
      {{{4.0}}, {{0.25}}},
      {{{1, 0}, {0, 1}}, {{1, 0}, {0, 1}}},
      {{{2, 1}, {1, 2}}, {{2.0 / 3, -1.0 / 3}, {-1.0 / 3, 2.0 / 3}}},
      // The second-difference matrix.
      {{{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}},
       {{0.75, 0.5, 0.25}, {0.5, 1.0, 0.5}, {0.25, 0.5, 0.75}}},
      // A zero leading pivot that only a row exchange gets past.
      {{{0, 1, 0}, {1, 0, 0}, {0, 0, 2}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 0.5}}},
  };
  for (const auto& c : cases) {
    const int n = static_cast<int>(c.a.size());
    auto a = FromRows(c.a);
    ASSERT_EQ(MatInverse(a.get(), n), 1);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) EXPECT_NEAR(a[i][j], c.inverse[i - 1][j - 1], kClosedForm);
  }
}

TEST(MatInverse, FiveByFiveTimesOriginalIsIdentity) {
  const Rows rows = {
      {6, 2, 1, 0, 1}, {2, 5, 2, 1, 0}, {1, 2, 7, 2, 1}, {0, 1, 2, 4, 1}, {1, 0, 1, 1, 3}};
  auto a = FromRows(rows);
  ASSERT_EQ(MatInverse(a.get(), 5), 1);
  for (int i = 1; i <= 5; ++i) {
    for (int j = 1; j <= 5; ++j) {
      double s = 0.0;
      for (int k = 1; k <= 5; ++k) s += rows[i - 1][k - 1] * a[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, kRecursion);
    }
  }
}

TEST(MatInverse, SingularMatricesFail) {
  testing::MessageCapture capture;
  // Up to 2 x 2 (determinants -1, 0 and 0) refused silently.
  for (const Rows& rows : {Rows{{0, 1}, {1, 0}}, Rows{{1, 2}, {2, 4}}, Rows{{0.0}}}) {
    auto a = FromRows(rows);
    EXPECT_EQ(MatInverse(a.get(), static_cast<int>(rows.size())), 0);
  }
  EXPECT_EQ(capture.size(), 0u);
  // 3 x 3 with a zero row: the decomposition's box, then the inversion's.
  auto z = FromRows({{1, 2, 3}, {0, 0, 0}, {4, 5, 7}});
  EXPECT_EQ(MatInverse(z.get(), 3), 0);
  EXPECT_EQ(capture.messages(),
            (testing::Messages{
                {"Error in OLSQ function Ludcmp", "Matrix is Singular!", platform::kStyleWarning},
                {"Error in OLSQ function MatInverse", "Vector allocation failure!",
                 platform::kStyleWarning}}));
}

TEST(Ludcmp, SolvesSystemsAndGivesTheDeterminantSign) {
  // b = A x for x = (1, -2, 3); the permutation-like A has determinant -2 (one exchange).
  auto a = FromRows({{0, 1, 0}, {1, 0, 0}, {0, 0, 2}});
  auto indx = ivector(1, 3);
  double d = 0.0;
  ASSERT_EQ(Ludcmp(a.get(), 3, indx.get(), &d), 1);
  EXPECT_NEAR(d * a[1][1] * a[2][2] * a[3][3], -2.0, kClosedForm);
  auto b = vector(1, 3);
  b[1] = -2.0, b[2] = 1.0, b[3] = 6.0;
  Lubksb(a.get(), 3, indx.get(), b.get());
  const double x[] = {0.0, 1.0, -2.0, 3.0};
  for (int i = 1; i <= 3; ++i) EXPECT_NEAR(b[i], x[i], kClosedForm);
}

TEST(Ludcmp, RowsBelowTheAbsoluteThresholdAreSingular) {
  testing::MessageCapture capture;
  auto indx = ivector(1, 3);
  double d = 1.0;
  auto a = FromRows({{5e-11, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  EXPECT_EQ(Ludcmp(a.get(), 3, indx.get(), &d), 0);
  EXPECT_EQ(d, 0.0);
  auto nan = FromRows({{1, 0, 0}, {0, std::nan(""), 0}, {0, 0, 1}});
  EXPECT_EQ(Ludcmp(nan.get(), 3, indx.get(), &d), 0);
  EXPECT_EQ(capture.texts(), (std::vector<std::string>(2, "Matrix is Singular!")));
}

TEST(OLSQ, ExactCoefficientsOfConstructedRegressions) {
  // y = 1 - 2t + 0.5t^2 plus the cubic orthogonal polynomial (-1, 2, 0, -2, 1) on t = 1..5, which
  // is orthogonal to 1, t and t^2: the coefficients are exactly (1, -2, 0.5).
  std::vector<double> quadratic;
  const double e[] = {-1, 2, 0, -2, 1};
  for (int t = 1; t <= 5; ++t) quadratic.push_back(1.0 - 2.0 * t + 0.5 * t * t + e[t - 1]);
  const struct {
    Rows X;
    std::vector<double> y, beta;
  } cases[] = {
      {{{1}, {1}, {1}}, {2, 7, 3}, {4.0}},  // a column of ones gives the mean
      // X'X = [3 3; 3 5], X'y = (5, 6): beta = [5 -3; -3 3] (5, 6) / 6.
      {{{1, 0}, {1, 1}, {1, 2}}, {1, 2, 2}, {7.0 / 6.0, 0.5}},
      {{{1, 1, 1}, {1, 2, 4}, {1, 3, 9}, {1, 4, 16}, {1, 5, 25}}, quadratic, {1.0, -2.0, 0.5}},
  };
  for (const auto& c : cases) {
    const int n = static_cast<int>(c.y.size()), k = static_cast<int>(c.beta.size());
    auto X = FromRows(c.X);
    auto y = vector(1, n);
    for (int t = 1; t <= n; ++t) y[t] = c.y[t - 1];
    auto beta = vector(1, k);
    ASSERT_EQ(OLSQ(y.get(), X.get(), n, k, beta.get()), 1);
    for (int j = 1; j <= k; ++j) EXPECT_NEAR(beta[j], c.beta[j - 1], kRecursion);
  }
}

TEST(OLSQ, CollinearColumnsFail) {
  testing::MessageCapture capture;
  auto y = vector(1, 4);
  for (int t = 1; t <= 4; ++t) y[t] = t;
  auto beta = vector(1, 3);
  // A zero column makes X'X singular (the boxes of the 3 x 3 inversion); two identical columns
  // give a 2 x 2 determinant 0, refused silently.
  auto zero = FromRows({{1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {1, 4, 0}});
  EXPECT_EQ(OLSQ(y.get(), zero.get(), 4, 3, beta.get()), 0);
  EXPECT_EQ(capture.size(), 2u);
  auto same = FromRows({{1, 1}, {1, 1}, {1, 1}, {1, 1}});
  EXPECT_EQ(OLSQ(y.get(), same.get(), 4, 2, beta.get()), 0);
  EXPECT_EQ(capture.size(), 2u);
}

}  // namespace
}  // namespace vordex::numerics
