// Forecasts and prediction limits of the ARIMA engine.
//
// Forecasts are made on the transformed, scaled observations y with the generalised AR operator
// A (which includes the differencing), so that they come out undifferenced; their standard errors
// come from the psi weights of the same operator. Arimaforecast runs before the driver scales the
// series and statistics back.
#ifndef VORDEX_ARIMA_FORECAST_H
#define VORDEX_ARIMA_FORECAST_H

#include "arima/state.h"

namespace vordex::arima {

// The two-sided 95% normal critical value, used when no positive critical value is given.
inline constexpr double kDefaultCritical = 1.96;

// F[1..h], L[1..h], U[1..h] for times N+1..N+h: point forecasts (Arimapoint) and limits
// F -/+ z sqrt(sigma2 (psi_0^2 + ... + psi_{k-1}^2)), then scaled back and untransformed
// (Arimauntransform). z is the critical value when it is > 0, else 1.96 when the confidence level
// is exactly 95.0. Returns 0; -1 after a warning box titled "Error in Arimalib":
//   "Critical value not supplied for nonstandard confidence level";
//   "Too few observations to forecast with this model" when N < r (the recursion would need
//   observations before the first).
int Arimaforecast(ArimaStateRecord& st);

// A[0..r] with r = pp + d + s D: 1 - sum A_i B^i = phistar(B) (1 - B)^d (1 - B^s)^D; A beyond r is
// 0 up to index 134.
void Arimaoperator(ArimaStateRecord& st);

// psi[0..h]: psi_0 = 1, psi_j = -thetastar_j (j <= qq) + sum_{i=1..min(j, r)} A_i psi_{j-i}.
void Arimapsi(ArimaStateRecord& st);

// The point forecast for time t (N < t <= N + h): sum_{i=1..r} A_i x(t-i) - sum thetastar_i
// e(t-i) over the i with t - i <= N, plus c, where x(u) is y(u) for u <= N and F(u - N) after.
// Residuals before the first usable one (t - i <= nd, which hold the marker or lie before the
// series) count as 0, like the future innovations. Requires N >= r (checked by Arimaforecast).
double Arimapoint(ArimaStateRecord& st, int t);

// F, L, U[1..h] times lambda, then for the log transform exp; for the square root negative values
// to 0, then squared.
void Arimauntransform(ArimaStateRecord& st);
// One value v of the scaled, transformed scale back on the observations' scale, as
// Arimauntransform does it.
double Untransform(const ArimaStateRecord& st, double v);
// x on the transformed (unscaled) scale back on the observations' scale: exp for the log
// transform, the square of max(x, 0) for the square root.
double InverseTransform(Transform transform, double x);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_FORECAST_H
