// Automation arrays as a host builds them, and the result variants as a host reads them back.
#ifndef VORDEX_TESTS_SUPPORT_AUTOMATION_H
#define VORDEX_TESTS_SUPPORT_AUTOMATION_H

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "vordex/automation.h"

namespace vordex::testing {

// A host-owned automation array: the holder destroys it at the end of its scope and expects the
// destruction to succeed, so a frame that destroyed or damaged the host's array is caught. A null
// array is allowed and left alone.
class HostArray {
 public:
  explicit HostArray(SAFEARRAY* a) : array(a) {}
  HostArray(const HostArray&) = delete;
  HostArray& operator=(const HostArray&) = delete;
  ~HostArray() {
    if (array != nullptr) {
      EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
  }

  SAFEARRAY* array = nullptr;
};

// A one-dimensional VT_I2 array holding `values` at indices lower .. lower + size - 1. The caller
// owns the array (wrap it in a HostArray); null when it cannot be created.
inline SAFEARRAY* OptionArray(const std::vector<short>& values, LONG lower = 0) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_I2, lower, static_cast<ULONG>(values.size()));
  if (a == nullptr) return nullptr;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    LONG at = lower + i;
    short v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &at, &v);
  }
  return a;
}

// A one-dimensional VT_R8 array holding `values` at indices lower .. lower + size - 1. The caller
// owns the array (wrap it in a HostArray); null when it cannot be created.
inline SAFEARRAY* DataArray(const std::vector<double>& values, LONG lower = 0) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_R8, lower, static_cast<ULONG>(values.size()));
  if (a == nullptr) return nullptr;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    LONG at = lower + i;
    double v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &at, &v);
  }
  return a;
}

// The status code of a VT_I2 result; expects that type and gives -1 for any other. Takes the
// variant over and clears it.
inline int StatusOf(VARIANT v) {
  EXPECT_EQ(v.vt, VT_I2);
  const int status = v.vt == VT_I2 ? v.iVal : -1;
  VariantClear(&v);
  return status;
}

// The text of a VT_BSTR result, one char per character; expects that type and gives "" for any
// other. Takes the variant over and clears it.
inline std::string TextOf(VARIANT v) {
  EXPECT_EQ(v.vt, VT_BSTR);
  std::string text;
  if (v.vt == VT_BSTR) {
    for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i)
      text.push_back(static_cast<char>(v.bstrVal[i]));
  }
  VariantClear(&v);
  return text;
}

// The cells of a VT_ARRAY | VT_R8 result in index order; expects that type, one dimension, lower
// bound 1 and every element readable, and gives no cells for any other type. Takes the variant
// over and clears it.
inline std::vector<double> CellsOf(VARIANT v) {
  std::vector<double> cells;
  EXPECT_EQ(v.vt, VT_ARRAY | VT_R8);
  if (v.vt == (VT_ARRAY | VT_R8)) {
    LONG lower = 0;
    LONG upper = -1;
    EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
    SafeArrayGetLBound(v.parray, 1, &lower);
    SafeArrayGetUBound(v.parray, 1, &upper);
    EXPECT_EQ(lower, 1);
    for (LONG i = lower; i <= upper; ++i) {
      double x = 0.0;
      EXPECT_EQ(SafeArrayGetElement(v.parray, &i, &x), S_OK);
      cells.push_back(x);
    }
  }
  VariantClear(&v);
  return cells;
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_AUTOMATION_H
