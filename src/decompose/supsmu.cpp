#include "decompose/supsmu.h"

#include <algorithm>
#include <cmath>

namespace vordex::decompose {
namespace {

// The constants of Friedman's reference code are single-precision literals stored in double
// variables; R runs them so, and their float values enter the interpolation weights.
const double kSpans[3] = {static_cast<double>(0.05f), static_cast<double>(0.2f),
                          static_cast<double>(0.5f)};
const double kBig = static_cast<double>(1.0e20f);
const double kEps = static_cast<double>(1.0e-3f);

// Running local-line smoother of y over the window of 2 ibw + 1 points centred on each x[j]
// (ibw = span n / 2 rounded, at least 2), updated as points enter and leave (Friedman's
// `smooth`, non-periodic, unit weights). With cv, acvr[j] receives the absolute leave-one-out
// residual |y_j - smo_j| / (1 - h_jj).
void Smooth(std::span<const double> x, const double* y, double span, double vsmlsq, double* smo,
            double* acvr) {
  const long n = static_cast<long>(x.size());
  double xm = 0.0, ym = 0.0, var = 0.0, cvar = 0.0, fbw = 0.0;
  long ibw = static_cast<long>(0.5 * span * static_cast<double>(n) + 0.5);
  if (ibw < 2) ibw = 2;
  const long it = std::min(2 * ibw + 1, n);
  for (long j = 0; j < it; ++j) {
    const double xti = x[static_cast<std::size_t>(j)];
    const double fbo = fbw;
    fbw += 1.0;
    xm = (fbo * xm + xti) / fbw;
    ym = (fbo * ym + y[j]) / fbw;
    const double tmp = fbo > 0.0 ? fbw * 1.0 * (xti - xm) / fbo : 0.0;
    var += tmp * (xti - xm);
    cvar += tmp * (y[j] - ym);
  }
  for (long j = 0; j < n; ++j) {
    const long out = j - ibw - 1;
    const long in = j + ibw;
    if (out >= 0 && in < n) {
      const double xto = x[static_cast<std::size_t>(out)];
      const double xti = x[static_cast<std::size_t>(in)];
      double fbo = fbw;
      fbw -= 1.0;
      double tmp = fbw > 0.0 ? fbo * 1.0 * (xto - xm) / fbw : 0.0;
      var -= tmp * (xto - xm);
      cvar -= tmp * (y[out] - ym);
      if (fbw > 0.0) {
        xm = (fbo * xm - xto) / fbw;
        ym = (fbo * ym - y[out]) / fbw;
      }
      fbo = fbw;
      fbw += 1.0;
      xm = (fbo * xm + xti) / fbw;
      ym = (fbo * ym + y[in]) / fbw;
      tmp = fbo > 0.0 ? fbw * 1.0 * (xti - xm) / fbo : 0.0;
      var += tmp * (xti - xm);
      cvar += tmp * (y[in] - ym);
    }
    const double xj = x[static_cast<std::size_t>(j)];
    const double a = var > vsmlsq ? cvar / var : 0.0;
    smo[j] = a * (xj - xm) + ym;
    if (acvr == nullptr) continue;
    double h = fbw > 0.0 ? 1.0 / fbw : 0.0;
    if (var > vsmlsq) h += (xj - xm) * (xj - xm) / var;
    const double denominator = 1.0 - h;
    if (denominator > 0.0)
      acvr[j] = std::fabs(y[j] - smo[j]) / denominator;
    else
      acvr[j] = j > 0 ? acvr[j - 1] : 0.0;
  }
  // Points with equal abscissae share the mean of their fits.
  for (long j = 0; j < n;) {
    long k = j;
    double sy = smo[j];
    double count = 1.0;
    while (k + 1 < n && !(x[static_cast<std::size_t>(k + 1)] > x[static_cast<std::size_t>(k)])) {
      ++k;
      sy += smo[k];
      count += 1.0;
    }
    if (k > j)
      for (long i = j; i <= k; ++i) smo[i] = sy / count;
    j = k + 1;
  }
}

}  // namespace

Outcome<std::vector<double>> SuperSmoother(std::span<const double> x, std::span<const double> y) {
  using Out = Outcome<std::vector<double>>;
  const std::size_t n = y.size();
  if (x.size() != n) return Out::Failure(Status::kInvalidSettings, "Super smoother: x and y differ in length");
  if (n == 0) return Out::Failure(Status::kTooFewObservations, "Super smoother: no values");
  for (std::size_t j = 0; j < n; ++j) {
    if (!std::isfinite(x[j]) || !std::isfinite(y[j]))
      return Out::Failure(Status::kInvalidData, "Super smoother: a value is not finite");
    if (j > 0 && x[j] < x[j - 1]) return Out::Failure(Status::kInvalidData, "Super smoother: x decreases");
  }
  std::vector<double> smo(n);
  if (!(x[n - 1] > x[0])) {
    double sy = 0.0;
    for (double v : y) sy += v;
    std::fill(smo.begin(), smo.end(), sy / static_cast<double>(n));
    return Out::Success(std::move(smo));
  }
  // Scale of x: its interquartile range, widened until positive (1-based i = n/4, j = 3i).
  std::size_t i = std::max<std::size_t>(n / 4, 1);
  std::size_t j = std::max<std::size_t>(3 * (n / 4), 1);
  double scale = x[j - 1] - x[i - 1];
  while (!(scale > 0.0)) {
    if (j < n) ++j;
    if (i > 1) --i;
    scale = x[j - 1] - x[i - 1];
  }
  const double vsmlsq = (kEps * scale) * (kEps * scale);

  // sc[0..5]: fits and smoothed residuals of the three spans; sc[6]: residuals, then spans.
  std::vector<std::vector<double>> sc(7, std::vector<double>(n));
  std::vector<double> h(n);
  for (int s = 0; s < 3; ++s) {
    Smooth(x, y.data(), kSpans[s], vsmlsq, sc[2 * s].data(), sc[6].data());
    Smooth(x, sc[6].data(), kSpans[1], vsmlsq, sc[2 * s + 1].data(), nullptr);
  }
  for (std::size_t t = 0; t < n; ++t) {
    double resmin = kBig;
    for (int s = 0; s < 3; ++s)
      if (sc[2 * s + 1][t] < resmin) {
        resmin = sc[2 * s + 1][t];
        sc[6][t] = kSpans[s];
      }
  }
  Smooth(x, sc[6].data(), kSpans[1], vsmlsq, sc[1].data(), nullptr);
  for (std::size_t t = 0; t < n; ++t) {
    double& span = sc[1][t];
    if (span <= kSpans[0]) span = kSpans[0];
    if (span >= kSpans[2]) span = kSpans[2];
    double f = span - kSpans[1];
    if (f < 0.0) {
      f = -f / (kSpans[1] - kSpans[0]);
      sc[3][t] = (1.0 - f) * sc[2][t] + f * sc[0][t];
    } else {
      f = f / (kSpans[2] - kSpans[1]);
      sc[3][t] = (1.0 - f) * sc[2][t] + f * sc[4][t];
    }
  }
  Smooth(x, sc[3].data(), kSpans[0], vsmlsq, smo.data(), nullptr);
  return Out::Success(std::move(smo));
}

}  // namespace vordex::decompose
