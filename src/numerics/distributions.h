// Distribution functions: the standard normal quantile and distribution function, the logarithm
// of the gamma function, the regularised incomplete gamma functions and the chi-square upper tail.
// Nothing here keeps state; every function is safe to call from several threads at once.
#ifndef VORDEX_NUMERICS_DISTRIBUTIONS_H
#define VORDEX_NUMERICS_DISTRIBUTIONS_H

namespace vordex::numerics {

// The p-quantile of the standard normal distribution for 0 < p < 1 (Wichura 1988, algorithm
// AS 241, PPND16: about 16 significant digits); -infinity at 0, +infinity at 1, NaN outside.
double NormalQuantile(double p);

// The standard normal distribution function Phi(x) = erfc(-x / sqrt 2) / 2, accurate to a few
// ulps relative in both tails; 0 at -infinity, 1 at +infinity, NaN for NaN.
double NormalCdf(double x);

// log Gamma(a) for a > 0 (Stirling's series, Abramowitz and Stegun 6.1.40, after shifting a to at
// least 10 with Gamma(a) = Gamma(a + k) / (a (a + 1) ... (a + k - 1))): absolute error a few
// 1e-15 up to a = 1e3, growing like eps a log a beyond. NaN for a <= 0 or NaN; +infinity at
// +infinity. Unlike std::lgamma it writes no global sign variable.
double LogGamma(double a);

// The regularised lower and upper incomplete gamma functions
//   P(a, x) = gamma(a, x) / Gamma(a),   Q(a, x) = 1 - P(a, x) = Gamma(a, x) / Gamma(a),
// for finite a > 0 and x >= 0: the series for x < a + 1, Lentz's continued fraction otherwise
// (Press et al., Numerical Recipes, 3rd ed. 2007, section 6.2, gser and gcf), the other function
// as the complement. The one computed directly is the smaller, so neither loses to cancellation;
// both are accurate to a few 1e-15 relative for moderate arguments (for a >= 10 the factor
// x^a e^-x / Gamma(a) is formed through Stirling's formula, without cancelling a log x against
// log Gamma(a)). P(a, +inf) = 1. NaN for a <= 0, a infinite, x < 0 or a NaN argument.
double RegularizedGammaP(double a, double x);
double RegularizedGammaQ(double a, double x);

// The upper tail Pr(X > x) of the chi-square distribution with df > 0 degrees of freedom,
// Q(df / 2, x / 2), as R's pchisq(x, df, lower.tail = FALSE); 1 for x <= 0, NaN for df <= 0 or a
// NaN argument.
double ChiSquareUpperTail(double x, double df);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_DISTRIBUTIONS_H
