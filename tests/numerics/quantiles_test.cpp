#include "numerics/quantiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "support/capture.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using testing::kClosedForm;

// Sample quantiles after Hyndman and Fan (1996), as R's quantile(x, p, type = k) defines them:
// Q(p) = (1 - g) x(j) + g x(j+1), j = floor(n p + m), g = n p + m - j, order statistics outside
// 1..n taken as the nearest extreme. Sample 8, 1, 16, 2, 4 (sorted 1, 2, 4, 8, 16), n = 5; the
// values of h = n p + m are worked out by hand beside each row.
const double kSample[] = {0.0 /* unused index 0 */, 8.0, 1.0, 16.0, 2.0, 4.0};
const double kProbs[] = {0.1, 0.25, 0.5, 0.6, 0.75, 0.9};
struct Row {
  int type;
  double q[6];
};
const Row kExpected[] = {
    // type 4, h = 5p:          0.5   1.25   2.5  3.0   3.75   4.5
    {4, {1.0, 1.25, 3.0, 4.0, 7.0, 12.0}},
    // type 5, h = 5p + 1/2:    1.0   1.75   3.0  3.5   4.25   5.0
    {5, {1.0, 1.75, 4.0, 6.0, 10.0, 16.0}},
    // type 6, h = 6p:          0.6   1.5    3.0  3.6   4.5    5.4
    {6, {1.0, 1.5, 4.0, 6.4, 12.0, 16.0}},
    // type 7, h = 4p + 1:      1.4   2.0    3.0  3.4   4.0    4.6
    {7, {1.4, 2.0, 4.0, 5.6, 8.0, 12.8}},
    // type 8, h = 16p/3 + 1/3: 13/15 5/3    3.0  53/15 13/3   5.43
    {8, {1.0, 5.0 / 3.0, 4.0, 92.0 / 15.0, 32.0 / 3.0, 16.0}},
    // type 9, h = 21p/4 + 3/8: 0.9   1.6875 3.0  3.525 4.3125 5.1
    {9, {1.0, 1.6875, 4.0, 6.1, 10.5, 16.0}},
};

TEST(Quantile, TypesFourToNineMatchTheHyndmanFanDefinitions) {
  for (const Row& row : kExpected) {
    double q[6];
    ASSERT_EQ(Quantile(kSample, 5, kProbs, 6, row.type, q), 1);
    for (int k = 0; k < 6; ++k) {
      EXPECT_NEAR(q[k], row.q[k], kClosedForm) << "type " << row.type << " p " << kProbs[k];
    }
    // Both ends give the extremes for every type, and the sample is left as it was.
    const double ends[] = {0.0, 1.0};
    ASSERT_EQ(Quantile(kSample, 5, ends, 2, row.type, q), 1);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[1], 16.0);
  }
  EXPECT_EQ(kSample[1], 8.0);
  EXPECT_EQ(kSample[3], 16.0);
}

TEST(Quantile, HandWorkedCasesTiesAndSingleValues) {
  const std::vector<double> one_to_four = {0.0, 1.0, 2.0, 3.0, 4.0};  // index 0 unused
  const std::vector<double> sample(std::begin(kSample), std::end(kSample));
  const std::vector<double> ties = {0.0, 3.0, 1.0, 3.0, 3.0, 1.0};  // sorted 1, 1, 3, 3, 3
  const std::vector<double> single = {0.0, 42.0};
  const struct {
    const std::vector<double>& x;
    double p;
    int type;
    double expected;
  } cases[] = {
      {one_to_four, 0.5, 7, 2.5},  // h = 2.5, j = 2, g = 0.5
      {one_to_four, 0.5, 6, 2.5},  // h = 2.5
      {one_to_four, 0.5, 4, 2.0},  // h = 2
      // h = 2 + 1.5/3, which lands a hair below 2.5 in doubles; still 2.5 to rounding.
      {one_to_four, 0.5, 8, 2.5},
      // h = 2.5 + 1.5 * 0.3333333333333333 lands one rounding below 3: x(3) = 4 to rounding, not
      // a blend that leans on x(2) = 2.
      {sample, 0.5, 8, 4.0},
      {ties, 0.5, 7, 3.0},   // h = 3: x(3)
      {ties, 0.25, 7, 1.0},  // h = 2: x(2)
      {single, 0.25, 4, 42.0},
      {single, 0.5, 9, 42.0},
  };
  for (const auto& c : cases) {
    double q = 0.0;
    ASSERT_EQ(Quantile(c.x.data(), static_cast<int>(c.x.size()) - 1, &c.p, 1, c.type, &q), 1);
    EXPECT_NEAR(q, c.expected, kClosedForm) << "type " << c.type << " p " << c.p;
  }
}

TEST(Quantile, RefusesBadInputWithoutWritingInTheStatedOrder) {
  testing::MessageCapture capture;
  double q[2] = {-7.0, -7.0};
  const double bad_high[] = {0.5, 1.0000001};
  const double bad_nan[] = {std::nan(""), 0.5};
  const double bad_low[] = {-1e-300, 0.5};
  const double good[] = {0.0, 1.0};
  EXPECT_EQ(Quantile(kSample, 5, bad_high, 2, 7, q), 0);
  EXPECT_EQ(Quantile(kSample, 5, bad_nan, 2, 7, q), 0);
  EXPECT_EQ(Quantile(kSample, 5, bad_low, 2, 7, q), 0);
  EXPECT_EQ(Quantile(kSample, 5, bad_high, 2, 3, q), 0);  // probabilities are examined first
  EXPECT_EQ(Quantile(kSample, 5, good, 2, 3, q), 0);
  EXPECT_EQ(Quantile(kSample, 5, good, 2, 10, q), 0);
  EXPECT_EQ(Quantile(kSample, 0, good, 2, 7, q), 0);
  EXPECT_EQ(Quantile(kSample, 5, good, 0, 7, q), 1);  // nothing to compute
  EXPECT_EQ(q[0], -7.0);
  EXPECT_EQ(q[1], -7.0);
  const std::string outside = "Probabilities outside (0,1)", type = "Quantile type not implemented";
  EXPECT_EQ(capture.texts(), (std::vector<std::string>{outside, outside, outside, outside, type,
                                                       type, "Empty sample"}));
  for (const auto& m : capture.messages()) EXPECT_EQ(m.title, "Error in Quantile");
  EXPECT_EQ(capture.messages()[0].style, 0x30u);
}

TEST(QuantileAt, OutOfDomainArgumentsGiveNaNWithoutReading) {
  const int idx[] = {0, 2, 4, 5, 1, 3};
  EXPECT_TRUE(std::isnan(QuantileAt(kSample, idx, 5, 0.5, 3)));
  EXPECT_TRUE(std::isnan(QuantileAt(kSample, idx, 5, std::nan(""), 7)));
  EXPECT_TRUE(std::isnan(QuantileAt(kSample, idx, 0, 0.5, 7)));
  // Far outside [0, 1] the order statistics still clamp into 1..n (the sanitizer build checks
  // the reads); the value itself has no meaning.
  const volatile double far = QuantileAt(kSample, idx, 5, 1e30, 4);
  (void)far;
  EXPECT_EQ(QuantileAt(kSample, idx, 5, 0.5, 7), 4.0);
}

TEST(Quantile, EqualsTheIndexSortsQuantilesBitForBit) {
  // Quantile selects the order statistics it reads instead of sorting the sample; the values must
  // be those of the full sort, bit for bit, for samples with ties, with signed zeros, with a NaN
  // and with infinities, at the probabilities the simulated limits use and at the ends.
  const double probs[] = {0.0, 0.01, 0.025, 0.1, 0.5, 0.9, 0.975, 0.99, 1.0};
  for (int n : {1, 2, 5, 64, 500, 501}) {
    for (int kind = 0; kind < 4; ++kind) {
      std::vector<double> x(n + 1, 0.0);
      std::uint32_t state = 777u + static_cast<std::uint32_t>(n * 4 + kind);
      for (int i = 1; i <= n; ++i) {
        state = state * 1664525u + 1013904223u;
        const double u = static_cast<double>(state >> 8) / 16777216.0;
        x[i] = kind == 0 ? u - 0.5 : std::round(8.0 * u) - 4.0;  // kind > 0: ties and zeros
      }
      if (kind == 1) x[1] = -0.0;
      if (kind == 2) x[n] = std::nan("");
      if (kind == 3) x[(n + 1) / 2] = -std::numeric_limits<double>::infinity();
      if (kind == 3) std::replace(x.begin() + 1, x.end(), 0.0, 0.5);  // no zero: selection
      std::vector<int> idx(n + 1, 0);
      IndexSort(n, x.data(), idx.data());
      for (int type = 4; type <= 9; ++type) {
        double q[std::size(probs)];
        ASSERT_EQ(Quantile(x.data(), n, probs, static_cast<int>(std::size(probs)), type, q), 1);
        for (std::size_t k = 0; k < std::size(probs); ++k) {
          const double expected = QuantileAt(x.data(), idx.data(), n, probs[k], type);
          EXPECT_EQ(std::bit_cast<std::uint64_t>(q[k]), std::bit_cast<std::uint64_t>(expected))
              << "n " << n << " kind " << kind << " type " << type << " p " << probs[k];
        }
      }
    }
  }
}

TEST(IndexSort, GivesAnAscendingPermutationLikeAStableSort) {
  // A deterministic pseudo-random sample with many ties, against std::stable_sort on the values.
  for (int n : {0, 1, 2, 3, 7, 64, 257}) {
    std::vector<double> x(n + 1, 0.0);
    std::uint32_t state = 12345u + static_cast<std::uint32_t>(n);
    for (int i = 1; i <= n; ++i) {
      state = state * 1664525u + 1013904223u;
      x[i] = static_cast<double>((state >> 16) % 17) - 8.0;
    }
    std::vector<int> idx(n + 2, -1);
    IndexSort(n, x.data(), idx.data());
    EXPECT_EQ(idx[0], -1);
    EXPECT_EQ(idx[n + 1], -1);
    std::vector<double> sorted(x.begin() + 1, x.end());
    std::stable_sort(sorted.begin(), sorted.end());
    std::vector<bool> seen(n + 1, false);
    for (int i = 1; i <= n; ++i) {
      ASSERT_GE(idx[i], 1);
      ASSERT_LE(idx[i], n);
      EXPECT_FALSE(seen[idx[i]]);
      seen[idx[i]] = true;
      EXPECT_EQ(x[idx[i]], sorted[i - 1]);
    }
  }
}

}  // namespace
}  // namespace vordex::numerics
