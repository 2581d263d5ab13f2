#include "decompose/fourier.h"

#include <cfloat>
#include <cmath>
#include <numbers>

namespace vordex::decompose {
namespace {

// sin(pi x) and cos(pi x) as R's nmath computes them: the argument reduced modulo 2 exactly, the
// exact values at the multiples of 1/2.
double SinPi(double x) {
  x = std::fmod(x, 2.0);
  if (x <= -1.0)
    x += 2.0;
  else if (x > 1.0)
    x -= 2.0;
  if (x == 0.0 || x == 1.0) return 0.0;
  if (x == 0.5) return 1.0;
  if (x == -0.5) return -1.0;
  return std::sin(std::numbers::pi * x);
}

double CosPi(double x) {
  x = std::fmod(std::fabs(x), 2.0);
  if (std::fmod(x, 1.0) == 0.5) return 0.0;
  if (x == 1.0) return -1.0;
  if (x == 0.0) return 1.0;
  return std::cos(std::numbers::pi * x);
}

}  // namespace

Outcome<FourierTerms> Fourier(std::span<const double> periods, std::span<const int> orders,
                              long first_time, std::size_t count) {
  using Out = Outcome<FourierTerms>;
  if (periods.size() != orders.size())
    return Out::Failure(Status::kInvalidSettings, "Fourier terms: the numbers of periods and orders differ");
  for (std::size_t i = 0; i < periods.size(); ++i) {
    if (!(std::isfinite(periods[i]) && periods[i] > 0.0))
      return Out::Failure(Status::kInvalidData, "Fourier terms: a period is not a positive number");
    if (orders[i] < 0) return Out::Failure(Status::kInvalidSettings, "Fourier terms: an order is negative");
    if (2.0 * orders[i] > periods[i])
      return Out::Failure(Status::kInvalidSettings, "Fourier terms: an order is greater than half its period");
  }
  FourierTerms r;
  std::vector<double> seen;  // the frequencies k / m taken so far
  for (std::size_t i = 0; i < periods.size(); ++i) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on chained string additions.
    std::string suffix = "-";
    suffix += std::to_string(static_cast<long long>(std::nearbyint(periods[i])));
    for (int k = 1; k <= orders[i]; ++k) {
      const double p = k / periods[i];
      bool repeated = false;
      for (double q : seen) repeated = repeated || q == p;
      if (repeated) continue;
      seen.push_back(p);
      const double twice = 2.0 * p;
      const bool with_sine = std::fabs(twice - std::nearbyint(twice)) > DBL_EPSILON;
      std::vector<double> s(with_sine ? count : 0);
      std::vector<double> c(count);
      for (std::size_t j = 0; j < count; ++j) {
        const double t = static_cast<double>(first_time + static_cast<long>(j));
        if (with_sine) s[j] = SinPi(twice * t);
        c[j] = CosPi(twice * t);
      }
      std::string name = std::to_string(k);
      name += suffix;
      if (with_sine) {
        r.names.push_back("S" + name);
        r.columns.push_back(std::move(s));
      }
      r.names.push_back("C" + name);
      r.columns.push_back(std::move(c));
    }
  }
  return Out::Success(std::move(r));
}

std::vector<double> TrendColumn(long first_time, std::size_t count) {
  std::vector<double> t(count);
  for (std::size_t j = 0; j < count; ++j)
    t[j] = static_cast<double>(first_time + static_cast<long>(j));
  return t;
}

}  // namespace vordex::decompose
