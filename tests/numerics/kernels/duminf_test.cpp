#include "numerics/kernels/duminf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numerics/kernels/dzplrc.h"
#include "numerics/kernels/error_state.h"
#include "support/tolerances.h"

namespace vordex::kernels {
namespace {

using testing::kOptimiser;

constexpr double kEps = 2.220446049250313e-16;

// (x1 - 1)^2 + 3 (x2 + 2)^2 + (x1 - 1)(x2 + 2): positive definite, minimum 0 at (1, -2).
void Quadratic(void*, const int&, const double* x, double& f) {
  const double a = x[0] - 1.0, b = x[1] + 2.0;
  f = a * a + 3.0 * b * b + a * b;
}

void Rosenbrock(void*, const int&, const double* x, double& f) {
  const double a = x[1] - x[0] * x[0], b = 1.0 - x[0];
  f = 100.0 * a * a + b * b;
}

// A separable quadratic in five variables with very different curvatures and scales.
void Ellipsoid(void*, const int& n, const double* x, double& f) {
  f = 0.0;
  for (int i = 0; i < n; ++i) {
    const double d = x[i] - (i + 1.0);
    f += std::pow(10.0, i - 2.0) * d * d;
  }
}

void Unbounded(void*, const int&, const double* x, double& f) {
  f = -x[0] * x[0] - x[1] * x[1] - x[0];
}

void Linear(void*, const int&, const double* x, double& f) {
  f = -x[0] - 2.0 * x[1];
}

// The quadratic, but it also calls another kernel that raises a terminal error each time.
void QuadraticCallingAKernel(void*, const int& n, const double* x, double& f) {
  const int bad_degree = 0;
  double root[2];
  DZPLRC(bad_degree, x, root);
  Quadratic(nullptr, n, x, f);
}

struct MinimiserRun {
  std::vector<double> x;
  double f = 0.0;
  std::vector<int> iparam = std::vector<int>(7, 0);
  std::vector<double> rparam = std::vector<double>(7, 0.0);
};

MinimiserRun Minimise(DuminfFcn fcn, std::vector<double> start, MinimiserRun run = MinimiserRun()) {
  const int n = int(start.size());
  const std::vector<double> xscale(start.size(), 1.0);
  const double fscale = 1.0;
  run.x.assign(start.size(), 0.0);
  DUMINF(fcn, nullptr, n, start.data(), xscale.data(), fscale, run.iparam.data(), run.rparam.data(),
         run.x.data(), run.f);
  return run;
}

// The default settings spelt out (IPARAM(1) = 1: DUMINF takes them as given) with the iteration
// limit MXITER, the evaluation limit MAXFCN and the Hessian initialisation IHESS chosen.
MinimiserRun Settings(int mxiter, int maxfcn, int ihess) {
  MinimiserRun run;
  run.iparam = {1, 15, mxiter, maxfcn, 400, ihess, 100};
  run.rparam = {6.055454452393343e-6,
                3.666852862501036e-11,
                3.666852862501036e-11,
                1e-20,
                100.0 * kEps,
                -9999.0,
                -9999.0};
  return run;
}

TEST(Duminf, ConvergesOnSmoothCriteria) {
  KernelQuiet();
  const struct {
    DuminfFcn fcn;
    std::vector<double> start, minimum;
    MinimiserRun settings;
    double tol;
  } cases[] = {
      {Quadratic, {0.0, 0.0}, {1.0, -2.0}, MinimiserRun(), 1e-5},
      {Rosenbrock, {-1.2, 1.0}, {1.0, 1.0}, MinimiserRun(), 2.0 * kOptimiser},
      {Rosenbrock, {-1.2, 1.0}, {1.0, 1.0}, Settings(100, 400, 1), 2.0 * kOptimiser},  // IHESS 1
      // Curvature 1e-2 in the first coordinate: the objective, not the argument, is tight there.
      {Ellipsoid, {0, 0, 0, 0, 0}, {NAN, 2.0, 3.0, 4.0, 5.0}, MinimiserRun(), kOptimiser},
      // The outcome is the minimiser's own, not that of kernels the objective calls.
      {QuadraticCallingAKernel, {0.0, 0.0}, {1.0, -2.0}, MinimiserRun(), 1e-5},
  };
  for (const auto& c : cases) {
    const MinimiserRun r = Minimise(c.fcn, c.start, c.settings);
    EXPECT_LT(N1RTY(1), c.fcn == QuadraticCallingAKernel ? 1 : 4) << KernelErrorMessage();
    EXPECT_FALSE(KernelFailed());
    for (std::size_t i = 0; i < c.minimum.size(); ++i)
      EXPECT_TRUE(std::isnan(c.minimum[i]) || std::fabs(r.x[i] - c.minimum[i]) <= c.tol) << i;
    EXPECT_LT(r.f, 1e-8);
    double f;
    c.fcn(nullptr, int(c.start.size()), r.x.data(), f);
    EXPECT_EQ(r.f, f);  // FVALUE is the value at the returned X
  }
}

TEST(Duminf, DefaultsAreWrittenBackToTheSettings) {
  const MinimiserRun r = Minimise(Quadratic, {0.0, 0.0});
  const MinimiserRun defaults = Settings(100, 400, 0);
  EXPECT_EQ(r.iparam, defaults.iparam);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(r.rparam[i], defaults.rparam[i], 1e-14 * std::fabs(defaults.rparam[i])) << i;
}

TEST(Duminf, UnboundedBelowEndsFatallyAtTheLastPoint) {
  for (DuminfFcn fcn : {Unbounded, Linear}) {
    const MinimiserRun r = Minimise(fcn, {1.0, 1.0});
    EXPECT_EQ(N1RTY(1), 4);
    const int code = IERCD();
    EXPECT_TRUE(code == 6 || code == 3 || code == 4 || code == 5) << code;
    EXPECT_TRUE(KernelFailed());
    // X holds the last point: far out, with FVALUE its value.
    double f;
    fcn(nullptr, 2, r.x.data(), f);
    EXPECT_EQ(r.f, f);
    EXPECT_GT(std::hypot(r.x[0], r.x[1]), 1000.0);
  }
  Minimise(Linear, {1.0, 1.0});
  EXPECT_EQ(IERCD(), 6);  // a straight descent takes one maximal step after another
  EXPECT_EQ(KernelErrorMessage().substr(0, 46), " Five consecutive steps of length STEPMX have ");
}

TEST(Duminf, IterationAndEvaluationLimitsAreFatal) {
  const struct {
    MinimiserRun settings;
    int code;
    const char* message;
  } cases[] = {
      {Settings(3, 400, 0), 3, " Maximum number of iterations exceeded."},
      {Settings(100, 5, 0), 4, " Maximum number of function evaluations exceeded."},
  };
  for (const auto& c : cases) {
    const MinimiserRun r = Minimise(Rosenbrock, {-1.2, 1.0}, c.settings);
    EXPECT_EQ(IERCD(), c.code);
    EXPECT_EQ(N1RTY(1), 4);
    EXPECT_TRUE(KernelFailed());
    EXPECT_EQ(KernelErrorMessage(), c.message);
    double f0, f;
    const double start[2] = {-1.2, 1.0};
    Rosenbrock(nullptr, 2, start, f0);
    Rosenbrock(nullptr, 2, r.x.data(), f);
    EXPECT_EQ(r.f, f);
    EXPECT_LT(f, f0);  // the iterations before the limit still made progress
  }
}

// The chained Rosenbrock function of n variables, counting its calls in the context (an int).
void CountedRosenbrock(void* context, const int& n, const double* x, double& f) {
  ++*static_cast<int*>(context);
  f = 0.0;
  for (int i = 0; i + 1 < n; ++i) {
    const double a = x[i + 1] - x[i] * x[i], b = 1.0 - x[i];
    f += 100.0 * a * a + b * b;
  }
}

TEST(Duminf, LimitOnAllCallsHoldsInsideLineSearches) {
  // MAXEVL, or MAXFCN + 2 N MAXGRD when that is smaller. A gradient costs N or 2N calls and one
  // line search may take several, so a limit tested only between iterations is passed, in these
  // cases several times over.
  struct Case {
    int n, maxfcn, maxgrd;
    long maxevl, limit;
  };
  for (const Case c : {Case{12, 400, 400, 100, 100}, Case{12, 400, 400, 13, 13},
                       Case{2, 3, 2, 0, 3 + 2 * 2 * 2}, Case{2, 3, 2, 1000, 3 + 2 * 2 * 2}}) {
    SCOPED_TRACE(::testing::Message() << "N = " << c.n << ", MAXEVL = " << c.maxevl);
    MinimiserRun run = Settings(100, c.maxfcn, 0);
    run.iparam[4] = c.maxgrd;
    const std::vector<double> start(c.n, -1.2), xscale(c.n, 1.0);
    run.x.assign(c.n, 0.0);
    int calls = 0;
    DUMINF(CountedRosenbrock, &calls, c.n, start.data(), xscale.data(), 1.0, run.iparam.data(),
           run.rparam.data(), run.x.data(), run.f, c.maxevl);
    EXPECT_LE(calls, c.limit);
    EXPECT_TRUE(KernelFailed());
    EXPECT_EQ(IERCD(), 4);
    double f;  // X is a point evaluated on the way, FVALUE its value
    CountedRosenbrock(&calls, c.n, run.x.data(), f);
    EXPECT_EQ(run.f, f);
  }
}

TEST(Duminf, InvalidSettingsAreReplacedWithAWarning) {
  const MinimiserRun settings = Settings(-1, 400, 0);
  const MinimiserRun r = Minimise(Quadratic, {0.0, 0.0}, settings);
  // The minimisation ran with MXITER = 100 and converged; the warning is what remains.
  EXPECT_NEAR(r.x[0], 1.0, 1e-5);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(KernelErrorMessage(),
            "The maximum number of iterations must be positive while MXITER = -1 is given.  The "
            "algorithm will use MXITER = 100.");
  EXPECT_EQ(settings.iparam[2], -1);  // the caller's settings are not rewritten
}

TEST(Duminf, NoVariablesIsTerminalAndLeavesXUntouched) {
  const int n = 0;
  const double xguess[1] = {5.0}, xscale[1] = {1.0}, fscale = 1.0;
  int iparam[7] = {0};
  double rparam[7] = {0};
  double x[1] = {7.0}, f = 3.0;
  DUMINF(Quadratic, nullptr, n, xguess, xscale, fscale, iparam, rparam, x, f);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(IERCD(), 0);
  EXPECT_EQ(KernelErrorMessage(), "The number of variables must be positive while N = 0 is given.");
  EXPECT_EQ(x[0], 7.0);
  EXPECT_EQ(f, 3.0);
}

TEST(Duminf, StartAndSolutionMayShareOneArray) {
  std::vector<double> x = {0.0, 0.0};
  const std::vector<double> xscale = {1.0, 1.0};
  int iparam[7] = {0};
  double rparam[7];
  double f;
  DUMINF(Quadratic, nullptr, 2, x.data(), xscale.data(), 1.0, iparam, rparam, x.data(), f);
  EXPECT_NEAR(x[0], 1.0, 1e-5);
  EXPECT_NEAR(x[1], -2.0, 1e-5);
}

TEST(Duminf, StartAtTheMinimumStopsAtOnce) {
  const MinimiserRun r = Minimise(Quadratic, {1.0, -2.0});
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(r.x, (std::vector<double>{1.0, -2.0}));
  EXPECT_EQ(r.f, 0.0);
}

TEST(Duminf, NonFiniteValuesAreNeverAcceptedAsDecrease) {
  // NaN beyond x1 = 2: the minimiser must stay in the finite region and find the minimum at 1.5.
  const MinimiserRun r = Minimise(
      [](void*, const int&, const double* x, double& f) {
        f = x[0] > 2.0 ? std::nan("") : (x[0] - 1.5) * (x[0] - 1.5) + x[1] * x[1] - 4.0 * x[0];
      },
      {-3.0, 1.0});
  EXPECT_LT(N1RTY(1), 4) << KernelErrorMessage();
  EXPECT_TRUE(std::isfinite(r.f));
  EXPECT_LE(r.x[0], 2.0);
}

}  // namespace
}  // namespace vordex::kernels
