// OLE Automation types and operations.
//
// On Windows this header includes the system's own <oleauto.h> and the library calls oleaut32.
// Elsewhere it declares the same names with Windows' layouts, values and result codes, so that
// host code written for Windows compiles unchanged. The non-Windows implementation checks every
// index and argument and returns a negative HRESULT on failure, as oleaut32 does.
#ifndef VORDEX_AUTOMATION_H
#define VORDEX_AUTOMATION_H

#if defined(_WIN32)
// <oleauto.h> needs the types that <windows.h> declares.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on
#else

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HRESULT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef int16_t SHORT;
typedef unsigned short VARTYPE;
#ifdef __cplusplus
typedef char16_t OLECHAR;
#else
typedef uint16_t OLECHAR;
#endif
// An automation string: points at the first character; the 32-bit byte length sits in the four
// bytes before it and a null character follows the last one.
typedef OLECHAR* BSTR;

typedef struct tagSAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
} SAFEARRAYBOUND;

typedef struct tagSAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];  // cDims entries, the last dimension first (see below)
} SAFEARRAY;

typedef struct tagVARIANT VARIANT;
typedef VARIANT VARIANTARG;
// The record member of the variant union (Windows' __tagBRECORD).
struct tagBRECORD {
  void* pvRecord;
  void* pRecInfo;
};

struct tagVARIANT {
  VARTYPE vt;  // offset 0
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {  // offset 8
    int64_t llVal;
    LONG lVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    BSTR bstrVal;
    SAFEARRAY* parray;
    VARIANT* pvarVal;
    void* byref;
    struct tagBRECORD brecVal;  // gives VARIANT its Windows size: 16 bytes on 32-bit, 24 on 64-bit
  };
};

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000
};

// SAFEARRAY feature flags.
#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_VARIANT 0x0800

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_POINTER ((HRESULT)0x80004003)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008)
#define DISP_E_BADINDEX ((HRESULT)0x8002000B)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000D)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

// Dimensions and indices. SafeArrayCreate takes the bounds in the caller's order (the first
// entry is dimension 1) and stores them reversed, so that rgsabound[0] describes the last
// dimension, as oleaut32 does. SafeArrayGetLBound/GetUBound count dimensions from 1 in the
// caller's order. rgIndices of Get/PutElement hold one index per dimension in the caller's order
// as well: rgIndices[0] belongs to dimension 1, which is the least significant one in memory
// (it varies fastest), and rgIndices[cDims - 1] to the last dimension, described by rgsabound[0].
// For a one-dimensional array all of this reduces to rgIndices[0] against rgsabound[0].

// The operations are visible from the shared library libvordex, as the system's automation
// library's would be, so that a host without C++ (ctypes, Julia, C#) can build the arrays.
#pragma GCC visibility push(default)

// A new array of cDims dimensions with element type vt (VT_I2, VT_I4, VT_R4, VT_R8, VT_BSTR or
// VT_VARIANT), zero-filled (null strings, VT_EMPTY variants), lower bounds as given, which may be
// any 32-bit value as long as every upper bound lLbound + cElements - 1 is one too. Returns null
// for another type, cDims 0, a null rgsabound, an unrepresentable upper bound, an element count or
// byte size that overflows, or exhausted memory. A dimension may have no elements; pvData is then
// null. The caller owns the array and releases it with SafeArrayDestroy.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
// A one-dimensional SafeArrayCreate.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// A deep copy of psa (strings and variants copied as by VariantCopy) into *ppsaOut, owned by the
// caller; *ppsaOut is null for a null psa. E_INVALIDARG for a null ppsaOut, E_OUTOFMEMORY.
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
// Releases the elements that the array owns (SysFreeString on strings, VariantClear on variants),
// its data and its descriptor. psa must come from SafeArrayCreate, SafeArrayCreateVector or
// SafeArrayCopy. S_OK (also for null), DISP_E_ARRAYISLOCKED while the data is accessed.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
// The number of dimensions; 0 for null.
UINT SafeArrayGetDim(SAFEARRAY* psa);
// The size of one element in bytes; 0 for null.
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
// The element type into *pvt. E_INVALIDARG for null arguments or an array without a known type.
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
// The lower or upper bound of dimension nDim (1 = first, in the caller's order). E_INVALIDARG for
// null arguments, DISP_E_BADINDEX for nDim outside 1..cDims. An empty dimension has upper bound
// lLbound - 1.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
// Copies one element into *pv, which is treated as uninitialised storage of the element's type: a
// string is returned as a new BSTR and a variant as a deep copy, both owned by the caller.
// E_INVALIDARG for null arguments, DISP_E_BADINDEX for an index outside its dimension,
// E_OUTOFMEMORY, or the failure of the variant copy.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
// Stores a copy of the value into one element, releasing the element's previous content. For
// VT_BSTR pv is the BSTR itself (null stores a null string); otherwise it points at the value.
// Same results as SafeArrayGetElement.
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
// Locks the array and gives its data; each successful call needs one SafeArrayUnaccessData.
// E_INVALIDARG for null arguments, E_UNEXPECTED after 65535 nested locks.
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
// Releases one lock. E_INVALIDARG for null, E_UNEXPECTED when the array is not locked.
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// Sets the type tag to VT_EMPTY (the value is left as it is); does nothing for null.
void VariantInit(VARIANTARG* pvarg);
// Releases what the variant owns (a string, an array; nothing for VT_BYREF) and sets VT_EMPTY.
// E_INVALIDARG for null, DISP_E_BADVARTYPE for an invalid tag, or the failure of SafeArrayDestroy
// (the variant is then left unchanged).
HRESULT VariantClear(VARIANTARG* pvarg);
// Clears *pvargDest and makes it a deep copy of *pvargSrc: strings and arrays are duplicated,
// VT_BYREF values share their referent, other values are copied bit for bit. VT_DISPATCH and
// VT_UNKNOWN values (no object model here) give DISP_E_BADVARTYPE. E_INVALIDARG for null
// arguments, E_OUTOFMEMORY; on failure *pvargDest is VT_EMPTY.
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// A new string of ui characters copied from strIn (left uninitialised when strIn is null), with the
// byte length in front and a null character after it. Null when out of memory or when the byte
// length does not fit 32 bits. The caller releases it with SysFreeString.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
// A new string copied from the null-terminated psz; null for a null psz.
BSTR SysAllocString(const OLECHAR* psz);
// The number of characters; 0 for null.
UINT SysStringLen(BSTR bstr);
// Releases a string; does nothing for null.
void SysFreeString(BSTR bstr);

#pragma GCC visibility pop

#ifdef __cplusplus
}
#endif

#endif  // _WIN32
#endif  // VORDEX_AUTOMATION_H
