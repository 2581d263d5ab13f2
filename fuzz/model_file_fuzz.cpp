// The model file loader on arbitrary text: it answers with a model or a vordex::Error naming what
// is wrong, never anything else; a model it accepts saves to a file that loads to the same file,
// and forecasts or refuses with a vordex::Error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vordex/error.hpp"
#include "vordex/model.hpp"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vordex::Model model;
  try {
    model = vordex::FromJson(text);
  } catch (const vordex::Error& e) {
    if (e.status() != vordex::Status::kInvalidData) Broken("a refusal other than kInvalidData");
    if (e.text().rfind("model file: ", 0) != 0) Broken("a refusal that does not say where");
    return 0;
  }
  const std::string saved = vordex::ToJson(model);
  if (vordex::ToJson(vordex::FromJson(saved)) != saved) Broken("a saved model that changes");
  try {
    vordex::Predict(model, 3, {80.0});
  } catch (const vordex::Error&) {
    // A state that the model's filter cannot continue is refused with its reason.
  }
  return 0;
}
