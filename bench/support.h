// Data and automation-array builders shared by the benchmarks.
#ifndef VORDEX_BENCH_SUPPORT_H
#define VORDEX_BENCH_SUPPORT_H

#include <cstddef>
#include <iterator>
#include <vector>

#include "vordex/automation.h"

namespace vordex::bench {

// Box and Jenkins, Series G: monthly international airline passengers (thousands), 1949-1960;
// the values of data/airline.csv.
inline constexpr double kAirline[] = {
    112, 118, 132, 129, 121, 135, 148, 148, 136, 119, 104, 118, 115, 126, 141, 135, 125, 149,
    170, 170, 158, 133, 114, 140, 145, 150, 178, 163, 172, 178, 199, 199, 184, 162, 146, 166,
    171, 180, 193, 181, 183, 218, 230, 242, 209, 191, 172, 194, 196, 196, 236, 235, 229, 243,
    264, 272, 237, 211, 180, 201, 204, 188, 235, 227, 234, 264, 302, 293, 259, 229, 203, 229,
    242, 233, 267, 269, 270, 315, 364, 347, 312, 274, 237, 278, 284, 277, 317, 313, 318, 374,
    413, 405, 355, 306, 271, 306, 315, 301, 356, 348, 355, 422, 465, 467, 404, 347, 305, 336,
    340, 318, 362, 348, 363, 435, 491, 505, 404, 359, 310, 337, 360, 342, 406, 396, 420, 472,
    548, 559, 463, 407, 362, 405, 417, 391, 419, 461, 472, 535, 622, 606, 508, 461, 390, 432};

// A VT_I2 vector (lower bound 0) holding `values`; the caller owns it and releases it with
// SafeArrayDestroy. Null when it cannot be created.
inline SAFEARRAY* OptionArray(const std::vector<short>& values) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values.size()));
  if (a == nullptr) return nullptr;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    short v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &i, &v);
  }
  return a;
}

// A VT_R8 vector (lower bound 0) holding `values`; the caller owns it and releases it with
// SafeArrayDestroy. Null when it cannot be created.
inline SAFEARRAY* DataArray(const std::vector<double>& values) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  if (a == nullptr) return nullptr;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    double v = values[static_cast<std::size_t>(i)];
    SafeArrayPutElement(a, &i, &v);
  }
  return a;
}

// The data array of a request: `first` (the critical value or confidence cell) followed by the
// airline series.
inline std::vector<double> AirlineData(double first) {
  std::vector<double> data{first};
  data.insert(data.end(), std::begin(kAirline), std::end(kAirline));
  return data;
}

}  // namespace vordex::bench

#endif  // VORDEX_BENCH_SUPPORT_H
