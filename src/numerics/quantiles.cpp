// Sample quantiles of types 4 to 9 after R. J. Hyndman and Y. Fan, "Sample quantiles in
// statistical packages", The American Statistician 50 (1996) 361-365: the p-quantile is
// (1 - g) x(j) + g x(j+1) with j = floor(n p + m) and g = n p + m - j.
#include "numerics/quantiles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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

// The two adjacent order statistics (1-based, clamped into 1..n) that the type-`type` quantile
// for p interpolates, and the weight g of the upper one; n >= 1, type in 4..9, p a number.
struct Pair {
  int lo = 1, hi = 1;
  double g = 0.0;
};

Pair OrderStatistics(int n, double p, int type) {
  const double h = n * p + Offset(type, p);
  // Truncation of h + fuzz; kept within 0 .. n + 1 before conversion so that a probability
  // outside [0, 1] cannot overflow the integer.
  double jd = std::trunc(h + kFuzz);
  if (!(jd >= 0.0)) jd = 0.0;
  if (jd > n + 1.0) jd = n + 1.0;
  const int j = static_cast<int>(jd);
  const auto clamp = [n](int i) { return i < 1 ? 1 : (i > n ? n : i); };
  return {clamp(j), clamp(j + 1), h - j};
}

// Ranges this short are sorted outright rather than split further.
constexpr int kSortBelow = 64;

// Rearranges z[first..last) (0-based) so that z[r] holds the value a full ascending sort puts
// there, for every rank r in ranks[0..count) (ascending, each in first..last-1): quickselect
// at the middle rank, then each side with its own ranks (Hoare's FIND; C. A. R. Hoare,
// "Algorithm 65: Find", CACM 4 (1961) 321), O(n log count) on average. A lone rank at either end
// of its range is the range's minimum or maximum.
void SelectRanks(double* z, int first, int last, const int* ranks, int count) {
  if (count <= 0) return;
  if (last - first <= kSortBelow) {
    std::sort(z + first, z + last);
    return;
  }
  if (count == 1 && ranks[0] == first) {
    std::iter_swap(z + first, std::min_element(z + first, z + last));
    return;
  }
  if (count == 1 && ranks[0] == last - 1) {
    std::iter_swap(z + last - 1, std::max_element(z + first, z + last));
    return;
  }
  const int m = count / 2;
  std::nth_element(z + first, z + ranks[m], z + last);
  SelectRanks(z, first, ranks[m], ranks, m);
  SelectRanks(z, ranks[m] + 1, last, ranks + m + 1, count - m - 1);
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
  if (n < 1 || type < 4 || type > 9 || std::isnan(p))
    return std::numeric_limits<double>::quiet_NaN();
  const Pair pair = OrderStatistics(n, p, type);
  return pair.g * x[idx[pair.hi]] + (1.0 - pair.g) * x[idx[pair.lo]];
}

int Quantile(const double x[], int n, const double p[], int nprob, int type, double results[]) {
  for (int k = 0; k < nprob; ++k) {
    if (!(p[k] >= 0.0 && p[k] <= 1.0)) return ReportError(kTitle, "Probabilities outside (0,1)", 0);
  }
  if (type < 4 || type > 9) return ReportError(kTitle, "Quantile type not implemented", 0);
  if (n < 1) return ReportError(kTitle, "Empty sample", 0);
  if (nprob <= 0) return 1;
  // The order statistics the probabilities read are found by selection, which gives the values
  // of a full sort when every value is a number other than zero: a NaN compares with nothing,
  // and -0 and +0 compare equal, so that which of them a sort puts first is the sort's own.
  // Otherwise the sample is sorted, as IndexSort orders it.
  const bool selectable =
      std::all_of(x + 1, x + n + 1, [](double v) { return v < 0.0 || v > 0.0; });
  if (selectable) {
    auto z = vector(1, n);
    if (!z) return ReportError(kTitle, "Vector allocation failure!", 0);
    std::copy(x + 1, x + n + 1, z.get() + 1);
    std::vector<Pair> pairs(static_cast<std::size_t>(nprob));
    std::vector<int> ranks;
    ranks.reserve(2 * pairs.size());
    for (int k = 0; k < nprob; ++k) {
      pairs[static_cast<std::size_t>(k)] = OrderStatistics(n, p[k], type);
      ranks.push_back(pairs[static_cast<std::size_t>(k)].lo - 1);
      ranks.push_back(pairs[static_cast<std::size_t>(k)].hi - 1);
    }
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    SelectRanks(z.get() + 1, 0, n, ranks.data(), static_cast<int>(ranks.size()));
    for (int k = 0; k < nprob; ++k) {
      const Pair& pair = pairs[static_cast<std::size_t>(k)];
      results[k] = pair.g * z[pair.hi] + (1.0 - pair.g) * z[pair.lo];
    }
    return 1;
  }
  auto idx = ivector(1, n);
  if (!idx) return ReportError(kTitle, "Vector allocation failure!", 0);
  IndexSort(n, x, idx.get());
  for (int k = 0; k < nprob; ++k) results[k] = QuantileAt(x, idx.get(), n, p[k], type);
  return 1;
}

}  // namespace vordex::numerics
