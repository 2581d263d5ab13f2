#include "vordex/automation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#if !defined(_WIN32)

namespace {

constexpr LONG kMinLong = std::numeric_limits<LONG>::min();
constexpr LONG kMaxLong = std::numeric_limits<LONG>::max();
constexpr std::size_t kPointer = sizeof(void*);

// A string built from a narrow literal, for readable tests.
BSTR MakeString(const char* text) {
  const UINT n = static_cast<UINT>(std::strlen(text));
  BSTR s = SysAllocStringLen(nullptr, n);
  for (UINT i = 0; i < n; ++i) s[i] = static_cast<OLECHAR>(text[i]);
  return s;
}

bool Equals(BSTR s, const char* text) {
  if (s == nullptr || SysStringLen(s) != std::strlen(text)) return false;
  for (UINT i = 0; i < SysStringLen(s); ++i)
    if (s[i] != static_cast<OLECHAR>(text[i])) return false;
  return true;
}

// The lower and upper bound of dimension dim, each call expected to succeed.
std::pair<LONG, LONG> Bounds(SAFEARRAY* psa, UINT dim) {
  LONG lb = 0, ub = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, dim, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, dim, &ub), S_OK);
  return {lb, ub};
}

TEST(AutomationLayout, VariantArrayAndConstantsMatchWindows) {
  const std::pair<std::size_t, std::size_t> layout[] = {
      {offsetof(VARIANT, vt), 0},
      {offsetof(VARIANT, dblVal), 8},
      {offsetof(VARIANT, parray), 8},
      {offsetof(VARIANT, bstrVal), 8},
      {sizeof(VARIANT), kPointer == 8 ? 24 : 16},
      {sizeof(SAFEARRAYBOUND), 8},
      {offsetof(SAFEARRAY, cDims), 0},
      {offsetof(SAFEARRAY, fFeatures), 2},
      {offsetof(SAFEARRAY, cbElements), 4},
      {offsetof(SAFEARRAY, cLocks), 8},
      {offsetof(SAFEARRAY, pvData), kPointer == 8 ? 16 : 12},
      {sizeof(SAFEARRAY), kPointer == 8 ? 32 : 24},
      {sizeof(OLECHAR), 2},
      {sizeof(LONG), 4},
  };
  for (std::size_t i = 0; i < std::size(layout); ++i)
    EXPECT_EQ(layout[i].first, layout[i].second) << "entry " << i;
  const std::pair<std::uint32_t, std::uint32_t> constants[] = {
      {VT_I2, 2},
      {VT_R8, 5},
      {VT_BSTR, 8},
      {VT_VARIANT, 12},
      {VT_ARRAY, 0x2000},
      {static_cast<std::uint32_t>(DISP_E_BADINDEX), 0x8002000Bu},
      {static_cast<std::uint32_t>(DISP_E_ARRAYISLOCKED), 0x8002000Du},
      {static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u},
  };
  for (const auto& [value, windows] : constants) EXPECT_EQ(value, windows);
  EXPECT_TRUE(FAILED(E_OUTOFMEMORY));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(SafeArray, VectorsCarryBoundsTypeSizeFeaturesAndEmptyElements) {
  const struct {
    VARTYPE vt;
    UINT size;
    USHORT features;
  } cases[] = {{VT_I2, 2, FADF_HAVEVARTYPE},
               {VT_I4, 4, FADF_HAVEVARTYPE},
               {VT_R4, 4, FADF_HAVEVARTYPE},
               {VT_R8, 8, FADF_HAVEVARTYPE},
               {VT_BSTR, sizeof(BSTR), FADF_HAVEVARTYPE | FADF_BSTR},
               {VT_VARIANT, sizeof(VARIANT), FADF_HAVEVARTYPE | FADF_VARIANT}};
  for (const auto& c : cases) {
    SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 1, 5);
    ASSERT_NE(psa, nullptr) << c.vt;
    EXPECT_EQ(Bounds(psa, 1), (std::pair<LONG, LONG>{1, 5}));
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), c.size) << c.vt;
    EXPECT_EQ(psa->fFeatures, c.features) << c.vt;
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    // The type also sits in the four bytes before the descriptor, where oleaut32 keeps it.
    std::uint32_t hidden = 0;
    std::memcpy(&hidden, reinterpret_cast<unsigned char*>(psa) - 4, 4);
    EXPECT_EQ(hidden, static_cast<std::uint32_t>(c.vt));
    // New elements are zero: null strings and empty variants.
    LONG i = 5;
    VARIANT element;
    std::memset(&element, 0xAB, sizeof element);
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &element), S_OK);
    if (c.vt == VT_VARIANT) {
      EXPECT_EQ(element.vt, VT_EMPTY);
    } else {
      for (UINT b = 0; b < c.size; ++b) EXPECT_EQ(reinterpret_cast<unsigned char*>(&element)[b], 0);
    }
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
  for (VARTYPE vt : {VT_EMPTY, VT_NULL, VT_BOOL, VT_UI1, VT_CY, VT_DISPATCH, VT_I8})
    EXPECT_EQ(SafeArrayCreateVector(vt, 0, 3), nullptr) << vt;
  SAFEARRAYBOUND bound = {3, 0};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 0, &bound), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_R8, 1, nullptr), nullptr);
  // Empty arrays are allowed and have no elements.
  SAFEARRAY* empty = SafeArrayCreateVector(VT_R8, 1, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(Bounds(empty, 1), (std::pair<LONG, LONG>{1, 0}));
  LONG i = 1;
  double x = 0.0;
  EXPECT_EQ(SafeArrayGetElement(empty, &i, &x), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
  SAFEARRAYBOUND bounds[2] = {{3, 0}, {0, 0}};
  EXPECT_EQ(SafeArrayDestroy(SafeArrayCreate(VT_BSTR, 2, bounds)), S_OK);
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

TEST(SafeArray, NullArgumentsAndDimensionsOutsideTheArrayAreRefused) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, 2);
  ASSERT_NE(psa, nullptr);
  LONG i = 0, bound = 0;
  double x = 0.0;
  VARTYPE vt = VT_EMPTY;
  void* data = nullptr;
  const HRESULT results[] = {SafeArrayGetElement(nullptr, &i, &x),
                             SafeArrayGetElement(psa, nullptr, &x),
                             SafeArrayGetElement(psa, &i, nullptr),
                             SafeArrayPutElement(psa, &i, nullptr),
                             SafeArrayGetLBound(nullptr, 1, &bound),
                             SafeArrayGetUBound(psa, 1, nullptr),
                             SafeArrayGetVartype(nullptr, &vt),
                             SafeArrayAccessData(psa, nullptr),
                             SafeArrayAccessData(nullptr, &data),
                             SafeArrayUnaccessData(nullptr),
                             VariantClear(nullptr)};
  for (std::size_t k = 0; k < std::size(results); ++k) EXPECT_EQ(results[k], E_INVALIDARG) << k;
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  VariantInit(nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LowerBoundsNearTheEndsOfTheLongRange) {
  // kMaxLong - kMinLong overflows 32 bits: an index that far away must still be refused.
  const struct {
    LONG lower;
    ULONG count;
    LONG inside, outside;
  } cases[] = {{kMinLong, 3, kMinLong + 2, kMaxLong}, {kMaxLong - 1, 2, kMaxLong, kMinLong}};
  for (const auto& c : cases) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, c.lower, c.count);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(Bounds(psa, 1).second, c.lower + static_cast<LONG>(c.count - 1));
    LONG i = c.inside;
    double x = -1.0, y = 0.0;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &x), S_OK);
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &y), S_OK);
    EXPECT_EQ(y, -1.0);
    i = c.outside;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &y), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
  LONG i = kMinLong + 3;
  double x = 0.0;
  SAFEARRAY* low = SafeArrayCreateVector(VT_R8, kMinLong, 3);
  EXPECT_EQ(SafeArrayPutElement(low, &i, &x), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(low), S_OK);
  // An upper bound past kMaxLong (or below kMinLong for an empty dimension) cannot be reported.
  EXPECT_EQ(SafeArrayCreateVector(VT_R8, kMaxLong - 1, 3), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_R8, kMinLong, 0), nullptr);
  // 2^32-1 squared times 2 elements exceeds 64 bits; 2^31 * 2^31 = 2^62 elements fit a 64-bit
  // count, but 2^65 bytes of doubles do not.
  SAFEARRAYBOUND count_overflow[3] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}, {2, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_I2, 3, count_overflow), nullptr);
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
  EXPECT_EQ(Bounds(psa, 1), (std::pair<LONG, LONG>{1, 2}));
  EXPECT_EQ(Bounds(psa, 2), (std::pair<LONG, LONG>{10, 12}));
  for (LONG i = 1; i <= 2; ++i) {
    for (LONG j = 10; j <= 12; ++j) {
      LONG idx[2] = {i, j};
      LONG value = 10 * i + j;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  }
  // The first index varies fastest in memory: cell (i, j) is at (i - 1) + 2 (j - 10).
  auto* cells = static_cast<LONG*>(psa->pvData);
  for (LONG i = 1; i <= 2; ++i)
    for (LONG j = 10; j <= 12; ++j) EXPECT_EQ(cells[(i - 1) + 2 * (j - 10)], 10 * i + j);
  LONG out_of_range[2][2] = {{3, 10}, {1, 13}};
  LONG value = 0;
  for (auto& idx : out_of_range) EXPECT_EQ(SafeArrayGetElement(psa, idx, &value), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, StringAndVariantElementsAreDeepCopiesInAndOut) {
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
  ASSERT_NE(strings, nullptr);
  LONG i = 0;
  for (const char* text : {"alpha", "beta"}) {  // the second put releases "alpha"
    BSTR s = MakeString(text);
    EXPECT_EQ(SafeArrayPutElement(strings, &i, s), S_OK);
    SysFreeString(s);  // the array keeps its own copy
  }
  BSTR out = nullptr;
  EXPECT_EQ(SafeArrayGetElement(strings, &i, &out), S_OK);
  EXPECT_TRUE(Equals(out, "beta"));
  EXPECT_NE(out, static_cast<BSTR*>(strings->pvData)[0]);  // a copy the caller owns
  SysFreeString(out);
  i = 1;
  EXPECT_EQ(SafeArrayPutElement(strings, &i, nullptr), S_OK);  // a null string is a valid value
  EXPECT_EQ(SafeArrayDestroy(strings), S_OK);                  // releases "beta"

  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 1, 3);
  ASSERT_NE(variants, nullptr);
  VARIANT v[3];
  v[0].vt = VT_BSTR;
  v[0].bstrVal = MakeString("gamma");
  v[1].vt = VT_ARRAY | VT_R8;
  v[1].parray = SafeArrayCreateVector(VT_R8, 0, 2);
  LONG k = 1;
  double x = 4.5;
  ASSERT_EQ(SafeArrayPutElement(v[1].parray, &k, &x), S_OK);
  v[2].vt = VT_R8;
  v[2].dblVal = 1.25;
  for (i = 1; i <= 3; ++i) {
    EXPECT_EQ(SafeArrayPutElement(variants, &i, &v[i - 1]), S_OK);
    EXPECT_EQ(VariantClear(&v[i - 1]), S_OK);
  }
  VARIANT got[3];
  for (i = 1; i <= 3; ++i) ASSERT_EQ(SafeArrayGetElement(variants, &i, &got[i - 1]), S_OK);
  EXPECT_EQ(got[0].vt, VT_BSTR);
  EXPECT_TRUE(Equals(got[0].bstrVal, "gamma"));
  EXPECT_EQ(got[1].vt, VT_ARRAY | VT_R8);
  double y = 0.0;
  EXPECT_EQ(SafeArrayGetElement(got[1].parray, &k, &y), S_OK);
  EXPECT_EQ(y, 4.5);
  EXPECT_EQ(got[2].vt, VT_R8);
  EXPECT_EQ(got[2].dblVal, 1.25);
  for (VARIANT& g : got) EXPECT_EQ(VariantClear(&g), S_OK);
  // The sanitizer build proves that destroy releases the string and the nested array once.
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
}

TEST(SafeArray, LockedArraysCannotBeDestroyedOrCleared) {
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

TEST(String, LengthPrefixTerminatorAndEmbeddedNulls) {
  // The prefix counts bytes, not characters, and gives the length even past an embedded null.
  const OLECHAR text[] = u"h\u00e9llo";
  const OLECHAR with_null[] = {u'a', 0, u'b'};
  const struct {
    BSTR s;
    UINT length;
  } cases[] = {{SysAllocStringLen(text, 5), 5},
               {SysAllocStringLen(with_null, 3), 3},
               {SysAllocStringLen(nullptr, 4), 4},  // content left to the caller
               {SysAllocString(u"xyz"), 3}};
  for (const auto& c : cases) {
    ASSERT_NE(c.s, nullptr);
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<unsigned char*>(c.s) - 4, 4);
    EXPECT_EQ(prefix, 2 * c.length);
    EXPECT_EQ(SysStringLen(c.s), c.length);
    EXPECT_EQ(c.s[c.length], 0);
  }
  EXPECT_EQ(cases[0].s[1], u'\u00e9');
  EXPECT_EQ(cases[1].s[2], u'b');
  for (const auto& c : cases) SysFreeString(c.s);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  // A byte length that does not fit the 32-bit prefix.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

}  // namespace

#endif  // !_WIN32
