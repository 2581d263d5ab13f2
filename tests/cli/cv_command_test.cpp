#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "run_fixture.h"
#include "support/temp_file.h"

namespace vordex::cli {
namespace {

using vordex::testing::TempFile;

// Two series of 10 values; Theta refits at every origin.
std::string TwoSeries() {
  std::string csv = "id,time,value\n";
  for (int t = 1; t <= 10; ++t)
    csv += "a," + std::to_string(2000 + t) + "," + std::to_string(t * t) + "\n";
  for (int t = 1; t <= 10; ++t)
    csv += "b," + std::to_string(2000 + t) + "," + std::to_string(3 * t + (t % 2)) + "\n";
  return csv;
}

TEST(CvCommand, OneRowPerSeriesOriginAndStepWithTheTimesOfTheInput) {
  const TempFile input(TwoSeries());
  const Outcome r = RunTool({"cv", "theta", input.path().c_str(), "--horizon", "2", "--windows",
                             "2", "--step", "1", "--level", "90"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string header, row;
  std::getline(lines, header);
  EXPECT_EQ(header, "id,origin,time,step,actual,mean,lower_90,upper_90");
  int rows = 0;
  std::string first;
  while (std::getline(lines, row)) first = rows++ == 0 ? row : first;
  EXPECT_EQ(rows, 2 * 2 * 2);
  // The first origin of a: 10 - 2 - 1 = 7 training values (up to 2007), forecasting 2008 = 64.
  EXPECT_EQ(first.rfind("a,2007,2008,1,64,", 0), 0u) << first;
  // A negative refit interval is refused as a bad option.
  EXPECT_NE(RunTool({"cv", "theta", input.path().c_str(), "--refit", "-1"}).status, 0);
}

// The accuracy of forecasts handed in: by construction, errors 1 and -3 give MAE 2, ME -1, and
// the 80% interval [0, 10] holds the first actual only.
TEST(AccuracyCommand, ScoresForecastsAgainstActualsByIdAndTime) {
  const TempFile forecasts("id,time,mean,lower_80,upper_80\nx,1,4,0,10\nx,2,6,0,2\n");
  const TempFile actuals("id,time,value\nx,1,5\nx,2,3\nx,3,9\n");
  const Outcome r = RunTool({"accuracy", forecasts.path().c_str(), actuals.path().c_str()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("coverage_80,interval_score_80,msis_80\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nx,2,-1,2,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",0.5,"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vordex::cli
