#include "smoothing/fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "smoothing/admissible.h"
#include "smoothing/state.h"

namespace vordex::smoothing {
namespace {

// 1 + ln(2 pi): the constant of minus twice the Gaussian log-likelihood per observation.
constexpr double kLogTwoPiPlusOne = 2.83787706640935;

// a / d, or kHuge when |d| is below kTiny.
inline double GuardedRatio(double a, double d) {
  return std::fabs(d) < kTiny ? kHuge : a / d;
}

}  // namespace

void Pegelsforecast(PegelsState& P, double level, double trend, const double* seas, int count,
                    double* out) {
  const int s = P.s;
  const double phi = P.par[4];
  double L = level;
  double d = trend;
  for (int i = 0; i < count; ++i) {
    switch (P.trendType) {
      case Trend::kAdditive:
        L = L + trend;
        break;
      case Trend::kMultiplicative:
        L = L * trend;
        break;
      case Trend::kDamped:
        L = L + d;
        d = d * phi;
        break;
      default:
        break;
    }
    if (P.seasonalityType == Season::kAdditive)
      out[i + 1] = L + seas[i % s];
    else if (P.seasonalityType == Season::kMultiplicative)
      out[i + 1] = L * seas[i % s];
    else
      out[i + 1] = L;
  }
}

namespace {

// Adds the squared k-step errors (k = 2..m) of the observed values y[t+1..t+m-1] whose forecasts
// from origin t - 1 stand in F[t+1..] to acc[k].
inline void AccumulateMultistep(const double* y, const double* F, int t, int n, int m,
                                double* acc) {
  for (int k = 1; k < m && t + k <= n; ++k) {
    if (std::isnan(y[t + k])) continue;
    const double ek = y[t + k] - F[t + k];
    acc[k + 1] += ek * ek;
  }
}

// Values whose logarithms BlockLogSum takes at once.
constexpr int kLogBlock = 8;

// The sum of the logarithms of v[0..count-1] (positive or zero), as the logarithm of their
// product when that is a normal number, else one by one.
inline double BlockLogSum(const double* v, int count) {
  double product = 1.0;
  for (int i = 0; i < count; ++i) product *= v[i];
  if (std::isnormal(product)) return std::log(product);
  double sum = 0.0;
  for (int i = 0; i < count; ++i) sum += std::log(v[i]);
  return sum;
}

// What a pass computes besides the states, one-step forecasts and errors.
struct PassWork {
  bool multistep;   // the forecasts of horizons 2..m and their errors
  bool percentage;  // the absolute percentage errors
  bool relative;    // the relative errors (multiplicative errors)
  bool logs;        // the log terms of the likelihood (multiplicative errors)
};

// The recursion over t = 1..n for one trend and seasonality form, fixed at compile time so that
// the loop carries no test of them; the arithmetic is that of the general recursion, operation
// for operation. Accumulates the squared k-step errors of the observed values in acc[1..m], their
// absolute percentage errors in A and their squared relative errors in R; returns the number of
// observed values.
//
// A missing value (NaN) is predicted and not learnt from, as in the innovations state space form
// of the models (Hyndman, Koehler, Ord and Snyder 2008, Forecasting with Exponential Smoothing,
// ch. 2): its error is 0, so the states move by the prediction alone. With y[t] = F[t] every
// update below reduces to l[t] = pred, b[t] = phi b[t-1] (phi = 1 unless damped) and S[t] = the
// seasonal value of t; those are written directly, free of the roundings of the substitution.
// The error of a missing time is NaN, and it enters no statistic; its forecasts from earlier
// origins are still made, and later observations' k-step errors count as usual.
//
// kErrorCorrection writes the additive updates in their error-correction form (Hyndman et al.
// 2008, table 2.1): with e the one-step error, l = pred + alpha e, b = phi b + alpha beta e and
// s = s + gamma e. They equal the forms above but round differently, and leave a shorter chain of
// dependent operations from one time to the next (about half), which bounds a pass's speed. Used
// beyond the exports' lengths only, whose figures were fixed with the forms above.
template <Trend kTrend, Season kSeason, bool kErrorCorrection = false>
int Recursion(PegelsState& P, const PassWork& work, double* acc, double& A, double& R, double& T) {
  const int n = P.n;
  const int s = P.s;
  const int m = P.multisteps;
  const double alpha = P.par[1];
  const double beta = P.par[2];
  const double gamma = P.par[3];
  const double phi = P.par[4];
  const double alphaBeta = alpha * beta;
  const double* y = P.y.data();
  const double* seasInit = P.seasInit;
  double* F = P.F.data();
  double* l = P.l.data();
  double* b = P.b.data();
  double* S = P.S.data();
  double* e = P.e.data();
  double slice[MAXS] = {};
  const int nslice = work.multistep ? std::min(s, m) : 1;
  int observed = 0;
  // The previous states and the one-step sums travel in registers: read back through the arrays,
  // which the compiler must assume the stores may change, each value waited for its own store.
  double lp = l[0];
  double bp = b[0];
  double sum1 = acc[1];
  double sumA = A;
  double sumR = R;
  double sumT = T;
  double logBlock[kLogBlock];
  int logCount = 0;

  for (int t = 1; t <= n; ++t) {
    // Seasonal values of times t .. t + min(s, m) - 1: initial indices for the first cycle,
    // then the states computed one cycle earlier.
    if constexpr (HasSeason(kSeason)) {
      for (int j = 0; j < nslice; ++j) {
        const int u = t + j;
        slice[j] = u <= s ? seasInit[u - 1] : S[u - s];
      }
    }

    double pred = lp;
    if constexpr (kTrend == Trend::kAdditive || kTrend == Trend::kDamped)
      pred = lp + bp;
    else if constexpr (kTrend == Trend::kMultiplicative)
      pred = lp * bp;

    if (work.multistep) {
      // Forecasts of y[t], y[t+1], ... from origin t - 1; later origins overwrite all but F[t].
      Pegelsforecast(P, lp, bp, slice, std::min(m, n - t + 1), F + t - 1);
    } else if constexpr (kSeason == Season::kAdditive) {
      F[t] = pred + slice[0];  // the first step of Pegelsforecast
    } else if constexpr (kSeason == Season::kMultiplicative) {
      F[t] = pred * slice[0];
    } else {
      F[t] = pred;
    }

    const double yt = y[t];
    if (std::isnan(yt)) {
      l[t] = pred;
      lp = pred;
      if constexpr (HasTrend(kTrend)) {
        bp = phi * bp;
        b[t] = bp;
      } else {
        bp = b[t];
      }
      if constexpr (HasSeason(kSeason)) S[t] = slice[0];
      e[t] = std::numeric_limits<double>::quiet_NaN();
      if (work.multistep) AccumulateMultistep(y, F, t, n, m, acc);
      continue;
    }
    ++observed;
    const double Ft = F[t];
    const double et = yt - Ft;
    if (work.logs) {
      if constexpr (kErrorCorrection) {
        // One logarithm per eight values, of their product, when it is a normal number.
        logBlock[logCount++] = std::fabs(Ft);
        if (logCount == kLogBlock) {
          sumT += BlockLogSum(logBlock, kLogBlock);
          logCount = 0;
        }
      } else {
        sumT += std::log(std::fabs(Ft));
      }
    }
    if constexpr (kErrorCorrection) {
      static_assert(kTrend != Trend::kMultiplicative && kSeason != Season::kMultiplicative);
      const double lt = pred + alpha * et;
      l[t] = lt;
      if constexpr (HasTrend(kTrend)) {
        bp = phi * bp + alphaBeta * et;
        b[t] = bp;
      } else {
        bp = b[t];
      }
      lp = lt;
      if constexpr (HasSeason(kSeason)) S[t] = slice[0] + gamma * et;
    } else {
      double x = yt;
      if constexpr (kSeason == Season::kAdditive)
        x = yt - slice[0];
      else if constexpr (kSeason == Season::kMultiplicative)
        x = GuardedRatio(yt, slice[0]);

      const double lt = pred + alpha * (x - pred);
      l[t] = lt;

      if constexpr (HasTrend(kTrend)) {
        const double g = kTrend == Trend::kMultiplicative ? GuardedRatio(lt, lp) : lt - lp;
        bp = phi * bp + beta * (g - bp);
        b[t] = bp;
      } else {
        bp = b[t];
      }
      lp = lt;
      if constexpr (HasSeason(kSeason)) {
        // The seasonal update uses the predicted level, not the new one.
        const double z = kSeason == Season::kAdditive ? yt - pred : GuardedRatio(yt, pred);
        S[t] = slice[0] + gamma * (z - slice[0]);
      }
    }

    e[t] = et;
    sum1 += et * et;
    if (work.percentage) sumA += std::fabs(yt) < kTiny ? kHuge : std::fabs(et / yt);
    if (work.multistep) AccumulateMultistep(y, F, t, n, m, acc);
    if (work.relative) {
      const double r = GuardedRatio(et, Ft);
      sumR += r * r;
    }
  }
  acc[1] = sum1;
  A = sumA;
  R = sumR;
  T = logCount > 0 ? sumT + BlockLogSum(logBlock, logCount) : sumT;
  return observed;
}

template <Trend kTrend>
int RecursionForSeason(PegelsState& P, const PassWork& work, double* acc, double& A, double& R,
                       double& T) {
  constexpr bool kAdditiveTrend = kTrend != Trend::kMultiplicative;
  const bool errorCorrection = P.n > MAXN;
  switch (P.seasonalityType) {
    case Season::kAdditive:
      if constexpr (kAdditiveTrend)
        if (errorCorrection)
          return Recursion<kTrend, Season::kAdditive, true>(P, work, acc, A, R, T);
      return Recursion<kTrend, Season::kAdditive>(P, work, acc, A, R, T);
    case Season::kMultiplicative:
      return Recursion<kTrend, Season::kMultiplicative>(P, work, acc, A, R, T);
    default:
      if constexpr (kAdditiveTrend)
        if (errorCorrection) return Recursion<kTrend, Season::kNone, true>(P, work, acc, A, R, T);
      return Recursion<kTrend, Season::kNone>(P, work, acc, A, R, T);
  }
}

}  // namespace

int Pegelsfit(PegelsState& P, int silent) {
  if (Pegelsadmissible(P, silent) == 0) return 0;
  Pegelspass(P);
  return 1;
}

void Pegelspass(PegelsState& P) {
  const int n = P.n;
  const int s = P.s;
  const int m = P.multisteps;
  const Trend trend = P.trendType;
  const Season season = P.seasonalityType;
  const bool multiplicativeErrors = P.modelType == ErrorForm::kMultiplicative;
  // A lean pass computes only what the estimation criterion reads: the multi-step errors for the
  // averaged MSE, the absolute percentage errors for the MAPE, the relative errors for sigma and
  // the likelihood, the log terms for the likelihood. Each statistic it does compute is the one
  // a full pass gives, bit for bit.
  const bool full = !P.lean;
  const Criterion criterion = P.optimizationCriterion;
  const PassWork work{
      .multistep = full || criterion == Criterion::kAverageMse,
      .percentage = full || criterion == Criterion::kMape,
      .relative = multiplicativeErrors &&
                  (full || criterion == Criterion::kSigma || criterion == Criterion::kLikelihood),
      .logs = multiplicativeErrors && (full || criterion == Criterion::kLikelihood),
  };

  double acc[MAXS + 1] = {};
  double R = 0.0;
  double A = 0.0;
  double T = 0.0;  // the sum of log |F[t]| over the observed values, when work.logs
  int observed = 0;
  switch (trend) {
    case Trend::kAdditive:
      observed = RecursionForSeason<Trend::kAdditive>(P, work, acc, A, R, T);
      break;
    case Trend::kMultiplicative:
      observed = RecursionForSeason<Trend::kMultiplicative>(P, work, acc, A, R, T);
      break;
    case Trend::kDamped:
      observed = RecursionForSeason<Trend::kDamped>(P, work, acc, A, R, T);
      break;
    default:
      observed = RecursionForSeason<Trend::kNone>(P, work, acc, A, R, T);
      break;
  }
  P.nobs = observed;

  // Horizon k has a forecast of every observed value at times k..n (n - k + 1 without gaps);
  // horizons with none have no statistic.
  int count[MAXS + 1] = {};
  count[1] = observed;
  for (int k = 2; k <= m; ++k)
    count[k] = count[k - 1] - (k - 1 <= n && !std::isnan(P.y[static_cast<std::size_t>(k - 1)]));
  int kmax = 0;
  double sum = 0.0;
  for (int k = 1; k <= m; ++k) {
    P.mse[k] = count[k] > 0 ? acc[k] / count[k] : 0.0;
    if (count[k] > 0) {
      sum += P.mse[k];
      kmax = k;
    }
  }
  P.amse = kmax > 0 ? sum / kmax : 0.0;

  const int N = observed;
  P.mape = P.hasZeros ? kHuge : 100.0 * A / N;

  double v = P.mse[1];
  if (multiplicativeErrors) v = R / N;
  P.sigma = (v < 0.0 || std::isnan(v)) ? kHuge : std::sqrt(v);
  const double D = (std::fabs(v) < kTiny || std::isnan(v))
                       ? kHuge
                       : N * (std::log(v) + kLogTwoPiPlusOne) + 2.0 * T;

  // Smoothing parameters in the model; the initial states (s - 1 seasonal ones, which sum to a
  // fixed value) and sigma only when asked for, and always for the AICc, whose small-sample
  // correction is meant for the whole count (Hurvich and Tsai 1989).
  int k = 1 + HasTrend(trend) + (trend == Trend::kDamped) + HasSeason(season);
  if (P.countStates || P.informationCriterion == InformationCriterion::kAicc)
    k += 1 + HasTrend(trend) + (HasSeason(season) ? s - 1 : 0) + 1;
  if (P.informationCriterion == InformationCriterion::kBic)
    P.icValue = D + k * std::log(static_cast<double>(N));
  else if (P.informationCriterion == InformationCriterion::kAicc)
    P.icValue = N - k - 1 > 0 ? D + 2.0 * k + 2.0 * k * (k + 1.0) / (N - k - 1.0) : kHuge;
  else
    P.icValue = D + 2.0 * k;
  P.logLik = -0.5 * D;
}

}  // namespace vordex::smoothing
