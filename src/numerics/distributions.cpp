#include "numerics/distributions.h"

#include <cmath>
#include <limits>

namespace vordex::numerics {
namespace {

// Rational approximation a(r) / b(r) with coefficients from the lowest power up.
double Ratio(const double (&a)[8], const double (&b)[8], double r) {
  double num = a[7];
  double den = b[7];
  for (int i = 6; i >= 0; --i) {
    num = num * r + a[i];
    den = den * r + b[i];
  }
  return num / den;
}

// AS 241 coefficients: the central region |p - 0.5| <= 0.425, then the tails for
// r = sqrt(-log(min(p, 1 - p))) up to 5 and beyond.
constexpr double kA[8] = {3.3871328727963666080e0, 1.3314166789178437745e2, 1.9715909503065514427e3,
                          1.3731693765509461125e4, 4.5921953931549871457e4, 6.7265770927008700853e4,
                          3.3430575583588128105e4, 2.5090809287301226727e3};
constexpr double kB[8] = {1.0,
                          4.2313330701600911252e1,
                          6.8718700749205790830e2,
                          5.3941960214247511077e3,
                          2.1213794301586595867e4,
                          3.9307895800092710610e4,
                          2.8729085735721942674e4,
                          5.2264952788528545610e3};
constexpr double kC[8] = {1.42343711074968357734e0,  4.63033784615654529590e0,
                          5.76949722146069140550e0,  3.64784832476320460504e0,
                          1.27045825245236838258e0,  2.41780725177450611770e-1,
                          2.27238449892691845833e-2, 7.74545014278341407640e-4};
constexpr double kD[8] = {1.0,
                          2.05319162663775882187e0,
                          1.67638483018380384940e0,
                          6.89767334985100004550e-1,
                          1.48103976427480074590e-1,
                          1.51986665636164571966e-2,
                          5.47593808499534494600e-4,
                          1.05075007164441684324e-9};
constexpr double kE[8] = {6.65790464350110377720e0,  5.46378491116411436990e0,
                          1.78482653991729133580e0,  2.96560571828504891230e-1,
                          2.65321895265761230930e-2, 1.24266094738807843860e-3,
                          2.71155556874348757815e-5, 2.01033439929228813265e-7};
constexpr double kF[8] = {1.0,
                          5.99832206555887937690e-1,
                          1.36929880922735805310e-1,
                          1.48753612908506148525e-2,
                          7.86869131145613259100e-4,
                          1.84631831751005468180e-5,
                          1.42151175831644588870e-7,
                          2.04426310338993978564e-15};

}  // namespace

double NormalQuantile(double p) {
  if (std::isnan(p) || p < 0.0 || p > 1.0) return std::numeric_limits<double>::quiet_NaN();
  if (p == 0.0) return -std::numeric_limits<double>::infinity();
  if (p == 1.0) return std::numeric_limits<double>::infinity();
  const double q = p - 0.5;
  if (std::fabs(q) <= 0.425) return q * Ratio(kA, kB, 0.180625 - q * q);
  double r = std::sqrt(-std::log(q < 0.0 ? p : 1.0 - p));
  const double x = r <= 5.0 ? Ratio(kC, kD, r - 1.6) : Ratio(kE, kF, r - 5.0);
  return q < 0.0 ? -x : x;
}

double NormalCdf(double x) {
  // 1/sqrt(2) rounded once; erfc keeps the relative accuracy of the lower tail, where 1 - erf
  // would cancel.
  constexpr double kSqrtHalf = 0.70710678118654752440;
  return 0.5 * std::erfc(-x * kSqrtHalf);
}

namespace {

constexpr double kHalfLog2Pi = 0.91893853320467274178;  // log(2 pi) / 2

// Stirling's remainder log Gamma(z) - ((z - 1/2) log z - z + log(2 pi) / 2) for z >= 10:
// sum_k B_2k / (2k (2k - 1) z^(2k - 1)) with the coefficients 1/12, -1/360, 1/1260, -1/1680,
// 1/1188, -691/360360, 1/156, -3617/122400, summed from the smallest term up. The first omitted
// term, B_18 / (18 * 17 z^17), is below 2e-18 there.
double StirlingRemainder(double z) {
  constexpr double kStirling[8] = {1.0 / 12.0,    -1.0 / 360.0,      1.0 / 1260.0,
                                   -1.0 / 1680.0, 1.0 / 1188.0,      -691.0 / 360360.0,
                                   1.0 / 156.0,   -3617.0 / 122400.0};
  const double w = 1.0 / (z * z);
  double series = kStirling[7];
  for (int k = 6; k >= 0; --k) series = series * w + kStirling[k];
  return series / z;
}

}  // namespace

double LogGamma(double a) {
  if (std::isnan(a) || a <= 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (std::isinf(a)) return a;
  double z = a;
  double product = 1.0;
  while (z < 10.0) {
    product *= z;
    z += 1.0;
  }
  return (z - 0.5) * std::log(z) - z + kHalfLog2Pi + StirlingRemainder(z) - std::log(product);
}

namespace {

// The series stops once a term no longer changes the sum, the continued fraction once a factor
// is 1 to within an ulp; both converge within a few times sqrt(a) terms, so the bound on the
// terms is reached only for a near 1e8.
constexpr double kGammaEpsilon = std::numeric_limits<double>::epsilon();
constexpr int kGammaMaxTerms = 100000;
// Lentz's guard against a zero denominator (Numerical Recipes' FPMIN).
constexpr double kTiny = 1e-300;

// x^a e^-x / Gamma(a), the factor in front of both expansions, through its logarithm. For
// a >= 10, Stirling's formula for Gamma(a) turns the logarithm into
//   a (log(1 + t) - t) + log(a) / 2 - log(2 pi) / 2 - StirlingRemainder(a),  t = (x - a) / a,
// which avoids the cancellation of a log x against log Gamma(a) (both near a log a): the error
// of the exponent falls from about eps a log a to about eps a |t|.
double GammaFactor(double a, double x) {
  if (a < 10.0) return std::exp(a * std::log(x) - x - LogGamma(a));
  const double t = (x - a) / a;
  return std::exp(a * (std::log1p(t) - t) + 0.5 * std::log(a) - kHalfLog2Pi - StirlingRemainder(a));
}

// P(a, x) by the series gamma(a, x) = e^-x x^a sum_n x^n / (a (a + 1) ... (a + n)); for x < a + 1.
double GammaSeries(double a, double x) {
  double term = 1.0 / a;
  double sum = term;
  double ap = a;
  for (int n = 0; n < kGammaMaxTerms; ++n) {
    ap += 1.0;
    term *= x / ap;
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * kGammaEpsilon) break;
  }
  return sum * GammaFactor(a, x);
}

// Q(a, x) by the continued fraction Gamma(a, x) = e^-x x^a (1 / (x + 1 - a -) 1 (1 - a) /
// (x + 3 - a -) 2 (2 - a) / (x + 5 - a -) ...), evaluated by the modified Lentz method; for
// x >= a + 1.
double GammaContinuedFraction(double a, double x) {
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny;
  double d = 1.0 / b;
  double h = d;
  for (int i = 1; i < kGammaMaxTerms; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1.0) < kGammaEpsilon) break;
  }
  return GammaFactor(a, x) * h;
}

bool GammaArgumentsValid(double a, double x) {
  return !std::isnan(a) && !std::isnan(x) && a > 0.0 && x >= 0.0 && !std::isinf(a);
}

}  // namespace

double RegularizedGammaP(double a, double x) {
  if (!GammaArgumentsValid(a, x)) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return 0.0;
  if (std::isinf(x)) return 1.0;
  return x < a + 1.0 ? GammaSeries(a, x) : 1.0 - GammaContinuedFraction(a, x);
}

double RegularizedGammaQ(double a, double x) {
  if (!GammaArgumentsValid(a, x)) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return 1.0;
  if (std::isinf(x)) return 0.0;
  return x < a + 1.0 ? 1.0 - GammaSeries(a, x) : GammaContinuedFraction(a, x);
}

double ChiSquareUpperTail(double x, double df) {
  if (std::isnan(x) || std::isnan(df) || df <= 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x <= 0.0) return 1.0;
  return RegularizedGammaQ(0.5 * df, 0.5 * x);
}

}  // namespace vordex::numerics
