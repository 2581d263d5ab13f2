// Sample quantiles of types 4 to 9 after R. J. Hyndman and Y. Fan, "Sample quantiles in
// statistical packages", The American Statistician 50 (1996) 361-365: the p-quantile is
// (1 - g) x(j) + g x(j+1) with j = floor(n p + m) and g = n p + m - j.
#include "numerics/quantiles.h"

#include <cmath>
#include <limits>

#include "numerics/vectors.h"

namespace vordex::numerics {
namespace {

constexpr const char* kTitle = "Error in Quantile";
// Values of h a hair below an integer (n p + m rounded down by representation error) count as
// that integer when choosing the order statistic.
constexpr double kFuzz = 1.0e-10;
constexpr double kThird = 0.3333333333333333;

// The offset m(p) of each type; NaN for a type that does not exist.
double Offset(int type, double p) {
  switch (type) {
    case 4:
      return 0.0;
    case 5:
      return 0.5;
    case 6:
      return p;
    case 7:
      return 1.0 - p;
    case 8:
      return (p + 1.0) * kThird;
    case 9:
      return p * 0.25 + 0.375;
    default:
      return std::numeric_limits<double>::quiet_NaN();
  }
}

// Restores the max-heap property below position k of the heap idx[1..size], keyed by x[idx[.]].
void SiftDown(const double x[], int idx[], int k, int size) {
  const int v = idx[k];
  while (2 * k <= size) {
    int c = 2 * k;
    if (c < size && x[idx[c + 1]] > x[idx[c]]) ++c;
    if (!(x[idx[c]] > x[v])) break;
    idx[k] = idx[c];
    k = c;
  }
  idx[k] = v;
}

}  // namespace

void IndexSort(int n, const double x[], int idx[]) {
  for (int i = 1; i <= n; ++i) idx[i] = i;
  if (n < 2) return;
  for (int k = n / 2; k >= 1; --k) SiftDown(x, idx, k, n);
  for (int size = n; size > 1; --size) {
    const int top = idx[1];
    idx[1] = idx[size];
    idx[size] = top;
    SiftDown(x, idx, 1, size - 1);
  }
}

double QuantileAt(const double x[], const int idx[], int n, double p, int type) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (n < 1 || type < 4 || type > 9 || std::isnan(p)) return nan;
  const double h = n * p + Offset(type, p);
  // Truncation of h + fuzz; kept within 0 .. n + 1 before conversion so that a probability
  // outside [0, 1] cannot overflow the integer.
  double jd = std::trunc(h + kFuzz);
  if (!(jd >= 0.0)) jd = 0.0;
  if (jd > n + 1.0) jd = n + 1.0;
  const int j = static_cast<int>(jd);
  const double g = h - j;
  const auto clamp = [n](int i) { return i < 1 ? 1 : (i > n ? n : i); };
  const double lo = x[idx[clamp(j)]];
  const double hi = x[idx[clamp(j + 1)]];
  return g * hi + (1.0 - g) * lo;
}

int Quantile(const double x[], int n, const double p[], int nprob, int type, double results[]) {
  for (int k = 0; k < nprob; ++k) {
    if (!(p[k] >= 0.0 && p[k] <= 1.0)) return ReportError(kTitle, "Probabilities outside (0,1)", 0);
  }
  if (type < 4 || type > 9) return ReportError(kTitle, "Quantile type not implemented", 0);
  if (n < 1) return ReportError(kTitle, "Empty sample", 0);
  auto idx = ivector(1, n);
  if (!idx) return ReportError(kTitle, "Vector allocation failure!", 0);
  IndexSort(n, x, idx.get());
  for (int k = 0; k < nprob; ++k) results[k] = QuantileAt(x, idx.get(), n, p[k], type);
  return 1;
}

}  // namespace vordex::numerics
