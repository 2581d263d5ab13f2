#include "host/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "numerics/vectors.h"
#include "platform/messages.h"

namespace vordex::host {

int ExportCode(Status status) {
  const int value = Code(status);
  if (value < 100) return value;  // the frame's codes, and kOk
  // Each method's checker statuses are its export codes plus 100 (ARIMA), 200 (smoothing) or
  // 300 (ARMAX).
  if (value < 400) return value % 100;
  return -1;
}

void ShowMessages(const std::vector<Message>& messages) {
  for (const Message& m : messages) platform::ShowMessage(m.title.c_str(), m.text.c_str(), m.style);
}
namespace {

// Exact conversions of one element of a numeric automation type.
template <class T>
bool FitsExactly(double value) {
  if (!(value >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
        value <= static_cast<double>(std::numeric_limits<T>::max())))
    return false;
  return static_cast<double>(static_cast<T>(value)) == value;
}

// Reads the element at `index` of a one-dimensional array as a double, whatever numeric type it
// holds, without ever copying into a slot of another width.
bool ReadNumber(SAFEARRAY* array, VARTYPE vt, std::int64_t index, double* value) {
  if (index < std::numeric_limits<LONG>::min() || index > std::numeric_limits<LONG>::max())
    return false;
  LONG at = static_cast<LONG>(index);
  switch (vt) {
    case VT_I1: {
      signed char v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_UI1: {
      unsigned char v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_I2: {
      SHORT v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_UI2: {
      USHORT v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_I4:
    case VT_INT: {
      LONG v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_UI4:
    case VT_UINT: {
      ULONG v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_R4: {
      float v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_R8: {
      double v = 0;
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      *value = v;
      return true;
    }
    case VT_VARIANT: {
      VARIANT v;
      VariantInit(&v);
      if (FAILED(SafeArrayGetElement(array, &at, &v))) return false;
      bool ok = true;
      switch (v.vt) {
        case VT_I2:
          *value = v.iVal;
          break;
        case VT_I4:
        case VT_INT:
          *value = v.lVal;
          break;
        case VT_R4:
          *value = v.fltVal;
          break;
        case VT_R8:
          *value = v.dblVal;
          break;
        default:
          ok = false;
      }
      VariantClear(&v);
      return ok;
    }
    default:
      return false;
  }
}

// The element type of an array: its stored type, or failing that the one its element size
// implies for the two types the exports expect.
VARTYPE ElementType(SAFEARRAY* array, VARTYPE expected) {
  VARTYPE vt = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(array, &vt)) && vt != VT_EMPTY) return vt;
  const UINT size = SafeArrayGetElemsize(array);
  if (expected == VT_I2 && size == sizeof(SHORT)) return VT_I2;
  if (expected == VT_R8 && size == sizeof(double)) return VT_R8;
  return VT_EMPTY;
}

bool ReadBounds(SAFEARRAY* array, LONG* lower, LONG* upper) {
  return SUCCEEDED(SafeArrayGetLBound(array, 1, lower)) &&
         SUCCEEDED(SafeArrayGetUBound(array, 1, upper));
}

// Number of elements between the bounds; an empty array has upper = lower - 1 (modulo 2^32).
std::int64_t ElementCount(LONG lower, LONG upper) {
  return static_cast<std::uint32_t>(static_cast<std::uint32_t>(upper) -
                                    static_cast<std::uint32_t>(lower) + 1u);
}

VARIANT Frame(Method& method, SAFEARRAY** options, SAFEARRAY** data) {
  const FrameRules rules = method.rules();

  // 1, 2: the arguments and their shape.
  if (options == nullptr || data == nullptr || *options == nullptr || *data == nullptr)
    return StatusVariant(kNullArgument);
  SAFEARRAY* opt = *options;
  SAFEARRAY* dat = *data;
  if (SafeArrayGetDim(opt) != 1 || SafeArrayGetDim(dat) != 1)
    return StatusVariant(kNotOneDimension);

  // 3, 4: the option count.
  LONG olower = 0;
  LONG oupper = 0;
  if (!ReadBounds(opt, &olower, &oupper)) return StatusVariant(kOptionBounds);
  const std::int64_t n = ElementCount(olower, oupper);
  if (n == 0 && rules.unit_on_empty) return UnitVariant();

  // 5: copy the options, sign-extended to 32 bits.
  if (!rules.copy_all_options && n < rules.required_options) return StatusVariant(kTooFewOptions);
  const std::int64_t copied = rules.copy_all_options ? n : rules.required_options;
  auto option = numerics::ivector(0, static_cast<long>(copied));
  if (!option) return StatusVariant(kBufferAlloc);
  option[0] = static_cast<int>(copied);
  const VARTYPE ovt = ElementType(opt, VT_I2);
  for (std::int64_t k = 0; k < copied; ++k) {
    double value = 0.0;
    if (!ReadNumber(opt, ovt, olower + k, &value) || !FitsExactly<std::int16_t>(value))
      return StatusVariant(kOptionRead);
    option[static_cast<long>(k) + 1] = static_cast<std::int16_t>(value);
  }

  // 6: the method's checks, before the data are looked at.
  if (const int code =
          method.Check(std::span<const int>(option.get() + 1, static_cast<std::size_t>(copied))))
    return StatusVariant(code);

  // 7, 8: the data array's bounds and length.
  LONG dlower = 0;
  LONG dupper = 0;
  if (!ReadBounds(dat, &dlower, &dupper)) return StatusVariant(kDataBounds);
  const long N = method.Observations();
  const std::int64_t available = ElementCount(dlower, dupper);
  if (N < 0 || available < static_cast<std::int64_t>(N) + 1) return StatusVariant(kTooFewData);

  // 9: copy the lead value and the observations, then any trailing values.
  auto values = numerics::vector(0, N);
  if (!values) return StatusVariant(kBufferAlloc);
  const VARTYPE dvt = ElementType(dat, VT_R8);
  if (!ReadNumber(dat, dvt, dlower, &values[0]))
    return StatusVariant(rules.lead_separate ? kLeadRead : kDataRead);
  for (long t = 1; t <= N; ++t)
    if (!ReadNumber(dat, dvt, static_cast<std::int64_t>(dlower) + t, &values[t]))
      return StatusVariant(kDataRead);
  const std::int64_t trailing = available - N - 1;
  const TrailingReader read = [&](long k, double* value) {
    return k >= 1 && k <= trailing &&
           ReadNumber(dat, dvt, static_cast<std::int64_t>(dlower) + N + k, value);
  };
  if (const int code = method.ReadTrailing(static_cast<long>(trailing), read))
    return StatusVariant(code);

  // 10 to 12: the engine and the packing.
  ResultBuffer buffer;
  const Packed packed = method.Execute(
      std::span<const double>(values.get(), static_cast<std::size_t>(N) + 1), buffer);
  if (packed.text != nullptr) return TextVariant(packed.text);
  if (packed.status != 0) return StatusVariant(packed.status);
  if (packed.count <= 0 || packed.count > buffer.capacity()) return StatusVariant(kNoResults);
  const double* cells = buffer.cells();
  if (!std::all_of(cells + 1, cells + 1 + packed.count, [](double x) { return std::isfinite(x); }))
    return TextVariant(method.rules().failure_text);

  // 13, 14: the result array, lower bound 1.
  SAFEARRAYBOUND bound;
  bound.lLbound = 1;
  bound.cElements = static_cast<ULONG>(packed.count);
  SAFEARRAY* result = SafeArrayCreate(VT_R8, 1, &bound);
  if (result == nullptr) return StatusVariant(kCreateResult);
  for (LONG i = 1; i <= packed.count; ++i) {
    double cell = buffer.cells()[i];
    if (FAILED(SafeArrayPutElement(result, &i, &cell))) {
      SafeArrayDestroy(result);
      return StatusVariant(kStoreResult);
    }
  }

  // 15: the array passes to the host.
  VARIANT out;
  VariantInit(&out);
  out.vt = VT_ARRAY | VT_R8;
  out.parray = result;
  return out;
}

}  // namespace

bool ResultBuffer::Allocate(long capacity) {
  if (capacity < 1) return false;
  cells_ = numerics::vector(0, capacity);
  capacity_ = cells_ ? capacity : 0;
  return static_cast<bool>(cells_);
}

int Method::ReadTrailing(long /*available*/, const TrailingReader& /*read*/) {
  return 0;
}

VARIANT StatusVariant(int code) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I2;
  v.iVal = static_cast<SHORT>(code);
  return v;
}

VARIANT TextVariant(const char* text) {
  const std::string_view message(text != nullptr ? text : "");
  BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(message.size()));
  if (s == nullptr) return StatusVariant(kBufferAlloc);
  for (std::size_t i = 0; i < message.size(); ++i)
    s[i] = static_cast<OLECHAR>(static_cast<unsigned char>(message[i]));
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = s;
  return v;
}

VARIANT UnitVariant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = 1.0;
  return v;
}

VARIANT RunFrame(Method& method, SAFEARRAY** options, SAFEARRAY** data) noexcept {
  try {
    return Frame(method, options, data);
  } catch (const std::bad_alloc&) {
    return StatusVariant(kBufferAlloc);
  } catch (...) {
    return StatusVariant(kBufferAlloc);
  }
}

}  // namespace vordex::host
