#include "host_call.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "byte_reader.h"
#include "host/seed.h"
#include "smoothing/random.h"

namespace vordex::fuzz {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMissing = -99999.0;
// Longest data array the decoder makes. A request for more observations than this is refused
// by the frame (too few data) after the option checks, so the engines run on at most 299
// observations here: a fit of a few hundred takes milliseconds even in the instrumented build,
// a fuzzer needs a thousand calls a second, and building the longest arrays (33,000 elements as
// strings) took seconds. The longest series the checkers accept (1000 observations through every
// export, and the ARMAX storage limit) are the extreme-input tests' and the engines' own tests';
// the option rules on N (MAXN) are still reached, as they come before the data.
constexpr std::size_t kMostData = 300;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// How the host hands over one of its arrays.
enum class Handover { kNullReference, kNullArray, kTwoDimensions, kNormal };

Handover DecodeHandover(unsigned code) {
  switch (code % 16) {
    case 13:
      return Handover::kNullReference;
    case 14:
      return Handover::kNullArray;
    case 15:
      return Handover::kTwoDimensions;
    default:
      return Handover::kNormal;
  }
}

// Lower bounds a host may use, up to the last one at which `count` elements still fit.
LONG DecodeLowerBound(ByteReader& in, std::size_t count) {
  const std::uint8_t b = in.Byte();
  constexpr LONG kTable[] = {0, 0, 0, 0, 1, 1, 1, -1, 5, -32768, 100000};
  if (b < 200) return kTable[b % std::size(kTable)];
  if (b < 220) return std::numeric_limits<LONG>::min();
  if (b < 240) {
    // The highest lower bound that leaves room for count elements (one more when b is odd:
    // the upper bound then overflows and the array cannot be made).
    const auto top = static_cast<std::int64_t>(std::numeric_limits<LONG>::max()) -
                     static_cast<std::int64_t>(count) + 1 + (b % 2);
    return static_cast<LONG>(std::min<std::int64_t>(top, std::numeric_limits<LONG>::max()));
  }
  return static_cast<LONG>(in.U32());
}

// An option value near the one a working request has, at a limit of some checker, or raw.
int DecodeOption(ByteReader& in, int typical) {
  const std::uint8_t b = in.Byte();
  if (b < 96) return typical;
  if (b < 192) return typical + (b - 144);
  constexpr int kLimits[] = {0,  -1,  1,   2,   3,   4,   5,   12,  13,  23,   24,   25,    83,
                             84, 100, 101, 119, 120, 121, 499, 500, 999, 1000, 1001, 32767, -32768};
  if (b < 240) return kLimits[(b - 192) % std::size(kLimits)];
  return static_cast<std::int16_t>(in.U16());
}

// Values of a double that numerical code finds hard.
constexpr double kSpecials[] = {kNaN,
                                kInf,
                                -kInf,
                                0.0,
                                -0.0,
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                1e308,
                                -1e308,
                                std::numeric_limits<double>::max(),
                                1e12,
                                kMissing,
                                1e-300,
                                0.5,
                                1.0,
                                -1.0};

// A double converted to an integer type without undefined behaviour: clamped, NaN to zero.
template <class T>
T Clamp(double x) {
  if (std::isnan(x)) return 0;
  if (x <= static_cast<double>(std::numeric_limits<T>::lowest()))
    return std::numeric_limits<T>::lowest();
  if (x >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(x);
}

float ToFloat(double x) {
  if (std::isnan(x)) return std::numeric_limits<float>::quiet_NaN();
  constexpr double kMax = std::numeric_limits<float>::max();
  if (x > kMax) return std::numeric_limits<float>::infinity();
  if (x < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(x);
}

// A tiny linear congruential generator: noise and element choices that follow from the input.
struct Lcg {
  std::uint32_t state;
  std::uint32_t Next() { return state = state * 1664525u + 1013904223u; }
  double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
};

// Element types of the variants inside a VT_VARIANT array: every numeric type the frame
// converts, and kinds it must refuse.
constexpr VARTYPE kInnerTypes[] = {
    VT_R8,   VT_R4,    VT_I4,   VT_I2,      VT_UI1,           VT_I1,           VT_UI2, VT_UI4,
    VT_INT,  VT_UINT,  VT_I8,   VT_UI8,     VT_BOOL,          VT_DATE,         VT_CY,  VT_EMPTY,
    VT_NULL, VT_ERROR, VT_BSTR, VT_DECIMAL, VT_R8 | VT_BYREF, VT_ARRAY | VT_R8};

// A variant of type vt holding x as well as that type can; the caller clears it.
VARIANT MakeVariant(VARTYPE vt, double x, double* referent) {
  VARIANT v;
  VariantInit(&v);
  v.llVal = 0;
  const auto store = [&v](const auto value) { std::memcpy(&v.llVal, &value, sizeof value); };
  switch (vt) {
    case VT_R8:
    case VT_DATE:
      v.dblVal = x;
      break;
    case VT_R4:
      v.fltVal = ToFloat(x);
      break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
      v.lVal = Clamp<std::int32_t>(x);
      break;
    case VT_UI4:
    case VT_UINT:
      store(Clamp<std::uint32_t>(x));
      break;
    case VT_I2:
    case VT_BOOL:
      v.iVal = Clamp<std::int16_t>(x);
      break;
    case VT_UI2:
      store(Clamp<std::uint16_t>(x));
      break;
    case VT_I1:
      store(Clamp<std::int8_t>(x));
      break;
    case VT_UI1:
      store(Clamp<std::uint8_t>(x));
      break;
    case VT_I8:
    case VT_CY:
      v.llVal = Clamp<std::int64_t>(x);
      break;
    case VT_UI8:
      store(Clamp<std::uint64_t>(x));
      break;
    case VT_BSTR: {
      const std::string text = std::to_string(x);
      std::u16string wide(text.begin(), text.end());
      v.bstrVal = SysAllocString(wide.c_str());
      break;
    }
    case VT_R8 | VT_BYREF:
      *referent = x;
      v.byref = referent;
      break;
    case VT_ARRAY | VT_R8:
      v.parray = SafeArrayCreateVector(VT_R8, 0, 1);
      if (v.parray != nullptr) {
        LONG at = 0;
        SafeArrayPutElement(v.parray, &at, &x);
      }
      break;
    default:  // VT_EMPTY, VT_NULL, VT_DECIMAL: the tag alone
      break;
  }
  v.vt = vt;
  return v;
}

// A host's one-dimensional array of element type vt holding `values` (or two dimensions, when
// the handover says so). `twist` chooses, for each element of a VT_VARIANT array, whether it
// holds another type than the expected one; `referents` keeps what VT_BYREF elements point at.
SAFEARRAY* MakeArray(VARTYPE vt, VARTYPE expected, LONG lower, const std::vector<double>& values,
                     Handover handover, Lcg twist, unsigned twist_share,
                     std::vector<double>& referents) {
  SAFEARRAY* a = nullptr;
  if (handover == Handover::kTwoDimensions) {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(values.size()), lower}, {1, 0}};
    a = SafeArrayCreate(vt, 2, bounds);
  } else {
    a = SafeArrayCreateVector(vt, lower, static_cast<ULONG>(values.size()));
  }
  if (a == nullptr) return nullptr;
  referents.assign(values.size(), 0.0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double x = values[i];
    LONG at[2] = {static_cast<LONG>(lower + static_cast<std::int64_t>(i)), 0};
    HRESULT hr = S_OK;
    switch (vt) {
      case VT_I2: {
        SHORT v = Clamp<std::int16_t>(x);
        hr = SafeArrayPutElement(a, at, &v);
        break;
      }
      case VT_I4: {
        LONG v = Clamp<std::int32_t>(x);
        hr = SafeArrayPutElement(a, at, &v);
        break;
      }
      case VT_R4: {
        float v = ToFloat(x);
        hr = SafeArrayPutElement(a, at, &v);
        break;
      }
      case VT_R8: {
        double v = x;
        hr = SafeArrayPutElement(a, at, &v);
        break;
      }
      case VT_BSTR: {
        VARIANT text = MakeVariant(VT_BSTR, x, nullptr);
        hr = SafeArrayPutElement(a, at, text.bstrVal);
        VariantClear(&text);
        break;
      }
      case VT_VARIANT: {
        VARTYPE inner = expected;
        if (twist.Next() % 256 < twist_share)
          inner = kInnerTypes[twist.Next() % std::size(kInnerTypes)];
        VARIANT v = MakeVariant(inner, x, &referents[i]);
        hr = SafeArrayPutElement(a, at, &v);
        VariantClear(&v);
        break;
      }
      default:
        break;
    }
    if (FAILED(hr)) Broken("the automation layer refused to fill a host's array");
  }
  return a;
}

// The observations (and what follows them) of one request.
std::vector<double> DecodeSeries(ByteReader& in, std::size_t length) {
  const std::uint8_t kind = in.Byte();
  constexpr double kLevels[] = {100.0,  1.0,   1e-300, std::numeric_limits<double>::denorm_min(),
                                1e-310, 1e300, 1e308,  0.0,
                                -50.0,  1e12,  1e-5,   3.0};
  const double level = kLevels[in.Byte() % std::size(kLevels)];
  Lcg noise{static_cast<std::uint32_t>(in.Byte()) + 1u};
  const double noise_share = (in.Byte() % 5) * 0.05;  // noise in units of the level
  std::vector<double> y(length);
  double walk = level;
  for (std::size_t t = 0; t < length; ++t) {
    const double u = noise.Uniform() - 0.5;
    const double tt = static_cast<double>(t);
    switch (kind % 8) {
      case 0:  // constant
        y[t] = level;
        break;
      case 1:  // trend and a period-12 season, as in monthly data
        y[t] =
            level * (1.0 + 0.01 * tt + 0.2 * std::sin(tt * 0.5235987755982988) + noise_share * u);
        break;
      case 2:  // random walk
        walk += level * (noise_share + 0.01) * u;
        y[t] = walk;
        break;
      case 3:  // alternating signs
        y[t] = (t % 2 == 0 ? level : -level) * (1.0 + noise_share * u);
        break;
      case 4:  // straight line
        y[t] = level * (1.0 + tt);
        break;
      case 5:  // geometric growth, until it overflows
        walk *= 1.5;
        y[t] = walk;
        break;
      case 6:  // raw doubles from the input
        y[t] = in.RawDouble();
        break;
      default:  // small integers from the input
        y[t] = level * (in.Byte() / 16.0);
        break;
    }
  }
  // A few cells replaced by hard values.
  const int patches = in.Byte() % 8;
  for (int k = 0; k < patches && length > 0; ++k) {
    const std::size_t at = in.U16() % length;
    y[at] = kSpecials[in.Byte() % std::size(kSpecials)];
  }
  return y;
}

int messages_seen = 0;

void CountMessage(void*, const char*, const char*, unsigned) {
  ++messages_seen;
}

// Checks the answer against the exports' contract and releases it.
void CheckAnswer(VARIANT v, std::size_t option_count) {
  switch (v.vt) {
    case VT_ARRAY | VT_R8: {
      SAFEARRAY* a = v.parray;
      LONG lower = 0;
      LONG upper = -1;
      if (a == nullptr || SafeArrayGetDim(a) != 1 || FAILED(SafeArrayGetLBound(a, 1, &lower)) ||
          FAILED(SafeArrayGetUBound(a, 1, &upper)))
        Broken("a result array without one readable dimension");
      if (lower != 1 || upper < 1) Broken("a result array that is not 1..count");
      void* raw = nullptr;
      if (FAILED(SafeArrayAccessData(a, &raw))) Broken("a result array whose data cannot be read");
      const auto* cells = static_cast<const double*>(raw);
      for (LONG i = 0; i < upper; ++i)
        if (!std::isfinite(cells[i])) Broken("a result with a cell that is not a finite number");
      SafeArrayUnaccessData(a);
      break;
    }
    case VT_I2:
      if (!((v.iVal >= 1 && v.iVal <= 19) || (v.iVal >= 31 && v.iVal <= 99)))
        Broken("a status code outside the frame's and the checkers' ranges");
      break;
    case VT_BSTR:
      if (v.bstrVal == nullptr || SysStringLen(v.bstrVal) == 0) Broken("an empty failure text");
      break;
    case VT_R8:
      if (v.dblVal != 1.0 || option_count != 0) Broken("a plain number other than the unit");
      break;
    default:
      Broken("an answer of a type the exports never give");
  }
  if (FAILED(VariantClear(&v))) Broken("an answer the host cannot release");
}

// Reads back a host's VT_R8 array: the export must not have written into it.
void CheckUnchanged(SAFEARRAY* a, const std::vector<double>& values) {
  VARTYPE vt = VT_EMPTY;
  if (a == nullptr || FAILED(SafeArrayGetVartype(a, &vt)) || vt != VT_R8) return;
  void* raw = nullptr;
  if (FAILED(SafeArrayAccessData(a, &raw))) Broken("a host's array left unreadable");
  if (!values.empty() && std::memcmp(raw, values.data(), values.size() * sizeof(double)) != 0)
    Broken("a host's array changed by the export");
  SafeArrayUnaccessData(a);
}

}  // namespace

double ArmaWork(std::span<const double> o, double most_n, double most_s, double most_order,
                double most_seasonal_order) {
  if (o.size() < 9) return 0.0;
  const double n = o[0], s = o[1], p = o[3], q = o[5], P = o[6], Q = o[8];
  const auto within = [](double x, double most) { return x >= 0.0 && x <= most; };
  if (!within(n, most_n) || !within(s, most_s) || !within(p, most_order) ||
      !within(q, most_order) || !within(P, most_seasonal_order) || !within(Q, most_seasonal_order))
    return 0.0;
  // Many coefficients on few observations make the likelihood flat, and the minimiser then uses
  // most of its evaluation limit: 7 AR coefficients on 12 monthly values took 0.4 s without
  // instrumentation. Such requests are left to the extreme-input tests.
  const double k = p + q + P + Q;
  if (k > kMostCoefficients || kObservationsPerCoefficient * k > n) return kInfiniteWork;
  const double r = std::max(p + s * P, q + s * Q + 1.0);
  return n * (1.0 + k) * (1.0 + r);
}

void SilenceMessages() {
  vordex_set_message_handler(&CountMessage, nullptr, nullptr);
}

void RunHostCall(const ExportProfile& profile, const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  const std::uint8_t shape = in.Byte();
  const Handover option_handover = DecodeHandover(shape & 15);
  const Handover data_handover = DecodeHandover(shape >> 4);

  // Options: type, count, lower bound, values.
  constexpr VARTYPE kOptionTypes[] = {VT_I2, VT_I2, VT_I2, VT_I2,      VT_I2,  VT_I2,
                                      VT_I4, VT_R8, VT_R4, VT_VARIANT, VT_BSTR};
  const VARTYPE option_type = kOptionTypes[in.Byte() % std::size(kOptionTypes)];
  const std::uint8_t count_code = in.Byte();
  const std::size_t option_count =
      count_code < 160 ? profile.typical.size()
                       : count_code % static_cast<unsigned>(profile.most_options + 4);
  const LONG option_lower = DecodeLowerBound(in, option_count);
  std::vector<double> options(option_count);
  for (std::size_t k = 0; k < option_count; ++k) {
    const int typical = k < profile.typical.size() ? profile.typical[k] : 0;
    options[k] = DecodeOption(in, typical);
  }
  // Values an integer option type cannot hold, for the floating and variant arrays.
  if (option_type == VT_R8 || option_type == VT_R4 || option_type == VT_VARIANT) {
    const std::uint8_t odd = in.Byte();
    if (odd >= 224 && option_count > 0) {
      const std::size_t at = odd % option_count;
      constexpr double kOdd[] = {0.5, 40000.0, -40000.0, kNaN, kInf, 1e308};
      options[at] = kOdd[odd % std::size(kOdd)] + (odd % 2 == 0 ? options[at] : 0.0);
    }
  }
  if (profile.work != nullptr && profile.work(options) > kWorkBudget) return;
  const Lcg option_twist{static_cast<std::uint32_t>(in.Byte()) * 7919u + 1u};
  const unsigned option_twist_share = in.Byte() < 192 ? 0u : 24u;

  // Data: length relative to the requested N, type, lower bound, lead value, observations.
  const long n = option_count > 0 ? Clamp<std::int32_t>(options[0]) : 0;
  const std::uint8_t length_code = in.Byte();
  long length = 0;
  if (length_code < 128)
    length = n + 1;
  else if (length_code < 176)
    length = n + 1 + (length_code % 10);  // values after the observations
  else if (length_code < 208)
    length = n;  // one short
  else if (length_code < 240)
    length = in.Byte();
  else
    length = in.U16();
  length = std::clamp<long>(length, 0, static_cast<long>(kMostData));
  constexpr VARTYPE kDataTypes[] = {VT_R8, VT_R8, VT_R8, VT_R8,      VT_R8,      VT_R8,
                                    VT_R4, VT_I4, VT_I2, VT_VARIANT, VT_VARIANT, VT_BSTR};
  const VARTYPE data_type = kDataTypes[in.Byte() % std::size(kDataTypes)];
  const LONG data_lower = DecodeLowerBound(in, static_cast<std::size_t>(length));
  const Lcg data_twist{static_cast<std::uint32_t>(in.Byte()) * 104729u + 3u};
  const unsigned data_twist_share = in.Byte() < 192 ? 0u : 8u;

  std::vector<double> values;
  if (length > 0) {
    const std::uint8_t lead_code = in.Byte();
    constexpr double kLeads[] = {0.0,  -1.0, 50.0,  100.0, 100.5, 2.5758293035489,
                                 kNaN, kInf, -kInf, 1e308, 1e-310};
    double lead = profile.lead;
    if (lead_code >= 200)
      lead = lead_code == 255 ? in.RawDouble() : kLeads[lead_code % std::size(kLeads)];
    values = DecodeSeries(in, static_cast<std::size_t>(length - 1));
    values.insert(values.begin(), lead);
    // Values after the observations read as bounds when they lie in (0, 1).
    const std::uint8_t trailing = in.Byte();
    if (trailing >= 128 && length > n + 1 && n >= 0) {
      for (long k = n + 1; k < length; ++k) values[static_cast<std::size_t>(k)] = in.Byte() / 256.0;
    }
  }
  host::ScopedSeedOverride seed(-1 - static_cast<int>(in.Byte()));

  std::vector<double> option_referents;
  std::vector<double> data_referents;
  SAFEARRAY* option_array =
      option_handover == Handover::kNullArray
          ? nullptr
          : MakeArray(option_type, VT_I2, option_lower, options, option_handover, option_twist,
                      option_twist_share, option_referents);
  SAFEARRAY* data_array = data_handover == Handover::kNullArray
                              ? nullptr
                              : MakeArray(data_type, VT_R8, data_lower, values, data_handover,
                                          data_twist, data_twist_share, data_referents);

  SAFEARRAY** option_ref = option_handover == Handover::kNullReference ? nullptr : &option_array;
  SAFEARRAY** data_ref = data_handover == Handover::kNullReference ? nullptr : &data_array;
  SAFEARRAY* const options_given = option_array;
  SAFEARRAY* const data_given = data_array;
  CheckAnswer(profile.run(option_ref, data_ref), option_count);

  if (option_array != options_given || data_array != data_given)
    Broken("the export replaced a host's array");
  CheckUnchanged(data_array, values);
  if (FAILED(SafeArrayDestroy(option_array)) || FAILED(SafeArrayDestroy(data_array)))
    Broken("a host's array left locked or damaged");
}

}  // namespace vordex::fuzz
