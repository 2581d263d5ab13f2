// A Windows host linked against VORDEX.dll at load time through its import library and the
// declarations of include/vordex/vordex.h, as a C or C++ program would use it.
//
//   vordex_linked_host
//
// Calls each export once with an empty option array (the unit variant 1.0 from Arimadll and
// Pegelsdll, status 3 from Armaxdll) and once with a rejected setting, whose message box reaches
// the handler installed through vordex_set_message_handler. Exit status 0 when all is as
// expected.
#include <cstdio>
#include <cstring>

#include "vordex/vordex.h"

namespace {

int failures = 0;
int boxes = 0;
char last_title[64];

void Count(void* /*context*/, const char* title, const char* /*text*/, unsigned style) {
  ++boxes;
  if (style != VORDEX_STYLE_WARNING) ++failures;
  std::snprintf(last_title, sizeof last_title, "%s", title);
}

void Expect(bool ok, const char* what) {
  if (!ok) {
    ++failures;
    std::printf("FAIL %s\n", what);
  }
}

}  // namespace

int main() {
  vordex_set_message_handler(&Count, nullptr, nullptr);
  SAFEARRAY* empty = SafeArrayCreateVector(VT_I2, 0, 0);
  SAFEARRAY* data = SafeArrayCreateVector(VT_R8, 1, 30);
  VARIANT v = Arimadll(&empty, &data);
  Expect(v.vt == VT_R8 && v.dblVal == 1.0, "Arimadll: empty options give the unit 1.0");
  v = Pegelsdll(&empty, &data);
  Expect(v.vt == VT_R8 && v.dblVal == 1.0, "Pegelsdll: empty options give the unit 1.0");
  v = Armaxdll(&empty, &data);
  Expect(v.vt == VT_I2 && v.iVal == 3, "Armaxdll: empty options give status 3");

  // N = 20, s = 30: rejected by each checker with code 32 (a seasonal frequency above 24; fewer
  // than 2s observations for Armaxdll) and a box.
  const SHORT settings[12] = {20, 30, 5, 0, 0, 1, 0, 1, 1, 500, 3, 1};
  SAFEARRAY* options = SafeArrayCreateVector(VT_I2, 0, 12);
  for (LONG i = 0; i < 12; ++i) {
    SHORT s = settings[i];
    SafeArrayPutElement(options, &i, &s);
  }
  const struct {
    VARIANT(__stdcall* run)(SAFEARRAY**, SAFEARRAY**);
    SHORT code;
    const char* title;
  } rejected[] = {{&Arimadll, 32, "Arima Error"},
                  {&Pegelsdll, 32, "Pegels Error"},
                  {&Armaxdll, 32, "Armax Error"}};
  for (const auto& r : rejected) {
    boxes = 0;
    v = r.run(&options, &data);
    Expect(v.vt == VT_I2 && v.iVal == r.code, r.title);
    Expect(boxes == 1 && std::strcmp(last_title, r.title) == 0, "one box with the method's title");
  }
  vordex_set_message_handler(nullptr, nullptr, nullptr);
  Expect(SafeArrayDestroy(options) == S_OK && SafeArrayDestroy(empty) == S_OK &&
             SafeArrayDestroy(data) == S_OK,
         "the host's arrays are destroyed by the host");
  if (failures == 0)
    std::printf("all checks passed\n");
  else
    std::printf("%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
