#include "armax/model.h"

#include <cmath>

namespace vordex::armax {

bool Armaxfe(double* x, double* W, const int& N, const Transform& transform, const int& d,
             const int& D, const int& s, int& n) {
  // Every value is tested before any is changed, so that a refused request leaves x as it was.
  if (transform == Transform::kLog) {
    for (int i = 0; i < N; ++i)
      if (!(x[i] > 0.0)) return false;
    for (int i = 0; i < N; ++i) x[i] = std::log(x[i]);
  } else if (transform == Transform::kSquareRoot) {
    for (int i = 0; i < N; ++i)
      if (x[i] < 0.0) return false;
    for (int i = 0; i < N; ++i) x[i] = std::sqrt(x[i]);
  }

  for (int i = 0; i < N; ++i) W[i] = x[i];

  // Pass j of (1 - B) leaves the j-th differences in W(j + 1 .. N); running t downwards reads
  // only values of the previous pass.
  for (int j = 1; j <= d; ++j)
    for (int t = N; t >= j + 1; --t) W[t - 1] -= W[t - 2];
  // Pass j of (1 - B^s), likewise from the end.
  for (int j = 1; j <= D; ++j)
    for (int t = N; t >= s + j; --t) W[t - 1] -= W[t - s - 1];

  n = N - d - s * D;
  return true;
}

}  // namespace vordex::armax
