// The ARMAX engine's typed entry point: settings and observations in, the fitted model with
// forecasts and limits (or the failure, with every message raised) out.
//
// Run is the one way into the engine for every surface: the Armaxdll export translates its
// option codes into Request and packs the outcome into cells; the typed C++ API, the batch
// layer and the command-line tool build Request directly. So the numbers agree by construction.
#ifndef VORDEX_ARMAX_RUN_H
#define VORDEX_ARMAX_RUN_H

#include <span>
#include <string>
#include <vector>

#include "armax/armax.h"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"
#include "vordex/transform.hpp"

namespace vordex::armax {

// A request's outcome: the fit, or the failure (the checker's status with its message as the
// text, or kEngineFailed with the engine status's text), with every message raised during the
// request in order. The messages are recorded, not shown.
struct Estimates {
  ArmaxResult result;
  int engine_status = 0;  // the driver's ArmaxStatus
};
using Outcome = vordex::Outcome<Estimates>;

// Title of the checker's messages, and the text of an engine failure without a text of its own.
inline constexpr const char* kCheckTitle = "Armax Error";
inline constexpr const char* kFailureText = "Failure in Armaxmain:\nModel could not be estimated";

// The checker's rules over the settings for n observations, in order: s >= 1, n >= 2s, h >= 0,
// p, q, d >= 0, P, Q, D >= 0, and p < s and q < s when s > 1 (kArmaxInvalidPeriod ..
// kArmaxOrderNotBelowPeriod). The first that fails shows its message in a warning box titled
// kCheckTitle and returns its status; kOk when all pass.
Status Check(const Request& settings, long n);

// The text the host receives for a non-zero engine status (and for status 0 without results).
const char* StatusText(int status);

// Fits checked settings to y.
Outcome Execute(const Request& settings, std::span<const double> y);

// Check, then Execute.
Outcome Run(const Request& settings, std::span<const double> y);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_RUN_H
