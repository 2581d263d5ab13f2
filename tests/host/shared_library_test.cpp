// The shipped shared library as a host loads it: only the exports and the handler function are
// visible, and a request through it gives the same cells as the same code linked in.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "support/automation.h"
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

TEST(SharedLibrary, ExportsOnlyTheEntryPointsAndTheAutomationFunctions) {
  SharedLibrary lib;
  ASSERT_NE(lib.handle(), nullptr) << dlerror();
  for (const char* name :
       {"Arimadll", "Pegelsdll", "Armaxdll", "vordex_set_message_handler", "SafeArrayCreateVector",
        "SafeArrayPutElement", "VariantClear", "SysFreeString"})
    EXPECT_NE(lib.Find(name), nullptr) << name;
  for (const char* name : {"ReportError", "Arimamain", "DUMINF"})
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
  testing::HostArray opt(testing::OptionArray(options));
  testing::HostArray dat(testing::DataArray(data));

  const std::vector<double> loaded = testing::CellsOf(arima(&opt.array, &dat.array));
  const std::vector<double> linked = testing::CellsOf(Arimadll(&opt.array, &dat.array));
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
  SafeArrayPutElement(opt.array, &first, &zero);
  VARIANT rejected = arima(&opt.array, &dat.array);
  set_handler(nullptr, nullptr, nullptr);
  EXPECT_EQ(rejected.vt, VT_I2);
  EXPECT_EQ(rejected.iVal, 39);
  EXPECT_EQ(texts, std::vector<std::string>{"Number of observations zero or negative"});
}

}  // namespace
}  // namespace vordex::host
