#include "numerics/descent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numerics/kernels/error_state.h"

namespace vordex::numerics {
namespace {

thread_local long calls = 0;

double Rosenbrock(void*, double* p) {
  ++calls;
  const double a = 1.0 - p[1];
  const double b = p[2] - p[1] * p[1];
  return a * a + 100.0 * b * b;
}

// The descent's cases: where it ends, what it may not do (move to a worse or rejected point),
// and the bound on its work.
TEST(QuasiNewtonDescent, EndsLowerWithinItsBudgetAndNeverOnARejectedPoint) {
  constexpr double kRejected = 1e20;
  {  // Rosenbrock's valley from the usual start: its minimum (1, 1), value 0.
    double p[3] = {0.0, -1.2, 1.0};
    double f = Rosenbrock(nullptr, p);
    QuasiNewtonDescent(2, p, &f, {Rosenbrock}, kRejected, 2000);
    EXPECT_LT(f, 1e-8);
    EXPECT_NEAR(p[1], 1.0, 1e-3);
    EXPECT_NEAR(p[2], 1.0, 2e-3);
    EXPECT_EQ(f, Rosenbrock(nullptr, p));
    EXPECT_EQ(kernels::N1RTY(1), 0);
  }
  {  // The work bound holds whatever the descent's state.
    double p[3] = {0.0, -1.2, 1.0};
    double f = Rosenbrock(nullptr, p);
    calls = 0;
    QuasiNewtonDescent(2, p, &f, {Rosenbrock}, kRejected, 25);
    EXPECT_LE(calls, 25);
    EXPECT_LT(f, 24.2);  // the start's value
  }
  {  // Rejected (and not-a-number) values outside the disc of radius 0.5 around the origin: the
     // minimum of (x - 1)^2 + y^2 on it is (0.5, 0), where the descent must stay inside.
    auto disc = [](void*, double* p) {
      const double r2 = p[1] * p[1] + p[2] * p[2];
      if (r2 >= 0.25) return r2 > 1.0 ? std::nan("") : 1e30;
      return (p[1] - 1.0) * (p[1] - 1.0) + p[2] * p[2];
    };
    double p[3] = {0.0, 0.0, 0.1};
    double f = disc(nullptr, p);
    QuasiNewtonDescent(2, p, &f, {disc}, kRejected, 2000);
    EXPECT_LT(p[1] * p[1] + p[2] * p[2], 0.25);
    EXPECT_LT(f, 1.01);
    EXPECT_EQ(f, disc(nullptr, p));
  }
  {  // A start it cannot improve on is kept, as is its value.
    auto bowl = [](void*, double* p) { return p[1] * p[1]; };
    double p[2] = {0.0, 0.0};
    double f = 0.0;
    QuasiNewtonDescent(1, p, &f, {bowl}, kRejected, 2000);
    EXPECT_EQ(p[1], 0.0);
    EXPECT_EQ(f, 0.0);
  }
}

// The box descent on separable quadratics sum (p_i - c_i)^2 / w_i, whose minimum in a box is
// the centre clamped to it, coordinate by coordinate; on Rosenbrock's valley; with a variable
// held by equal bounds; with a coupled limit it may only meet by rejection; within a budget.
TEST(BoxQuasiNewton, EndsAtTheClampedMinimumWithinItsBudget) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kRejected = 1e20;
  auto quadratic = [](void*, double* p) {
    ++calls;
    const double c[4] = {0.0, 0.3, 2.0, -5.0};
    const double w[4] = {0.0, 1.0, 0.01, 100.0};
    double f = 0.0;
    for (int i = 1; i <= 3; ++i) f += (p[i] - c[i]) * (p[i] - c[i]) / w[i];
    return f;
  };
  const struct {
    double lo[4], hi[4], start[4], expected[4];
  } boxes[] = {
      {{0, 0, 0, -10}, {0, 1, 1, 10}, {0, 0.5, 0.5, 0}, {0, 0.3, 1.0, -5.0}},  // one on a bound
      {{0, 0.5, -kInf, -kInf}, {0, 1, kInf, -6}, {0, 0.9, 0, -9}, {0, 0.5, 2.0, -6.0}},  // two
      {{0, -kInf, 2, -kInf}, {0, kInf, 2, kInf}, {0, 9, 2, 0}, {0, 0.3, 2.0, -5.0}},     // p2 held
      {{0, 0, 0, 0}, {0, 1, 1, 1}, {0, 3, -3, 3}, {0, 0.3, 1.0, 0.0}},  // a start outside
  };
  for (const auto& b : boxes) {
    double p[4] = {0.0, b.start[1], b.start[2], b.start[3]};
    double f = kRejected;
    const BoxDescentOutcome o = BoxQuasiNewton(3, p, &f, b.lo, b.hi, 1e-12, {quadratic}, kRejected);
    EXPECT_TRUE(o.converged);
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(p[i], b.expected[i], 1e-4) << i;
    EXPECT_EQ(f, quadratic(nullptr, p));
  }
  {  // Rosenbrock's valley in a box that holds its minimum (1, 1); then in one that cuts it off
     // at p1 <= 0.5, where the minimum is (0.5, 0.25).
    const double lo[3] = {0.0, -2.0, -2.0};
    const double hi[3] = {0.0, 2.0, 2.0};
    double p[3] = {0.0, -1.2, 1.0};
    double f = kRejected;
    calls = 0;
    const BoxDescentOutcome o = BoxQuasiNewton(2, p, &f, lo, hi, 1e-14, {Rosenbrock}, kRejected);
    EXPECT_EQ(o.evaluations, calls);
    EXPECT_NEAR(p[1], 1.0, 1e-3);
    EXPECT_NEAR(p[2], 1.0, 2e-3);
    const double cut[3] = {0.0, 0.5, 2.0};
    p[1] = -1.2;
    p[2] = 1.0;
    f = kRejected;
    BoxQuasiNewton(2, p, &f, lo, cut, 1e-14, {Rosenbrock}, kRejected);
    EXPECT_EQ(p[1], 0.5);
    EXPECT_NEAR(p[2], 0.25, 1e-4);
    // The budget holds however far from the minimum it runs out.
    p[1] = -1.2;
    p[2] = 1.0;
    f = kRejected;
    calls = 0;
    EXPECT_FALSE(BoxQuasiNewton(2, p, &f, lo, hi, 1e-14, {Rosenbrock}, kRejected, 25).converged);
    EXPECT_LE(calls, 25);
    EXPECT_LT(f, 24.2);  // the start's value
  }
  {  // phi-like coupling: points with p2 >= p1 are rejected. The minimum of
     // (p1 - 0.2)^2 + (p2 - 0.8)^2 under p2 < p1 lies on that line, at (0.5, 0.5), value 0.18:
     // the descent backs away from the rejected side and closes in on it along the line.
    auto coupled = [](void*, double* p) {
      if (p[2] >= p[1]) return 1e30;
      return (p[1] - 0.2) * (p[1] - 0.2) + (p[2] - 0.8) * (p[2] - 0.8);
    };
    const double lo[3] = {0.0, 0.0, 0.0};
    const double hi[3] = {0.0, 1.0, 1.0};
    double p[3] = {0.0, 0.9, 0.1};
    double f = kRejected;
    BoxQuasiNewton(2, p, &f, lo, hi, 1e-12, {coupled}, kRejected);
    EXPECT_LT(p[2], p[1]);
    EXPECT_LT(f, 0.18 + 1e-6);  // from 0.98 at the start
    EXPECT_EQ(f, coupled(nullptr, p));
  }
  {  // A rejected start is returned as it is.
    auto everywhere = [](void*, double*) { return std::nan(""); };
    const double lo[2] = {0.0, 0.0};
    const double hi[2] = {0.0, 1.0};
    double p[2] = {0.0, 0.5};
    double f = kRejected;
    EXPECT_EQ(BoxQuasiNewton(1, p, &f, lo, hi, 1e-12, {everywhere}, kRejected).evaluations, 1);
    EXPECT_EQ(p[1], 0.5);
    EXPECT_EQ(f, kRejected);
  }
}

}  // namespace
}  // namespace vordex::numerics
