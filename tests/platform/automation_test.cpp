#include "vordex/automation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#if !defined(_WIN32)

namespace {

constexpr LONG kMinLong = std::numeric_limits<LONG>::min();
constexpr LONG kMaxLong = std::numeric_limits<LONG>::max();

// A string built from a narrow literal, for readable tests.
BSTR MakeString(const char* text) {
  const UINT n = static_cast<UINT>(std::strlen(text));
  BSTR s = SysAllocStringLen(nullptr, n);
  for (UINT i = 0; i < n; ++i) s[i] = static_cast<OLECHAR>(text[i]);
  return s;
}

bool Equals(BSTR s, const char* text) {
  if (s == nullptr) return false;
  const UINT n = SysStringLen(s);
  if (n != std::strlen(text)) return false;
  for (UINT i = 0; i < n; ++i) {
    if (s[i] != static_cast<OLECHAR>(text[i])) return false;
  }
  return true;
}

TEST(AutomationLayout, VariantAndArrayMatchWindows) {
  EXPECT_EQ(offsetof(VARIANT, vt), 0u);
  EXPECT_EQ(offsetof(VARIANT, dblVal), 8u);
  EXPECT_EQ(offsetof(VARIANT, parray), 8u);
  EXPECT_EQ(offsetof(VARIANT, bstrVal), 8u);
  EXPECT_EQ(sizeof(VARIANT), sizeof(void*) == 8 ? 24u : 16u);
  EXPECT_EQ(sizeof(SAFEARRAYBOUND), 8u);
  EXPECT_EQ(offsetof(SAFEARRAY, cDims), 0u);
  EXPECT_EQ(offsetof(SAFEARRAY, fFeatures), 2u);
  EXPECT_EQ(offsetof(SAFEARRAY, cbElements), 4u);
  EXPECT_EQ(offsetof(SAFEARRAY, cLocks), 8u);
  EXPECT_EQ(offsetof(SAFEARRAY, pvData), sizeof(void*) == 8 ? 16u : 12u);
  EXPECT_EQ(sizeof(SAFEARRAY), sizeof(void*) == 8 ? 32u : 24u);
  EXPECT_EQ(sizeof(OLECHAR), 2u);
  EXPECT_EQ(sizeof(LONG), 4u);
}

TEST(AutomationLayout, ConstantsHaveWindowsValues) {
  EXPECT_EQ(VT_I2, 2);
  EXPECT_EQ(VT_R8, 5);
  EXPECT_EQ(VT_BSTR, 8);
  EXPECT_EQ(VT_VARIANT, 12);
  EXPECT_EQ(VT_ARRAY, 0x2000);
  EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_BADINDEX), 0x8002000Bu);
  EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_ARRAYISLOCKED), 0x8002000Du);
  EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
  EXPECT_TRUE(FAILED(E_OUTOFMEMORY));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(SafeArray, VectorHasItsBoundsSizeTypeAndFeatures) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 1, 5);
  ASSERT_NE(psa, nullptr);
  LONG lb = 0, ub = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 5);
  EXPECT_EQ(SafeArrayGetDim(psa), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(psa), 8u);
  VARTYPE vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
  EXPECT_EQ(vt, VT_R8);
  EXPECT_TRUE(psa->fFeatures & FADF_HAVEVARTYPE);
  // The type also sits in the four bytes before the descriptor, where oleaut32 keeps it.
  std::uint32_t hidden = 0;
  std::memcpy(&hidden, reinterpret_cast<unsigned char*>(psa) - 4, 4);
  EXPECT_EQ(hidden, static_cast<std::uint32_t>(VT_R8));
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, ElementSizesAndUnsupportedTypes) {
  const struct {
    VARTYPE vt;
    UINT size;
  } cases[] = {{VT_I2, 2},
               {VT_I4, 4},
               {VT_R4, 4},
               {VT_R8, 8},
               {VT_BSTR, sizeof(BSTR)},
               {VT_VARIANT, sizeof(VARIANT)}};
  for (const auto& c : cases) {
    SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 0, 3);
    ASSERT_NE(psa, nullptr) << c.vt;
    EXPECT_EQ(SafeArrayGetElemsize(psa), c.size) << c.vt;
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
  for (VARTYPE vt : {VT_EMPTY, VT_NULL, VT_BOOL, VT_UI1, VT_CY, VT_DISPATCH, VT_I8}) {
    EXPECT_EQ(SafeArrayCreateVector(vt, 0, 3), nullptr) << vt;
  }
  SAFEARRAYBOUND bound = {3, 0};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 0, &bound), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_R8, 1, nullptr), nullptr);
}

TEST(SafeArray, StringAndVariantArraysCarryTheirFeatureFlags) {
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  ASSERT_NE(strings, nullptr);
  ASSERT_NE(variants, nullptr);
  EXPECT_EQ(strings->fFeatures, FADF_HAVEVARTYPE | FADF_BSTR);
  EXPECT_EQ(variants->fFeatures, FADF_HAVEVARTYPE | FADF_VARIANT);
  // New elements are null strings and empty variants.
  LONG i = 1;
  BSTR sentinel = MakeString("x");
  BSTR s = sentinel;
  EXPECT_EQ(SafeArrayGetElement(strings, &i, &s), S_OK);
  EXPECT_EQ(s, nullptr);
  SysFreeString(sentinel);
  VARIANT v;
  EXPECT_EQ(SafeArrayGetElement(variants, &i, &v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
}

TEST(SafeArray, ElementsRoundTripAndIndicesOutsideTheBoundsAreRefused) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I2, -2, 4);  // indices -2..1
  ASSERT_NE(psa, nullptr);
  for (LONG i = -2; i <= 1; ++i) {
    SHORT value = static_cast<SHORT>(100 * i - 7);
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &value), S_OK);
  }
  for (LONG i = -2; i <= 1; ++i) {
    SHORT value = 0;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &value), S_OK);
    EXPECT_EQ(value, 100 * i - 7);
  }
  SHORT value = 5;
  for (LONG bad : {LONG{-3}, LONG{2}, kMinLong, kMaxLong}) {
    EXPECT_EQ(SafeArrayGetElement(psa, &bad, &value), DISP_E_BADINDEX) << bad;
    EXPECT_EQ(SafeArrayPutElement(psa, &bad, &value), DISP_E_BADINDEX) << bad;
  }
  // The data sits contiguously from the lower bound.
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(static_cast<SHORT*>(data)[0], -207);
  EXPECT_EQ(static_cast<SHORT*>(data)[3], 93);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, DimensionsOutsideTheArrayAreRefused) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, 2);
  ASSERT_NE(psa, nullptr);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, NullArgumentsAreRefused) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, 2);
  ASSERT_NE(psa, nullptr);
  LONG i = 0;
  double x = 0.0;
  LONG bound = 0;
  VARTYPE vt = VT_EMPTY;
  void* data = nullptr;
  EXPECT_EQ(SafeArrayGetElement(nullptr, &i, &x), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(psa, nullptr, &x), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(psa, &i, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayPutElement(psa, &i, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
  EXPECT_EQ(SafeArrayAccessData(psa, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
  EXPECT_EQ(SafeArrayUnaccessData(nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
  VariantInit(nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LowerBoundsNearTheEndsOfTheLongRange) {
  SAFEARRAY* low = SafeArrayCreateVector(VT_R8, kMinLong, 3);
  ASSERT_NE(low, nullptr);
  LONG ub = 0;
  EXPECT_EQ(SafeArrayGetUBound(low, 1, &ub), S_OK);
  EXPECT_EQ(ub, kMinLong + 2);
  LONG i = kMinLong + 2;
  double x = 2.5;
  EXPECT_EQ(SafeArrayPutElement(low, &i, &x), S_OK);
  i = kMinLong + 3;
  EXPECT_EQ(SafeArrayPutElement(low, &i, &x), DISP_E_BADINDEX);
  i = kMaxLong;  // kMaxLong - kMinLong overflows 32 bits; must still be refused
  EXPECT_EQ(SafeArrayGetElement(low, &i, &x), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(low), S_OK);

  SAFEARRAY* high = SafeArrayCreateVector(VT_R8, kMaxLong - 1, 2);  // ends exactly at kMaxLong
  ASSERT_NE(high, nullptr);
  EXPECT_EQ(SafeArrayGetUBound(high, 1, &ub), S_OK);
  EXPECT_EQ(ub, kMaxLong);
  i = kMaxLong;
  x = -1.0;
  EXPECT_EQ(SafeArrayPutElement(high, &i, &x), S_OK);
  double y = 0.0;
  EXPECT_EQ(SafeArrayGetElement(high, &i, &y), S_OK);
  EXPECT_EQ(y, -1.0);
  i = kMinLong;  // kMinLong - (kMaxLong - 1) overflows 32 bits; must still be refused
  EXPECT_EQ(SafeArrayGetElement(high, &i, &y), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(high), S_OK);

  // An upper bound past kMaxLong (or below kMinLong for an empty dimension) cannot be reported.
  EXPECT_EQ(SafeArrayCreateVector(VT_R8, kMaxLong - 1, 3), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_R8, kMinLong, 0), nullptr);
}

TEST(SafeArray, EmptyArraysAreAllowedAndHaveNoElements) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 1, 0);
  ASSERT_NE(psa, nullptr);
  LONG lb = 0, ub = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 0);
  LONG i = 1;
  double x = 0.0;
  EXPECT_EQ(SafeArrayGetElement(psa, &i, &x), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  SAFEARRAYBOUND bounds[2] = {{3, 0}, {0, 0}};
  psa = SafeArrayCreate(VT_BSTR, 2, bounds);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, CountsWhoseProductOrByteSizeOverflowAreRefused) {
  // 2^32-1 squared times 2 elements exceeds 64 bits.
  SAFEARRAYBOUND count_overflow[3] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}, {2, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_I2, 3, count_overflow), nullptr);
  // 2^31 * 2^31 = 2^62 elements fit a 64-bit count, but 2^65 bytes of doubles do not.
  SAFEARRAYBOUND bytes_overflow[2] = {{0x80000000u, 0}, {0x80000000u, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 2, bytes_overflow), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, bytes_overflow), nullptr);
}

TEST(SafeArray, MultipleDimensionsFollowTheCallersOrder) {
  // Dimension 1 has indices 1..2, dimension 2 has indices 10..12.
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  // Stored reversed: rgsabound[0] describes the last dimension.
  EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
  EXPECT_EQ(psa->rgsabound[0].lLbound, 10);
  EXPECT_EQ(psa->rgsabound[1].cElements, 2u);
  EXPECT_EQ(psa->rgsabound[1].lLbound, 1);
  LONG lb = 0, ub = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 2);
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &ub), S_OK);
  EXPECT_EQ(lb, 10);
  EXPECT_EQ(ub, 12);
  for (LONG i = 1; i <= 2; ++i) {
    for (LONG j = 10; j <= 12; ++j) {
      LONG idx[2] = {i, j};
      LONG value = 10 * i + j;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  }
  // The first index varies fastest in memory: cell (i, j) is at (i - 1) + 2 (j - 10).
  auto* cells = static_cast<LONG*>(psa->pvData);
  for (LONG i = 1; i <= 2; ++i) {
    for (LONG j = 10; j <= 12; ++j) EXPECT_EQ(cells[(i - 1) + 2 * (j - 10)], 10 * i + j);
  }
  LONG out_of_range[2][2] = {{3, 10}, {1, 13}};
  LONG value = 0;
  for (auto& idx : out_of_range) {
    EXPECT_EQ(SafeArrayGetElement(psa, idx, &value), DISP_E_BADINDEX);
  }
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, StringElementsAreCopiedInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 2);
  ASSERT_NE(psa, nullptr);
  BSTR original = MakeString("alpha");
  LONG i = 0;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, original), S_OK);
  SysFreeString(original);  // the array keeps its own copy
  BSTR replaced = MakeString("beta");
  EXPECT_EQ(SafeArrayPutElement(psa, &i, replaced), S_OK);  // releases "alpha"
  SysFreeString(replaced);
  BSTR out = nullptr;
  EXPECT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_TRUE(Equals(out, "beta"));
  EXPECT_NE(out, static_cast<BSTR*>(psa->pvData)[0]);  // a copy the caller owns
  SysFreeString(out);
  i = 1;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, nullptr), S_OK);  // a null string is a valid value
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);                  // releases "beta"
}

TEST(SafeArray, VariantElementsAreDeepCopies) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 1, 3);
  ASSERT_NE(psa, nullptr);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = MakeString("gamma");
  LONG i = 1;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), S_OK);
  EXPECT_EQ(VariantClear(&v), S_OK);
  v.vt = VT_ARRAY | VT_R8;
  v.parray = SafeArrayCreateVector(VT_R8, 0, 2);
  ASSERT_NE(v.parray, nullptr);
  LONG k = 1;
  double x = 4.5;
  ASSERT_EQ(SafeArrayPutElement(v.parray, &k, &x), S_OK);
  i = 2;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), S_OK);
  EXPECT_EQ(VariantClear(&v), S_OK);
  v.vt = VT_R8;
  v.dblVal = 1.25;
  i = 3;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), S_OK);

  VARIANT out;
  i = 1;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(out.vt, VT_BSTR);
  EXPECT_TRUE(Equals(out.bstrVal, "gamma"));
  EXPECT_EQ(VariantClear(&out), S_OK);
  i = 2;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(out.vt, VT_ARRAY | VT_R8);
  double y = 0.0;
  EXPECT_EQ(SafeArrayGetElement(out.parray, &k, &y), S_OK);
  EXPECT_EQ(y, 4.5);
  EXPECT_EQ(VariantClear(&out), S_OK);
  i = 3;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(out.vt, VT_R8);
  EXPECT_EQ(out.dblVal, 1.25);
  // The sanitizer build proves that destroy releases the string and the nested array once.
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LockedArraysCannotBeDestroyed) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 1);
  ASSERT_NE(psa, nullptr);
  LONG i = 0;
  BSTR s = MakeString("kept");
  ASSERT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);
  SysFreeString(s);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(psa->cLocks, 2u);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  EXPECT_TRUE(Equals(static_cast<BSTR*>(data)[0], "kept"));  // nothing was released
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);
  // A variant holding a locked array is not cleared either.
  VARIANT v;
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = psa;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(Variant, InitClearAndCopy) {
  VARIANT v;
  std::memset(&v, 0xAB, sizeof v);
  VariantInit(&v);
  EXPECT_EQ(v.vt, VT_EMPTY);
  v.vt = VT_BSTR;
  v.bstrVal = MakeString("delta");
  VARIANT w;
  VariantInit(&w);
  ASSERT_EQ(VariantCopy(&w, &v), S_OK);
  EXPECT_EQ(w.vt, VT_BSTR);
  EXPECT_NE(w.bstrVal, v.bstrVal);
  EXPECT_TRUE(Equals(w.bstrVal, "delta"));
  // Copying over a string releases it first (the sanitizer build would see a leak otherwise).
  ASSERT_EQ(VariantCopy(&w, &v), S_OK);
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(VariantClear(&w), S_OK);
  v.vt = 15;  // not a variant type
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(&w, &v), DISP_E_BADVARTYPE);
}

TEST(String, LengthPrefixAndTerminator) {
  const OLECHAR text[] = u"h\u00e9llo";
  BSTR s = SysAllocStringLen(text, 5);
  ASSERT_NE(s, nullptr);
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<unsigned char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 10u);  // bytes, not characters
  EXPECT_EQ(SysStringLen(s), 5u);
  EXPECT_EQ(s[1], u'\u00e9');
  EXPECT_EQ(s[5], 0);
  SysFreeString(s);

  // Embedded nulls are kept: the prefix, not the terminator, gives the length.
  const OLECHAR with_null[] = {u'a', 0, u'b'};
  s = SysAllocStringLen(with_null, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[2], u'b');
  SysFreeString(s);

  s = SysAllocStringLen(nullptr, 4);  // content left to the caller, terminator set
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 4u);
  EXPECT_EQ(s[4], 0);
  SysFreeString(s);

  s = SysAllocString(u"xyz");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  SysFreeString(s);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  // A byte length that does not fit the 32-bit prefix.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

}  // namespace

#endif  // !_WIN32
