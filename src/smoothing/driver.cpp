#include "smoothing/driver.h"

#include <algorithm>
#include <cmath>

#include "numerics/vectors.h"
#include "smoothing/estimate.h"
#include "smoothing/fit.h"
#include "smoothing/search.h"
#include "smoothing/simulate.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

constexpr const char* kLibraryError = "Error in Pegelslib";

// Default bounds of alpha, beta, gamma; phi may reach 1.
constexpr double kDefaultLower = 0.1;
constexpr double kDefaultUpper = 0.9;
constexpr double kPhiUpper = 1.0;

void SettleBounds(PegelsState& P) {
  if (P.boundsCount <= 0) {
    for (int i = 1; i <= 4; ++i) {
      P.lower[i] = kDefaultLower;
      P.upper[i] = kDefaultUpper;
    }
    P.upper[4] = kPhiUpper;
    return;
  }
  const int supplied = std::min(P.boundsCount, 4);
  for (int i = 1; i <= supplied; ++i) {
    const double top = i == 4 ? kPhiUpper : kDefaultUpper;
    if (P.lower[i] <= 0.0) {
      P.lower[i] = kDefaultLower;
      if (P.upper[i] < kDefaultLower) {
        P.upper[i] = top;
        continue;
      }
    }
    if (P.upper[i] > 1.0000001) P.upper[i] = top;
    if (P.upper[i] < P.lower[i]) {
      P.lower[i] = kDefaultLower;
      P.upper[i] = top;
    }
  }
  for (int i = supplied + 1; i <= 4; ++i) {
    P.lower[i] = P.lower[1];
    P.upper[i] = i == 4 ? kPhiUpper : P.upper[1];
  }
}

}  // namespace

int Pegelstransform(PegelsState& P, int computeScale) {
  const int n = P.n;
  // Missing values (NaN) take part in nothing here and stay missing.
  if (P.transformType != Transform::kNone) {
    double mn = kHuge;
    for (int t = 1; t <= n; ++t)
      if (!std::isnan(P.y[t])) mn = std::min(mn, P.y[t]);
    if (P.transformType == Transform::kLog) {
      if (mn <= 0.0)
        return numerics::ReportError(kLibraryError,
                                     "Data error: Can't take log of zero or negative values", 1);
      for (int t = 1; t <= n; ++t) P.y[t] = std::log(P.y[t]);
    } else if (P.transformType == Transform::kSquareRoot) {
      if (mn < 0.0)
        return numerics::ReportError(kLibraryError,
                                     "Data error: Can't take sqrt of negative values", 1);
      for (int t = 1; t <= n; ++t) P.y[t] = std::sqrt(P.y[t]);
    }
  }
  if (computeScale) {
    double scale = 0.0;
    for (int t = 1; t <= n; ++t)
      if (!std::isnan(P.y[t])) scale = std::max(scale, std::fabs(P.y[t]));
    if (scale == 0.0) return numerics::ReportError(kLibraryError, "Data error: data all zeros", 1);
    P.scale = scale;
    for (int t = 1; t <= n; ++t) P.y[t] = P.y[t] / scale;
  }
  return 0;
}

int Pegelsrestore(PegelsState& P, int /*restore*/) {
  const double c = P.scale;
  for (int t = 1; t <= P.n; ++t) {
    P.y[t] *= c;
    P.F[t] *= c;
    P.e[t] *= c;
  }
  P.l[0] *= c;
  if (P.trendType != Trend::kMultiplicative) P.b[0] *= c;
  if (P.seasonalityType != Season::kMultiplicative)
    for (int k = 0; k < P.s; ++k) P.seasInit[k] *= c;
  if (P.modelType != ErrorForm::kMultiplicative) P.sigma *= c;
  P.amse *= c * c;
  for (int k = 1; k <= P.multisteps; ++k) P.mse[k] *= c * c;
  const double logc = std::log(c);
  P.logLik -= P.nobs * logc;
  P.icValue += 2.0 * P.nobs * logc;
  const auto restore = [&](double& v) { v = PegelsUnscale(P.transformType, c, v); };
  for (int k = 1; k <= P.h; ++k) restore(P.fc[k]);
  for (std::size_t j = 0; j < P.lo.size(); ++j)
    for (int k = 1; k <= P.h && k < static_cast<int>(P.lo[j].size()); ++k) {
      restore(P.lo[j][static_cast<std::size_t>(k)]);
      restore(P.hi[j][static_cast<std::size_t>(k)]);
    }
  return 0;
}

double PegelsUnscale(Transform transformType, double scale, double v) {
  v *= scale;
  if (transformType == Transform::kLog) return std::exp(v);
  if (transformType == Transform::kSquareRoot) return std::max(v, 0.0) * std::max(v, 0.0);
  return v;
}

int PegelsZeroScan(const double* x, int n, Transform transformType) {
  return PegelsZeroScan(std::span<const double>(x + 1, static_cast<std::size_t>(std::max(n, 0))),
                        transformType);
}

int PegelsZeroScan(std::span<const double> x, Transform transformType) {
  // Two passes over the data (the scale, then the scaled values), each transforming afresh: no
  // storage of the data's size.
  const auto transformed = [&](double v) {
    if (transformType == Transform::kLog) return std::log(v);
    if (transformType == Transform::kSquareRoot) return std::sqrt(v);
    return v;
  };
  double scale = 0.0;
  for (const double v : x) {
    if (std::isnan(v)) continue;
    if (transformType == Transform::kLog && !(v > 0.0)) return 0;
    if (transformType == Transform::kSquareRoot && v < 0.0) return 0;
    scale = std::max(scale, std::fabs(transformed(v)));
  }
  if (scale == 0.0) return 1;
  for (const double v : x)
    if (!std::isnan(v) && std::fabs(transformed(v) / scale) < kTiny) return 1;
  return 0;
}

int Pegelsmain(PegelsState& P, int /*validated*/, int /*converted*/) {
  P.tooLargeShown = 0;
  if (Pegelstransform(P, P.scale < 0.0 ? 1 : 0) < 0) return 0;

  P.hasZeros = 0;
  for (int t = 1; t <= P.n; ++t) {
    if (std::fabs(P.y[t]) < kTiny) {
      P.hasZeros = 1;
      break;
    }
  }
  for (int i = 1; i <= 4; ++i) P.par[i] = 0.0;
  SettleBounds(P);

  P.status = 0;
  const int ok = P.searchType != Search::kDefault ? Pegelssearch(P) : pegelsopt2(P);
  if (ok == 0) return 0;
  if (P.status == kUnknownCriterion)
    numerics::FatalError("Pegelslib Warning", "Unknown criterion in Pegelsmse: MSE assumed");

  // What continuing the fit needs, on the engine's scale: sigma and the errors to resample.
  P.engineSigma = P.sigma;
  P.pool.clear();
  P.fc.assign(static_cast<std::size_t>(std::max(P.h, 0)) + 1, 0.0);
  if (P.h > 0) {
    double slice[MAXS] = {};
    if (HasSeason(P.seasonalityType))
      for (int k = 0; k < P.s; ++k) slice[k] = P.S[P.n - P.s + 1 + k];
    Pegelsforecast(P, P.l[P.n], P.b[P.n], slice, P.h, P.fc.data());
    // Limits that could not be simulated would be those of an earlier request.
    if (PegelssimLevels(P, P.h, P.confidenceLevels, P.lo, P.hi) == 0) return 0;
  } else if (P.bootstrapType == Disturbances::kResampled) {
    PegelsDisturbances(P);
  }
  Pegelsrestore(P, 1);
  return 1;
}

}  // namespace vordex::smoothing
