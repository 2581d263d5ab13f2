#include "smoothing/ses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::smoothing {
namespace {

using vordex::testing::kClosedForm;
using vordex::testing::kPeerForecast;
using vordex::testing::kRecursion;

// Sum of squared one-step errors of simple smoothing, straight from the recursion.
double Sse(const std::vector<double>& x, double alpha, double l0) {
  double level = l0;
  double sse = 0.0;
  for (double v : x) {
    sse += (v - level) * (v - level);
    level += alpha * (v - level);
  }
  return sse;
}

TEST(FitSes, NoNeighbouringPointHasSmallerSquaredErrors) {
  for (const char* name : {"nile", "lynx", "usaccdeaths"}) {
    SCOPED_TRACE(name);
    const std::vector<double> x = testing::LoadDataset(name);
    const SesFit fit = FitSes(x).value;
    const double best = Sse(x, fit.alpha, fit.initial_level);
    EXPECT_NEAR(fit.sse, best, kRecursion * best);
    for (double da : {-1e-3, 1e-3}) {
      const double alpha = fit.alpha + da;
      if (alpha >= kSesAlphaLower && alpha <= kSesAlphaUpper) {
        EXPECT_GE(Sse(x, alpha, fit.initial_level), best * (1.0 - kRecursion));
      }
    }
    for (double dl : {-1.0, 1.0})
      EXPECT_GE(Sse(x, fit.alpha, fit.initial_level + dl), best * (1.0 - kRecursion));
  }
}

// R 4.2.2, forecast 8.20: f <- ses(Nile); f$model$par gives alpha 0.24566815 and l 1110.73409658,
// sum(f$model$residuals^2) 2038674.4383. Our minimum may only be lower.
TEST(FitSes, ReachesRsSesOnTheNile) {
  const std::vector<double> x = testing::LoadDataset("nile");
  const SesFit fit = FitSes(x).value;
  EXPECT_LE(fit.sse, 2038674.4383);
  EXPECT_NEAR(fit.alpha, 0.24566815, 10 * kPeerForecast);
  EXPECT_NEAR(fit.initial_level, 1110.73409658, kPeerForecast * 1110.0);
  EXPECT_NEAR(fit.final_level, fit.fitted.back() + fit.alpha * (x.back() - fit.fitted.back()),
              kClosedForm * 1e3);
}

TEST(FitSes, TakesTheUpperBoundForALineAndFitsAConstantExactly) {
  // On a line every alpha below 1 lags behind: the errors shrink as alpha grows.
  std::vector<double> line;
  for (int t = 1; t <= 20; ++t) line.push_back(t);
  EXPECT_NEAR(FitSes(line).value.alpha, kSesAlphaUpper, 1e-6);

  const SesFit flat = FitSes(std::vector<double>(12, 4.0)).value;
  EXPECT_NEAR(flat.sse, 0.0, kClosedForm);
  EXPECT_NEAR(flat.final_level, 4.0, kClosedForm);
}

TEST(FitSes, RefusesTooFewOrNonFiniteValues) {
  EXPECT_FALSE(FitSes(std::vector<double>{1.0}).ok());
  EXPECT_FALSE(FitSes(std::vector<double>{1.0, NAN, 3.0}).ok());
}

}  // namespace
}  // namespace vordex::smoothing
