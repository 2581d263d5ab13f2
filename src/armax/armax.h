// The ARMAX engine's driver and result packing.
//
// The model: the transformed and differenced series w is a constant (optional) plus a
// multiplicative seasonal ARMA(p,q)(P,Q)s process, estimated by exact maximum likelihood.
// Conventions as in armax/model.h.
#ifndef VORDEX_ARMAX_ARMAX_H
#define VORDEX_ARMAX_ARMAX_H

#include <vector>

#include "armax/model.h"
#include "vordex/forecast.hpp"
#include "vordex/transform.hpp"

namespace vordex::armax {

// Number of option slots of the Armaxdll export.
inline constexpr int kArmaxOptions = 11;

// The model: a constant (optional) plus a seasonal ARMA(p,q)(P,Q)s process for the transformed
// series differenced d times and D times at lag s; the forecasts and their limits.
struct Request {
  int period = 1;   // s >= 1
  int horizon = 0;  // h >= 0
  int p = 0, d = 0, q = 0;
  int P = 0, D = 0, Q = 0;
  bool constant = false;
  Transform transform = Transform::kNone;
  double critical = 1.96;  // each limit lies this many forecast standard errors away
  // Limits of further coverages, each `critical` standard errors from the forecasts on the
  // transformed scale, labelled `level` (the export asks for none).
  struct Band {
    double level = 0.0;
    double critical = 0.0;
  };
  std::vector<Band> bands;
  // Keep the best of several estimates (Armaxml's thorough estimation) instead of the one from
  // the start 0.01 (the export's estimation).
  bool thorough = false;
};
// Largest order of one lag polynomial: the root finder behind the admissibility test takes
// degrees up to 100.
inline constexpr int kMaxOrder = 100;

// Status codes of Armaxmain. 10 + s, 20 + s and 30 + s carry the statuses of Armaxml
// (estimate.h), Armax_xtra (final_fit.h) and Armax_pack.
enum ArmaxStatus : int {
  kArmaxOk = 0,
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
  std::vector<Limits> bands;      // the limits of each band asked for, in order
  // One-step predictions of the N observations on their own scale (kMissing for the N - n values
  // lost to differencing).
  std::vector<double> predictions;
  // The last p + sP + d + sD transformed observations (all N when fewer): with the last q + sQ
  // residuals what ArmaxForecastFrom continues from.
  std::vector<double> history;
  std::vector<double> par;  // npar coefficients (Box-Jenkins signs)
  std::vector<double> b;    // k regression coefficients (the constant)
  double sum_of_squares = 0.0;
  double log_likelihood = 0.0;
  double sigma2 = 0.0;
};

// Runs one request: fills `result` and returns kArmaxOk, or another ArmaxStatus (the result then
// holds whatever was reached).
//   x        N + 1 doubles: x[0] ignored (the critical value is the request's), x[1..N] the
//            observations (transformed in place).
//   N        number of observations.
//   request  the model and forecasts.
// With s < 2 the seasonal orders are dropped; with p >= s (q >= s) and a seasonal AR (MA)
// order, the stop box "Armax warning" / "NAR too large: reduced to < seasonal frequency" ("NMA
// too large: ...") is shown and the order becomes s - 1.
int Armaxmain(double* x, const int& N, const Request& request, ArmaxResult& result);

// Armax_pack over a result: nout is the capacity on entry and the cells written on return.
void ArmaxPackResult(const ArmaxResult& result, double* out, int& nout, int& status);

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
