#include "smoothing/admissible.h"

#include <cstring>

#include "numerics/eigen.h"
#include "numerics/vectors.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

constexpr const char* kInputError = "Pegels Input Error";

int Refuse(int silent, const char* title, const char* message) {
  if (silent == 0) numerics::ReportError(title, message, 0);
  return 0;
}

// Largest order of a discount matrix: additive or damped trend with additive seasonality.
constexpr int kMaxOrder = MAXS + 2;

}  // namespace

int Pegelsadmissible(PegelsState& P, int silent) {
  const double alpha = P.par[1];
  const double beta = P.par[2];
  const double gamma = P.par[3];
  const double phi = P.par[4];
  const bool damped = P.trendType == Trend::kDamped;

  if (P.admissibleRegion && AllAdditive(P)) {
    if (Pegelsinvertible(P, P.par) == 0)
      return Refuse(silent, kInputError, "Parameters not admissible");
    if (damped) {
      if (phi > 0.01 && phi <= 1.0) return 1;
      return Refuse(silent, "Pegels input error", "Damping parameter out of stable range");
    }
    if (phi == 1.0) return 1;
    return Refuse(silent, kInputError, "Damping parameter must equal 1 if no damping");
  }

  if (alpha < 0.0 || beta < 0.0 || gamma < 0.0 || phi < 0.0)
    return Refuse(silent, kInputError, "At least one of the smoothing parameters is negative");
  if (alpha > 1.0 || beta > 1.0 || gamma > 1.0)
    return Refuse(silent, kInputError,
                  "At least one of the smoothing parameters is greater than one");
  if (damped) {
    if (beta < phi && phi <= 1.0) return 1;
    return Refuse(silent, kInputError, "Damping parameter out of stable range");
  }
  if (phi == 1.0) return 1;
  return Refuse(silent, kInputError, "Damping parameter must equal 1 if no damping");
}

int Pegelsinvertible(PegelsState& P, const double* par) {
  if (!AllAdditive(P)) {
    numerics::ReportError(kInputError, "Can't check invertibility of mutiplicative model", 0);
    return 0;
  }
  return Pegelsdiscount(P, par[1], par[2], par[3], par[4]) <= 1.0 ? 1 : 0;
}

double Pegelsdiscount(PegelsState& P, double alpha, double beta, double gamma, double phi) {
  if (P.modelType != ErrorForm::kAdditive) {
    numerics::ReportError(kInputError, "Unknown model error", 0);
    return kHuge;
  }
  if (P.trendType != Trend::kNone && P.trendType != Trend::kAdditive &&
      P.trendType != Trend::kDamped) {
    numerics::ReportError(kInputError, "Unknown model trend", 0);
    return kHuge;
  }
  if (P.seasonalityType != Season::kNone && P.seasonalityType != Season::kAdditive) {
    numerics::ReportError(kInputError, "Unknown model seasonality", 0);
    return kHuge;
  }
  const bool trend = P.trendType != Trend::kNone;
  const bool season = P.seasonalityType == Season::kAdditive;
  const int r = season ? P.s + (trend ? 2 : 1) : (trend ? 2 : 1);

  // D as a 1-based row-pointer matrix over one zeroed local block.
  double block[(kMaxOrder + 1) * (kMaxOrder + 1)] = {};
  double* rows[kMaxOrder + 1];
  for (int i = 0; i <= r; ++i) rows[i] = block + i * (kMaxOrder + 1);
  double** D = rows;
  const double ab = alpha * beta;

  if (!trend && !season) {
    D[1][1] = 1.0 - alpha;
  } else if (!trend) {
    D[1][1] = 1.0 - alpha;
    D[1][r] = -alpha;
    D[2][1] = -gamma;
    D[2][r] = 1.0 - gamma;
    for (int i = 3; i <= r; ++i) D[i][i - 1] = 1.0;
  } else if (!season) {
    D[1][1] = D[1][2] = 1.0 - alpha;
    D[2][1] = -ab;
    D[2][2] = phi - ab;
  } else {
    D[1][1] = D[1][2] = 1.0 - alpha;
    D[1][r] = -alpha;
    D[2][1] = -ab;
    D[2][2] = phi - ab;
    D[2][r] = -ab;
    D[3][1] = D[3][2] = -gamma;
    D[3][r] = 1.0 - gamma;
    for (int i = 4; i <= r; ++i) D[i][i - 1] = 1.0;
  }

  // An order beyond the eigenvalue routine's reach is reported once per request, not at every
  // evaluation of the objective.
  if (r > numerics::kEigenMaxOrder) {
    if (P.tooLargeShown) return 0.0;
    P.tooLargeShown = 1;
  }
  // Each admissible-region evaluation asks twice for the same point (the objective's test, then the
  // pass's); the eigenvalues, nine tenths of such an evaluation, are computed once. Parameters
  // compare by their bits, so a repeated answer is the one a second computation would give.
  const double par[4] = {alpha, beta, gamma, phi};
  PegelsState::DiscountMemo& memo = P.discountMemo;
  if (memo.valid && memo.modelType == P.modelType && memo.trendType == P.trendType &&
      memo.seasonalityType == P.seasonalityType && memo.s == P.s &&
      std::memcmp(memo.par, par, sizeof par) == 0)
    return memo.radius;
  double moduli[kMaxOrder + 1];
  numerics::EigenStatus status;
  const double radius = numerics::MaxEigenModulus(D, r, moduli, &status);
  if (status == numerics::EigenStatus::kTooLarge)
    numerics::ReportError(kInputError, kMatrixTooLarge, 1);
  else if (status == numerics::EigenStatus::kNoConvergence)
    numerics::ReportError(kInputError, "Too many iterations in HQR()", 1);
  else
    memo = {true,  P.modelType, P.trendType, P.seasonalityType, P.s, {alpha, beta, gamma, phi},
            radius};
  return radius;
}

}  // namespace vordex::smoothing
