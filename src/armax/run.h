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
#include "vordex/error.hpp"
#include "vordex/transform.hpp"

namespace vordex::armax {

// The model: a constant (optional) plus a seasonal ARMA(p,q)(P,Q)s process for the transformed
// series differenced d times and D times at lag s.
struct Request {
  int period = 1;   // s >= 1
  int horizon = 0;  // h >= 0
  int p = 0, d = 0, q = 0;
  int P = 0, D = 0, Q = 0;
  bool constant = false;
  Transform transform = Transform::kNone;
  double critical = 1.96;  // each limit lies this many forecast standard errors away
  // Keep the best of several estimates (Armaxml's thorough estimation) instead of the one from
  // the start 0.01 (the export's estimation).
  bool thorough = false;
};

// A request's outcome: the fit, or the failure as the host would see it (a checker code, or an
// engine status with its text), with every message raised during the request in order.
struct Outcome {
  int status = 0;         // 0 or a checker code 31..36
  int engine_status = 0;  // the driver's ArmaxStatus
  std::string text;       // non-empty when the engine failed
  std::vector<Message> messages;
  ArmaxResult fit;
  bool ok() const { return status == 0 && text.empty(); }
};

// Title of the checker's messages, and the text of an engine failure without a text of its own.
inline constexpr const char* kCheckTitle = "Armax Error";
inline constexpr const char* kFailureText = "Failure in Armaxmain:\nModel could not be estimated";

// The checker's rules over the settings for n observations, in order: s >= 1 (31), n >= 2s (32),
// h >= 0 (33), p, q, d >= 0 (34), P, Q, D >= 0 (35), and p < s and q < s when s > 1 (36). The
// first that fails shows its message in a warning box titled kCheckTitle and returns its code;
// 0 when all pass.
int Check(const Request& settings, long n);

// The text the host receives for a non-zero engine status (and for status 0 without results).
const char* StatusText(int status);

// Fits checked settings to y, recording the request's messages in the outcome (they are passed
// on to the thread's handler as they arise).
Outcome Execute(const Request& settings, std::span<const double> y);

// Check, then Execute.
Outcome Run(const Request& settings, std::span<const double> y);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_RUN_H
