// OLE Automation arrays, variants and strings for platforms without oleaut32.
//
// Layouts follow Windows: a SAFEARRAY descriptor is preceded by 16 hidden bytes whose last four
// hold the element type (flag FADF_HAVEVARTYPE); a BSTR is preceded by its length in bytes and
// followed by a null character. Every index is checked before memory is touched.
#if !defined(_WIN32)

#include "vordex/automation.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Bytes in front of the descriptor, as in oleaut32; the element type sits in the last four.
constexpr std::size_t kHiddenBytes = 16;
// oleaut32 refuses a further lock once this many are held.
constexpr ULONG kMaxLocks = 0xFFFF;
constexpr USHORT kForeignData = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

// The size of one element of the supported types, 0 for any other type.
ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
      return 2;
    case VT_I4:
    case VT_R4:
      return 4;
    case VT_R8:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

std::size_t DescriptorBytes(UINT cDims) {
  return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
}

void SetHiddenVartype(SAFEARRAY* psa, VARTYPE vt) {
  const std::uint32_t value = vt;
  std::memcpy(reinterpret_cast<unsigned char*>(psa) - sizeof value, &value, sizeof value);
}

VARTYPE HiddenVartype(const SAFEARRAY* psa) {
  std::uint32_t value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(psa) - sizeof value, sizeof value);
  return static_cast<VARTYPE>(value);
}

void FreeDescriptor(SAFEARRAY* psa) {
  std::free(reinterpret_cast<unsigned char*>(psa) - kHiddenBytes);
}

// The number of elements, or false when it does not fit a size_t.
bool ElementCount(const SAFEARRAY* psa, std::size_t* count) {
  std::size_t n = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const std::size_t c = psa->rgsabound[d].cElements;
    if (c != 0 && n > std::numeric_limits<std::size_t>::max() / c) return false;
    n *= c;
  }
  *count = n;
  return true;
}

// The cell addressed by rgIndices (caller's dimension order, see automation.h), or null when an
// index lies outside its dimension. Differences are formed in 64 bits so that bounds near the
// ends of the 32-bit range cannot overflow.
void* CellAddress(SAFEARRAY* psa, const LONG* rgIndices) {
  std::size_t cell = 0;
  std::size_t stride = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - i];
    const std::int64_t offset = static_cast<std::int64_t>(rgIndices[i]) - b.lLbound;
    if (offset < 0 || offset >= static_cast<std::int64_t>(b.cElements)) return nullptr;
    cell += static_cast<std::size_t>(offset) * stride;
    stride *= b.cElements;
  }
  if (psa->pvData == nullptr) return nullptr;
  return static_cast<unsigned char*>(psa->pvData) + cell * psa->cbElements;
}

bool ValidVariantType(VARTYPE vt) {
  if ((vt & VT_ARRAY) && (vt & VT_BYREF) == 0 && (vt & 0x0FFF) == VT_EMPTY) return false;
  const VARTYPE base = vt & 0x0FFF;
  if (vt & ~(VT_ARRAY | VT_BYREF | 0x0FFF)) return false;
  if (base > VT_UINT || base == 15) return false;
  // VT_VARIANT only exists as an array or reference element type.
  if (base == VT_VARIANT && (vt & (VT_ARRAY | VT_BYREF)) == 0) return false;
  return true;
}

// Releases the owned content of every element of a string or variant array.
void ClearElements(SAFEARRAY* psa) {
  std::size_t count = 0;
  if (psa->pvData == nullptr || !ElementCount(psa, &count)) return;
  if (psa->fFeatures & FADF_BSTR) {
    auto* cells = static_cast<BSTR*>(psa->pvData);
    for (std::size_t i = 0; i < count; ++i) {
      SysFreeString(cells[i]);
      cells[i] = nullptr;
    }
  } else if (psa->fFeatures & FADF_VARIANT) {
    auto* cells = static_cast<VARIANT*>(psa->pvData);
    for (std::size_t i = 0; i < count; ++i) VariantClear(&cells[i]);
  }
}

// A deep copy of one element of type vt (from a string or variant array) into uninitialised dst.
HRESULT CopyElement(VARTYPE vt, void* dst, const void* src) {
  if (vt == VT_BSTR) {
    const BSTR s = *static_cast<const BSTR*>(src);
    BSTR copy = nullptr;
    if (s != nullptr) {
      copy = SysAllocStringLen(s, SysStringLen(s));
      if (copy == nullptr) return E_OUTOFMEMORY;
    }
    *static_cast<BSTR*>(dst) = copy;
    return S_OK;
  }
  if (vt == VT_VARIANT) {
    auto* d = static_cast<VARIANT*>(dst);
    VariantInit(d);
    return VariantCopy(d, static_cast<const VARIANT*>(src));
  }
  std::memcpy(dst, src, ElementSize(vt));
  return S_OK;
}

VARTYPE ArrayVartype(SAFEARRAY* psa) {
  VARTYPE vt = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(psa, &vt))) return VT_EMPTY;
  return vt;
}

}  // namespace

extern "C" {

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  const ULONG size = ElementSize(vt);
  if (size == 0 || cDims == 0 || cDims > 0xFFFF || rgsabound == nullptr) return nullptr;
  std::size_t count = 1;
  for (UINT d = 0; d < cDims; ++d) {
    const SAFEARRAYBOUND& b = rgsabound[d];
    const std::int64_t last = static_cast<std::int64_t>(b.lLbound) + b.cElements - 1;
    if (last > std::numeric_limits<LONG>::max() || last < std::numeric_limits<LONG>::min()) {
      return nullptr;
    }
    if (b.cElements != 0 && count > std::numeric_limits<std::size_t>::max() / b.cElements) {
      return nullptr;
    }
    count *= b.cElements;
  }
  if (count > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / size) {
    return nullptr;
  }
  const std::size_t bytes = count * size;

  auto* block = static_cast<unsigned char*>(std::calloc(1, kHiddenBytes + DescriptorBytes(cDims)));
  if (block == nullptr) return nullptr;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHiddenBytes);
  psa->cDims = static_cast<USHORT>(cDims);
  psa->cbElements = size;
  psa->fFeatures = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) psa->fFeatures |= FADF_BSTR;
  if (vt == VT_VARIANT) psa->fFeatures |= FADF_VARIANT;
  SetHiddenVartype(psa, vt);
  for (UINT d = 0; d < cDims; ++d) psa->rgsabound[d] = rgsabound[cDims - 1 - d];
  if (bytes > 0) {
    // Zero bytes are a null BSTR and a VT_EMPTY variant.
    psa->pvData = std::calloc(1, bytes);
    if (psa->pvData == nullptr) {
      std::free(block);
      return nullptr;
    }
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound = {cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (ppsaOut == nullptr) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (psa == nullptr) return S_OK;
  const VARTYPE vt = ArrayVartype(psa);
  if (ElementSize(vt) != psa->cbElements) return E_INVALIDARG;
  SAFEARRAYBOUND* bounds = static_cast<SAFEARRAYBOUND*>(
      std::malloc(static_cast<std::size_t>(psa->cDims) * sizeof(SAFEARRAYBOUND)));
  if (bounds == nullptr) return E_OUTOFMEMORY;
  for (USHORT d = 0; d < psa->cDims; ++d) bounds[d] = psa->rgsabound[psa->cDims - 1 - d];
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds);
  std::free(bounds);
  if (copy == nullptr) return E_OUTOFMEMORY;
  std::size_t count = 0;
  ElementCount(psa, &count);
  if (count > 0 && psa->pvData == nullptr) {
    SafeArrayDestroy(copy);
    return E_INVALIDARG;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = i * psa->cbElements;
    const HRESULT hr = CopyElement(vt, static_cast<unsigned char*>(copy->pvData) + at,
                                   static_cast<const unsigned char*>(psa->pvData) + at);
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (psa == nullptr) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa);
  if ((psa->fFeatures & kForeignData) == 0) std::free(psa->pvData);
  psa->pvData = nullptr;
  FreeDescriptor(psa);
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) {
  return psa == nullptr ? 0 : psa->cDims;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa) {
  return psa == nullptr ? 0 : psa->cbElements;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE) {
    *pvt = HiddenVartype(psa);
  } else if (psa->fFeatures & FADF_BSTR) {
    *pvt = VT_BSTR;
  } else if (psa->fFeatures & FADF_VARIANT) {
    *pvt = VT_VARIANT;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  // Arrays made here always have a representable upper bound; wrap as oleaut32 does otherwise.
  *plUbound = static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (psa == nullptr || rgIndices == nullptr || pv == nullptr) return E_INVALIDARG;
  void* cell = CellAddress(psa, rgIndices);
  if (cell == nullptr) return DISP_E_BADINDEX;
  if (psa->fFeatures & FADF_BSTR) return CopyElement(VT_BSTR, pv, cell);
  if (psa->fFeatures & FADF_VARIANT) return CopyElement(VT_VARIANT, pv, cell);
  std::memcpy(pv, cell, psa->cbElements);
  return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
  if (pv == nullptr && (psa->fFeatures & FADF_BSTR) == 0) return E_INVALIDARG;
  void* cell = CellAddress(psa, rgIndices);
  if (cell == nullptr) return DISP_E_BADINDEX;
  if (psa->fFeatures & FADF_BSTR) {
    BSTR copy = nullptr;
    const BSTR value = static_cast<BSTR>(pv);
    const HRESULT hr = CopyElement(VT_BSTR, &copy, &value);
    if (FAILED(hr)) return hr;
    SysFreeString(*static_cast<BSTR*>(cell));
    *static_cast<BSTR*>(cell) = copy;
    return S_OK;
  }
  if (psa->fFeatures & FADF_VARIANT) {
    VARIANT copy;
    const HRESULT hr = CopyElement(VT_VARIANT, &copy, pv);
    if (FAILED(hr)) return hr;
    const HRESULT cleared = VariantClear(static_cast<VARIANT*>(cell));
    if (FAILED(cleared)) {
      VariantClear(&copy);
      return cleared;
    }
    std::memcpy(cell, &copy, sizeof copy);
    return S_OK;
  }
  std::memmove(cell, pv, psa->cbElements);
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
  if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
  ++psa->cLocks;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

void VariantInit(VARIANTARG* pvarg) {
  if (pvarg != nullptr) pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  if (!ValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
  if ((pvarg->vt & VT_BYREF) == 0) {
    if (pvarg->vt & VT_ARRAY) {
      const HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    }
  }
  pvarg->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  const VARTYPE vt = pvargSrc->vt;
  if (!ValidVariantType(vt)) return DISP_E_BADVARTYPE;
  const VARTYPE base = vt & 0x0FFF;
  if ((vt & VT_BYREF) == 0 && (base == VT_DISPATCH || base == VT_UNKNOWN)) {
    return DISP_E_BADVARTYPE;
  }
  const HRESULT cleared = VariantClear(pvargDest);
  if (FAILED(cleared)) return cleared;
  VARIANT copy;
  std::memcpy(&copy, pvargSrc, sizeof copy);
  if ((vt & VT_BYREF) == 0) {
    if (vt & VT_ARRAY) {
      const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    }
  }
  std::memcpy(pvargDest, &copy, sizeof copy);
  return S_OK;
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  // The byte length must fit the 32-bit prefix.
  if (ui >
      (std::numeric_limits<std::uint32_t>::max() - sizeof(std::uint32_t)) / sizeof(OLECHAR) - 1) {
    return nullptr;
  }
  const std::uint32_t byte_length = ui * static_cast<std::uint32_t>(sizeof(OLECHAR));
  auto* block =
      static_cast<unsigned char*>(std::malloc(sizeof byte_length + byte_length + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &byte_length, sizeof byte_length);
  auto* text = reinterpret_cast<OLECHAR*>(block + sizeof byte_length);
  if (strIn != nullptr) std::memcpy(text, strIn, byte_length);
  text[ui] = 0;
  return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  std::size_t n = 0;
  while (psz[n] != 0) ++n;
  if (n > std::numeric_limits<UINT>::max()) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(n));
}

UINT SysStringLen(BSTR bstr) {
  if (bstr == nullptr) return 0;
  std::uint32_t byte_length;
  std::memcpy(&byte_length, reinterpret_cast<unsigned char*>(bstr) - sizeof byte_length,
              sizeof byte_length);
  return byte_length / sizeof(OLECHAR);
}

void SysFreeString(BSTR bstr) {
  if (bstr != nullptr) std::free(reinterpret_cast<unsigned char*>(bstr) - sizeof(std::uint32_t));
}

}  // extern "C"

#endif  // !_WIN32
