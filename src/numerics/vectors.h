// Offset vectors and matrices, and the two error reporters.
//
// ivector(nl, nh), vector(nl, nh) and matrix(nrl, nrh, ncl, nch) return owning handles that are
// valid for exactly the index range asked for plus the one element before it (index nl - 1; for a
// matrix, row nrl - 1 of the row pointers and column ncl - 1 of the first row). get() yields the
// raw offset pointer (v.get()[nl] is the first element of the range) for routines that take one.
// The storage is released when the handle goes out of scope; a handle is null (false) when the
// storage could not be obtained, after the fatal box "Fatal error" has been shown. Elements are
// not initialised. No access checks its index.
#ifndef VORDEX_NUMERICS_VECTORS_H
#define VORDEX_NUMERICS_VECTORS_H

#include <cstddef>
#include <memory>

namespace vordex::numerics {

// Shows a warning box (style 0x30) with the given title and message and returns -code.
int ReportError(const char* title, const char* message, int code);

// Beeps and shows a stop box (style 0x10010) with the given title and message.
void FatalError(const char* title, const char* message);

// An owning offset handle to elements of type T.
template <class T>
class OffsetVector {
 public:
  OffsetVector() = default;
  OffsetVector(std::unique_ptr<T[]> block, long nl, long nh)
      : block_(std::move(block)), base_(block_.get() + 1 - nl), nl_(nl), nh_(nh) {}

  T& operator[](long i) const { return base_[i]; }
  T* get() const { return base_; }
  explicit operator bool() const { return block_ != nullptr; }
  long lo() const { return nl_; }
  long hi() const { return nh_; }

 private:
  std::unique_ptr<T[]> block_;
  T* base_ = nullptr;
  long nl_ = 0;
  long nh_ = -1;
};

using IVector = OffsetVector<int>;
using Vector = OffsetVector<double>;

// An owning row-pointer matrix: m[i][j] for nrl <= i <= nrh, ncl <= j <= nch, rows contiguous in
// one row-major block.
class Matrix {
 public:
  Matrix() = default;
  Matrix(std::unique_ptr<double*[]> rows, std::unique_ptr<double[]> block, long nrl, long ncl)
      : rows_(std::move(rows)), block_(std::move(block)), base_(rows_.get() + 1 - nrl) {
    (void)ncl;
  }

  double* operator[](long i) const { return base_[i]; }
  double** get() const { return base_; }
  explicit operator bool() const { return rows_ != nullptr; }

 private:
  std::unique_ptr<double*[]> rows_;
  std::unique_ptr<double[]> block_;
  double** base_ = nullptr;
};

// Integer vector valid for nl..nh (and nl - 1). A range with nh < nl - 1, or one too large to
// obtain, gives a null handle after the fatal box "malloc failure in ivector()".
IVector ivector(long nl, long nh);
// Double vector valid for nl..nh (and nl - 1); "malloc failure in vector()" on failure.
Vector vector(long nl, long nh);
// Matrix valid for [nrl..nrh][ncl..nch]; "malloc failure 1 in matrix()" when the row pointers and
// "malloc failure 2 in matrix()" when the data block cannot be obtained.
Matrix matrix(long nrl, long nrh, long ncl, long nch);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_VECTORS_H
