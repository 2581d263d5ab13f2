#include "api/request.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/messages.h"

namespace vordex {

Error::Error(int status, std::string host_text, std::vector<Message> messages)
    : std::runtime_error(!host_text.empty() ? host_text
                                            : (!messages.empty() ? messages.back().text
                                                                 : "request failed with status " +
                                                                       std::to_string(status))),
      status_(status),
      host_text_(std::move(host_text)),
      messages_(std::move(messages)) {}

namespace api {
namespace {

void Collect(void* context, const char* title, const char* text, unsigned style) {
  static_cast<std::vector<Message>*>(context)->push_back({title, text, style});
}

// An automation array that is destroyed when it goes out of scope.
struct ArrayHolder {
  SAFEARRAY* array = nullptr;
  ~ArrayHolder() {
    if (array != nullptr) SafeArrayDestroy(array);
  }
};

template <class T>
SAFEARRAY* MakeArray(VARTYPE vt, std::span<const T> values) {
  SAFEARRAY* array = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size()));
  if (array == nullptr) return nullptr;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    T v = values[static_cast<std::size_t>(i)];
    if (FAILED(SafeArrayPutElement(array, &i, &v))) {
      SafeArrayDestroy(array);
      return nullptr;
    }
  }
  return array;
}

}  // namespace

std::vector<double> RunExport(Export run, std::span<const short> options,
                              std::span<const double> data, std::vector<Message>* warnings) {
  std::vector<Message> messages;
  VARIANT result;
  {
    platform::ScopedMessageHandler scope(&Collect, &messages);
    ArrayHolder opt{MakeArray<short>(VT_I2, options)};
    ArrayHolder dat{MakeArray<double>(VT_R8, data)};
    if (opt.array == nullptr || dat.array == nullptr)
      throw Error(18, "", {{"Error", "automation arrays could not be created", 0x10010u}});
    result = run(&opt.array, &dat.array);
  }
  if (result.vt == (VT_ARRAY | VT_R8)) {
    std::vector<double> cells;
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(result.parray, 1, &lower);
    SafeArrayGetUBound(result.parray, 1, &upper);
    cells.reserve(static_cast<std::size_t>(upper - lower + 1));
    for (LONG i = lower; i <= upper; ++i) {
      double v = 0.0;
      SafeArrayGetElement(result.parray, &i, &v);
      cells.push_back(v);
    }
    VariantClear(&result);
    if (warnings != nullptr) *warnings = std::move(messages);
    return cells;
  }
  if (result.vt == VT_BSTR) {
    std::string text;
    const UINT length = SysStringLen(result.bstrVal);
    for (UINT i = 0; i < length; ++i) text.push_back(static_cast<char>(result.bstrVal[i]));
    VariantClear(&result);
    throw Error(0, std::move(text), std::move(messages));
  }
  const int status = result.vt == VT_I2 ? result.iVal : -1;
  VariantClear(&result);
  throw Error(status, "", std::move(messages));
}

std::vector<double> MissingToNaN(std::vector<double> block) {
  for (double& x : block)
    if (std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(kMissing))
      x = std::numeric_limits<double>::quiet_NaN();
  return block;
}

short Option(long value, const char* method, const char* name) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw Error(0, std::string(method) + ": " + name + " does not fit a 16-bit option", {});
  return static_cast<short>(value);
}

CellReader::CellReader(std::span<const double> cells, const char* method,
                       const std::vector<Message>& warnings)
    : cells_(cells), method_(method), warnings_(&warnings) {}

void CellReader::Need(std::size_t count) const {
  if (count > cells_.size() - at_)
    throw Error(0, std::string(method_) + ": unexpected result layout", *warnings_);
}

std::vector<double> CellReader::Take(long count) {
  if (count <= 0) return {};
  const auto n = static_cast<std::size_t>(count);
  Need(n);
  const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(at_);
  std::vector<double> block(first, first + static_cast<std::ptrdiff_t>(n));
  at_ += n;
  return block;
}

double CellReader::Next() {
  Need(1);
  return cells_[at_++];
}

}  // namespace api
}  // namespace vordex
