#include "numerics/powell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "numerics/vectors.h"
#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kOptimiser;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTol = 1e-10;  // the tolerance every caller passes
using Function = double (*)(void*, double*);

thread_local int evaluations = 0;
thread_local std::vector<double> first_coordinates;  // p[1] at each evaluation

double Quadratic(void*, double* p) {
  ++evaluations;
  first_coordinates.push_back(p[1]);
  return (p[1] - 1.0) * (p[1] - 1.0) + 10.0 * (p[2] + 2.0) * (p[2] + 2.0);
}

double Rosenbrock(void*, double* p) {
  const double a = 1.0 - p[1];
  const double b = p[2] - p[1] * p[1];
  return a * a + 100.0 * b * b;
}

double Parabola1(void*, double* p) {
  return (p[1] - 3.0) * (p[1] - 3.0) + 0.5;
}
double Constant(void*, double*) {
  return 4.0;
}

TEST(Minimise, ConvergesToTheMinimaOfSmoothCriteria) {
  const struct {
    Function f;
    std::vector<double> start, minimum;
    double fmin, tol;  // the Rosenbrock valley floor is flat: f ~ 1e-8 at 1e-4 from (1, 1)
  } cases[] = {
      {Quadratic, {0.0, 0.0}, {1.0, -2.0}, 0.0, kOptimiser},
      {Rosenbrock, {-1.2, 1.0}, {1.0, 1.0}, 0.0, 20 * kOptimiser},
      {Parabola1, {0.0}, {3.0}, 0.5, kOptimiser},
  };
  for (const auto& c : cases) {
    const int n = static_cast<int>(c.start.size());
    std::vector<double> p(1, 0.0);
    p.insert(p.end(), c.start.begin(), c.start.end());
    double fret = -1.0;
    EXPECT_GE(Minimise(n, p.data(), &fret, kTol, {c.f}), kPowellConverged);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(p[i], c.minimum[i - 1], c.tol);
    EXPECT_NEAR(fret, c.fmin, 1e-8);
    EXPECT_EQ(fret, c.f(nullptr, p.data()));  // fret is the criterion at the returned point
  }
  double q[3] = {0.0, 0.7, -0.2};
  double fret = 0.0;
  EXPECT_EQ(Minimise(2, q, &fret, kTol, {Constant}), kPowellConverged);
  EXPECT_EQ(fret, 4.0);
}

// The first line search runs along 0.1 e1 from (0, 0): f(p) once for Powell, then the bracket
// at steps 0, 1, 1 + G (G = 1.618034); the parabola through these exact quadratic values lands on
// the minimum, step 10 (p1 = 1), which lies beyond cx within the extrapolation limit, so the next
// trial is 10 + G (10 - (1 + G)).
TEST(Minimise, FirstLineSearchEvaluatesInTheStatedOrder) {
  evaluations = 0;
  first_coordinates.clear();
  double p[3] = {0.0, 0.0, 0.0};
  double fret = 0.0;
  ASSERT_EQ(Minimise(2, p, &fret, kTol, {Quadratic}), kPowellConverged);
  const double G = 1.618034;
  const std::vector<double> steps = {0.0, 0.0, 1.0, 1.0 + G, 10.0, 10.0 + G * (10.0 - (1.0 + G))};
  ASSERT_GT(first_coordinates.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i)
    EXPECT_NEAR(first_coordinates[i], 0.1 * steps[i], kClosedForm) << "evaluation " << i;
  EXPECT_EQ(evaluations, static_cast<int>(first_coordinates.size()));
}

double Cosine(void*, double x) {
  return std::cos(x);
}
double Quartic(void*, double x) {
  return std::pow(x - 0.7, 4) - 1.0;
}

TEST(Bracket, FindsATripleAroundTheMinimumInEitherDirection) {
  for (double target : {10.0, -5.0}) {
    static thread_local double centre;
    centre = target;
    const LineFunction f{[](void*, double x) { return (x - centre) * (x - centre); }};
    double ax = 0.0, bx = 1.0, cx, fa, fb, fc;
    ASSERT_EQ(Bracket(&ax, &bx, &cx, &fa, &fb, &fc, f), 1);
    EXPECT_LT(std::fmin(ax, cx), target);
    EXPECT_GT(std::fmax(ax, cx), target);
    EXPECT_LE(fb, fa);
    EXPECT_LE(fb, fc);
    EXPECT_EQ(fa, f(ax));
    EXPECT_EQ(fb, f(bx));
    EXPECT_EQ(fc, f(cx));
  }
}

TEST(Bracket, UnboundedDescentIsCutOff) {
  static thread_local int calls;
  calls = 0;
  const LineFunction f{[](void*, double x) {
    ++calls;
    return -std::log1p(std::fabs(x));  // decreases without bound, ever more slowly
  }};
  double ax = 0.0, bx = 1.0, cx, fa, fb, fc;
  EXPECT_EQ(Bracket(&ax, &bx, &cx, &fa, &fb, &fc, f), 0);
  EXPECT_GT(fa, fb);
  EXPECT_GT(fb, fc);
  EXPECT_TRUE(std::isfinite(cx));
  EXPECT_LE(calls, 3 + 2 * 100);  // two evaluations at most per expansion pass
}

TEST(Brent, RefinesToTheMinimumWithinTolerance) {
  double xmin = 0.0, fmin = 0.0;
  EXPECT_EQ(Brent(2.0, 3.0, 4.0, {Cosine}, 1e-8, &xmin, &fmin), 1);
  EXPECT_NEAR(xmin, M_PI, 1e-7);
  EXPECT_NEAR(fmin, -1.0, kClosedForm);
  // A flat quartic bottom: f within 1e-16 of the minimum only constrains x to about 1e-4.
  EXPECT_EQ(Brent(-1.0, 0.0, 2.0, {Quartic}, 1e-10, &xmin, &fmin), 1);
  EXPECT_NEAR(xmin, 0.7, 1e-3);
  EXPECT_LE(fmin, -1.0 + 1e-12);
}

TEST(Minimise, NotANumberRegionsAreAvoided) {
  const Function criteria[] = {
      // Not a number beyond x = 3; the minimum (1, 2) lies inside.
      [](void*, double* p) {
        return p[1] >= 3.0 ? std::nan("") : std::pow(p[1] - 1.0, 2) + std::pow(p[2] - 2.0, 2);
      },
      // Not a number exactly at the start point.
      [](void*, double* p) {
        return p[1] == 0.0 && p[2] == 0.0 ? std::nan("")
                                          : std::pow(p[1] - 1.0, 2) + std::pow(p[2] - 2.0, 2);
      },
      // A penalty of +infinity outside the box |p| < 5.
      [](void*, double* p) {
        return std::fabs(p[1]) >= 5.0 || std::fabs(p[2]) >= 5.0
                   ? kInf
                   : std::pow(p[1] + 1.0, 2) + std::pow(p[2] - 0.5, 2);
      }};
  for (Function f : criteria) {
    double p[3] = {0.0, 0.0, 0.0};
    double fret = 0.0;
    testing::MessageCapture capture;
    EXPECT_EQ(Minimise(2, p, &fret, kTol, {f}), kPowellConverged);
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_LT(fret, 1e-8);  // finite, and the minimum
    EXPECT_TRUE(std::isfinite(p[1]) && std::isfinite(p[2]));
  }
}

TEST(Minimise, CriteriaWithoutAMinimumFailAndTerminate) {
  const std::string none = "Criterion function has no finite value";
  const std::string unbounded = "Criterion function decreases without bound";
  const struct {
    Function f;
    int n;
    std::string title, text;  // text "": not examined
  } cases[] = {
      {[](void*, double*) { return std::nan(""); }, 2, "Error in Powell", none},
      {[](void*, double* p) { return p[2] - p[1]; }, 2, "Error in Powell", unbounded},
      {[](void*, double* p) { return p[1] > 1.0 ? -kInf : -p[1]; }, 2, "Error in Powell",
       unbounded},
      {Constant, -1, "Error in Minimise", ""},
  };
  for (const auto& c : cases) {
    double p[3] = {0.0, 0.5, 0.5};
    double fret = 0.0;
    testing::MessageCapture capture;
    EXPECT_EQ(Minimise(c.n, p, &fret, kTol, {c.f}), kPowellFailed);
    ASSERT_EQ(capture.size(), 1u);
    EXPECT_EQ(capture.messages()[0].title, c.title);
    if (c.text.empty()) continue;
    EXPECT_EQ(capture.messages()[0].text, c.text);
    // p and fret agree: the best point found, never a point without a value.
    if (c.text == none)
      EXPECT_EQ(p[1] + p[2], 1.0);
    else
      EXPECT_EQ(fret, c.f(nullptr, p));
  }
}

double CountedRosenbrock(void*, double* p) {
  ++evaluations;
  return Rosenbrock(nullptr, p);
}

TEST(Minimise, EvaluationLimitEndsTheSearchAtItsLastPoint) {
  // Rosenbrock's valley takes 1,747 evaluations from this start; the limit is tested before each
  // line search, so one line search may pass it.
  for (const long limit : {1L, 100L, 400L}) {
    double p[3] = {0.0, -1.2, 1.0};
    double fret = 0.0;
    evaluations = 0;
    EXPECT_EQ(Minimise(2, p, &fret, kTol, {CountedRosenbrock}, limit), kPowellIterationLimit);
    EXPECT_LE(evaluations, limit + kLineSearchEvaluations);
    EXPECT_EQ(fret, Rosenbrock(nullptr, p));
    EXPECT_LE(fret, Rosenbrock(nullptr, std::vector<double>{0.0, -1.2, 1.0}.data()));
  }
  // Without a finite value the search fails as it would at the end of the iteration.
  double p[3] = {0.0, 0.5, 0.5};
  double fret = 0.0;
  testing::MessageCapture capture;
  EXPECT_EQ(Minimise(2, p, &fret, kTol, {[](void*, double*) { return std::nan(""); }}, 1),
            kPowellFailed);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].text, "Criterion function has no finite value");
}

TEST(LinMin, MovesToTheLineMinimumAndReturnsTheDisplacement) {
  double p[3] = {0.0, 0.0, 0.0};
  double xi[3] = {0.0, 0.0, 0.5};  // along p2 only
  double fret = 0.0;
  ASSERT_EQ(LinMin(p, xi, 2, &fret, {Quadratic}), 1);
  EXPECT_EQ(p[1], 0.0);
  EXPECT_NEAR(p[2], -2.0, kOptimiser);
  EXPECT_EQ(xi[2], p[2]);  // displacement from the start at 0
  EXPECT_NEAR(fret, 1.0, kOptimiser);
  LineMinContext idle;
  EXPECT_TRUE(std::isnan(f1dim(&idle, 0.0)));  // a line without a criterion
}

// The minimiser keeps nothing outside its arguments: a criterion may run a minimisation of its
// own (an inner profile), and minimisations on several threads give the sequential results.
double ShiftedParabola(void* context, double* p) {
  const double centre = *static_cast<double*>(context);
  return (p[1] - centre) * (p[1] - centre);
}
double Profiled(void*, double* p) {
  // min over c of (c - p1)^2 + (p1 - 2)^2 + (p2 + 1)^2, the inner minimum found by Minimise.
  double c[2] = {0.0, 0.0};
  double inner = 0.0;
  double centre = p[1];
  Minimise(1, c, &inner, kTol, {ShiftedParabola, &centre});
  return inner + (p[1] - 2.0) * (p[1] - 2.0) + (p[2] + 1.0) * (p[2] + 1.0);
}

TEST(Minimise, CriterionMayRunAMinimisationOfItsOwn) {
  double p[3] = {0.0, 0.0, 0.0};
  double fret = 0.0;
  EXPECT_EQ(Minimise(2, p, &fret, kTol, {Profiled}), kPowellConverged);
  EXPECT_NEAR(p[1], 2.0, kOptimiser);
  EXPECT_NEAR(p[2], -1.0, kOptimiser);
}

TEST(Minimise, ConcurrentMinimisationsDoNotInterfere) {
  const auto run = [](bool rosen, double* out) {
    double p[3] = {0.0, rosen ? -1.2 : 0.3, rosen ? 1.0 : -0.4};
    double fret = 0.0;
    Minimise(2, p, &fret, kTol, {rosen ? Rosenbrock : Quadratic});
    out[0] = p[1];
    out[1] = p[2];
    out[2] = fret;
  };
  double seq_a[3], seq_b[3], par_a[3], par_b[3];
  run(true, seq_a);
  run(false, seq_b);
  std::thread ta(run, true, par_a);
  std::thread tb(run, false, par_b);
  ta.join();
  tb.join();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(seq_a[i], par_a[i]);
    EXPECT_EQ(seq_b[i], par_b[i]);
  }
}

}  // namespace
}  // namespace vordex::numerics
