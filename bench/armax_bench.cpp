// Armaxdll on the airline model: log transform, (0,1,1)(0,1,1)12 without constant, h = 24.
#include <benchmark/benchmark.h>

#include <vector>

#include "vordex/vordex.h"

namespace {

// The monthly airline passenger totals, 1949-1960 (Box and Jenkins, series G).
constexpr double kAirline[] = {
    112, 118, 132, 129, 121, 135, 148, 148, 136, 119, 104, 118, 115, 126, 141, 135, 125, 149,
    170, 170, 158, 133, 114, 140, 145, 150, 178, 163, 172, 178, 199, 199, 184, 162, 146, 166,
    171, 180, 193, 181, 183, 218, 230, 242, 209, 191, 172, 194, 196, 196, 236, 235, 229, 243,
    264, 272, 237, 211, 180, 201, 204, 188, 235, 227, 234, 264, 302, 293, 259, 229, 203, 229,
    242, 233, 267, 269, 270, 315, 364, 347, 312, 274, 237, 278, 284, 277, 317, 313, 318, 374,
    413, 405, 355, 306, 271, 306, 315, 301, 356, 348, 355, 422, 465, 467, 404, 347, 305, 336,
    340, 318, 362, 348, 363, 435, 491, 505, 404, 359, 310, 337, 360, 342, 406, 396, 420, 472,
    548, 559, 463, 407, 362, 405, 417, 391, 419, 461, 472, 535, 622, 606, 508, 461, 390, 432};

void Quiet(void*, const char*, const char*, unsigned) {}

void BM_ArmaxdllAirline(benchmark::State& state) {
  vordex_set_message_handler(&Quiet, nullptr, nullptr);
  const short options[] = {144, 12, 24, 0, 1, 1, 0, 1, 1, 0, 1};
  SAFEARRAY* opt = SafeArrayCreateVector(VT_I2, 0, 11);
  for (LONG i = 0; i < 11; ++i) {
    short v = options[i];
    SafeArrayPutElement(opt, &i, &v);
  }
  SAFEARRAY* dat = SafeArrayCreateVector(VT_R8, 0, 145);
  for (LONG i = 0; i <= 144; ++i) {
    double v = i == 0 ? 1.96 : kAirline[i - 1];
    SafeArrayPutElement(dat, &i, &v);
  }
  for (auto _ : state) {
    VARIANT result = Armaxdll(&opt, &dat);
    if (result.vt != (VT_ARRAY | VT_R8)) state.SkipWithError("Armaxdll failed");
    VariantClear(&result);
  }
  SafeArrayDestroy(opt);
  SafeArrayDestroy(dat);
  vordex_set_message_handler(nullptr, nullptr, nullptr);
}
BENCHMARK(BM_ArmaxdllAirline)->Unit(benchmark::kMillisecond);

}  // namespace
