// The state of the ARIMA engine: the settings, the series, the coefficients and the results of
// the current request, and the limits that size them.
//
// The engine fits the multiplicative seasonal ARIMA(p,d,q)(P,D,Q)s model
//   phi(B) Phi(B^s) (1 - B)^d (1 - B^s)^D y(t) = c + theta(B) Theta(B^s) e(t)
// to the transformed, scaled observations y, every lag polynomial in the Box-Jenkins sign
// convention 1 - c(1) z - ... - c(k) z^k.
//
// One record per request (ArimaStateRecord), made by Run (run.h) and handed to every routine of
// the engine; nothing of a request outlives it. Arrays are indexed from 0 and used from 1 unless a
// field says otherwise.
#ifndef VORDEX_ARIMA_STATE_H
#define VORDEX_ARIMA_STATE_H

#include <cstddef>
#include <vector>

#include "arma/likelihood.h"
#include "numerics/missing.h"
#include "vordex/transform.hpp"

namespace vordex::arima {

// The Arimadll export's limits (its checker's rules); the typed interface takes series and
// horizons up to kMaxObservations, the arrays being sized to each request.
inline constexpr int MAXN = 1000;                    // observations
inline constexpr int MAXS = 24;                      // seasonal frequency
inline constexpr int MAXH = 120;                     // forecast horizon
inline constexpr int kMaxObservations = 10'000'000;  // observations or horizon, typed requests
inline constexpr int kMaxP = 12;                     // nonseasonal AR and MA orders
inline constexpr int kMaxSeasonalP = 3;              // seasonal AR and MA orders
inline constexpr int kMaxD = 2;                      // nonseasonal and seasonal differences
// Total orders pp = p + P s and qq = q + Q s stay below this (the total arrays are 0..84).
inline constexpr int kTotalOrderLimit = 84;
// Length of the generalised autoregressive operator array A[0..134].
inline constexpr int kOperatorSize = 135;

// The missing-value marker of values lost to differencing.
using numerics::IsMissing;
using numerics::kMissing;

struct ArimaStateRecord {
  // Settings (written by the host layer).
  int N = 0;                // number of observations
  int s = 1;                // seasonal frequency, 1..MAXS (1: non-seasonal)
  int h = 0;                // forecast horizon
  int p = 0, d = 0, q = 0;  // nonseasonal orders
  int P = 0, D = 0, Q = 0;  // seasonal orders
  int mean = 0;  // non-zero: remove the mean of the differenced series, report a constant
  Transform transform = Transform::kNone;
  int pp = 0;  // total AR order p + P s
  int qq = 0;  // total MA order q + Q s

  // Derived integers.
  int nd = 0;  // observations lost to differencing, d + D s
  int r = 0;   // order of the generalised AR operator A

  // Scalars.
  double critical = 0.0;     // critical value of the limits (> 0 to be used)
  double confidence = 95.0;  // confidence level in percent
  double lambda = 1.0;       // scale: the largest absolute transformed observation
  double mu = 0.0;           // mean of the differenced series (0 without the mean flag)
  double c = 0.0;            // constant term
  double sigma2 = 0.0;       // innovation variance
  double loglik = 0.0;       // log-likelihood
  double aic = 0.0;          // Akaike's information criterion

  // Series, 1..N (index 0 unused), sized by SizeArrays.
  std::vector<double> y;       // observations; transformed and scaled in place
  std::vector<double> w;       // working series: differenced, mean-corrected
  std::vector<double> fitted;  // fitted values of the working series
  std::vector<double> e;       // residuals of the working series

  // Forecasts for times N+1..N+h at 1..h; psi weights 0..h; sized by SizeArrays.
  std::vector<double> F;
  std::vector<double> L;
  std::vector<double> U;
  std::vector<double> psi;
  // The forecasts on the scaled, transformed scale and their standard errors, 1..h, from which
  // limits of any other critical value are formed as L and U are.
  std::vector<double> Fscaled;
  std::vector<double> se;

  // Factor coefficients 1..order (element 0 is 1.0 where set and is not read by the estimators).
  double phi[kMaxP + 1] = {};
  double theta[kMaxP + 1] = {};
  double Phi[kMaxSeasonalP + 1] = {};
  double Theta[kMaxSeasonalP + 1] = {};

  // Total (multiplied-out) coefficients 0..84: phistar(B) = phi(B) Phi(B^s) = 1 - sum phistar_i
  // B^i, likewise thetastar.
  double phistar[kTotalOrderLimit + 1] = {};
  double thetastar[kTotalOrderLimit + 1] = {};

  // Generalised AR operator 1 - sum A_i B^i = phistar(B) (1 - B)^d (1 - B^s)^D, 0..r.
  double A[kOperatorSize] = {};

  // Work storage of the likelihood, kept across the evaluations of one request so that the
  // minimiser's evaluations obtain no storage of their own.
  arma::LikelihoodWorkspace workspace;
};

// Sizes the series of st to N + 1 and the forecast arrays to h + 1 values, every value 0 (the
// state of a fresh record). Throws std::bad_alloc when the storage cannot be obtained.
inline void SizeArrays(ArimaStateRecord& st) {
  const auto series = static_cast<std::size_t>(st.N) + 1;
  const auto horizon = static_cast<std::size_t>(st.h) + 1;
  for (std::vector<double>* v : {&st.y, &st.w, &st.fitted, &st.e}) v->assign(series, 0.0);
  for (std::vector<double>* v : {&st.F, &st.L, &st.U, &st.psi, &st.Fscaled, &st.se})
    v->assign(horizon, 0.0);
}

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_STATE_H
