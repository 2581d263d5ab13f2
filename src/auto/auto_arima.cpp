#include "auto/auto_arima.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <limits>
#include <set>
#include <utility>

#include "arima/regression.h"
#include "arma/state_space.h"
#include "auto/seasonality.h"
#include "auto/unit_root.h"
#include "decompose/interpolate.h"
#include "numerics/distributions.h"
#include "platform/messages.h"

namespace vordex::automatic {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// auto.arima (forecast 8.20) sets aside a model with a root of its AR or MA polynomial of
// modulus below 1 + 1e-2: near the unit circle the likelihood is flat, the estimate unreliable
// and the forecasts explode (an AR root) or the model is nearly over-differenced (an MA root).
constexpr double kRootMargin = 1.01;
// With the thorough estimation, the candidates of lowest AICc that are re-estimated from several
// starting points once the search has ended.
constexpr std::size_t kPolished = 3;
// auto.arima's cap on the number of models of the stepwise search (its nmodels).
constexpr std::size_t kMaxModels = 94;
// Below this many values the stepwise search starts from at most (1,d,1), no seasonal part.
constexpr std::size_t kShortSeries = 10;

// The varying part of a candidate; d and D are fixed for a search.
struct Orders {
  int p = 0, q = 0, P = 0, Q = 0;
  bool constant = false;
  auto operator<=>(const Orders&) const = default;
};

// The request of one candidate: the one place where the settings reach the engine.
arima::Request BuildRequest(const AutoArimaSettings& settings, int period, int d, int D,
                            const Orders& o, bool thorough) {
  arima::Request r;
  r.period = period;
  r.horizon = settings.horizon;
  r.p = o.p;
  r.d = d;
  r.q = o.q;
  r.P = o.P;
  r.D = D;
  r.Q = o.Q;
  r.mean = o.constant ? 1 : 0;
  for (const double level : settings.levels)
    r.bands.push_back({level, numerics::NormalQuantile(0.5 + level / 200.0)});
  r.thorough = thorough;
  r.names = settings.names;
  r.xreg = settings.xreg;
  r.future = settings.future;
  // The filter state and standard errors are for the chosen model alone.
  r.model_state = false;
  return r;
}

// True when every root of 1 - c_1 z^s - ... - c_k z^{ks} lies outside the circle of the given
// radius. Its roots are those of 1 - sum c_j radius^{js} z^{js} times radius, so the test is one
// of stationarity of the scaled coefficients: the Durbin-Levinson recursion run backwards (the
// Schur-Cohn step-down) turns them into partial autocorrelations, which must all have modulus
// below 1 (Box, Jenkins and Reinsel, Time Series Analysis, section 3.2).
bool RootsOutside(const std::vector<double>& c, int s, double radius) {
  const double scale = std::pow(radius, s);
  std::vector<double> a(c.size() + 1, 0.0);
  double factor = 1.0;
  for (std::size_t j = 1; j <= c.size(); ++j) {
    factor *= scale;
    a[j] = c[j - 1] * factor;
  }
  for (std::size_t k = c.size(); k >= 1; --k) {
    const double kappa = a[k];
    if (!(std::fabs(kappa) < 1.0)) return false;
    std::vector<double> b(k, 0.0);
    for (std::size_t j = 1; j < k; ++j) b[j] = (a[j] + kappa * a[k - j]) / (1.0 - kappa * kappa);
    a = std::move(b);
  }
  return true;
}

bool Admissible(const arima::Estimates& fit, int period) {
  return RootsOutside(fit.phi, 1, kRootMargin) && RootsOutside(fit.theta, 1, kRootMargin) &&
         RootsOutside(fit.Phi, period, kRootMargin) && RootsOutside(fit.Theta, period, kRootMargin);
}

// One search: the fixed settings, the models fitted so far and the best of them.
class Search {
 public:
  // observed: the values of y that are not missing.
  Search(const AutoArimaSettings& settings, std::span<const double> y, std::size_t observed,
         int period, int d, int D)
      : settings_(settings), y_(y), observed_(observed), period_(period), d_(d), D_(D) {}

  // False when the engine's checker refuses the orders (its message goes to the handler of the
  // search, which drops it).
  bool Allowed(const Orders& o) const {
    return arima::Check(Request(o), static_cast<long>(y_.size())) == Status::kOk;
  }
  bool Tried(const Orders& o) const { return tried_.count(o) > 0; }

  // Ranks the candidates by R's approximate AIC, offset + n* ln sigma2 + 2 k, of their
  // conditional-sum-of-squares fits (see AutoArima); RefitExactly then chooses among them.
  void Approximate(double offset) {
    approximate_ = true;
    offset_ = offset;
  }

  // Fits o (never twice), records it in the path and keeps it when its AICc is the lowest so
  // far; returns true then.
  bool Fit(const Orders& o) {
    if (!tried_.insert(o).second) return false;
    Scored scored = approximate_ ? ScoreApproximately(o) : Score(o, false);
    path_.push_back(scored.candidate);
    orders_.push_back(o);
    starts_.push_back(std::move(scored.start));
    return Keep(o, scored);
  }

  // Re-estimates the `count` candidates of lowest AICc from several starting points (the
  // engine's thorough estimation, which never ends below its default estimate): where the
  // likelihood surface has several maxima, the search's single start may have stopped at a
  // lower one, and the ranking of the best few is what decides the choice. Their AICc in the
  // path is updated, and the best model is chosen again among them.
  void Polish(std::size_t count) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < path_.size(); ++i)
      if (std::isfinite(path_[i].aicc)) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return path_[a].aicc < path_[b].aicc; });
    if (order.size() > count) order.resize(count);
    for (std::size_t i : order) {
      Scored scored = Score(orders_[i], true);
      if (!(scored.candidate.aicc < path_[i].aicc)) continue;
      path_[i].aicc = scored.candidate.aicc;
      path_[i].note = "re-estimated from several starting points";
      Keep(orders_[i], scored);
    }
  }
  // After an approximate search: the candidates fitted exactly in the order of their approximate
  // AICc (the failed ones last), the first admissible one chosen. False when none is.
  bool RefitExactly() {
    std::vector<std::size_t> order(path_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return path_[a].aicc < path_[b].aicc; });
    best_aicc_ = kInfinity;
    for (std::size_t i : order) {
      Scored scored = Score(orders_[i], false, starts_[i]);
      if (!std::isfinite(scored.candidate.aicc)) {
        path_[i].note = "fitted exactly: " + scored.candidate.note;
        continue;
      }
      path_[i].aicc = scored.candidate.aicc;
      path_[i].note = "fitted exactly";
      Keep(orders_[i], scored);
      return true;
    }
    return false;
  }

  std::size_t Count() const { return path_.size(); }
  bool Found() const { return std::isfinite(best_aicc_); }

  AutoArimaResult Result() && {
    AutoArimaResult r;
    r.model = Request(best_);
    r.fit = std::move(best_fit_);
    r.aicc = best_aicc_;
    r.bic = best_bic_;
    r.path = std::move(path_);
    return r;
  }

 private:
  struct Scored {
    ArimaCandidate candidate;
    double bic = kInfinity;
    arima::Estimates fit;
    std::vector<double> start;  // an approximate fit's coefficients, to start its exact fit from
  };

  // The fit of o and its criteria; an AICc of +infinity with a note when it failed or is not
  // admissible.
  Scored Score(const Orders& o, bool thorough, std::vector<double> start = {}) const {
    Scored s = Unscored(o);
    ArimaCandidate& c = s.candidate;
    if (!c.note.empty()) return s;
    arima::Request request = Request(o, thorough);
    request.start = std::move(start);
    arima::Outcome out = arima::Run(request, y_);
    if (!out.ok()) {
      c.note = !out.text.empty()      ? out.text
               : out.messages.empty() ? "refused by the engine"
                                      : out.messages.front().text;
    } else if (!std::isfinite(out.value.aic)) {
      c.note = "no finite likelihood";
    } else if (!Admissible(out.value, period_)) {
      c.note = "not admissible";
    } else {
      // The engine's AIC counts the coefficients, the mean flag and the regressors, so R's AIC
      // is the engine's plus 2.
      SetCriteria(o, out.value.aic + 2.0, s);
      s.fit = std::move(out.value);
    }
    return s;
  }

  // o's candidate, not scored yet (AICc +infinity); with a note when the values that count leave
  // no room for its parameters.
  Scored Unscored(const Orders& o) const {
    Scored s;
    s.candidate = {o.p, d_, o.q, o.P, D_, o.Q, o.constant, kInfinity, {}};
    if (EffectiveObservations() - Parameters(o) - 1.0 <= 0.0)
      s.candidate.note = "too few values for its parameters";
    return s;
  }

  // The AICc and BIC of o from its AIC, as R's Arima counts them.
  void SetCriteria(const Orders& o, double aic, Scored& s) const {
    const int k = Parameters(o);
    const double n_eff = EffectiveObservations();
    s.candidate.aicc = aic + 2.0 * k * (k + 1.0) / (n_eff - k - 1.0);
    s.bic = aic + k * (std::log(n_eff) - 2.0);
  }

  // The approximate score of o: its criteria from the conditional sum of squares, no fit kept.
  Scored ScoreApproximately(const Orders& o) const {
    Scored s = Unscored(o);
    ArimaCandidate& c = s.candidate;
    if (!c.note.empty()) return s;
    const arima::CssFit fit = arima::EstimateCss(Request(o), y_);
    arima::Estimates roots;
    roots.phi = fit.phi;
    roots.theta = fit.theta;
    roots.Phi = fit.Phi;
    roots.Theta = fit.Theta;
    if (!fit.ok) {
      c.note = fit.note;
    } else if (!(fit.sigma2 > 0.0)) {
      c.note = "no finite likelihood";
    } else if (!Admissible(roots, period_)) {
      c.note = "not admissible";
    } else {
      SetCriteria(o, offset_ + EffectiveObservations() * std::log(fit.sigma2) + 2.0 * Parameters(o),
                  s);
      c.note = "approximate: conditional sum of squares";
      for (const auto* part : {&fit.phi, &fit.theta, &fit.Phi, &fit.Theta})
        s.start.insert(s.start.end(), part->begin(), part->end());
    }
    return s;
  }

  // R's Arima counts the coefficients, the constant, the regressors and sigma.
  int Parameters(const Orders& o) const {
    return o.p + o.q + o.P + o.Q + (o.constant ? 1 : 0) + static_cast<int>(settings_.names.size()) +
           1;
  }
  // The observed values less those differencing takes.
  double EffectiveObservations() const {
    return static_cast<double>(observed_) - d_ - static_cast<double>(D_) * period_;
  }

  bool Keep(const Orders& o, Scored& scored) {
    if (!(scored.candidate.aicc < best_aicc_)) return false;
    best_aicc_ = scored.candidate.aicc;
    best_bic_ = scored.bic;
    best_ = o;
    best_fit_ = std::move(scored.fit);
    return true;
  }

  arima::Request Request(const Orders& o, bool thorough = false) const {
    return BuildRequest(settings_, period_, d_, D_, o, thorough);
  }

  const AutoArimaSettings& settings_;
  std::span<const double> y_;
  std::size_t observed_;
  int period_, d_, D_;
  std::set<Orders> tried_;
  std::vector<ArimaCandidate> path_;
  std::vector<Orders> orders_;               // the orders of each path entry
  std::vector<std::vector<double>> starts_;  // and the coefficients of its approximate fit
  bool approximate_ = false;
  double offset_ = 0.0;
  double best_aicc_ = kInfinity;
  double best_bic_ = kInfinity;
  Orders best_;
  arima::Estimates best_fit_;
};

struct Bounds {
  int p, q, P, Q;
};

bool Within(const Orders& o, const Bounds& b) {
  return o.p >= 0 && o.q >= 0 && o.P >= 0 && o.Q >= 0 && o.p <= b.p && o.q <= b.q && o.P <= b.P &&
         o.Q <= b.Q;
}

// Hyndman and Khandakar's stepwise search in the order of auto.arima: the starting models, then
// the neighbours of the current model until none improves.
void Stepwise(Search& search, const Bounds& b, bool constant, bool toggle, bool seasonal,
              std::size_t n) {
  // The current model moves to each candidate that lowers the least AICc so far.
  Orders current;
  auto fit = [&](const Orders& o) {
    if (Within(o, b) && !search.Tried(o) && search.Allowed(o) && search.Fit(o)) current = o;
  };
  Orders start{std::min(2, b.p), std::min(2, b.q), std::min(1, b.P), std::min(1, b.Q), constant};
  if (n < kShortSeries) start = {std::min(1, b.p), std::min(1, b.q), 0, 0, constant};
  current = start;
  fit(start);
  fit({0, 0, 0, 0, constant});
  if (b.p > 0 || b.P > 0) fit({b.p > 0 ? 1 : 0, 0, seasonal && b.P > 0 ? 1 : 0, 0, constant});
  if (b.q > 0 || b.Q > 0) fit({0, b.q > 0 ? 1 : 0, 0, seasonal && b.Q > 0 ? 1 : 0, constant});
  if (constant) fit({0, 0, 0, 0, false});

  // The moves of one order pair, (-1, 0), (0, -1), (+1, 0), (0, +1), then both together.
  constexpr int kMoves[8][2] = {{-1, 0},  {0, -1}, {1, 0},  {0, 1},
                                {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  while (search.Count() < kMaxModels) {
    const Orders from = current;
    std::vector<Orders> neighbours;
    for (const auto& m : kMoves) {
      Orders o = from;
      o.P += m[0];
      o.Q += m[1];
      neighbours.push_back(o);
    }
    for (const auto& m : kMoves) {
      Orders o = from;
      o.p += m[0];
      o.q += m[1];
      neighbours.push_back(o);
    }
    if (toggle) {
      Orders o = from;
      o.constant = !o.constant;
      neighbours.push_back(o);
    }
    for (const Orders& o : neighbours) {
      if (search.Count() >= kMaxModels) break;
      fit(o);
      if (current != from) break;
    }
    if (current == from) break;
  }
}

// Every model within the bounds with p + q + P + Q <= max_order, with and without the constant.
void Exhaustive(Search& search, const Bounds& b, int max_order, bool toggle) {
  for (int p = 0; p <= b.p; ++p)
    for (int q = 0; q <= b.q; ++q)
      for (int P = 0; P <= b.P; ++P)
        for (int Q = 0; Q <= b.Q; ++Q) {
          if (p + q + P + Q > max_order) continue;
          for (int c = 0; c <= (toggle ? 1 : 0); ++c) {
            const Orders o{p, q, P, Q, c == 1};
            if (search.Allowed(o)) search.Fit(o);
          }
        }
}

std::vector<double> SeasonalDifference(std::span<const double> y, int m, int D) {
  std::vector<double> x(y.begin(), y.end());
  for (int k = 0; k < D; ++k) {
    std::vector<double> next;
    for (std::size_t t = static_cast<std::size_t>(m); t < x.size(); ++t)
      next.push_back(x[t] - x[t - static_cast<std::size_t>(m)]);
    x = std::move(next);
  }
  return x;
}

std::vector<double> Difference(std::vector<double> x, int d) {
  for (int k = 0; k < d && !x.empty(); ++k) {
    for (std::size_t t = x.size() - 1; t >= 1; --t) x[t] -= x[t - 1];
    x.erase(x.begin());
  }
  return x;
}

// True when some regressor (n values by columns) is constant after D seasonal differences at
// lag m and d differences: R's auto.arima then takes one difference fewer.
bool DifferencingLeavesARegressorConstant(std::span<const double> xreg, std::size_t k,
                                          std::size_t n, int m, int D, int d) {
  for (std::size_t j = 0; j < k; ++j)
    if (IsConstant(Difference(SeasonalDifference(xreg.subspan(j * n, n), m, D), d))) return true;
  return false;
}

// What the differencing tests see: y, or with regressors the residuals of its least-squares
// regression on them and an intercept over the observed values (NaN where y is missing).
std::vector<double> RegressionResiduals(std::span<const double> y, std::span<const double> xreg,
                                        std::size_t k) {
  std::vector<double> e(y.begin(), y.end());
  if (k == 0) return e;
  const std::size_t n = y.size(), cols = k + 2;
  std::vector<double> R(cols * cols, 0.0), row(cols);
  auto regressors = [&](std::size_t t) {
    row[0] = 1.0;
    for (std::size_t j = 0; j < k; ++j) row[j + 1] = xreg[j * n + t];
  };
  for (std::size_t t = 0; t < n; ++t) {
    if (std::isnan(y[t])) continue;
    regressors(t);
    row[k + 1] = y[t];
    arma::AddLeastSquaresRow(R.data(), static_cast<int>(cols), row.data());
  }
  std::vector<double> b(k + 1, 0.0);
  for (std::size_t i = k + 1; i-- > 0;) {
    double v = R[i + (k + 1) * cols];
    for (std::size_t j = i + 1; j <= k; ++j) v -= R[i + j * cols] * b[j];
    b[i] = v / R[i + i * cols];
  }
  for (std::size_t t = 0; t < n; ++t) {
    if (std::isnan(y[t])) continue;
    regressors(t);
    for (std::size_t j = 0; j <= k; ++j) e[t] -= b[j] * row[j];
  }
  return e;
}

}  // namespace

Outcome<AutoArimaResult> AutoArima(const AutoArimaSettings& settings, std::span<const double> y) {
  using Out = Outcome<AutoArimaResult>;
  const AutoArimaSettings& s = settings;
  const std::size_t n = y.size();
  if (n > static_cast<std::size_t>(arima::kMaxObservations))
    return Out::Failure(
        Status::kTooManyObservations,
        "AutoArima: more than " + std::to_string(arima::kMaxObservations) + " values");
  const auto missing = static_cast<std::size_t>(
      std::count_if(y.begin(), y.end(), [](double v) { return std::isnan(v); }));
  const std::size_t observed = n - missing;
  if (observed < 3)
    return Out::Failure(Status::kTooFewObservations, "AutoArima: fewer than 3 observed values");
  for (double v : y)
    if (std::isinf(v)) return Out::Failure(Status::kInvalidData, "AutoArima: a value is infinite");
  if (s.period < 1)
    return Out::Failure(Status::kInvalidSettings, "AutoArima: the period is below 1");
  if (s.horizon < 0 || s.horizon > arima::kMaxObservations)
    return Out::Failure(Status::kInvalidSettings, "AutoArima: the horizon is outside 0.." +
                                                      std::to_string(arima::kMaxObservations));
  for (const double level : s.levels)
    if (!(level > 0.0 && level < 100.0))
      return Out::Failure(Status::kInvalidSettings, "AutoArima: a level is not between 0 and 100");
  if (s.d < -1 || s.d > arima::kMaxD || s.D < -1 || s.D > arima::kMaxD)
    return Out::Failure(Status::kInvalidSettings,
                        "AutoArima: d or D is outside -1.." + std::to_string(arima::kMaxD));
  if (std::min({s.max_p, s.max_q, s.max_P, s.max_Q, s.max_order, s.max_d, s.max_D}) < 0)
    return Out::Failure(Status::kInvalidSettings, "AutoArima: a bound of the search is negative");
  // Regressors the engine would refuse whatever the model (names, shapes, values, constant or
  // collinear columns beside an intercept) are refused before the search, with its reason.
  const std::size_t k = s.names.size();
  if (k > 0 || !s.xreg.empty()) {
    arima::Request r;
    r.horizon = s.horizon;
    r.mean = 1;
    r.names = s.names;
    r.xreg = s.xreg;
    r.future = s.future;
    const arima::Refusal refusal = arima::CheckData(r, y);
    if (refusal.status != Status::kOk)
      return Out::Failure(refusal.status, "AutoArima: " + refusal.text);
  }

  // Seasonal models only within the engine's range of periods.
  const int m = s.period >= 2 && s.period <= arima::MAXS ? s.period : 1;
  const int third = static_cast<int>(observed / 3);
  Bounds b{std::min({s.max_p, third, arima::kMaxP}), std::min({s.max_q, third, arima::kMaxP}),
           m > 1 ? std::min({s.max_P, third / m, arima::kMaxSeasonalP}) : 0,
           m > 1 ? std::min({s.max_Q, third / m, arima::kMaxSeasonalP}) : 0};

  // What the tests see: the regression's residuals, the gaps filled.
  std::vector<double> xx = RegressionResiduals(y, s.xreg, k);
  if (missing > 0) {
    const std::vector<double> periods =
        m > 1 ? std::vector<double>{static_cast<double>(m)} : std::vector<double>{};
    Outcome<std::vector<double>> filled = decompose::InterpolateMissing(xx, periods);
    if (!filled.ok()) return Out::Failure(filled.status, "AutoArima: " + filled.text);
    xx = std::move(filled.value);
  }
  int D = 0;
  if (m > 1 && s.D >= 0) {
    D = s.D;
  } else if (m > 1 && n > 2 * static_cast<std::size_t>(m)) {
    const Outcome<int> test =
        NumberOfSeasonalDifferences(xx, m, {.max_D = std::min(s.max_D, arima::kMaxD)});
    if (!test.ok()) return Out::Failure(test.status, "AutoArima: " + test.text);
    D = test.value;
    if (D > 0 && DifferencingLeavesARegressorConstant(s.xreg, k, n, m, D, 0)) --D;
  }
  const std::vector<double> dx = SeasonalDifference(xx, m, D);
  if (dx.size() < 3)
    return Out::Failure(Status::kTooFewObservations,
                        "AutoArima: fewer than 3 values after differencing");
  int d = s.d;
  if (d < 0) {
    const Outcome<int> test = NumberOfDifferences(dx, {.max_d = std::min(s.max_d, arima::kMaxD)});
    if (!test.ok()) return Out::Failure(test.status, "AutoArima: " + test.text);
    d = test.value;
    if (d > 0 && DifferencingLeavesARegressorConstant(s.xreg, k, n, m, D, d)) --d;
  }

  // A seasonal AR or MA part needs p and q below the period (the engine's rule, and auto.arima's).
  if (b.P > 0) b.p = std::min(b.p, m - 1);
  if (b.Q > 0) b.q = std::min(b.q, m - 1);
  const bool toggle = s.allow_constant && (d + D == 0 || (d + D == 1 && s.drift));

  // The checker reports refused orders as messages; the search decides what to make of them, so
  // none reaches the caller.
  platform::ScopedSilence quiet;
  Search search(s, y, observed, m, d, D);
  const bool approximate = s.approximation && missing == 0;
  if (approximate) {
    // R's offset: the exact fit of the differences alone (with the regressors, and the constant
    // without differencing) ties the approximate criteria to the exact ones' scale.
    const arima::Outcome base =
        arima::Run(BuildRequest(s, m, d, D, {0, 0, 0, 0, d + D == 0}, false), y);
    search.Approximate(base.ok() && base.value.sigma2 > 0.0
                           ? -2.0 * base.value.log_likelihood -
                                 static_cast<double>(observed) * std::log(base.value.sigma2)
                           : 0.0);
  }
  if (IsConstant(Difference(dx, d)))
    search.Fit({0, 0, 0, 0, toggle});  // as auto.arima: nothing left to model after differencing
  else if (s.stepwise)
    Stepwise(search, b, toggle, toggle, m > 1, n);
  else
    Exhaustive(search, b, s.max_order, toggle);
  if (approximate && !search.RefitExactly())
    return Out::Failure(Status::kEngineFailed, "AutoArima: no candidate model could be fitted");
  if (!search.Found())
    return Out::Failure(Status::kEngineFailed, "AutoArima: no candidate model could be fitted");
  if (s.thorough && !approximate) search.Polish(kPolished);
  AutoArimaResult chosen = std::move(search).Result();
  chosen.model.model_state = true;
  arima::Finish(chosen.model, y, chosen.fit);
  return Out::Success(std::move(chosen));
}

}  // namespace vordex::automatic
