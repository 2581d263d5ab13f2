#include "decompose/interpolate.h"

#include <algorithm>
#include <cmath>

#include "decompose/fourier.h"
#include "decompose/mstl.h"
#include "numerics/boxcox.h"

namespace vordex::decompose {
namespace {

// Rows of the regression are generated a block at a time, so that memory stays O(n + p^2).
constexpr std::size_t kBlock = 4096;
// A column whose Cholesky pivot falls below this fraction of its squared norm is taken as
// linearly dependent on the earlier ones and left out, as R's lm (tolerance 1e-7 on the QR
// diagonal, squared here) would.
constexpr double kDependent = 1e-14;

// The value at every time of the linear interpolation of x over the times where observed[t], held
// constant before the first and after the last (R's approx(idx, x[idx], 1:n, rule = 2)).
std::vector<double> Linear(std::span<const double> x, const std::vector<bool>& observed) {
  const std::size_t n = x.size();
  std::vector<double> out(x.begin(), x.end());
  std::size_t last = n;  // the last observed time so far (n: none yet)
  for (std::size_t t = 0; t < n; ++t) {
    if (!observed[t]) continue;
    if (last == n) {
      for (std::size_t s = 0; s < t; ++s) out[s] = x[t];
    } else {
      const double span = static_cast<double>(t - last);
      for (std::size_t s = last + 1; s < t; ++s)
        out[s] = x[last] + (x[t] - x[last]) * (static_cast<double>(s - last) / span);
    }
    last = t;
  }
  for (std::size_t s = last + 1; s < n; ++s) out[s] = x[last];
  return out;
}

// The regressors of one block of times first .. first + count - 1 (1-based): intercept, Fourier
// terms and Legendre polynomials P_1..P_degree of time mapped onto [-1, 1] (the same column
// space as R's poly(), better conditioned than raw powers). Column-major, count rows.
std::vector<std::vector<double>> Regressors(const FourierTerms& fourier, std::size_t n, int degree,
                                            std::size_t first, std::size_t count) {
  std::vector<std::vector<double>> X;
  X.emplace_back(count, 1.0);
  for (const std::vector<double>& c : fourier.columns) X.push_back(c);
  for (int d = 1; d <= degree; ++d) X.emplace_back(count);
  for (std::size_t j = 0; j < count; ++j) {
    const double u = (2.0 * static_cast<double>(first + j) - static_cast<double>(n + 1)) /
                     static_cast<double>(n - 1);
    double p0 = 1.0;
    double p1 = u;
    for (int d = 1; d <= degree; ++d) {
      X[X.size() - static_cast<std::size_t>(degree) + static_cast<std::size_t>(d) - 1][j] = p1;
      const double p2 = ((2.0 * d + 1.0) * u * p1 - d * p0) / (d + 1.0);  // Bonnet's recursion
      p0 = p1;
      p1 = p2;
    }
  }
  return X;
}

// Least-squares fit of x on the regressors at the observed times (normal equations by Cholesky,
// dependent columns dropped), evaluated at the missing times.
Outcome<std::vector<double>> RegressionFill(std::span<const double> x,
                                            const std::vector<bool>& observed,
                                            std::span<const double> periods,
                                            const std::vector<int>& orders, int degree) {
  using Out = Outcome<std::vector<double>>;
  const std::size_t n = x.size();
  auto block_terms = [&](std::size_t first, std::size_t count) {
    return Fourier(periods, orders, static_cast<long>(first), count);
  };
  const Outcome<FourierTerms> probe = block_terms(1, 1);
  if (!probe.ok()) return Out::Failure(probe.status, probe.text);
  const std::size_t p = 1 + probe.value.columns.size() + static_cast<std::size_t>(degree);
  std::vector<double> A(p * p, 0.0);  // X'X, row-major
  std::vector<double> b(p, 0.0);      // X'x
  for (std::size_t first = 1; first <= n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first + 1);
    const auto X = Regressors(block_terms(first, count).value, n, degree, first, count);
    for (std::size_t j = 0; j < count; ++j) {
      if (!observed[first - 1 + j]) continue;
      for (std::size_t a = 0; a < p; ++a) {
        b[a] += X[a][j] * x[first - 1 + j];
        for (std::size_t c = 0; c <= a; ++c) A[a * p + c] += X[a][j] * X[c][j];
      }
    }
  }
  // Cholesky A = L L' in the lower triangle; a dependent column gets a zero coefficient.
  std::vector<bool> kept(p, true);
  for (std::size_t a = 0; a < p; ++a) {
    const double norm = A[a * p + a];
    double d = norm;
    for (std::size_t c = 0; c < a; ++c) d -= A[a * p + c] * A[a * p + c];
    if (!(d > kDependent * norm)) {
      kept[a] = false;
      for (std::size_t r = a; r < p; ++r) A[r * p + a] = 0.0;
      continue;
    }
    const double l = std::sqrt(d);
    A[a * p + a] = l;
    for (std::size_t r = a + 1; r < p; ++r) {
      double s = A[r * p + a];
      for (std::size_t c = 0; c < a; ++c) s -= A[r * p + c] * A[a * p + c];
      A[r * p + a] = s / l;
    }
  }
  std::vector<double> beta(p, 0.0);
  for (std::size_t a = 0; a < p; ++a) {  // L z = b
    if (!kept[a]) continue;
    double s = b[a];
    for (std::size_t c = 0; c < a; ++c) s -= A[a * p + c] * beta[c];
    beta[a] = s / A[a * p + a];
  }
  for (std::size_t a = p; a-- > 0;) {  // L' beta = z
    if (!kept[a]) continue;
    double s = beta[a];
    for (std::size_t r = a + 1; r < p; ++r) s -= A[r * p + a] * beta[r];
    beta[a] = s / A[a * p + a];
  }
  std::vector<double> filled(x.begin(), x.end());
  for (std::size_t first = 1; first <= n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first + 1);
    if (std::all_of(observed.begin() + static_cast<long>(first - 1),
                    observed.begin() + static_cast<long>(first - 1 + count),
                    [](bool o) { return o; }))
      continue;
    const auto X = Regressors(block_terms(first, count).value, n, degree, first, count);
    for (std::size_t j = 0; j < count; ++j) {
      if (observed[first - 1 + j]) continue;
      double fit = 0.0;
      for (std::size_t a = 0; a < p; ++a) fit += X[a][j] * beta[a];
      filled[first - 1 + j] = fit;
    }
  }
  return Out::Success(std::move(filled));
}

}  // namespace

Outcome<std::vector<double>> InterpolateMissing(std::span<const double> y,
                                                std::span<const double> periods,
                                                std::optional<double> lambda) {
  using Out = Outcome<std::vector<double>>;
  const std::size_t n = y.size();
  for (double m : periods)
    if (!std::isfinite(m)) return Out::Failure(Status::kInvalidData, "Interpolation: a period is not finite");
  if (lambda && !std::isfinite(*lambda)) return Out::Failure(Status::kInvalidSettings, "Interpolation: lambda is not finite");
  std::vector<bool> observed(n);
  std::size_t nobs = 0;
  double lo = INFINITY;
  double hi = -INFINITY;
  for (std::size_t t = 0; t < n; ++t) {
    if (std::isinf(y[t])) return Out::Failure(Status::kInvalidData, "Interpolation: a value is infinite");
    observed[t] = !std::isnan(y[t]);
    if (!observed[t]) continue;
    ++nobs;
    lo = std::min(lo, y[t]);
    hi = std::max(hi, y[t]);
  }
  if (nobs == n) return Out::Success(std::vector<double>(y.begin(), y.end()));
  if (nobs == 0) return Out::Failure(Status::kTooFewObservations, "Interpolation: no value is observed");

  std::vector<double> x =
      lambda ? numerics::BoxCox(y, *lambda) : std::vector<double>(y.begin(), y.end());
  // Back to the data's scale; the observed values are kept as given, not round-tripped.
  auto back = [&](std::vector<double> v) {
    if (lambda) v = numerics::InvBoxCox(v, *lambda);
    for (std::size_t t = 0; t < n; ++t)
      if (observed[t]) v[t] = y[t];
    return v;
  };
  std::vector<double> sorted(periods.begin(), periods.end());
  std::sort(sorted.begin(), sorted.end());
  const bool several = sorted.size() > 1;
  const double frequency = sorted.empty() ? 1.0 : (several ? std::floor(sorted.back()) : sorted[0]);
  if (frequency <= 1.0 || static_cast<double>(nobs) <= 2.0 * frequency)
    return Out::Success(back(Linear(x, observed)));

  std::vector<int> orders;
  for (double m : sorted)
    orders.push_back(static_cast<int>(std::min(std::trunc(m / 2.0), several ? 20.0 : 5.0)));
  const int degree =
      static_cast<int>(std::min(std::max(std::trunc(static_cast<double>(n) / 10.0), 1.0), 6.0));
  Outcome<std::vector<double>> first = RegressionFill(x, observed, sorted, orders, degree);
  if (!first.ok()) return Out::Failure(Status::kInvalidData, "Interpolation: " + first.text);
  MstlSettings robust;
  robust.robust = true;
  const Outcome<MstlResult> fit = Mstl(first.value, periods, robust);
  if (!fit.ok()) return Out::Failure(Status::kInvalidData, "Interpolation: " + fit.text);
  const std::vector<double> adjusted = Linear(SeasonallyAdjusted(fit.value), observed);
  const std::vector<double> seasonal = SeasonalSum(fit.value);
  for (std::size_t t = 0; t < n; ++t)
    if (!observed[t]) x[t] = adjusted[t] + seasonal[t];
  std::vector<double> result = back(std::move(x));
  const double width = hi - lo;
  for (double v : result)
    if (v > hi + 0.5 * width || v < lo - 0.5 * width) {
      std::vector<double> z =
          lambda ? numerics::BoxCox(y, *lambda) : std::vector<double>(y.begin(), y.end());
      return Out::Success(back(Linear(z, observed)));
    }
  return Out::Success(std::move(result));
}

}  // namespace vordex::decompose
