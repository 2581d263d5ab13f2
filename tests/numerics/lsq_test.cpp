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

Matrix Square(const std::vector<std::vector<double>>& rows) {
  const int n = static_cast<int>(rows.size());
  auto a = matrix(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a[i][j] = rows[i - 1][j - 1];
  return a;
}

void ExpectMatrixNear(const Matrix& a, const std::vector<std::vector<double>>& expected,
                      double tol) {
  const int n = static_cast<int>(expected.size());
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      EXPECT_NEAR(a[i][j], expected[i - 1][j - 1], tol) << "element " << i << "," << j;
}

TEST(MatInverse, SmallCasesInClosedForm) {
  auto one = Square({{4.0}});
  EXPECT_EQ(MatInverse(one.get(), 1), 1);
  EXPECT_EQ(one[1][1], 0.25);

  auto identity = Square({{1, 0}, {0, 1}});
  EXPECT_EQ(MatInverse(identity.get(), 2), 1);
  ExpectMatrixNear(identity, {{1, 0}, {0, 1}}, 0.0);

  auto a = Square({{2, 1}, {1, 2}});
  EXPECT_EQ(MatInverse(a.get(), 2), 1);
  ExpectMatrixNear(a, {{2.0 / 3, -1.0 / 3}, {-1.0 / 3, 2.0 / 3}}, kClosedForm);
}

TEST(MatInverse, ThreeByThreeAgainstKnownInverses) {
  // The second-difference matrix: its inverse is [[3, 2, 1], [2, 4, 2], [1, 2, 3]] / 4.
  auto a = Square({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}});
  EXPECT_EQ(MatInverse(a.get(), 3), 1);
  ExpectMatrixNear(a, {{0.75, 0.5, 0.25}, {0.5, 1.0, 0.5}, {0.25, 0.5, 0.75}}, kClosedForm);

  // A zero leading pivot that only a row exchange gets past.
  auto p = Square({{0, 1, 0}, {1, 0, 0}, {0, 0, 2}});
  EXPECT_EQ(MatInverse(p.get(), 3), 1);
  ExpectMatrixNear(p, {{0, 1, 0}, {1, 0, 0}, {0, 0, 0.5}}, kClosedForm);
}

TEST(MatInverse, FiveByFiveTimesOriginalIsIdentity) {
  const std::vector<std::vector<double>> rows = {
      {6, 2, 1, 0, 1}, {2, 5, 2, 1, 0}, {1, 2, 7, 2, 1}, {0, 1, 2, 4, 1}, {1, 0, 1, 1, 3}};
  auto a = Square(rows);
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
  // 2 x 2 with determinant -1 (and 0): refused silently.
  auto swap = Square({{0, 1}, {1, 0}});
  EXPECT_EQ(MatInverse(swap.get(), 2), 0);
  auto flat = Square({{1, 2}, {2, 4}});
  EXPECT_EQ(MatInverse(flat.get(), 2), 0);
  auto zero = Square({{0.0}});
  EXPECT_EQ(MatInverse(zero.get(), 1), 0);
  EXPECT_EQ(capture.size(), 0u);

  // 3 x 3 with a zero row: the decomposition's box, then the inversion's.
  auto z = Square({{1, 2, 3}, {0, 0, 0}, {4, 5, 7}});
  EXPECT_EQ(MatInverse(z.get(), 3), 0);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture.messages()[0].title, "Error in OLSQ function Ludcmp");
  EXPECT_EQ(capture.messages()[0].text, "Matrix is Singular!");
  EXPECT_EQ(capture.messages()[1].title, "Error in OLSQ function MatInverse");
  EXPECT_EQ(capture.messages()[1].text, "Vector allocation failure!");
  EXPECT_EQ(capture.messages()[1].style, platform::kStyleWarning);
}

TEST(Ludcmp, SolvesSystemsAndGivesTheDeterminantSign) {
  // b = A x for x = (1, -2, 3); the permutation-like A has determinant -2 (one exchange).
  auto a = Square({{0, 1, 0}, {1, 0, 0}, {0, 0, 2}});
  auto indx = ivector(1, 3);
  double d = 0.0;
  ASSERT_EQ(Ludcmp(a.get(), 3, indx.get(), &d), 1);
  EXPECT_NEAR(d * a[1][1] * a[2][2] * a[3][3], -2.0, kClosedForm);
  auto b = vector(1, 3);
  b[1] = -2.0;
  b[2] = 1.0;
  b[3] = 6.0;
  Lubksb(a.get(), 3, indx.get(), b.get());
  EXPECT_NEAR(b[1], 1.0, kClosedForm);
  EXPECT_NEAR(b[2], -2.0, kClosedForm);
  EXPECT_NEAR(b[3], 3.0, kClosedForm);
}

TEST(Ludcmp, RowsBelowTheAbsoluteThresholdAreSingular) {
  auto a = Square({{5e-11, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  auto indx = ivector(1, 3);
  double d = 1.0;
  testing::MessageCapture capture;
  EXPECT_EQ(Ludcmp(a.get(), 3, indx.get(), &d), 0);
  EXPECT_EQ(d, 0.0);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Matrix is Singular!");

  auto nan = Square({{1, 0, 0}, {0, std::nan(""), 0}, {0, 0, 1}});
  EXPECT_EQ(Ludcmp(nan.get(), 3, indx.get(), &d), 0);
}

TEST(OLSQ, ColumnOfOnesGivesTheMean) {
  auto X = matrix(1, 3, 1, 1);
  auto y = vector(1, 3);
  const double v[] = {2.0, 7.0, 3.0};
  for (int t = 1; t <= 3; ++t) {
    X[t][1] = 1.0;
    y[t] = v[t - 1];
  }
  auto beta = vector(1, 1);
  ASSERT_EQ(OLSQ(y.get(), X.get(), 3, 1, beta.get()), 1);
  EXPECT_NEAR(beta[1], 4.0, kClosedForm);
}

// X = [1 0; 1 1; 1 2], y = (1, 2, 2): X'X = [3 3; 3 5], X'y = (5, 6), so
// beta = [5 -3; -3 3] (5, 6) / 6 = (7/6, 1/2).
TEST(OLSQ, StraightLineByHand) {
  auto X = matrix(1, 3, 1, 2);
  auto y = vector(1, 3);
  const double v[] = {1.0, 2.0, 2.0};
  for (int t = 1; t <= 3; ++t) {
    X[t][1] = 1.0;
    X[t][2] = t - 1.0;
    y[t] = v[t - 1];
  }
  auto beta = vector(1, 2);
  ASSERT_EQ(OLSQ(y.get(), X.get(), 3, 2, beta.get()), 1);
  EXPECT_NEAR(beta[1], 7.0 / 6.0, kClosedForm);
  EXPECT_NEAR(beta[2], 0.5, kClosedForm);
}

// y = 1 - 2t + 0.5t^2 plus the cubic orthogonal polynomial (-1, 2, 0, -2, 1) on t = 1..5, which is
// orthogonal to 1, t and t^2: the least-squares coefficients are exactly (1, -2, 0.5).
TEST(OLSQ, QuadraticWithOrthogonalResidualByConstruction) {
  const double e[] = {-1, 2, 0, -2, 1};
  auto X = matrix(1, 5, 1, 3);
  auto y = vector(1, 5);
  for (int t = 1; t <= 5; ++t) {
    X[t][1] = 1.0;
    X[t][2] = t;
    X[t][3] = t * t;
    y[t] = 1.0 - 2.0 * t + 0.5 * t * t + e[t - 1];
  }
  auto beta = vector(1, 3);
  ASSERT_EQ(OLSQ(y.get(), X.get(), 5, 3, beta.get()), 1);
  EXPECT_NEAR(beta[1], 1.0, kRecursion);
  EXPECT_NEAR(beta[2], -2.0, kRecursion);
  EXPECT_NEAR(beta[3], 0.5, kRecursion);
}

TEST(OLSQ, CollinearColumnsFail) {
  auto X = matrix(1, 4, 1, 3);
  auto y = vector(1, 4);
  for (int t = 1; t <= 4; ++t) {
    X[t][1] = 1.0;
    X[t][2] = t;
    X[t][3] = 0.0;  // X'X has a zero row
    y[t] = t;
  }
  auto beta = vector(1, 3);
  testing::MessageCapture capture;
  EXPECT_EQ(OLSQ(y.get(), X.get(), 4, 3, beta.get()), 0);
  EXPECT_EQ(capture.size(), 2u);
  capture.clear();
  // Two identical columns: 2 x 2 determinant 0, refused silently.
  for (int t = 1; t <= 4; ++t) X[t][2] = 1.0;
  EXPECT_EQ(OLSQ(y.get(), X.get(), 4, 2, beta.get()), 0);
  EXPECT_EQ(capture.size(), 0u);
}

}  // namespace
}  // namespace vordex::numerics
