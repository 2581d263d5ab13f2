// Polynomials built from chosen roots, and the distance from found roots to the chosen ones: the
// expected values of root finders and eigenvalue routines by construction.
#ifndef VORDEX_TESTS_SUPPORT_ROOTS_H
#define VORDEX_TESTS_SUPPORT_ROOTS_H

#include <algorithm>
#include <complex>
#include <limits>
#include <vector>

namespace vordex::testing {

using Complex = std::complex<double>;

// Coefficients a[0..m] (constant first) of prod (z - r_k), multiplied out in complex arithmetic.
// Real when the complex roots come with their conjugates.
inline std::vector<Complex> PolynomialFromRoots(const std::vector<Complex>& roots) {
  std::vector<Complex> a = {1.0};
  for (const Complex& r : roots) {
    std::vector<Complex> next(a.size() + 1, 0.0);
    for (std::size_t j = 0; j < a.size(); ++j) {
      next[j + 1] += a[j];
      next[j] -= r * a[j];
    }
    a = next;
  }
  return a;
}

// The real parts of PolynomialFromRoots.
inline std::vector<double> RealPolynomialFromRoots(const std::vector<Complex>& roots) {
  std::vector<double> a;
  for (const Complex& c : PolynomialFromRoots(roots)) a.push_back(c.real());
  return a;
}

// The largest of |found - r| / (1 + |r|) over the expected roots r, each paired with the nearest
// found root not paired before; infinity when the counts differ.
inline double RootMismatch(std::vector<Complex> found, const std::vector<Complex>& expected) {
  if (found.size() != expected.size()) return std::numeric_limits<double>::infinity();
  double worst = 0.0;
  for (const Complex& r : expected) {
    const auto best = std::min_element(found.begin(), found.end(), [&r](Complex a, Complex b) {
      return std::abs(a - r) < std::abs(b - r);
    });
    worst = std::max(worst, std::abs(*best - r) / (1.0 + std::abs(r)));
    found.erase(best);
  }
  return worst;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_ROOTS_H
