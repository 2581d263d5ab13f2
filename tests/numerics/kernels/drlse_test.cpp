#include "numerics/kernels/drlse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numerics/kernels/error_state.h"
#include "support/tolerances.h"

namespace vordex::kernels {
namespace {

using testing::kClosedForm;

struct Fit {
  std::vector<double> b;
  double sst = -1.0;
  double sse = -1.0;
};

// X given by columns with leading dimension ldx (ldx = nobs unless stated).
Fit Regress(const std::vector<double>& y, int nind, const std::vector<double>& x, int intcep,
            int ldx = -1) {
  const int nobs = int(y.size());
  if (ldx < 0) ldx = nobs;
  Fit fit;
  fit.b.assign(std::size_t(std::max(intcep + nind, 1)), -1.0);
  DRLSE(nobs, y.data(), nind, x.data(), ldx, intcep, fit.b.data(), fit.sst, fit.sse);
  return fit;
}

// y = 2 + 3 x1 - x2 on six points, with the columns x1, x2.
const std::vector<double> kX1X2 = {0, 1, 2, 3, 4, 5, 1, -1, 4, 0, 2, 7};
const std::vector<double> kExact = {1, 6, 4, 11, 12, 10};

TEST(Drlse, ExactFitsGiveTheirCoefficientsAndSumsOfSquares) {
  const struct {
    std::vector<double> y;
    int nind;
    std::vector<double> x;
    int intcep;
    std::vector<double> b;
    double sse, sst;
  } cases[] = {
      {{1, 2, 3}, 1, {1, 2, 3}, 0, {1.0}, 0.0, 14.0},      // through the origin: sst about 0
      {{1, 2, 3}, 1, {1, 2, 3}, 1, {0.0, 1.0}, 0.0, 2.0},  // about the mean
      {kExact, 2, kX1X2, 1, {2.0, 3.0, -1.0}, 0.0, 418.0 - 44.0 * 44.0 / 6.0},
      {{2, 4, 9}, 0, {}, 1, {5.0}, 26.0, 26.0},  // intercept only: the mean, 9 + 1 + 16
  };
  for (const auto& c : cases) {
    const Fit fit = Regress(c.y, c.nind, c.x, c.intcep);
    EXPECT_EQ(N1RTY(1), 0);
    for (std::size_t j = 0; j < c.b.size(); ++j) EXPECT_NEAR(fit.b[j], c.b[j], 10 * kClosedForm);
    EXPECT_NEAR(fit.sse, c.sse, 100 * kClosedForm);
    EXPECT_NEAR(fit.sst, c.sst, 100 * kClosedForm);
  }
}

TEST(Drlse, SimpleRegressionAgreesWithTheClosedForm) {
  const std::vector<double> x = {0.5, 1.7, 2.2, 3.9, 4.1, 6.0, 7.3};
  const std::vector<double> y = {1.1, 2.0, 2.9, 3.2, 5.1, 5.8, 7.9};
  double mx = 0, my = 0;
  for (int i = 0; i < 7; ++i) mx += x[i] / 7, my += y[i] / 7;
  double sxx = 0, sxy = 0, syy = 0;
  for (int i = 0; i < 7; ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
    syy += (y[i] - my) * (y[i] - my);
  }
  const Fit fit = Regress(y, 1, x, 1);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_NEAR(fit.b[1], sxy / sxx, kClosedForm);
  EXPECT_NEAR(fit.b[0], my - sxy / sxx * mx, kClosedForm);
  EXPECT_NEAR(fit.sst, syy, kClosedForm);
  EXPECT_NEAR(fit.sse, syy - sxy * sxy / sxx, kClosedForm);
}

TEST(Drlse, DependentColumnsWarnAndKeepTheLeastSquaresFit) {
  const std::vector<double> x = {1.0, 2.0, 4.0, 5.0};
  const std::vector<double> y = {1.2, 1.9, 4.3, 4.8};
  double sxy = 0, sxx = 0, syy = 0;
  for (int i = 0; i < 4; ++i) sxy += x[i] * y[i], sxx += x[i] * x[i], syy += y[i] * y[i];
  std::vector<double> twice = x;
  twice.insert(twice.end(), x.begin(), x.end());
  const Fit fit = Regress(y, 2, twice, 0);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(IERCD(), 1);
  EXPECT_FALSE(KernelFailed());
  EXPECT_EQ(KernelErrorMessage(),
            "The model is not full rank.  There is not a unique least squares solution.  The "
            "rank of the matrix of regressors is 1.");
  // Same SSE as the one-column fit through the origin; the fitted values agree as well.
  EXPECT_NEAR(fit.sse, syy - sxy * sxy / sxx, kClosedForm);
  EXPECT_NEAR(fit.b[0] + fit.b[1], sxy / sxx, kClosedForm);
  EXPECT_NEAR(fit.sst, syy, kClosedForm);
}

TEST(Drlse, ConstantRegressorBesideTheInterceptIsRedundant) {
  const std::vector<double> y = {3.0, 1.0, 2.0, 6.0};
  const Fit fit = Regress(y, 1, {2.0, 2.0, 2.0, 2.0}, 1);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(IERCD(), 1);
  EXPECT_NEAR(fit.b[0] + 2.0 * fit.b[1], 3.0, kClosedForm);  // the fitted value is the mean
  EXPECT_NEAR(fit.sse, 14.0, kClosedForm);                   // 0 + 4 + 1 + 9
  EXPECT_NEAR(fit.sst, 14.0, kClosedForm);
}

TEST(Drlse, MoreRegressorsThanObservationsFitExactly) {
  const Fit fit = Regress({1.0, 5.0}, 3, {1, 0, 0, 1, 1, 1}, 0);
  EXPECT_EQ(IERCD(), 1);
  EXPECT_NE(KernelErrorMessage().find("is 2."), std::string::npos);
  EXPECT_NEAR(fit.sse, 0.0, kClosedForm);
  // Fitted values b1 x1 + b2 x2 + b3 x3 reproduce y.
  EXPECT_NEAR(fit.b[0] * 1 + fit.b[1] * 0 + fit.b[2] * 1, 1.0, kClosedForm);
  EXPECT_NEAR(fit.b[0] * 0 + fit.b[1] * 1 + fit.b[2] * 1, 5.0, kClosedForm);
}

TEST(Drlse, RowsBeyondNobsInTheLeadingDimensionAreNotRead) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Two columns of three observations each, stored with leading dimension 5.
  const std::vector<double> x = {1, 2, 3, nan, nan, 1, 0, 1, nan, nan};
  const Fit fit = Regress({3.0, 4.0, 9.0}, 2, x, 0, 5);
  EXPECT_EQ(N1RTY(1), 0);
  // y is not in the span of the columns: check the normal equations X'(y - X b) = 0.
  const double r[3] = {3.0 - fit.b[0] * 1 - fit.b[1] * 1, 4.0 - fit.b[0] * 2,
                       9.0 - fit.b[0] * 3 - fit.b[1] * 1};
  EXPECT_NEAR(r[0] * 1 + r[1] * 2 + r[2] * 3, 0.0, 10 * kClosedForm);
  EXPECT_NEAR(r[0] * 1 + r[2] * 1, 0.0, 10 * kClosedForm);
  EXPECT_NEAR(fit.sse, r[0] * r[0] + r[1] * r[1] + r[2] * r[2], 10 * kClosedForm);
}

TEST(Drlse, InvalidArgumentsAreTerminalAndLeaveOutputsUntouched) {
  const std::vector<double> y = {1, 2, 3}, x = {1, 2, 3};
  const struct {
    std::vector<double> y;
    int nind, intcep, ldx;
    const char* message;
  } cases[] = {
      {y, 1, 2, -1, "INTCEP = 2.  The intercept option, INTCEP, must be equal to 0 or 1."},
      {y, 0, 0, -1, "INTCEP = 0 and NIND = 0.  There must be at least one regressor in the model."},
      {{}, 1, 0, -1, "NOBS = 0.  The number of observations, NOBS, must be greater than zero."},
      {y, 1, 0, 2,
       "NOBS = 3 and LDX = 2.  The leading dimension of X, LDX, must be greater than or equal to "
       "the number of observations, NOBS."},
  };
  for (const auto& c : cases) {
    const Fit fit = Regress(c.y, c.nind, x, c.intcep, c.ldx);
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_TRUE(KernelFailed());
    EXPECT_EQ(KernelErrorMessage(), c.message);
    EXPECT_EQ(fit.b[0], -1.0);
    EXPECT_EQ(fit.sse, -1.0);
    EXPECT_EQ(fit.sst, -1.0);
  }
}

}  // namespace
}  // namespace vordex::kernels
