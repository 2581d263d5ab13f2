// Named tolerances for floating-point comparisons, each with the reason for its size.
#ifndef VORDEX_TESTS_SUPPORT_TOLERANCES_H
#define VORDEX_TESTS_SUPPORT_TOLERANCES_H

namespace vordex::testing {

// Closed forms evaluated in a few dozen operations: a few hundred ulps of 2.2e-16.
inline constexpr double kClosedForm = 1e-12;
// Long recursions and factorisations (hundreds of steps, condition numbers up to about 1e3).
inline constexpr double kRecursion = 1e-9;
// Two exact routes to the one-step prediction errors of a long series (innovations algorithm and
// Durbin-Levinson recursion), relative to the largest error.
inline constexpr double kRouteResidual = 1e-10;
// Results of an iterative minimiser stopped by a relative tolerance near 1e-8 on the objective:
// the argument is accurate to about the square root of that.
inline constexpr double kOptimiser = 1e-4;

// Roots from a backward-stable root finder: |p(z)| relative to sum |a_i| |z|^i stays within a
// small multiple of degree x eps (degree up to 100).
inline constexpr double kRootResidual = 1e-12;
// A root of multiplicity m is determined only to about eps^(1/m); for m <= 3 that is about 6e-6.
inline constexpr double kMultipleRoot = 1e-4;
// Laguerre's iteration stops once |p(z)| is below 1e-7 of its rounding bound; the cubic step
// before that leaves a simple, well-separated root (and the coefficients rebuilt from all roots)
// good to far better than 1e-7.
inline constexpr double kLaguerreRoot = 1e-7;
// The same stopping rule fixes a double root r of p = (z - r)^2 q only to about
// sqrt(1e-7 sum|a_j||r|^j / |q(r)|), a few 1e-4 for coefficients of order 10.
inline constexpr double kLaguerreDoubleRoot = 2e-3;
// Coefficients rebuilt from all Laguerre roots, relative to sum |a_j|: each accepted root leaves
// a relative residual up to 1e-7, a handful of roots a few times that.
inline constexpr double kLaguerreBackward = 1e-6;

// A peer's published estimates are rounded to 4 decimals (coefficients) and 2 (log-likelihood),
// and its optimiser stops at its own tolerance.
inline constexpr double kPeerCoefficient = 1e-3;
inline constexpr double kPeerLogLik = 0.01;
// A peer running the same algorithm, its values printed with ten decimals: agreement to the
// printed digits, relative.
inline constexpr double kPeerPrinted = 1e-9;
// A peer's forecasts from the same method whose parameters its own optimiser stopped at (R's
// Nelder-Mead leaves the smoothing parameter about 1e-4 relative from the optimum).
inline constexpr double kPeerForecast = 1e-4;

// A peer running the same filter at the same coefficients (R's arima, large-kappa start): kappa =
// 1e6 costs six of the sixteen digits in the diffuse steps' covariance updates; max seen 2.6e-12.
inline constexpr double kPeerSameFilter = 1e-9;
// A peer's maximum of the same likelihood, found by its own optimiser (R's BFGS with differenced
// gradients, relative tolerance 1e-14): the log-likelihoods differ in the second order of the
// estimates' difference (up to 1e-4 in a poorly determined coefficient); max seen 2.5e-13.
inline constexpr double kPeerMaximum = 1e-10;

// A peer's maximum of the same likelihood (R's BFGS on differenced gradients, relative tolerance
// 1e-14) against ours (Powell's direction sets, then Newton steps), relative: R stops up to 4e-10
// of the log-likelihood below ours, which moves poorly determined coefficients by a few 1e-7;
// max seen 8.2e-7 (coefficients), 1.7e-7 (forecasts), 1.1e-12 (log-likelihoods).
inline constexpr double kPeerEstimate = 1e-6;
// Standard errors from two numerical Hessians, relative: R's (optim's differences of 1e-4 of its
// parameter scale) move by up to 0.5% as that step goes from 1e-3 to 1e-5; max seen 4.9e-3.
inline constexpr double kPeerHessian = 1e-2;

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_TOLERANCES_H
