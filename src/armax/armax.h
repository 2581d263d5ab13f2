// The ARMAX engine's driver and result packing.
//
// The model: the transformed and differenced series w is a constant (optional) plus a
// multiplicative seasonal ARMA(p,q)(P,Q)s process, estimated by exact maximum likelihood.
// Conventions as in armax/model.h.
#ifndef VORDEX_ARMAX_ARMAX_H
#define VORDEX_ARMAX_ARMAX_H

#include <vector>

#include "armax/model.h"

namespace vordex::armax {

// Number of option slots the driver needs.
inline constexpr int kArmaxOptions = 11;
// Largest order of one lag polynomial: the root finder behind the admissibility test takes
// degrees up to 100.
inline constexpr int kMaxOrder = 100;

// Status codes of Armaxmain. 10 + s, 20 + s and 30 + s carry the statuses of Armaxml
// (estimate.h), Armax_xtra (final_fit.h) and Armax_pack.
enum ArmaxStatus : int {
  kArmaxOk = 0,
  kArmaxTooFewOptions = 1,  // fewer than kArmaxOptions options
  kArmaxTransform = 2,      // log of a value <= 0 or square root of a value < 0
  kArmaxNonFinite = 3,      // an observation is infinite or not a number
  kArmaxTooShort = 4,       // differencing leaves fewer than 2 values
  kArmaxCriticalValue = 5,  // forecasts requested with an infinite or NaN critical value
  kArmaxStorage = 6,        // the engine's work arrays could not be obtained
  kArmaxOrders = 7,         // s < 1, a negative setting, or an order the engine cannot take
  kArmaxMlBase = 10,
  kArmaxXtraBase = 20,
  kArmaxPackBase = 30,
};

// Status codes of Armax_pack.
enum PackStatus : int {
  kPackOk = 0,
  kPackNoRoom = 1,   // capacity below n: nothing written
  kPackPartial = 2,  // only the leading whole blocks fitted
};

// The results of a request, as Armax_pack lays them out.
struct ArmaxResult {
  ArmaxModelRecord model;         // the orders after the seasonal adjustments; n set
  std::vector<double> series;     // n values of the modelled series
  std::vector<double> residuals;  // n one-step prediction errors
  std::vector<double> forecasts;  // h values, on the scale of the observations
  std::vector<double> limits;     // h lower, then h upper limits
  std::vector<double> par;        // npar coefficients (Box-Jenkins signs)
  std::vector<double> b;          // k regression coefficients (the constant)
  double sum_of_squares = 0.0;
  double log_likelihood = 0.0;
  double sigma2 = 0.0;
};

// Everything Armaxmain does but the packing: fills `result` and returns kArmaxOk, or another
// ArmaxStatus (the result then holds whatever was reached). Arguments as for Armaxmain; thorough
// asks Armaxml for its thorough estimation (no option slot carries it: the export never does).
int ArmaxFit(double* x, const int& N, const int* opts, const int& nopts, ArmaxResult& result,
             bool thorough = false);

// Armax_pack over a result: nout is the capacity on entry and the cells written on return.
void ArmaxPackResult(const ArmaxResult& result, double* out, int& nout, int& status);

// Runs one request.
//   x      N + 1 doubles: x[0] the critical value of the forecast limits (used unchanged), x[1..N]
//          the observations (transformed in place).
//   N      number of observations.
//   opts   nopts option slots (slot 0, the observation count, is not read): s, h, p, d, q, P, D,
//          Q, constant flag, transform in slots 1..10.
//   out    the result buffer, out[0] is cell 1; nout on entry its capacity, on return the number
//          of cells written (0 on failure before packing).
// Returns an ArmaxStatus. With s < 2 the seasonal orders are dropped; with p >= s (q >= s) and a
// seasonal AR (MA) order, the stop box "Armax warning" / "NAR too large: reduced to < seasonal
// frequency" ("NMA too large: ...") is shown and the order becomes s - 1.
// The result cells are laid out by Armax_pack.
int Armaxmain(double* x, const int& N, const int* opts, const int& nopts, double* out, int& nout);

// Packs the result: series (n), residuals (n), forecasts (h), lower then upper limits (2h),
// coefficients (npar), constant (k), and three statistics (sum of squared residuals,
// log-likelihood, innovation variance, taken from the statistics record of final_fit.h).
// Empty blocks are skipped. nout: capacity on entry, cells written on return. status: kPackOk
// when everything fitted; kPackNoRoom (nothing written) when the capacity is below n;
// kPackPartial when only the leading whole blocks fitted.
void Armax_pack(double* out, int& nout, const int& n, const int& h, const int& npar, const int& k,
                const double* series, const double* residuals, const double* f,
                const double* limits, const double* par, const double* b, const double* stats,
                int& status);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_ARMAX_H
