// The kernel error state and the named-constant lookup.
//
// The numerical kernels (DUMINF, DZPLRC, DRLSE) return no status. Each records the outcome of its
// most recent call here: an error type (severity), an error code that numbers the condition
// within the kernel, and the message text with its placeholders filled in. A kernel call that
// raises nothing leaves the type at 0. The state is thread_local: each thread has its own.
//
// Error types: 0 none, 1 note, 2 alert, 3 warning, 4 fatal, 5 terminal.
//
// Per severity level 1..5 the state also holds a printing action and a stopping action, set with
// ERSET. They are kept for callers that inspect them, but the library itself never prints a
// kernel message and never stops the process, whatever the actions say: messages only fill this
// state. Defaults (before any ERSET, or restored with action 2): printing on for types 3, 4, 5
// and off for 1, 2; stopping on for types 4, 5 and off for 1, 2, 3.
#ifndef VORDEX_NUMERICS_KERNELS_ERROR_STATE_H
#define VORDEX_NUMERICS_KERNELS_ERROR_STATE_H

#include <string>

namespace vordex::kernels {

// Error types.
inline constexpr int kNone = 0;
inline constexpr int kNote = 1;
inline constexpr int kAlert = 2;
inline constexpr int kWarning = 3;
inline constexpr int kFatal = 4;
inline constexpr int kTerminal = 5;

// Sets the printing action IPACT and the stopping action ISACT for severity level IERSVR (1..5),
// or for every level when IERSVR = 0. Actions: -1 leave unchanged, 0 off, 1 on, 2 restore the
// default. Arguments out of range (IERSVR outside 0..5, IPACT or ISACT outside -1..2) change no
// action and raise a terminal error (type 5) with code 1, 2 or 3 respectively. A valid call leaves
// the error type and code as they were.
void ERSET(const int& iersvr, const int& ipact, const int& isact);

// The last-error-code query: the code of the last error when its type is 1 to 4; 0 when there is
// none and also when the last error is terminal (type 5).
int IERCD();

// The type of the last error (0 when none). IOPT must be 0 or 1 (both give the same answer: there
// is one level of state); any other value returns -1 and changes nothing.
int N1RTY(const int& iopt);

// The message text of the last error, placeholders filled in; empty when the type is 0.
const std::string& KernelErrorMessage();

// The printing and stopping actions (0 off, 1 on) of severity level 1..5; -1 for other levels.
int KernelPrintAction(int level);
int KernelStopAction(int level);

// The named constant NAME (its first LENGTH characters), compared without regard to case and
// surrounding blanks. Known names: "pi" (3.141592653589793), "e" (2.718281828459045). An unknown
// name (or LENGTH < 0, or a null NAME) returns a quiet NaN and raises a terminal error (type 5,
// code 1) with the text "The argument NAME = <name> is illegal."; a known name leaves the error
// state as it was.
double DCONST(const char* name, const int& length);

// ERSET(0, 0, 0): no printing and no stopping at any severity level.
void KernelQuiet();

// The failure test applied after each kernel call: true when the last kernel call ended with a
// fatal (type 4) or terminal (type 5) error. A terminal error means the kernel computed nothing
// (invalid arguments, no storage), so its outputs must not be used. Notes, alerts and warnings
// (types 1 to 3) are not failures.
bool KernelFailed();

// For the kernels' own use (and tests): record an outcome, replacing the previous one. Types
// outside 0..5 are stored as 5. ClearKernelError sets type 0, code 0 and an empty message.
void SetKernelError(int type, int code, std::string message);
void ClearKernelError();

}  // namespace vordex::kernels

#endif  // VORDEX_NUMERICS_KERNELS_ERROR_STATE_H
