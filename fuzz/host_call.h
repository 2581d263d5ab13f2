// One whole host call of an export, decoded from a fuzzer's input, and the checks of its answer.
#ifndef VORDEX_FUZZ_HOST_CALL_H
#define VORDEX_FUZZ_HOST_CALL_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "vordex/vordex.h"

namespace vordex::fuzz {

// What the decoder needs to know of an export to reach its engine as well as its checks.
struct ExportProfile {
  VARIANT (*run)(SAFEARRAY** options, SAFEARRAY** data);
  std::span<const short> typical;  // the options of a request that runs, in order (slot 0: N)
  int most_options;                // how many options the export reads at most
  double lead;                     // a lead value of such a request
  // The estimated work of a request that the checks would let through (see kWorkBudget), or 0 for
  // one they refuse; null when every request is cheap enough.
  double (*work)(std::span<const double> options) = nullptr;
};

// Requests whose estimated work exceeds this are not made. A fuzzer needs millions of calls, and a
// call that runs long must mean a hang: the largest valid requests (the longest series with the
// highest orders, which take minutes) are left to the extreme-input tests. At this budget the
// airline model on 48 observations or ARMA(2,2) on 120 are made; a long run of the instrumented
// build then makes about 700 Arimadll or 450 Armaxdll calls a second on one core (at twice the
// budget, 630 and 460; before the limits on coefficients below, 230 and 270).
inline constexpr double kWorkBudget = 2400.0;
// An ARMA request is made with at most this many coefficients, and at least this many observations
// for each; others count as infinite work.
inline constexpr double kMostCoefficients = 4.0;
inline constexpr double kObservationsPerCoefficient = 8.0;
inline constexpr double kInfiniteWork = 1e300;

// The work of a seasonal ARMA fit: observations x (coefficients + 1) x (state dimension + 1), for
// options laid out as N, s, h, p, d, q, P, D, Q, ...; 0 when any of them lies outside the given
// limits (the checks refuse such a request at once); kInfiniteWork beyond kMostCoefficients or
// below kObservationsPerCoefficient.
double ArmaWork(std::span<const double> options, double most_n, double most_s, double most_order,
                double most_seasonal_order);

// Builds the option and data arrays as a host would (element types, dimensions, lower bounds,
// lengths and values as the input says), calls the export, and aborts, naming the broken promise,
// when the answer is not one of: the result array (one dimension, lower bound 1, finite cells),
// a status code of the frame or a checker, a text, or the unit 1.0; or when the host's arrays were
// changed, destroyed or left locked.
void RunHostCall(const ExportProfile& profile, const std::uint8_t* data, std::size_t size);

// Sends the messages of the calling thread nowhere: a fuzzer makes millions of requests.
void SilenceMessages();

}  // namespace vordex::fuzz

#endif  // VORDEX_FUZZ_HOST_CALL_H
