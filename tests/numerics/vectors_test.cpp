#include "numerics/vectors.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/capture.h"

namespace vordex::numerics {
namespace {

TEST(Vectors, OffsetLayoutIncludesTheElementBeforeTheRange) {
  auto v = vector(1, 5);
  ASSERT_TRUE(v);
  for (long i = 0; i <= 5; ++i) v[i] = static_cast<double>(i);  // index 0 is storage too
  EXPECT_EQ(&v[5] - &v[0], 5);
  auto w = vector(0, 3);
  ASSERT_TRUE(w);
  w[-1] = -1.0;
  w[3] = 3.0;
  EXPECT_EQ(&w[3] - &w[-1], 4);
  auto iv = ivector(1, 3);
  ASSERT_TRUE(iv);
  iv[0] = 7;
  iv[3] = 9;
  EXPECT_EQ(iv.get()[3], 9);
}

TEST(Vectors, MatrixRowsAreOneContiguousRowMajorBlock) {
  auto m = matrix(1, 3, 1, 2);
  ASSERT_TRUE(m);
  EXPECT_EQ(&m[2][1] - &m[1][1], 2);
  EXPECT_EQ(&m[3][2] - &m[1][1], 5);
  m[1][0] = 1.0;  // the element before the first column is storage
  m[3][2] = 2.0;
  EXPECT_EQ(m.get()[3][2], 2.0);
}

TEST(Vectors, ImpossibleRequestsGiveNullHandleAndFatalBox) {
  testing::MessageCapture capture;
  EXPECT_FALSE(vector(5, 1));
  EXPECT_FALSE(ivector(1, std::numeric_limits<long>::max()));
  EXPECT_FALSE(matrix(1, 1000, 1, 1L << 40));
  EXPECT_EQ(capture.texts(),
            (std::vector<std::string>{"malloc failure in vector()", "malloc failure in ivector()",
                                      "malloc failure 2 in matrix()"}));
  EXPECT_EQ(capture.messages()[0].title, "Fatal error");
  EXPECT_EQ(capture.messages()[0].style, 0x10010u);
  EXPECT_TRUE(vector(1, 0));  // an empty range still has its element 0
}

TEST(Reporters, ReportErrorReturnsNegatedCodeAfterWarningBox) {
  testing::MessageCapture capture;
  EXPECT_EQ(ReportError("t", "s", 0), 0);
  EXPECT_EQ(ReportError("t", "s", 1), -1);
  EXPECT_EQ(ReportError("Error in Arimalib", "Vector allocation failure", -3), 3);
  ASSERT_EQ(capture.size(), 3u);
  EXPECT_EQ(capture.messages()[2],
            (testing::Message{"Error in Arimalib", "Vector allocation failure", 0x30u}));
  FatalError("Fatal error", "x");
  EXPECT_EQ(capture.messages()[3].style, 0x10010u);
}

}  // namespace
}  // namespace vordex::numerics
