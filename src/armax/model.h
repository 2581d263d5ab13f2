// The ARMAX model record and the front end that turns the observations into the modelled series.
//
// Conventions of the ARMAX engine: integers are passed by reference; arrays are plain pointers
// owned by the caller whose FIRST position holds the first element named in the contract (x[0] is
// x(1) unless a contract says otherwise); matrices are stored by columns with an explicit leading
// dimension. Nothing here throws, exits or prints except through the reporters of
// numerics/vectors.h.
#ifndef VORDEX_ARMAX_MODEL_H
#define VORDEX_ARMAX_MODEL_H

#include "vordex/transform.hpp"

namespace vordex::armax {

// The orders and flags of a request, handed to every routine of the engine.
struct ArmaxModelRecord {
  int n = 0;         // length of the modelled series, N - d - s*D (set by Armaxfe)
  int s = 0;         // seasonal frequency
  int h = 0;         // forecast horizon, 0 for none
  int p = 0;         // nonseasonal AR order
  int d = 0;         // nonseasonal differences
  int q = 0;         // nonseasonal MA order
  int P = 0;         // seasonal AR order
  int D = 0;         // seasonal differences
  int Q = 0;         // seasonal MA order
  int constant = 0;  // 1 when a constant (mean) is estimated, else 0
  Transform transform = Transform::kNone;
  int nreg = 0;           // number of external regressors; always 0 (the data carry none)
  bool thorough = false;  // estimate from several starts (Armaxml); the export never asks
  long evaluations = 0;   // evaluations of the likelihood the estimation made (Armaxml)

  // Number of ARMA coefficients p + q + P + Q.
  int npar() const { return p + q + P + Q; }
  // Number of regression coefficients nreg + constant.
  int k() const { return nreg + constant; }
};

// Applies the transform to the observations and differences them.
//   x          N doubles, x[0] = x(1) (read and written): replaced by ln x(i) for the log
//              transform, by sqrt x(i) for the square root, unchanged otherwise. They stay
//              transformed for the forecasts.
//   W          N doubles (written): W[t-1] = W(t). After d nonseasonal and D seasonal passes
//              (each pass differences in place from the end, using the values before the pass)
//              the modelled series is W(N - n + 1 .. N); earlier positions hold partial results.
//   N          number of observations (N >= 0).
//   d, D, s    differences and seasonal frequency (d, D >= 0, s >= 1).
//   n          (written) N - d - s*D, the length of the modelled series; it may be below 2 (or
//              negative), which the caller must refuse before using W.
// Returns false, leaving x untransformed and W and n unwritten, when the log transform meets a
// value <= 0 or the square root a value < 0 (no message); true otherwise.
bool Armaxfe(double* x, double* W, const int& N, const Transform& transform, const int& d,
             const int& D, const int& s, int& n);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_MODEL_H
