#include "armax/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/tolerances.h"

namespace vordex::armax {
namespace {

using testing::kClosedForm;

TEST(Armaxfe, TransformsInPlaceAndRefusesWhatTheyCannotTakeUntouched) {
  const struct {
    std::vector<double> x;
    Transform transform;
    int d;
    bool ok;
    std::vector<double> transformed, W;  // x after the call, and the last n values of W
  } cases[] = {
      {{1.0, 0.0, 3.0}, Transform::kLog, 0, false, {1.0, 0.0, 3.0}, {}},
      {{4.0, -1.0}, Transform::kLog, 0, false, {4.0, -1.0}, {}},
      {{1.0, -0.5}, Transform::kSquareRoot, 0, false, {1.0, -0.5}, {}},
      {{0.0, 4.0, 9.0}, Transform::kSquareRoot, 0, true, {0.0, 2.0, 3.0}, {0.0, 2.0, 3.0}},
      {{-2.0, 0.0, 5.0}, Transform::kNone, 0, true, {-2.0, 0.0, 5.0}, {-2.0, 0.0, 5.0}},
      // The transformed values stay in x for the forecasts; W holds their differences.
      {{1.0, std::exp(2.0), std::exp(-1.5)},
       Transform::kLog,
       1,
       true,
       {0.0, 2.0, -1.5},
       {2.0, -3.5}},
  };
  for (const auto& c : cases) {
    const int N = static_cast<int>(c.x.size());
    std::vector<double> x = c.x, W(N, -7.0);
    int n = -1;
    EXPECT_EQ(Armaxfe(x.data(), W.data(), N, c.transform, c.d, 0, 1, n), c.ok);
    for (int t = 0; t < N; ++t) EXPECT_NEAR(x[t], c.transformed[t], kClosedForm);
    if (!c.ok) {
      EXPECT_EQ(W, std::vector<double>(N, -7.0));
      EXPECT_EQ(n, -1);
      continue;
    }
    ASSERT_EQ(n, static_cast<int>(c.W.size()));
    for (int t = 0; t < n; ++t) EXPECT_NEAR(W[N - n + t], c.W[t], kClosedForm);
  }
}

TEST(Armaxfe, DifferencesMatchTheDirectFormulas) {
  // t^2: first differences 2t - 1, second differences 2; (1 - B)(1 - B^12) x(t) = x(t) - x(t-1)
  // - x(t-12) + x(t-13); (1 - B^4)^2 x(t) = x(t) - 2 x(t-4) + x(t-8).
  const auto square = [](int t) { return double(t) * t; };
  const auto wavy = [](int t) { return std::sin(0.37 * t) * t + 0.01 * t * t * t; };
  const auto jumpy = [](int t) { return double((t * 7919) % 31); };
  const struct {
    double (*x)(int);
    int N, d, D, s;
    double (*w)(double (*)(int), int);  // the difference at time t
  } cases[] = {
      {square, 8, 1, 0, 1, [](double (*x)(int), int t) { return x(t) - x(t - 1); }},
      {square, 8, 2, 0, 1, [](double (*x)(int), int t) { return x(t) - 2 * x(t - 1) + x(t - 2); }},
      {wavy, 60, 1, 1, 12,
       [](double (*x)(int), int t) { return x(t) - x(t - 1) - x(t - 12) + x(t - 13); }},
      {jumpy, 20, 0, 2, 4,
       [](double (*x)(int), int t) { return x(t) - 2.0 * x(t - 4) + x(t - 8); }},
  };
  for (const auto& c : cases) {
    std::vector<double> x(c.N), W(c.N);
    for (int t = 1; t <= c.N; ++t) x[t - 1] = c.x(t);
    int n = 0;
    ASSERT_TRUE(Armaxfe(x.data(), W.data(), c.N, Transform::kNone, c.d, c.D, c.s, n));
    ASSERT_EQ(n, c.N - c.d - c.s * c.D);
    for (int t = c.N - n + 1; t <= c.N; ++t)
      EXPECT_NEAR(W[t - 1], c.w(c.x, t), kClosedForm * 100.0 * std::abs(c.x(t))) << "t = " << t;
  }
  // Differencing beyond the series reports the short length (the caller refuses n < 2) and stays
  // inside the arrays.
  std::vector<double> x = {1.0, 4.0, 9.0}, W(3);
  int n = 0;
  ASSERT_TRUE(Armaxfe(x.data(), W.data(), 3, Transform::kNone, 5, 1, 2, n));
  EXPECT_EQ(n, 3 - 5 - 2);
}

}  // namespace
}  // namespace vordex::armax
