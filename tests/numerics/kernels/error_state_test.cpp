#include "numerics/kernels/error_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "numerics/kernels/dzplrc.h"
#include "support/capture.h"

namespace vordex::kernels {
namespace {

TEST(KernelErrorState, QuietSwitchesEveryLevelOffAndDefaultsComeBack) {
  KernelQuiet();
  for (int level = 1; level <= 5; ++level) {
    EXPECT_EQ(KernelPrintAction(level), 0) << level;
    EXPECT_EQ(KernelStopAction(level), 0) << level;
  }
  // Restore printing at level 3 only, leave its stopping action as it is.
  ERSET(3, 2, -1);
  EXPECT_EQ(KernelPrintAction(3), 1);
  EXPECT_EQ(KernelStopAction(3), 0);
  EXPECT_EQ(KernelPrintAction(4), 0);
  ERSET(0, 2, 2);
  EXPECT_EQ(KernelPrintAction(1), 0);
  EXPECT_EQ(KernelPrintAction(5), 1);
  EXPECT_EQ(KernelStopAction(3), 0);
  EXPECT_EQ(KernelStopAction(4), 1);
  EXPECT_EQ(KernelPrintAction(0), -1);
  EXPECT_EQ(KernelStopAction(6), -1);
  KernelQuiet();
}

TEST(KernelErrorState, InvalidErsetArgumentsRaiseTerminalErrorsAndChangeNothing) {
  KernelQuiet();
  const struct {
    int iersvr, ipact, isact;
    const char* message;
  } cases[] = {
      {6, 1, 1, "Invalid error severity level indicator.  IERSVR must be 0 to 5.  IERSVR = 6"},
      {0, 3, 1, "Invalid value specified for printing action.  IPACT must be -1 to 2.  IPACT = 3"},
      {0, 1, -2,
       "Invalid value specified for stopping action.  ISACT must be -1 to 2.  ISACT = -2"},
  };
  for (const auto& c : cases) {
    ERSET(c.iersvr, c.ipact, c.isact);
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(IERCD(), 0);  // the terminal type hides the code from the code query
    EXPECT_EQ(KernelErrorMessage(), c.message);
  }
  for (int level = 1; level <= 5; ++level) {
    EXPECT_EQ(KernelPrintAction(level), 0);
    EXPECT_EQ(KernelStopAction(level), 0);
  }
}

TEST(KernelErrorState, CodeQueryAndFailureTestFollowTheType) {
  SetKernelError(kFatal, 3, " Maximum number of iterations exceeded.");
  EXPECT_EQ(IERCD(), 3);
  EXPECT_EQ(N1RTY(1), 4);
  EXPECT_EQ(N1RTY(0), 4);
  EXPECT_TRUE(KernelFailed());
  SetKernelError(kWarning, 1, "w");
  EXPECT_EQ(IERCD(), 1);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_FALSE(KernelFailed());
  SetKernelError(kAlert, 7, "a");
  EXPECT_FALSE(KernelFailed());
  // A terminal error means nothing was computed: the code query says 0, but the failure test
  // still fires so that the caller does not use unset outputs.
  SetKernelError(kTerminal, 1, "t");
  EXPECT_EQ(IERCD(), 0);
  EXPECT_TRUE(KernelFailed());
  // Out-of-range options and types.
  EXPECT_EQ(N1RTY(2), -1);
  SetKernelError(9, 2, "odd");
  EXPECT_EQ(N1RTY(1), 5);
  ClearKernelError();
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(IERCD(), 0);
  EXPECT_TRUE(KernelErrorMessage().empty());
  EXPECT_FALSE(KernelFailed());
}

TEST(KernelErrorState, InvalidKernelArgumentIsQuietAndDoesNotStop) {
  testing::MessageCapture capture;
  KernelQuiet();
  const int ndeg = 0;
  const double coeff[1] = {1.0};
  double root[2] = {42.0, 43.0};
  DZPLRC(ndeg, coeff, root);  // reaching the next line shows that the process did not stop
  EXPECT_EQ(capture.size(), 0u);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(IERCD(), 0);
  EXPECT_TRUE(KernelFailed());
  EXPECT_EQ(root[0], 42.0);
}

TEST(KernelErrorState, SuccessfulKernelCallClearsTheEarlierOutcome) {
  SetKernelError(kFatal, 4, "old");
  const int ndeg = 1;
  const double coeff[2] = {-3.0, 1.5};
  double root[2];
  DZPLRC(ndeg, coeff, root);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(root[0], 2.0);  // -(-3)/1.5, exact in binary
  EXPECT_EQ(root[1], 0.0);
}

TEST(KernelErrorState, StateBelongsToTheCallingThread) {
  SetKernelError(kWarning, 2, "here");
  int seen_there = -1;
  std::thread other([&seen_there] {
    seen_there = N1RTY(1);
    SetKernelError(kFatal, 6, "there");
  });
  other.join();
  EXPECT_EQ(seen_there, 0);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(IERCD(), 2);
}

TEST(NamedConstants, PiIgnoresCaseAndPaddingAndOtherNamesAreIllegal) {
  ClearKernelError();
  for (const char* name : {"PI", "pi", "Pi  "})
    EXPECT_EQ(DCONST(name, static_cast<int>(std::strlen(name))), std::acos(-1.0)) << name;
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_TRUE(std::isnan(DCONST("tau", 3)));
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(KernelErrorMessage(), "The argument NAME = tau is illegal.");
  // Only the first LENGTH characters count.
  EXPECT_TRUE(std::isnan(DCONST("pi", 1)));
  EXPECT_TRUE(std::isnan(DCONST(nullptr, 2)));
  EXPECT_TRUE(std::isnan(DCONST("pi", -1)));
}

}  // namespace
}  // namespace vordex::kernels
