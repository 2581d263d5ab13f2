#include "numerics/kernels/error_state.h"

#include <array>
#include <cctype>
#include <limits>
#include <string_view>

namespace vordex::kernels {
namespace {

constexpr int kLevels = 5;
// Printing on for warnings and worse; stopping on for fatal and terminal errors.
constexpr std::array<int, kLevels + 1> kDefaultPrint = {0, 0, 0, 1, 1, 1};
constexpr std::array<int, kLevels + 1> kDefaultStop = {0, 0, 0, 0, 1, 1};

struct ErrorState {
  int type = kNone;
  int code = 0;
  std::string message;
  std::array<int, kLevels + 1> print = kDefaultPrint;  // element 0 unused
  std::array<int, kLevels + 1> stop = kDefaultStop;
};

thread_local ErrorState state;

// One action applied to one level: -1 keeps, 0 and 1 set, 2 restores the default.
int Apply(int current, int action, int fallback) {
  if (action == -1) return current;
  if (action == 2) return fallback;
  return action;
}

}  // namespace

void SetKernelError(int type, int code, std::string message) {
  state.type = (type >= kNone && type <= kTerminal) ? type : kTerminal;
  state.code = code;
  state.message = std::move(message);
}

void ClearKernelError() {
  SetKernelError(kNone, 0, std::string());
}

void ERSET(const int& iersvr, const int& ipact, const int& isact) {
  if (iersvr < 0 || iersvr > kLevels) {
    SetKernelError(kTerminal, 1,
                   "Invalid error severity level indicator.  IERSVR must be 0 to 5.  IERSVR = " +
                       std::to_string(iersvr));
    return;
  }
  if (ipact < -1 || ipact > 2) {
    SetKernelError(
        kTerminal, 2,
        "Invalid value specified for printing action.  IPACT must be -1 to 2.  IPACT = " +
            std::to_string(ipact));
    return;
  }
  if (isact < -1 || isact > 2) {
    SetKernelError(
        kTerminal, 3,
        "Invalid value specified for stopping action.  ISACT must be -1 to 2.  ISACT = " +
            std::to_string(isact));
    return;
  }
  const int first = iersvr == 0 ? 1 : iersvr;
  const int last = iersvr == 0 ? kLevels : iersvr;
  for (int level = first; level <= last; ++level) {
    state.print[level] = Apply(state.print[level], ipact, kDefaultPrint[level]);
    state.stop[level] = Apply(state.stop[level], isact, kDefaultStop[level]);
  }
}

int IERCD() {
  return (state.type >= kNote && state.type <= kFatal) ? state.code : 0;
}

int N1RTY(const int& iopt) {
  if (iopt != 0 && iopt != 1) return -1;
  return state.type;
}

const std::string& KernelErrorMessage() {
  return state.message;
}

int KernelPrintAction(int level) {
  return (level >= 1 && level <= kLevels) ? state.print[level] : -1;
}

int KernelStopAction(int level) {
  return (level >= 1 && level <= kLevels) ? state.stop[level] : -1;
}

double DCONST(const char* name, const int& length) {
  std::string_view given;
  if (name != nullptr && length >= 0) given = std::string_view(name, std::size_t(length));
  // Character arguments may arrive padded with blanks.
  std::string_view trimmed = given;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  std::string lower;
  for (char c : trimmed) lower += char(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "pi") return 3.141592653589793;
  if (lower == "e") return 2.718281828459045;
  SetKernelError(kTerminal, 1, "The argument NAME = " + std::string(given) + " is illegal.");
  return std::numeric_limits<double>::quiet_NaN();
}

void KernelQuiet() {
  const int all = 0;
  const int off = 0;
  ERSET(all, off, off);
}

bool KernelFailed() {
  return state.type == kFatal || state.type == kTerminal;
}

}  // namespace vordex::kernels
