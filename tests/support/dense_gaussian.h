// The exact Gaussian likelihood of a short stationary series by a dense factorisation of its
// covariance matrix: the O(n^3) route that the engines' filters are checked against.
#ifndef VORDEX_TESTS_SUPPORT_DENSE_GAUSSIAN_H
#define VORDEX_TESTS_SUPPORT_DENSE_GAUSSIAN_H

#include <cmath>
#include <numbers>
#include <vector>

namespace vordex::testing {

struct DenseGaussian {
  double mu = 0.0;        // the generalized least-squares mean (0 when none is fitted)
  std::vector<double> e;  // the innovations L^-1 (w - mu)
  std::vector<double> v;  // their variances
  double sse = 0.0;       // sum e(t)^2 / v(t)
  double G = 1.0;         // prod v(t), the determinant of the covariance matrix
  // n ln(sse) + ln G, the objective with sigma2 concentrated out.
  double Objective() const { return static_cast<double>(e.size()) * std::log(sse) + std::log(G); }
  // The Gaussian log-likelihood at sigma2 = sse / n.
  double LogLikelihood() const {
    const double n = static_cast<double>(e.size());
    return -0.5 * (n * std::log(2.0 * std::numbers::pi * sse / n) + std::log(G) + n);
  }
};

// w = mu + u with u stationary of autocovariances gamma(0..n-1) (unit innovation variance): the
// LDL' factorisation of the Toeplitz covariance matrix, and the mean when asked for.
inline DenseGaussian DenseGaussianFit(const std::vector<double>& w,
                                      const std::vector<double>& gamma, bool mean) {
  const std::size_t n = w.size();
  std::vector<std::vector<double>> L(n, std::vector<double>(n, 0.0));
  DenseGaussian fit;
  fit.v.assign(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    L[i][i] = 1.0;
    for (std::size_t j = 0; j <= i; ++j) {
      double sum = gamma[i - j];
      for (std::size_t k = 0; k < j; ++k) sum -= L[i][k] * L[j][k] * fit.v[k];
      if (i == j)
        fit.v[i] = sum;
      else
        L[i][j] = sum / fit.v[j];
    }
  }
  // z = L^-1 y by forward substitution.
  const auto solve = [&](std::vector<double> z) {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t k = 0; k < i; ++k) z[i] -= L[i][k] * z[k];
    return z;
  };
  if (mean) {
    // mu = (1' S^-1 w) / (1' S^-1 1) with S^-1 = L^-T V^-1 L^-1.
    const std::vector<double> zw = solve(w), z1 = solve(std::vector<double>(n, 1.0));
    double num = 0.0, den = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      num += z1[i] * zw[i] / fit.v[i];
      den += z1[i] * z1[i] / fit.v[i];
    }
    fit.mu = num / den;
  }
  std::vector<double> centred(w);
  for (double& x : centred) x -= fit.mu;
  fit.e = solve(centred);
  for (std::size_t i = 0; i < n; ++i) {
    fit.sse += fit.e[i] * fit.e[i] / fit.v[i];
    fit.G *= fit.v[i];
  }
  return fit;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_DENSE_GAUSSIAN_H
