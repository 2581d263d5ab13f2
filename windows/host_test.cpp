// A Windows host of VORDEX.dll, run under Wine with the system's own automation library.
//
//   vordex_host_test CASES_FILE
//
// Loads VORDEX.dll (beside this program) at run time and reaches each export by its plain name,
// its decorated name and its ordinal. Replays every request of the cases file that the native
// build wrote (see reference.cpp) with option and data arrays of lower bounds 0, 1 and -3, and
// compares each result with the native one: the variant type, status codes, texts, every cell,
// and the message boxes raised (caught by a handler installed through the DLL). Then it calls
// each export as a compiler keeping only 4-byte stack alignment would, and feeds the frame bad
// arrays: null, two-dimensional, empty, and of element types that cannot be read. The host's
// arrays must come back unchanged and be released by the host's own rules.
//
// Cells that pass through no optimiser must agree to 1e-12 relative, estimated quantities to
// 1e-7; simulated limits (seeded from the clock) are only checked for order. The largest
// differences seen are printed (every non-zero one when VORDEX_HOST_TEST_VERBOSE is set). Exit
// status 0 when every check passes.

// <oleauto.h> needs the types that <windows.h> declares.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vordex/vordex.h"

namespace {

// Agreement between the 32-bit Windows build and the native build. Both do double arithmetic in
// SSE2 registers without fused multiply-adds; what remains are the last bits of the two C
// libraries' log, exp and pow, which arithmetic without an optimiser keeps near rounding level.
constexpr double kDeterministicTolerance = 1e-12;
// An optimiser stops at the first point that meets its tolerance, so ulp-level differences in its
// criterion can move the estimates within that tolerance.
constexpr double kEstimatedTolerance = 1e-7;

using Export = VARIANT(__stdcall*)(SAFEARRAY**, SAFEARRAY**);
using SetHandler = vordex_message_handler (*)(vordex_message_handler, void*, void**);

int failures = 0;

void Fail(const std::string& where, const std::string& what) {
  ++failures;
  if (failures <= 60) std::printf("FAIL %s: %s\n", where.c_str(), what.c_str());
}

void Check(bool ok, const std::string& where, const std::string& what) {
  if (!ok) Fail(where, what);
}

// ---- The library ------------------------------------------------------------------------------

constexpr int kMethods = 3;
const char* const kPlainNames[kMethods] = {"Arimadll", "Pegelsdll", "Armaxdll"};
const char* const kDecoratedNames[kMethods] = {"_Arimadll@8", "_Pegelsdll@8", "_Armaxdll@8"};
const WORD kOrdinals[kMethods] = {1, 2, 3};
const WORD kDecoratedOrdinals[kMethods] = {4, 6, 5};

enum Way { kByName, kByDecoratedName, kByOrdinal, kWays };
const char* const kWayNames[kWays] = {"name", "decorated name", "ordinal"};

struct Library {
  HMODULE module = nullptr;
  Export exports[kMethods][kWays] = {};
  SetHandler set_handler = nullptr;
};

template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool Load(Library* lib) {
  lib->module = LoadLibraryA("VORDEX.dll");
  if (lib->module == nullptr) {
    Fail("LoadLibrary", "VORDEX.dll not loaded, error " + std::to_string(GetLastError()));
    return false;
  }
  for (int m = 0; m < kMethods; ++m) {
    const std::string where = kPlainNames[m];
    lib->exports[m][kByName] = Proc<Export>(lib->module, kPlainNames[m]);
    lib->exports[m][kByDecoratedName] = Proc<Export>(lib->module, kDecoratedNames[m]);
    lib->exports[m][kByOrdinal] = Proc<Export>(lib->module, MAKEINTRESOURCEA(kOrdinals[m]));
    const Export decorated_ordinal =
        Proc<Export>(lib->module, MAKEINTRESOURCEA(kDecoratedOrdinals[m]));
    for (int w = 0; w < kWays; ++w)
      Check(lib->exports[m][w] != nullptr, where, std::string("not found by ") + kWayNames[w]);
    Check(lib->exports[m][kByName] == lib->exports[m][kByDecoratedName] &&
              lib->exports[m][kByName] == lib->exports[m][kByOrdinal] &&
              lib->exports[m][kByName] == decorated_ordinal,
          where, "its names and ordinals do not all lead to one function");
  }
  Check(Proc<Export>(lib->module, "Arimadll@8") == nullptr, "exports",
        "the compiler's internal name Arimadll@8 is exported");
  lib->set_handler = Proc<SetHandler>(lib->module, "vordex_set_message_handler");
  Check(lib->set_handler != nullptr, "vordex_set_message_handler", "not exported");
  return failures == 0;
}

// ---- Messages ---------------------------------------------------------------------------------

struct Message {
  unsigned style = 0;
  std::string title;
  std::string text;
  bool operator==(const Message& o) const {
    return style == o.style && title == o.title && text == o.text;
  }
};

std::vector<Message> shown;

void CollectMessage(void* /*context*/, const char* title, const char* text, unsigned style) {
  shown.push_back({style, title, text});
}

// ---- The cases file ---------------------------------------------------------------------------

struct Cell {
  char kind;  // d deterministic, e estimated, s simulated
  double value;
  double scale;  // the size against which a difference is measured
};

struct Case {
  std::string label;
  int method = -1;
  std::vector<SHORT> options;
  std::vector<double> data;
  std::vector<Message> messages;
  std::string result;  // array, status, text or unit
  std::vector<Cell> cells;
  int status = 0;
  std::string text;
  double unit = 0.0;
};

double FromBits(const char* hex) {
  const std::uint64_t bits = std::strtoull(hex, nullptr, 16);
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

std::string FromHex(const char* hex) {
  std::string s;
  if (std::strcmp(hex, "-") == 0) return s;
  for (std::size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    const char pair[3] = {hex[i], hex[i + 1], '\0'};
    s += static_cast<char>(std::strtoul(pair, nullptr, 16));
  }
  return s;
}

bool ReadCases(const char* path, std::vector<Case>* cases) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    Fail(path, "cannot be opened");
    return false;
  }
  // Tokens are at most a few hundred characters (hex texts); 4096 leaves room.
  char word[4096];
  char arg[4096];
  char arg2[4096];
  bool ok = std::fscanf(f, "%4095s %4095s", word, arg) == 2 &&
            std::strcmp(word, "vordex-cases") == 0 && std::strcmp(arg, "1") == 0;
  Case c;
  while (ok && std::fscanf(f, "%4095s", word) == 1) {
    if (std::strcmp(word, "case") == 0) {
      c = Case();
      ok = std::fscanf(f, "%4095s %4095s", arg, arg2) == 2;
      c.label = arg;
      for (int m = 0; m < kMethods; ++m)
        if (std::strcmp(arg2, kPlainNames[m]) == 0) c.method = m;
      ok = ok && c.method >= 0;
    } else if (std::strcmp(word, "options") == 0) {
      long n = 0;
      ok = std::fscanf(f, "%ld", &n) == 1 && n >= 0;
      for (long i = 0; ok && i < n; ++i) {
        int v = 0;
        ok = std::fscanf(f, "%d", &v) == 1;
        c.options.push_back(static_cast<SHORT>(v));
      }
    } else if (std::strcmp(word, "data") == 0) {
      long n = 0;
      ok = std::fscanf(f, "%ld", &n) == 1 && n >= 0;
      for (long i = 0; ok && i < n; ++i) {
        ok = std::fscanf(f, "%4095s", arg) == 1;
        c.data.push_back(FromBits(arg));
      }
    } else if (std::strcmp(word, "message") == 0) {
      unsigned style = 0;
      ok = std::fscanf(f, "%u %4095s %4095s", &style, arg, arg2) == 3;
      c.messages.push_back({style, FromHex(arg), FromHex(arg2)});
    } else if (std::strcmp(word, "result") == 0) {
      ok = std::fscanf(f, "%4095s %4095s", arg, arg2) == 2;
      c.result = arg;
      if (c.result == "array") {
        const long n = std::strtol(arg2, nullptr, 10);
        for (long i = 0; ok && i < n; ++i) {
          char kind[8];
          ok = std::fscanf(f, "%4095s %7s %4095s %4095s", word, kind, arg, arg2) == 4 &&
               std::strcmp(word, "cell") == 0;
          c.cells.push_back({kind[0], FromBits(arg), FromBits(arg2)});
        }
      } else if (c.result == "status") {
        c.status = std::atoi(arg2);
      } else if (c.result == "text") {
        c.text = FromHex(arg2);
      } else if (c.result == "unit") {
        c.unit = FromBits(arg2);
      } else {
        ok = false;
      }
    } else if (std::strcmp(word, "end") == 0) {
      cases->push_back(c);
    } else {
      ok = false;
    }
  }
  const bool complete = std::feof(f) != 0;
  std::fclose(f);
  if (!ok || !complete || cases->empty()) Fail(path, "malformed cases file");
  return ok && complete && !cases->empty();
}

// ---- Host arrays ------------------------------------------------------------------------------

SAFEARRAY* MakeVector(VARTYPE vt, LONG lower, ULONG count) {
  SAFEARRAYBOUND bound;
  bound.cElements = count;
  bound.lLbound = lower;
  return SafeArrayCreate(vt, 1, &bound);
}

template <class T>
SAFEARRAY* MakeArray(VARTYPE vt, LONG lower, const std::vector<T>& values) {
  SAFEARRAY* a = MakeVector(vt, lower, static_cast<ULONG>(values.size()));
  for (std::size_t i = 0; a != nullptr && i < values.size(); ++i) {
    LONG at = lower + static_cast<LONG>(i);
    T v = values[i];
    if (FAILED(SafeArrayPutElement(a, &at, &v))) {
      SafeArrayDestroy(a);
      return nullptr;
    }
  }
  return a;
}

// The raw bytes of an array's elements, to see that a call left them alone.
std::vector<unsigned char> Snapshot(SAFEARRAY* a) {
  std::vector<unsigned char> bytes;
  if (a == nullptr) return bytes;
  ULONG elements = 1;
  for (USHORT d = 0; d < a->cDims; ++d) elements *= a->rgsabound[d].cElements;
  const std::size_t size = static_cast<std::size_t>(elements) * a->cbElements;
  const unsigned char* p = static_cast<const unsigned char*>(a->pvData);
  if (p != nullptr) bytes.assign(p, p + size);
  return bytes;
}

// Checks that the call left the host's array unchanged and unlocked, then releases it as the
// host does.
void ReleaseHostArray(SAFEARRAY* a, const std::vector<unsigned char>& before,
                      const std::string& where) {
  if (a == nullptr) return;
  Check(Snapshot(a) == before, where, "the host's array was changed");
  Check(a->cLocks == 0, where, "the host's array was left locked");
  Check(SafeArrayDestroy(a) == S_OK, where, "the host's array could not be destroyed");
}

// A request's two arrays, released at the end of the scope with the checks above.
struct HostArrays {
  SAFEARRAY* options = nullptr;
  SAFEARRAY* data = nullptr;
  std::vector<unsigned char> options_before;
  std::vector<unsigned char> data_before;
  std::string where;

  HostArrays(SAFEARRAY* o, SAFEARRAY* d, std::string w)
      : options(o),
        data(d),
        options_before(Snapshot(o)),
        data_before(Snapshot(d)),
        where(std::move(w)) {}
  ~HostArrays() {
    ReleaseHostArray(options, options_before, where + " (options)");
    ReleaseHostArray(data, data_before, where + " (data)");
  }
  HostArrays(const HostArrays&) = delete;
  HostArrays& operator=(const HostArrays&) = delete;
};

// ---- Comparing results ------------------------------------------------------------------------

struct Largest {
  double difference = 0.0;
  std::string where;
};
Largest largest_deterministic;
Largest largest_estimated;

// |a - b| relative to the larger of |a|, |b| and the cell's scale (the largest magnitude in its
// series block: residuals near zero are measured against their block, not against themselves).
double RelativeDifference(double a, double b, double scale) {
  if (a == b) return 0.0;
  return std::fabs(a - b) / std::fmax(std::fmax(std::fabs(a), std::fabs(b)), scale);
}

std::string Describe(double x) {
  char s[64];
  std::snprintf(s, sizeof s, "%.17g", x);
  return s;
}

// Reads a result array's cells; checks its shape.
bool ReadCells(const VARIANT& v, std::vector<double>* cells, const std::string& where) {
  SAFEARRAY* a = v.parray;
  if (a == nullptr || SafeArrayGetDim(a) != 1) {
    Fail(where, "the result array is missing or not one-dimensional");
    return false;
  }
  VARTYPE vt = VT_EMPTY;
  Check(SUCCEEDED(SafeArrayGetVartype(a, &vt)) && vt == VT_R8, where,
        "the result array's elements are not VT_R8");
  Check(SafeArrayGetElemsize(a) == sizeof(double), where, "the result cells are not 8 bytes");
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(a, 1, &lower)) || FAILED(SafeArrayGetUBound(a, 1, &upper))) {
    Fail(where, "the result array's bounds cannot be read");
    return false;
  }
  Check(lower == 1, where, "the result array's lower bound is " + std::to_string(lower));
  for (LONG i = lower; i <= upper; ++i) {
    double x = 0.0;
    if (FAILED(SafeArrayGetElement(a, &i, &x))) {
      Fail(where, "cell " + std::to_string(i) + " cannot be read");
      return false;
    }
    cells->push_back(x);
  }
  return true;
}

void CompareCells(const Case& c, const std::vector<double>& cells, const std::string& where) {
  if (cells.size() != c.cells.size()) {
    Fail(where, std::to_string(cells.size()) + " cells, native " + std::to_string(c.cells.size()));
    return;
  }
  for (std::size_t k = 0; k < cells.size(); ++k) {
    const std::string at = where + ", cell " + std::to_string(k + 1);
    const double expected = c.cells[k].value;
    const double actual = cells[k];
    if (c.cells[k].kind == 's') {
      Check(std::isfinite(actual), at, "simulated limit is not finite");
      continue;
    }
    if (std::isnan(expected) || std::isnan(actual)) {
      Check(std::isnan(expected) && std::isnan(actual), at,
            Describe(actual) + " where native has " + Describe(expected));
      continue;
    }
    const double difference = RelativeDifference(actual, expected, c.cells[k].scale);
    const bool deterministic = c.cells[k].kind == 'd';
    Largest& largest = deterministic ? largest_deterministic : largest_estimated;
    if (difference > largest.difference) largest = {difference, at};
    if (std::getenv("VORDEX_HOST_TEST_VERBOSE") != nullptr && difference > 0)
      std::printf("DIFF %s %c %.17g %.17g %.3g\n", at.c_str(), c.cells[k].kind, actual, expected,
                  difference);
    const double tolerance = deterministic ? kDeterministicTolerance : kEstimatedTolerance;
    Check(difference <= tolerance, at,
          Describe(actual) + " where native has " + Describe(expected) + " (relative " +
              Describe(difference) + ")");
  }
  // Simulated limits: the lower one below the upper one, horizon by horizon.
  if (c.method == 1) {
    const std::size_t N = static_cast<std::size_t>(c.options[0]);
    const std::size_t h = static_cast<std::size_t>(c.options[2]);
    for (std::size_t i = 0; i < h && 3 * N + 3 * h <= cells.size(); ++i)
      Check(cells[3 * N + h + i] <= cells[3 * N + 2 * h + i], where,
            "lower limit above upper limit at horizon " + std::to_string(i + 1));
  }
}

// Checks a returned variant against the native result and releases it by the host's rules.
// `cells_out` receives the cells of a result array.
void CheckResult(const Case& c, VARIANT* v, const std::string& where,
                 std::vector<double>* cells_out = nullptr) {
  if (c.result == "array") {
    if (v->vt != (VT_ARRAY | VT_R8)) {
      Fail(where, "variant type " + std::to_string(v->vt) + ", native returned an array");
    } else {
      std::vector<double> cells;
      if (ReadCells(*v, &cells, where)) CompareCells(c, cells, where);
      if (cells_out != nullptr) *cells_out = cells;
    }
  } else if (c.result == "status") {
    if (v->vt != VT_I2)
      Fail(where, "variant type " + std::to_string(v->vt) + ", native returned a status");
    else
      Check(v->iVal == c.status, where,
            "status " + std::to_string(v->iVal) + ", native " + std::to_string(c.status));
  } else if (c.result == "text") {
    if (v->vt != VT_BSTR || v->bstrVal == nullptr) {
      Fail(where, "variant type " + std::to_string(v->vt) + ", native returned a text");
    } else {
      // An ordinary string of its length: the length prefix, the characters, a null after them.
      const UINT length = SysStringLen(v->bstrVal);
      Check(length == c.text.size(), where, "text of " + std::to_string(length) + " characters");
      Check(SysStringByteLen(v->bstrVal) == 2 * length, where, "text byte length wrong");
      Check(v->bstrVal[length] == L'\0', where, "text not terminated");
      char narrow[1024] = {};
      const int n = WideCharToMultiByte(CP_ACP, 0, v->bstrVal, static_cast<int>(length), narrow,
                                        sizeof narrow - 1, nullptr, nullptr);
      Check(n == static_cast<int>(c.text.size()) && std::string(narrow, n) == c.text, where,
            "text \"" + std::string(narrow) + "\"");
    }
  } else if (c.result == "unit") {
    Check(v->vt == VT_R8 && v->dblVal == c.unit, where, "not the unit variant");
  }
  Check(VariantClear(v) == S_OK, where, "VariantClear failed");
  Check(v->vt == VT_EMPTY, where, "VariantClear left a value");
}

void CheckMessages(const Case& c, const std::string& where) {
  if (shown == c.messages) return;
  std::string what =
      std::to_string(shown.size()) + " messages, native " + std::to_string(c.messages.size());
  if (!shown.empty()) what += "; first \"" + shown[0].title + ": " + shown[0].text + "\"";
  Fail(where, what);
}

// ---- Replaying the native requests ------------------------------------------------------------

void Replay(const Library& lib, const Case& c) {
  const LONG lowers[] = {0, 1, -3};
  std::vector<double> first_cells;
  bool have_first = false;
  for (LONG lower : lowers) {
    for (int w = 0; w < kWays; ++w) {
      const std::string where =
          c.label + " (lower bound " + std::to_string(lower) + ", by " + kWayNames[w] + ")";
      HostArrays arrays(MakeArray<SHORT>(VT_I2, lower, c.options),
                        MakeArray<double>(VT_R8, lower, c.data), where);
      if (arrays.options == nullptr || arrays.data == nullptr) {
        Fail(where, "host arrays not created");
        continue;
      }
      shown.clear();
      VARIANT v = lib.exports[c.method][w](&arrays.options, &arrays.data);
      CheckMessages(c, where);
      std::vector<double> cells;
      CheckResult(c, &v, where, &cells);
      // Within one process the same request gives the same bits, whatever the bounds.
      if (!have_first) {
        first_cells = cells;
        have_first = true;
      } else if (cells.size() == first_cells.size()) {
        for (std::size_t k = 0; k < cells.size(); ++k)
          if (c.cells[k].kind != 's' &&
              std::memcmp(&cells[k], &first_cells[k], sizeof(double)) != 0) {
            Fail(where, "cell " + std::to_string(k + 1) + " differs from the first call");
            break;
          }
      }
    }
  }
}

// ---- A caller that keeps the stack aligned to 4 bytes only ------------------------------------

// Calls fn as MSVC-compiled code does for a function returning a 16-byte structure: the arguments
// pushed right to left, then the address of the caller's result buffer as a hidden first
// argument, on a stack 8 bytes off 16-byte alignment at entry. Returns the number of bytes the
// callee removed from the stack (the standard calling convention requires 12: both arguments and
// the hidden pointer) and the pointer it returned in EAX.
int CallAsLegacyHost(Export fn, VARIANT* result, SAFEARRAY** options, SAFEARRAY** data,
                     void** returned) {
  int popped = 0;
  void* eax_out = nullptr;
  void* edx_dummy = nullptr;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "subl $8, %%esp\n\t"
      "pushl %%edx\n\t"
      "pushl %%ecx\n\t"
      "pushl %%eax\n\t"
      "movl %%esp, %%edi\n\t"
      "call *%%ebx\n\t"
      "movl %%eax, %%ecx\n\t"
      "movl %%esp, %%eax\n\t"
      "subl %%edi, %%eax\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(popped), "=c"(eax_out), "=d"(edx_dummy)
      : "0"(result), "1"(options), "2"(data), "b"(fn)
      : "esi", "edi", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
        "xmm7");
  *returned = eax_out;
  return popped;
}

void LegacyCalls(const Library& lib, const std::vector<Case>& cases) {
  for (int m = 0; m < kMethods; ++m) {
    for (const Case& c : cases) {
      if (c.method != m || c.result != "array") continue;
      const std::string where = c.label + " (called with a 4-byte aligned stack)";
      HostArrays arrays(MakeArray<SHORT>(VT_I2, 1, c.options), MakeArray<double>(VT_R8, 1, c.data),
                        where);
      VARIANT v;
      VariantInit(&v);
      void* returned = nullptr;
      shown.clear();
      const int popped =
          CallAsLegacyHost(lib.exports[m][kByName], &v, &arrays.options, &arrays.data, &returned);
      Check(popped == 12, where, "the callee removed " + std::to_string(popped) + " bytes");
      Check(returned == &v, where, "EAX does not hold the result's address");
      CheckMessages(c, where);
      CheckResult(c, &v, where);
      break;
    }
  }
}

// ---- Bad arrays -------------------------------------------------------------------------------

void ExpectStatus(Export fn, SAFEARRAY** options, SAFEARRAY** data, int code,
                  const std::string& where) {
  VARIANT v = fn(options, data);
  if (v.vt != VT_I2)
    Fail(where,
         "variant type " + std::to_string(v.vt) + ", expected status " + std::to_string(code));
  else
    Check(v.iVal == code, where,
          "status " + std::to_string(v.iVal) + ", expected " + std::to_string(code));
  Check(VariantClear(&v) == S_OK, where, "VariantClear failed");
}

SAFEARRAY* BstrArray(LONG count, const wchar_t* text) {
  SAFEARRAY* a = MakeVector(VT_BSTR, 0, static_cast<ULONG>(count));
  for (LONG i = 0; a != nullptr && i < count; ++i) {
    BSTR s = SysAllocString(text);
    SafeArrayPutElement(a, &i, s);  // stores a copy
    SysFreeString(s);
  }
  return a;
}

// A VT_VARIANT data array holding the request's values as VT_R8, except element `text_at`,
// which holds a string.
SAFEARRAY* VariantData(const std::vector<double>& data, LONG text_at) {
  SAFEARRAY* a = MakeVector(VT_VARIANT, 0, static_cast<ULONG>(data.size()));
  for (LONG i = 0; a != nullptr && i < static_cast<LONG>(data.size()); ++i) {
    VARIANT v;
    VariantInit(&v);
    if (i == text_at) {
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(L"12.5");
    } else {
      v.vt = VT_R8;
      v.dblVal = data[static_cast<std::size_t>(i)];
    }
    SafeArrayPutElement(a, &i, &v);  // stores a copy
    VariantClear(&v);
  }
  return a;
}

SAFEARRAY* TwoDimensional(VARTYPE vt, ULONG rows) {
  SAFEARRAYBOUND bounds[2];
  bounds[0].cElements = rows;
  bounds[0].lLbound = 0;
  bounds[1].cElements = 2;
  bounds[1].lLbound = 0;
  return SafeArrayCreate(vt, 2, bounds);
}

void BadArrays(const Library& lib, const std::vector<Case>& cases) {
  for (int m = 0; m < kMethods; ++m) {
    const Case* good = nullptr;
    for (const Case& c : cases)
      if (c.method == m && c.result == "array" && good == nullptr) good = &c;
    if (good == nullptr) {
      Fail(kPlainNames[m], "no successful request to vary");
      continue;
    }
    const Export fn = lib.exports[m][kByName];
    const std::string name = kPlainNames[m];
    const ULONG n_options = static_cast<ULONG>(good->options.size());
    const auto options = [&] { return MakeArray<SHORT>(VT_I2, 0, good->options); };
    const auto data = [&] { return MakeArray<double>(VT_R8, 0, good->data); };
    shown.clear();

    {  // Null argument pointers and null arrays: 1.
      HostArrays a(options(), data(), name + " null arguments");
      SAFEARRAY* none = nullptr;
      ExpectStatus(fn, nullptr, &a.data, 1, name + " null options pointer");
      ExpectStatus(fn, &a.options, nullptr, 1, name + " null data pointer");
      ExpectStatus(fn, &none, &a.data, 1, name + " options array never dimensioned");
      ExpectStatus(fn, &a.options, &none, 1, name + " data array never dimensioned");
    }
    {  // Two dimensions: 2.
      HostArrays a(TwoDimensional(VT_I2, n_options), data(), name + " two-dimensional options");
      ExpectStatus(fn, &a.options, &a.data, 2, a.where);
    }
    {
      HostArrays a(options(), TwoDimensional(VT_R8, static_cast<ULONG>(good->data.size())),
                   name + " two-dimensional data");
      ExpectStatus(fn, &a.options, &a.data, 2, a.where);
    }
    {  // Options that cannot be read as 16-bit integers: 12.
      HostArrays a(BstrArray(static_cast<LONG>(n_options), L"1"), data(), name + " text options");
      ExpectStatus(fn, &a.options, &a.data, 12, a.where);
    }
    {
      std::vector<double> halves(n_options, 0.5);
      HostArrays a(MakeArray<double>(VT_R8, 0, halves), data(), name + " fractional options");
      ExpectStatus(fn, &a.options, &a.data, 12, a.where);
    }
    {  // Data that cannot be read as doubles: 14 for a separate lead value, else 15.
      HostArrays a(options(), BstrArray(static_cast<LONG>(good->data.size()), L"2.5"),
                   name + " text data");
      ExpectStatus(fn, &a.options, &a.data, m == 2 ? 15 : 14, a.where);
    }
    {  // One observation of a variant data array holds a string: 15.
      HostArrays a(options(), VariantData(good->data, 3), name + " string among variant data");
      ExpectStatus(fn, &a.options, &a.data, 15, a.where);
    }
    {  // Empty options: the unit 1.0 from Arimadll and Pegelsdll, 3 from Armaxdll.
      HostArrays a(MakeVector(VT_I2, 0, 0), data(), name + " empty options");
      VARIANT v = fn(&a.options, &a.data);
      if (m == 2)
        Check(v.vt == VT_I2 && v.iVal == 3, a.where, "not status 3");
      else
        Check(v.vt == VT_R8 && v.dblVal == 1.0, a.where, "not the unit variant 1.0");
      Check(VariantClear(&v) == S_OK, a.where, "VariantClear failed");
    }
    {  // Empty data behind valid options: 4.
      HostArrays a(options(), MakeVector(VT_R8, 5, 0), name + " empty data");
      ExpectStatus(fn, &a.options, &a.data, 4, a.where);
    }
    Check(shown.empty(), name + " bad arrays", "a message box was raised");
    shown.clear();

    // Readable types of other widths are converted exactly: 32-bit options and variant data give
    // the native result.
    {
      std::vector<LONG> wide(good->options.begin(), good->options.end());
      HostArrays a(MakeArray<LONG>(VT_I4, 7, wide), VariantData(good->data, -1),
                   good->label + " (VT_I4 options, VT_VARIANT data)");
      VARIANT v = fn(&a.options, &a.data);
      CheckResult(*good, &v, a.where);
      shown.clear();
    }
  }
}

void PrintLargest(const char* kind, const Largest& l, double tolerance) {
  std::printf("largest relative difference, %s cells: %.3g (tolerance %.0e)%s%s\n", kind,
              l.difference, tolerance, l.where.empty() ? "" : " at ", l.where.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CASES_FILE\n", argv[0]);
    return 2;
  }
  std::vector<Case> cases;
  Library lib;
  if (!ReadCases(argv[1], &cases) || !Load(&lib)) {
    std::printf("%d failures\n", failures);
    return 1;
  }
  // Every box goes to the collector instead of blocking on a modal window.
  lib.set_handler(&CollectMessage, nullptr, nullptr);

  for (const Case& c : cases) Replay(lib, c);
  LegacyCalls(lib, cases);
  BadArrays(lib, cases);

  lib.set_handler(nullptr, nullptr, nullptr);
  FreeLibrary(lib.module);

  std::printf(
      "%u requests replayed, each with lower bounds 0, 1, -3 and by name, decorated "
      "name and ordinal\n",
      static_cast<unsigned>(cases.size()));
  PrintLargest("deterministic", largest_deterministic, kDeterministicTolerance);
  PrintLargest("estimated", largest_estimated, kEstimatedTolerance);
  if (failures != 0) {
    std::printf("%d failures\n", failures);
    return 1;
  }
  std::printf("all checks passed\n");
  return 0;
}
