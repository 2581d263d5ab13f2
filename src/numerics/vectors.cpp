#include "numerics/vectors.h"

#include <limits>
#include <new>

#include "platform/messages.h"

namespace vordex::numerics {
namespace {

// Number of elements in a block for the range nl..nh plus the element before it, or 0 when the
// range is reversed beyond an empty one or too large to address.
template <class T>
std::size_t BlockLength(long nl, long nh) {
  if (nh < nl - 1) return 0;
  const long double count = static_cast<long double>(nh) - static_cast<long double>(nl) + 2.0L;
  if (count > static_cast<long double>(std::numeric_limits<std::ptrdiff_t>::max() / sizeof(T)))
    return 0;
  return static_cast<std::size_t>(count);
}

template <class T>
std::unique_ptr<T[]> Obtain(std::size_t length) {
  if (length == 0) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[length]);
}

}  // namespace

int ReportError(const char* title, const char* message, int code) {
  platform::ShowMessage(title, message, platform::kStyleWarning);
  return -code;
}

void FatalError(const char* title, const char* message) {
  platform::ShowMessage(title, message, platform::kStyleStop);
}

IVector ivector(long nl, long nh) {
  auto block = Obtain<int>(BlockLength<int>(nl, nh));
  if (!block) {
    FatalError("Fatal error", "malloc failure in ivector()");
    return {};
  }
  return IVector(std::move(block), nl, nh);
}

Vector vector(long nl, long nh) {
  auto block = Obtain<double>(BlockLength<double>(nl, nh));
  if (!block) {
    FatalError("Fatal error", "malloc failure in vector()");
    return {};
  }
  return Vector(std::move(block), nl, nh);
}

Matrix matrix(long nrl, long nrh, long ncl, long nch) {
  auto rows = Obtain<double*>(BlockLength<double*>(nrl, nrh));
  if (!rows) {
    FatalError("Fatal error", "malloc failure 1 in matrix()");
    return {};
  }
  const std::size_t nrow = BlockLength<double>(nrl, nrh) - 1;
  const std::size_t ncol = BlockLength<double>(ncl, nch) - 1;
  std::unique_ptr<double[]> block;
  if (nch >= ncl - 1 &&
      (ncol == 0 ||
       nrow <= (std::numeric_limits<std::ptrdiff_t>::max() / sizeof(double) - 1) / ncol))
    block = Obtain<double>(nrow * ncol + 1);
  if (!block) {
    FatalError("Fatal error", "malloc failure 2 in matrix()");
    return {};
  }
  // Row nrl starts one double past the block's start, moved back by ncl; row i + 1 starts ncol
  // doubles after row i. Row nrl - 1 is given the same start as row nrl less one row, so that
  // m[nrl - 1] is storage of the row-pointer array and never dereferenced by the library.
  double** base = rows.get() + 1 - nrl;
  double* first = block.get() + 1 - ncl;
  rows[0] = nullptr;
  for (std::size_t r = 0; r < nrow; ++r) base[nrl + static_cast<long>(r)] = first + r * ncol;
  return Matrix(std::move(rows), std::move(block), nrl, ncl);
}

}  // namespace vordex::numerics
