#include "progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vordex::cli {
namespace {

TEST(Progress, StatusAndClosingLines) {
  // 120 of 3003 series in 10 s: 12 a second, 2883 left take 240 s.
  EXPECT_EQ(Progress::StatusLine(120, 3003, 10.0),
            "fitted 120/3003 series, 12.0 series/s, 4:00 left");
  EXPECT_EQ(Progress::StatusLine(0, 10, 0.0), "fitted 0/10 series, 0.0 series/s, ? left");
  EXPECT_EQ(Progress::StatusLine(1, 7201, 1.0), "fitted 1/7201 series, 1.0 series/s, 2:00:00 left");
  EXPECT_EQ(Progress::ClosingLine(2998, 5, 0, 12.44),
            "fitted 3003 series in 12.4 s: 2998 ok, 5 failed");
  EXPECT_EQ(Progress::ClosingLine(1, 0, 2, 0.0),
            "fitted 3 series in 0.0 s: 1 ok, 0 failed, 2 cancelled");
}

TEST(Progress, AwayFromATerminalOnlyTheClosingLine) {
  std::ostringstream err;
  Progress progress(err, false, 3);
  progress.Add(true, false);
  progress.Add(false, false);
  progress.Add(false, true);
  EXPECT_TRUE(err.str().empty());
  progress.Finish();
  EXPECT_EQ(err.str().rfind("fitted 3 series in ", 0), 0u) << err.str();
  EXPECT_NE(err.str().find(": 1 ok, 1 failed, 1 cancelled\n"), std::string::npos) << err.str();
  EXPECT_EQ(progress.ok() + progress.failed() + progress.cancelled(), 3u);

  std::ostringstream terminal;
  Progress shown(terminal, true, 2);
  shown.Add(true, false);
  shown.Finish();
  EXPECT_EQ(terminal.str().rfind("\rfitted 1/2 series, ", 0), 0u) << terminal.str();
}

}  // namespace
}  // namespace vordex::cli
