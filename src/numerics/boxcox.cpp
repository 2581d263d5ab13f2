#include "numerics/boxcox.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace vordex::numerics {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double SignedPower(double u, double p) {
  const double v = std::pow(std::fabs(u), p);
  return u > 0.0 ? v : (u < 0.0 ? -v : 0.0 * v);
}

// The mean and the standard deviation (divisor k - 1) of the k values of x that are not NaN,
// accumulated as R's mean and var do: mean in extended precision refined by a second pass over
// the deviations; var from deviations about that mean rounded to double, summed in extended
// precision. NaN when there are too few values.
struct Moments {
  double mean = kNaN;
  double sd = kNaN;
};

template <class Range>
Moments MomentsSkippingNaN(const Range& x) {
  long double s = 0.0L;
  long k = 0;
  for (double v : x)
    if (!std::isnan(v)) {
      s += v;
      ++k;
    }
  Moments m;
  if (k == 0) return m;
  s /= k;
  if (std::isfinite(static_cast<double>(s))) {
    long double t = 0.0L;
    for (double v : x)
      if (!std::isnan(v)) t += v - s;
    s += t / k;
  }
  m.mean = static_cast<double>(s);
  if (k < 2) return m;
  long double ss = 0.0L;
  for (double v : x)
    if (!std::isnan(v)) ss += (v - m.mean) * (v - m.mean);
  m.sd = std::sqrt(static_cast<double>(ss / (k - 1)));
  return m;
}

// R's guer.cv: the coefficient of variation of sd_i / mean_i^(1 - lambda) over blocks of p.
double GuerreroCriterion(std::span<const double> x, std::size_t p, double lambda) {
  const std::size_t blocks = x.size() / p;
  const std::span<const double> tail = x.last(blocks * p);
  std::vector<double> ratio(blocks);
  for (std::size_t i = 0; i < blocks; ++i) {
    const Moments m = MomentsSkippingNaN(tail.subspan(i * p, p));
    ratio[i] = m.sd / std::pow(m.mean, 1.0 - lambda);
  }
  const Moments r = MomentsSkippingNaN(ratio);
  return r.sd / r.mean;
}

// Brent's (1973) localmin as R's optimize runs it (Brent_fmin of R's stats package): the first
// point at the golden section of [a, b], tolerance eps |x| + tol / 3 with eps = sqrt(DBL_EPSILON);
// a criterion that is not finite counts as DBL_MAX, as in R.
template <class F>
double OptimizeAsR(F f, double a, double b, double tol) {
  const double c = (3.0 - std::sqrt(5.0)) * 0.5;
  const double eps = std::sqrt(DBL_EPSILON);
  auto g = [&](double u) {
    const double v = f(u);
    return std::isfinite(v) ? v : DBL_MAX;
  };
  double v = a + c * (b - a);
  double w = v;
  double x = v;
  double d = 0.0;
  double e = 0.0;
  double fx = g(x);
  double fv = fx;
  double fw = fx;
  const double tol3 = tol / 3.0;
  for (;;) {
    const double xm = (a + b) * 0.5;
    const double tol1 = eps * std::fabs(x) + tol3;
    const double t2 = tol1 * 2.0;
    if (std::fabs(x - xm) <= t2 - (b - a) * 0.5) break;
    double p = 0.0;
    double q = 0.0;
    double r = 0.0;
    if (std::fabs(e) > tol1) {  // fit a parabola through x, w, v
      r = (x - w) * (fx - fv);
      q = (x - v) * (fx - fw);
      p = (x - v) * q - (x - w) * r;
      q = (q - r) * 2.0;
      if (q > 0.0)
        p = -p;
      else
        q = -q;
      r = e;
      e = d;
    }
    if (std::fabs(p) >= std::fabs(q * 0.5 * r) || p <= q * (a - x) || p >= q * (b - x)) {
      e = x < xm ? b - x : a - x;  // golden section
      d = c * e;
    } else {
      d = p / q;  // parabolic step, kept away from the ends
      const double u = x + d;
      if (u - a < t2 || b - u < t2) d = x >= xm ? -tol1 : tol1;
    }
    const double u = std::fabs(d) >= tol1 ? x + d : (d > 0.0 ? x + tol1 : x - tol1);
    const double fu = g(u);
    if (fu <= fx) {
      if (u < x)
        b = x;
      else
        a = x;
      v = w;
      w = x;
      x = u;
      fv = fw;
      fw = fx;
      fx = fu;
    } else {
      if (u < x)
        a = u;
      else
        b = u;
      if (fu <= fw || w == x) {
        v = w;
        fv = fw;
        w = u;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  return x;
}

}  // namespace

double BoxCox(double x, double lambda) {
  if (lambda < 0.0 && x < 0.0) return kNaN;
  if (lambda == 0.0) return std::log(x);
  return (SignedPower(x, lambda) - 1.0) / lambda;
}

double InvBoxCox(double y, double lambda) {
  if (lambda < 0.0 && y > -1.0 / lambda) return kNaN;
  if (lambda == 0.0) return std::exp(y);
  return SignedPower(y * lambda + 1.0, 1.0 / lambda);
}

std::vector<double> BoxCox(std::span<const double> x, double lambda) {
  std::vector<double> out(x.size());
  for (std::size_t t = 0; t < x.size(); ++t) out[t] = BoxCox(x[t], lambda);
  return out;
}

std::vector<double> InvBoxCox(std::span<const double> y, double lambda) {
  std::vector<double> out(y.size());
  for (std::size_t t = 0; t < y.size(); ++t) out[t] = InvBoxCox(y[t], lambda);
  return out;
}

double InvBoxCoxBiasAdjusted(double mean, double variance, double lambda) {
  const double b = InvBoxCox(mean, lambda);
  return b * (1.0 + 0.5 * variance * (1.0 - lambda) / std::pow(b, 2.0 * lambda));
}

double GuerreroLambda(std::span<const double> x, double period, double lower, double upper) {
  if (std::isnan(period)) return kNaN;
  for (double v : x)
    if (v <= 0.0) {
      lower = std::max(lower, 0.0);
      break;
    }
  if (static_cast<double>(x.size()) <= 2.0 * period) return 1.0;
  if (!(std::isfinite(lower) && std::isfinite(upper) && lower < upper)) return kNaN;
  const double p = std::nearbyint(std::max(2.0, period));
  const std::size_t block = static_cast<std::size_t>(p);
  return OptimizeAsR([&](double lambda) { return GuerreroCriterion(x, block, lambda); }, lower,
                     upper, std::pow(DBL_EPSILON, 0.25));
}

}  // namespace vordex::numerics
