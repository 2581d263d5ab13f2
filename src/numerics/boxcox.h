// The Box-Cox transformation (Box and Cox 1964) with the conventions of R's forecast package,
// its inverse, the bias-adjusted back-transformation of a mean, and Guerrero's choice of lambda.
// Nothing here keeps state between calls; no function reports messages.
#ifndef VORDEX_NUMERICS_BOXCOX_H
#define VORDEX_NUMERICS_BOXCOX_H

#include <span>
#include <vector>

namespace vordex::numerics {

// log(x) for lambda = 0, else (sign(x) |x|^lambda - 1) / lambda, as R's forecast::BoxCox: for
// lambda > 0 negative values map through the signed power; for lambda < 0 they give NaN (R's NA).
// log(0) is -infinity; 0 with lambda < 0 gives NaN (R's 0 * Inf); NaN stays NaN.
double BoxCox(double x, double lambda);

// The inverse, as R's forecast::InvBoxCox: exp(y) for lambda = 0, else sign(u) |u|^(1 / lambda)
// with u = lambda y + 1; for lambda < 0, y > -1 / lambda (beyond the transform's range) gives NaN.
double InvBoxCox(double y, double lambda);

// The element-wise transforms of a series, n values in and out.
std::vector<double> BoxCox(std::span<const double> x, double lambda);
std::vector<double> InvBoxCox(std::span<const double> y, double lambda);

// The back-transformed mean of a variable whose transformed value has mean `mean` and variance
// `variance`, by the second-order Taylor expansion R's InvBoxCox(mean, lambda, biasadj = TRUE,
// fvar = variance) uses: b (1 + variance (1 - lambda) / (2 b^(2 lambda))), b = InvBoxCox(mean).
double InvBoxCoxBiasAdjusted(double mean, double variance, double lambda);

// Guerrero's (1993) lambda as R's forecast::BoxCox.lambda(x, method = "guerrero", lower, upper):
// the series' last floor(n / p) p values (p = max(2, period) rounded to the nearest integer, ties
// to even) are cut into blocks of p; lambda minimises the coefficient of variation of
// sd_i / mean_i^(1 - lambda) over the blocks (NaN values skipped, as na.rm = TRUE), found by the
// golden-section and parabolic search of R's optimize (Brent 1973) with R's default tolerance
// DBL_EPSILON^(1/4), so that the value is R's to far better than that tolerance.
// lower is raised to 0 when a value is 0 or negative. Returns 1 when n <= 2 period (as R does);
// NaN when lower >= upper after that, a bound is not finite, or period is not a number.
double GuerreroLambda(std::span<const double> x, double period, double lower = -1.0,
                      double upper = 2.0);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_BOXCOX_H
