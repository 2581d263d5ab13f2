// The shipped shared library as a host loads it: only the exports and the handler function are
// visible, and a request through it gives the same cells as the same code linked in.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

class SharedLibrary {
 public:
  SharedLibrary() : handle_(dlopen(VORDEX_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  ~SharedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  void* handle() const { return handle_; }
  void* Find(const char* name) const { return dlsym(handle_, name); }

 private:
  void* handle_;
};

using Export = decltype(&Arimadll);
using SetHandler = decltype(&vordex_set_message_handler);

std::vector<double> Cells(VARIANT v) {
  std::vector<double> cells;
  if (v.vt != (VT_ARRAY | VT_R8)) return cells;
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(v.parray, 1, &lower);
  SafeArrayGetUBound(v.parray, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    double x = 0.0;
    SafeArrayGetElement(v.parray, &i, &x);
    cells.push_back(x);
  }
  VariantClear(&v);
  return cells;
}

SAFEARRAY* Vector(VARTYPE vt, const void* values, std::size_t count, std::size_t size) {
  SAFEARRAY* a = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count));
  for (LONG i = 0; i < static_cast<LONG>(count); ++i)
    SafeArrayPutElement(a, &i, const_cast<char*>(static_cast<const char*>(values) + i * size));
  return a;
}

TEST(SharedLibrary, ExportsOnlyTheEntryPoints) {
  SharedLibrary lib;
  ASSERT_NE(lib.handle(), nullptr) << dlerror();
  for (const char* name : {"Arimadll", "Pegelsdll", "Armaxdll", "vordex_set_message_handler"})
    EXPECT_NE(lib.Find(name), nullptr) << name;
  for (const char* name : {"SafeArrayCreate", "ReportError", "Arimamain", "DUMINF"})
    EXPECT_EQ(lib.Find(name), nullptr) << name;
}

TEST(SharedLibrary, RequestMatchesTheLinkedInExport) {
  SharedLibrary lib;
  ASSERT_NE(lib.handle(), nullptr) << dlerror();
  auto arima = reinterpret_cast<Export>(lib.Find("Arimadll"));
  auto set_handler = reinterpret_cast<SetHandler>(lib.Find("vordex_set_message_handler"));
  ASSERT_NE(arima, nullptr);
  ASSERT_NE(set_handler, nullptr);

  const std::vector<double> y = testing::Airline();
  const std::vector<short> options = {144, 12, 12, 0, 1, 1, 0, 1, 1, 0, 2};
  std::vector<double> data = {1.96};
  data.insert(data.end(), y.begin(), y.end());
  SAFEARRAY* opt = Vector(VT_I2, options.data(), options.size(), sizeof(short));
  SAFEARRAY* dat = Vector(VT_R8, data.data(), data.size(), sizeof(double));

  const std::vector<double> loaded = Cells(arima(&opt, &dat));
  const std::vector<double> linked = Cells(Arimadll(&opt, &dat));
  ASSERT_EQ(loaded.size(), 3u * 144 + 3 * 12 + 2 + 4);
  ASSERT_EQ(loaded.size(), linked.size());
  for (std::size_t i = 0; i < loaded.size(); ++i)
    EXPECT_EQ(std::bit_cast<std::uint64_t>(loaded[i]), std::bit_cast<std::uint64_t>(linked[i]))
        << i;

  // The library's handler receives its boxes: a rejected option (N = 0).
  std::vector<std::string> texts;
  set_handler([](void* context, const char*, const char* text,
                 unsigned) { static_cast<std::vector<std::string>*>(context)->push_back(text); },
              &texts, nullptr);
  LONG first = 0;
  short zero = 0;
  SafeArrayPutElement(opt, &first, &zero);
  VARIANT rejected = arima(&opt, &dat);
  set_handler(nullptr, nullptr, nullptr);
  EXPECT_EQ(rejected.vt, VT_I2);
  EXPECT_EQ(rejected.iVal, 39);
  EXPECT_EQ(texts, std::vector<std::string>{"Number of observations zero or negative"});
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);
}

}  // namespace
}  // namespace vordex::host
