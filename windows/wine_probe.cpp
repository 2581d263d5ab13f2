// The smallest 32-bit Windows console program that does what the Wine tests need: it runs, makes
// and destroys an automation array through the system's oleaut32, and says so on one line.
// Exit status 0 when all of that worked.
// <oleauto.h> needs the types that <windows.h> declares.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <cstdio>

int main() {
  SAFEARRAY* probe = SafeArrayCreateVector(VT_R8, 1, 4);
  if (probe == nullptr || SafeArrayDestroy(probe) != S_OK) {
    std::printf("oleaut32 cannot make an automation array\n");
    return 1;
  }
  std::printf("32-bit Windows programs run (pointer size %u)\n",
              static_cast<unsigned>(sizeof(void*)));
  return 0;
}
