#include "auto/harmonic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "decompose/fourier.h"

namespace vordex::automatic {
namespace {

// A column whose part orthogonal to the earlier ones keeps less than this fraction of its norm
// is taken as dependent on them (R's lm drops such columns at a QR tolerance of 1e-7).
constexpr double kDependent = 1e-7;

// The harmonic k of a column named "Sk-r" or "Ck-r".
int Harmonic(const std::string& name) {
  return std::stoi(name.substr(1, name.find('-') - 1));
}

// The values of x at the observed times, less their mean.
std::vector<double> Centred(std::span<const double> x, const std::vector<std::size_t>& at) {
  std::vector<double> c(at.size());
  double mean = 0.0;
  for (std::size_t i = 0; i < at.size(); ++i) mean += (c[i] = x[at[i]]);
  mean /= static_cast<double>(at.size());
  for (double& v : c) v -= mean;
  return c;
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

}  // namespace

Outcome<std::vector<int>> ChooseFourierOrders(std::span<const double> y,
                                              std::span<const double> periods,
                                              const FourierOrderSettings& settings) {
  using Out = Outcome<std::vector<int>>;
  for (const double m : periods)
    if (!(std::isfinite(m) && m >= 2.0))
      return Out::Failure(Status::kInvalidSettings, "Fourier orders: a period is below 2");
  if (settings.max_order < 0)
    return Out::Failure(Status::kInvalidSettings, "Fourier orders: max_order is negative");
  std::vector<std::size_t> at;
  for (std::size_t t = 0; t < y.size(); ++t) {
    if (std::isinf(y[t]))
      return Out::Failure(Status::kInvalidData, "Fourier orders: a value is infinite");
    if (!std::isnan(y[t])) at.push_back(t);
  }
  const double n = static_cast<double>(at.size());
  if (at.size() < 3)
    return Out::Failure(Status::kTooFewObservations, "Fourier orders: fewer than 3 values");

  // The regression on the constant alone: residuals r, and the orthonormal basis q of the terms
  // taken so far (every column centred, which is orthogonalising it against the constant).
  std::vector<double> r = Centred(y, at);
  std::vector<std::vector<double>> q;
  std::vector<double> projection;  // q_j' r when q_j was added
  const auto aicc = [n](double sse, double k) {
    if (n - k - 1.0 <= 0.0) return std::numeric_limits<double>::infinity();
    return n * std::log(sse / n) + 2.0 * k + 2.0 * k * (k + 1.0) / (n - k - 1.0);
  };

  std::vector<int> orders(periods.size(), 0);
  for (std::size_t i = 0; i < periods.size(); ++i) {
    const int most = std::min(settings.max_order, static_cast<int>(std::floor(periods[i] / 2.0)));
    orders[i] = most;
    const decompose::FourierTerms terms =
        decompose::Fourier(periods.first(i + 1), std::span<const int>(orders).first(i + 1), 1,
                           y.size())
            .value;
    orders[i] = 0;
    // Every column of m_i in order of its harmonic, each orthogonalised against the basis (twice,
    // which keeps modified Gram-Schmidt orthogonal to working precision); sse[j] after j columns.
    const std::size_t before = q.size();
    std::vector<double> sse = {Dot(r, r)};
    std::vector<int> harmonic = {0};
    const std::size_t earlier =
        decompose::Fourier(periods.first(i), std::span<const int>(orders).first(i), 1, 1)
            .value.columns.size();
    for (std::size_t c = earlier; c < terms.columns.size(); ++c) {
      std::vector<double> v = Centred(terms.columns[c], at);
      const double norm0 = std::sqrt(Dot(v, v));
      for (int pass = 0; pass < 2; ++pass)
        for (const std::vector<double>& b : q) {
          const double a = Dot(b, v);
          for (std::size_t t = 0; t < v.size(); ++t) v[t] -= a * b[t];
        }
      const double norm = std::sqrt(Dot(v, v));
      if (!(norm > kDependent * norm0)) continue;
      for (double& x : v) x /= norm;
      const double a = Dot(v, r);
      for (std::size_t t = 0; t < r.size(); ++t) r[t] -= a * v[t];
      q.push_back(std::move(v));
      projection.push_back(a);
      sse.push_back(Dot(r, r));
      harmonic.push_back(Harmonic(terms.names[c]));
    }
    // The best K: the columns up to its harmonic, and the coefficients of the constant, the
    // earlier terms and the variance.
    double best = std::numeric_limits<double>::infinity();
    std::size_t keep = 0;
    for (std::size_t j = 0; j < sse.size(); ++j) {
      if (j + 1 < sse.size() && harmonic[j + 1] == harmonic[j])
        continue;  // a sine without its cosine
      const double score = aicc(sse[j], static_cast<double>(before + j) + 2.0);
      if (score < best) {
        best = score;
        keep = j;
        orders[i] = harmonic[j];
      }
    }
    // Back to the kept columns.
    while (q.size() > before + keep) {
      const double a = projection.back();
      for (std::size_t t = 0; t < r.size(); ++t) r[t] += a * q.back()[t];
      q.pop_back();
      projection.pop_back();
    }
  }
  return Out::Success(std::move(orders));
}

}  // namespace vordex::automatic
