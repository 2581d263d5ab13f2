#include "smoothing/ses.h"

#include <algorithm>
#include <cmath>

#include "numerics/powell.h"

namespace vordex::smoothing {
namespace {

// Grid of the profile scan (points spread evenly over the bounds, ends included) and the
// fractional tolerance of Brent's refinement.
constexpr int kGridPoints = 41;
constexpr double kAlphaTolerance = 1e-8;

// The profile of the squared errors at alpha: with u_t the errors from l_0 = x_1 and
// c_t = (1 - alpha)^(t-1), the errors from l_0 = x_1 + delta are u_t - c_t delta, so the best
// delta is sum u c / sum c^2. Starting from x_1 keeps u small and the subtraction well conditioned.
struct Profile {
  double delta = 0.0;
  double sse = 0.0;
};

Profile ProfileAt(std::span<const double> x, double alpha) {
  double level = x[0];
  double c = 1.0;
  double uu = 0.0;
  double uc = 0.0;
  double cc = 0.0;
  for (double v : x) {
    const double u = v - level;
    uu += u * u;
    uc += u * c;
    cc += c * c;
    level += alpha * u;
    c *= 1.0 - alpha;
  }
  Profile p;
  p.delta = uc / cc;
  p.sse = std::max(0.0, uu - uc * p.delta);
  return p;
}

}  // namespace

Outcome<SesFit> FitSes(std::span<const double> x) {
  if (x.size() < 2)
    return Outcome<SesFit>::Failure(Status::kTooFewObservations,
                                    "Simple exponential smoothing: fewer than 2 values");
  for (double v : x)
    if (!std::isfinite(v))
      return Outcome<SesFit>::Failure(Status::kInvalidData,
                                      "Simple exponential smoothing: a value is not finite");

  auto sse = [&](double alpha) { return ProfileAt(x, alpha).sse; };
  const double step = (kSesAlphaUpper - kSesAlphaLower) / (kGridPoints - 1);
  int best = 0;
  double best_value = sse(kSesAlphaLower);
  for (int i = 1; i < kGridPoints; ++i) {
    const double value = sse(kSesAlphaLower + i * step);
    if (value < best_value) {
      best = i;
      best_value = value;
    }
  }
  const double a = kSesAlphaLower + std::max(0, best - 1) * step;
  const double c = kSesAlphaLower + std::min(kGridPoints - 1, best + 1) * step;
  const double b = kSesAlphaLower + best * step;
  numerics::ScalarMinimum m = numerics::MinimiseOnInterval(sse, a, b, c, kAlphaTolerance);
  double alpha = std::clamp(m.x, kSesAlphaLower, kSesAlphaUpper);
  if (!(sse(alpha) <= best_value)) alpha = b;

  SesFit fit;
  fit.alpha = alpha;
  fit.initial_level = x[0] + ProfileAt(x, alpha).delta;
  fit.fitted.resize(x.size());
  double level = fit.initial_level;
  for (std::size_t t = 0; t < x.size(); ++t) {
    fit.fitted[t] = level;
    const double e = x[t] - level;
    fit.sse += e * e;
    level += alpha * e;
  }
  fit.final_level = level;
  return Outcome<SesFit>::Success(std::move(fit));
}

}  // namespace vordex::smoothing
