#include "numerics/eigen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "numerics/kernels/hqr.h"
#include "numerics/vectors.h"
#include "support/capture.h"
#include "support/roots.h"
#include "support/tolerances.h"

namespace vordex::numerics {
namespace {

using testing::kClosedForm;
using testing::kRecursion;
using cd = std::complex<double>;
using Dense = std::vector<std::vector<double>>;  // 0-based square matrix
// The sweep cap of the eigenvalue routine.
constexpr int kSweeps = 30;

Matrix ToMatrix(const Dense& d) {
  const int n = static_cast<int>(d.size());
  Matrix m = matrix(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) m[i][j] = d[i - 1][j - 1];
  return m;
}

Dense Multiply(const Dense& a, const Dense& b) {
  const std::size_t n = a.size();
  Dense c(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < n; ++k)
      for (std::size_t j = 0; j < n; ++j) c[i][j] += a[i][k] * b[k][j];
  return c;
}

// Block-diagonal matrix with one rotation-scaling block [[a, -b], [b, a]] (eigenvalues a +- ib)
// per complex pair and a 1x1 block per real eigenvalue; its spectrum in `spectrum`.
Dense BlockDiagonal(const std::vector<cd>& pairs, const std::vector<double>& reals,
                    std::vector<cd>* spectrum = nullptr) {
  const std::size_t n = 2 * pairs.size() + reals.size();
  Dense d(n, std::vector<double>(n, 0.0));
  std::size_t k = 0;
  for (const cd& z : pairs) {
    d[k][k] = d[k + 1][k + 1] = z.real();
    d[k][k + 1] = -z.imag();
    d[k + 1][k] = z.imag();
    k += 2;
    if (spectrum != nullptr) spectrum->insert(spectrum->end(), {z, std::conj(z)});
  }
  for (double r : reals) {
    d[k][k] = r, ++k;
    if (spectrum != nullptr) spectrum->push_back(r);
  }
  return d;
}

// S B S^-1 with S = I + N, N strictly lower triangular, whose inverse is the finite series
// I - N + N^2 - ... (N^n = 0).
Dense SimilarByUnitTriangular(const Dense& b) {
  const std::size_t n = b.size();
  Dense s(n, std::vector<double>(n, 0.0)), nil = s, inv = s, power = s;
  for (std::size_t i = 0; i < n; ++i) {
    s[i][i] = power[i][i] = 1.0;
    for (std::size_t j = 0; j < i; ++j)
      nil[i][j] = s[i][j] = 0.5 + static_cast<double>((i * 7 + j * 3) % 5);
  }
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) inv[i][j] += (k % 2 == 0 ? 1.0 : -1.0) * power[i][j];
    power = Multiply(power, nil);
  }
  return Multiply(Multiply(s, b), inv);
}

// Companion matrix of the monic polynomial with the given roots (already upper Hessenberg).
Dense Companion(const std::vector<cd>& roots) {
  const std::vector<double> c = testing::RealPolynomialFromRoots(roots);
  const std::size_t n = roots.size();
  Dense d(n, std::vector<double>(n, 0.0));
  for (std::size_t j = 0; j < n; ++j) d[0][j] = -c[n - 1 - j];
  for (std::size_t i = 1; i < n; ++i) d[i][i - 1] = 1.0;
  return d;
}

// Eigenvalues from HQR (after Balance and ElmHes unless hessenberg); pairs must sit side by side,
// the positive imaginary part second.
std::vector<cd> Eigenvalues(const Dense& d, bool hessenberg) {
  const int n = static_cast<int>(d.size());
  Matrix a = ToMatrix(d);
  if (!hessenberg) {
    kernels::Balance(a.get(), n);
    ElmHes(a.get(), n);
  }
  std::vector<double> wr(n + 1, 0.0), wi(n + 1, 0.0);
  EXPECT_EQ(kernels::HQR(a.get(), n, wr.data(), wi.data(), kSweeps), 0);
  std::vector<cd> out;
  for (int k = 1; k <= n; ++k) {
    out.push_back(cd(wr[k], wi[k]));
    if (wi[k] > 0.0) {
      EXPECT_GE(k, 2);
      EXPECT_EQ(out[k - 2], std::conj(out[k - 1]));
    }
  }
  return out;
}

TEST(MaxEigenModulus, HandWorkedSmallMatricesInDescendingOrder) {
  testing::MessageCapture capture;
  const struct {
    Dense a;
    std::vector<double> moduli;
  } cases[] = {
      {{{-2.5}}, {2.5}},
      {{{0.0, -1.0}, {1.0, 0.0}}, {1.0, 1.0}},  // rotation: +-i
      {{{2.0, 0.0}, {0.0, -3.0}}, {3.0, 2.0}},
  };
  for (const auto& c : cases) {
    Matrix a = ToMatrix(c.a);
    const int n = static_cast<int>(c.a.size());
    double mod[3];
    EXPECT_NEAR(MaxEigenModulus(a.get(), n, mod), c.moduli[0], kClosedForm);
    for (int k = 1; k <= n; ++k) EXPECT_NEAR(mod[k], c.moduli[k - 1], kClosedForm);
  }
  EXPECT_EQ(capture.size(), 0u);
}

TEST(MaxEigenModulus, ModuliOfASimilarityTransformedBlockMatrixDescend) {
  // Eigenvalues 0.6 +- 0.8i (modulus 1), 0.3 +- 0.4i (0.5), -1.2 +- 0.5i (1.3), 0.9, -0.2.
  const Dense b = BlockDiagonal({cd(0.6, 0.8), cd(0.3, 0.4), cd(-1.2, 0.5)}, {0.9, -0.2});
  Matrix a = ToMatrix(SimilarByUnitTriangular(b));
  double mod[9];
  EXPECT_NEAR(MaxEigenModulus(a.get(), 8, mod), 1.3, kRecursion);
  const double expected[] = {0.0, 1.3, 1.3, 1.0, 1.0, 0.9, 0.5, 0.5, 0.2};
  for (int k = 1; k <= 8; ++k) EXPECT_NEAR(mod[k], expected[k], kRecursion) << k;
}

TEST(MaxEigenModulus, OrderAboveTwentyIsRefusedUntouched) {
  testing::MessageCapture capture;
  EigenStatus status = EigenStatus::kOk;
  Matrix a = matrix(1, 21, 1, 21);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 21; ++j) a[i][j] = i + 0.5 * j;
  double mod[22];
  std::fill(mod, mod + 22, -7.0);
  EXPECT_EQ(MaxEigenModulus(a.get(), 21, mod, &status), 0.0);
  EXPECT_EQ(status, EigenStatus::kTooLarge);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 21; ++j) ASSERT_EQ(a[i][j], i + 0.5 * j);
  for (double m : mod) EXPECT_EQ(m, -7.0);
  // Order 20 is accepted: a 20-cycle permutation has the 20th roots of unity, all of modulus 1.
  Matrix p = matrix(1, 20, 1, 20);
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 20; ++j) p[i][j] = (i == j % 20 + 1) ? 1.0 : 0.0;
  EXPECT_NEAR(MaxEigenModulus(p.get(), 20, mod, &status), 1.0, kRecursion);
  EXPECT_EQ(status, EigenStatus::kOk);
  for (int k = 1; k <= 20; ++k) EXPECT_NEAR(mod[k], 1.0, kRecursion);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(HQR, KnownSpectraComeBackDirectlyAndAfterReduction) {
  const std::vector<cd> roots = {1.0, 2.0, 3.0, -4.0, {0.5, 0.8}, {0.5, -0.8}};
  // Roots near the unit circle, as the stationarity of an AR operator depends on them.
  const std::vector<cd> near = {std::polar(0.999, 1.0), std::polar(0.999, -1.0), 1.001, -0.998};
  std::vector<cd> blocks;
  const Dense b =
      BlockDiagonal({cd(1.0, 2.0), cd(-0.5, 0.25), cd(3.0, 1e-3)}, {4.0, -1.0, 0.0}, &blocks);
  // The plain double shift stalls on cyclic permutations; their spectra are roots of unity.
  const double h = std::sqrt(3.0) / 2.0;
  const struct {
    const char* name;
    Dense a;
    bool hessenberg;
    std::vector<cd> spectrum;
  } cases[] = {
      {"companion", Companion(roots), true, roots},
      {"companion reduced", Companion(roots), false, roots},
      {"near the unit circle", Companion(near), false, near},
      {"triangular similarity", SimilarByUnitTriangular(b), false, blocks},
      {"3-cycle", {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, true, {1.0, {-0.5, h}, {-0.5, -h}}},
      {"4-cycle",
       {{0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}},
       true,
       {1.0, -1.0, {0.0, 1.0}, {0.0, -1.0}}},
  };
  for (const auto& c : cases)
    EXPECT_LT(testing::RootMismatch(Eigenvalues(c.a, c.hessenberg), c.spectrum), kRecursion)
        << c.name;
}

TEST(HQR, NonFiniteEntriesExhaustTheIterationsAndAreReportedByStatus) {
  testing::MessageCapture capture;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Matrix a = ToMatrix({{1.0, 2.0, 3.0}, {1.0, 4.0, 5.0}, {0.0, nan, 6.0}});
  double wr[4], wi[4];
  EXPECT_GT(kernels::HQR(a.get(), 3, wr, wi, kSweeps), 0);
  // Balancing must not loop on an infinity either.
  Matrix b = ToMatrix({{1.0, INFINITY, 0.0}, {1.0, 4.0, 5.0}, {2.0, 1.0, 6.0}});
  double mod[4];
  EigenStatus status = EigenStatus::kOk;
  EXPECT_EQ(MaxEigenModulus(b.get(), 3, mod, &status), 0.0);
  EXPECT_EQ(status, EigenStatus::kNoConvergence);
  EXPECT_EQ(capture.size(), 0u);  // the caller reports
}

TEST(Balance, ScalesByPowersOfTwoAndLeavesBalancedMatricesAlone) {
  // [[1, 2], [3, 4]]: every column norm is within a factor 2 of its row norm. [[1, 4096], [1, 1]]:
  // for index 1, r = 4096 and c = 1; f = 64 brings c f^2 = 4096 to r, and (c f^2 + r)/f = 128 is
  // far below 0.95 (c + r), so row 1 is divided and column 1 multiplied by 64; index 2 is then
  // balanced already.
  const struct {
    Dense a, balanced;
  } cases[] = {{{{1.0, 2.0}, {3.0, 4.0}}, {{1.0, 2.0}, {3.0, 4.0}}},
               {{{1.0, 4096.0}, {1.0, 1.0}}, {{1.0, 64.0}, {64.0, 1.0}}}};
  for (const auto& c : cases) {
    Matrix a = ToMatrix(c.a);
    kernels::Balance(a.get(), 2);
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) EXPECT_EQ(a[i][j], c.balanced[i - 1][j - 1]);
  }
}

// Characteristic polynomial coefficients by the Faddeev-LeVerrier recursion: det(zI - A) =
// z^n + c[1] z^(n-1) + ... + c[n], with M_k = A M_{k-1} + c_{k-1} I (M_0 = 0), c_k = -tr(A M_k)/k.
std::vector<double> CharPoly(const Dense& a) {
  const std::size_t n = a.size();
  std::vector<double> c(n + 1, 0.0);
  c[0] = 1.0;
  Dense m(n, std::vector<double>(n, 0.0));
  for (std::size_t k = 1; k <= n; ++k) {
    m = Multiply(a, m);
    for (std::size_t i = 0; i < n; ++i) m[i][i] += c[k - 1];
    const Dense amk = Multiply(a, m);
    for (std::size_t i = 0; i < n; ++i) c[k] -= amk[i][i] / static_cast<double>(k);
  }
  return c;
}

TEST(ElmHes, GivesAHessenbergMatrixWithTheSameCharacteristicPolynomial) {
  const Dense d = {{4.0, -1.0, 2.0, 0.5, 1.0},
                   {3.0, 1.0, -2.0, 1.0, 0.0},
                   {-1.0, 5.0, 2.0, 2.0, 3.0},
                   {2.0, 0.5, 1.0, -3.0, 1.0},
                   {1.0, 2.0, -4.0, 1.0, 2.0}};
  Matrix a = ToMatrix(d);
  ElmHes(a.get(), 5);
  Dense h(5, std::vector<double>(5, 0.0));
  for (int i = 1; i <= 5; ++i)
    for (int j = std::max(1, i - 1); j <= 5; ++j) h[i - 1][j - 1] = a[i][j];
  const auto want = CharPoly(d), got = CharPoly(h);
  for (std::size_t k = 0; k < want.size(); ++k)
    EXPECT_NEAR(got[k], want[k], kRecursion * (1.0 + std::fabs(want[k]))) << k;
  // Fewer than three rows: nothing to reduce.
  Matrix b = ToMatrix({{1.0, 2.0}, {3.0, 4.0}});
  ElmHes(b.get(), 2);
  EXPECT_EQ(b[2][1], 3.0);
}

}  // namespace
}  // namespace vordex::numerics
