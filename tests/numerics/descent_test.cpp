#include "numerics/descent.h"

#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace vordex::numerics
