#include "smoothing/run.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/messages.h"
#include "smoothing/driver.h"
#include "smoothing/random.h"

namespace vordex::smoothing {
namespace {

int Code(auto value) {
  return static_cast<int>(value);
}

bool MultiplicativePart(const Request& o) {
  return o.error == ErrorForm::kMultiplicative || o.trend == Trend::kMultiplicative ||
         o.season == Season::kMultiplicative;
}

struct Rule {
  bool (*fails)(const Request& o, long n);
  const char* message;
  int code;
};

constexpr Rule kRulesBeforeSeason[] = {
    {[](const Request&, long n) { return n > MAXN; }, "Number of data observations exceeds MAXN",
     31},
    {[](const Request& o, long) { return o.period > MAXS; }, "Seasonal frequency exceeds MAXS", 32},
    {[](const Request& o, long) { return o.horizon > MAXH; }, "Forecast horizon exceeds MAXH", 33},
    {[](const Request& o, long) { return o.period < 1; }, "Seasonal frequency zero or negative",
     34},
    {[](const Request&, long n) { return n < 1; }, "Number of observations zero or negative", 35},
    {[](const Request& o, long) { return Code(o.error) < 0 || Code(o.error) > 2; },
     "Unknown model type", 41},
    {[](const Request& o, long) { return Code(o.trend) < -1 || Code(o.trend) > 3; },
     "Unknown trend type", 42},
    {[](const Request& o, long) { return Code(o.season) < -1 || Code(o.season) > 2; },
     "Unknown seasonality type", 43},
    {[](const Request& o, long) { return Code(o.transform) < 0 || Code(o.transform) > 2; },
     "Unknown transform type", 44},
    {[](const Request& o, long) { return Code(o.search) < 0 || Code(o.search) > 4; },
     "Unknown search type", 45},
};

constexpr const char* kInsufficientSeasonal = "Insufficient data for estimation of seasonal models";

constexpr Rule kSeasonRules[] = {
    {[](const Request& o, long n) { return n < 2L * o.period && Code(o.season) >= 1; },
     kInsufficientSeasonal, 61},
    {[](const Request& o, long n) {
       return n >= 2L * o.period && Code(o.season) >= 1 && o.period == 1;
     },
     "Seasonal model requested for nonseasonal data", 62},
};

constexpr const char* kZerosMessage = "Data contains zeros: cannot specify multiplicative model";
constexpr int kZerosCode = 63;

constexpr Rule kRulesAfterZeros[] = {
    {[](const Request& o, long) { return Code(o.disturbances) < 0 || Code(o.disturbances) > 1; },
     "Unknown bootstrap type", 64},
    {[](const Request& o, long) { return Code(o.criterion) < 1 || Code(o.criterion) > 5; },
     "Unknown optimization criterion", 65},
    {[](const Request& o, long) {
       return Code(o.initialization) < 1 || Code(o.initialization) > 3;
     },
     "Unknown initialization method", 66},
    {[](const Request& o, long) {
       return Code(o.information_criterion) < 1 || Code(o.information_criterion) > 3;
     },
     "Unknown information criterion", 67},
    {[](const Request& o, long) { return o.paths < 500 || o.paths > 50000; },
     "#Bootstrap samples must be between 500 & 50000", 68},
    {[](const Request& o, long) { return o.multisteps < 3 || o.multisteps > 24; },
     "#MSE multisteps must be between 3 & MAXS", 69},
};

int Fail(bool showBox, const char* message, int code) {
  if (showBox) platform::ShowMessage(kCheckTitle, message, platform::kStyleWarning);
  return code;
}

template <std::size_t N>
int Walk(const Rule (&rules)[N], const Request& o, long n, bool showBox) {
  for (const Rule& rule : rules)
    if (rule.fails(o, n)) return Fail(showBox, rule.message, rule.code);
  return 0;
}

// The engine state of a request, filled from settled settings and the observations.
void Fill(PegelsState& P, const Request& o, std::span<const double> y) {
  P.n = static_cast<int>(y.size());
  P.s = o.period;
  P.h = o.horizon;
  P.modelType = Code(o.error);
  P.trendType = Code(o.trend);
  P.seasonalityType = Code(o.season);
  P.bootstrapType = Code(o.disturbances);
  P.optimizationCriterion = Code(o.criterion);
  P.initializationMethod = Code(o.initialization);
  P.bootstrapSamples = o.paths;
  P.multisteps = o.multisteps;
  P.informationCriterion = Code(o.information_criterion);
  P.transformType = Code(o.transform);
  P.searchType = Code(o.search);
  P.boundsCount = o.bounds.count;
  P.parameterRegion = o.admissible_region ? kAdmissibleRegion : 1;
  P.confidenceLevel = o.confidence;
  for (int i = 1; i <= 4; ++i) {
    P.lower[i] = o.bounds.lower[i];
    P.upper[i] = o.bounds.upper[i];
  }
  for (int t = 1; t <= P.n; ++t) P.y[t] = y[static_cast<std::size_t>(t - 1)];
  P.scale = -1.0;
  P.threads = o.threads;
  P.countStates = o.count_states ? 1 : 0;
  P.restrictForms = o.restrict_forms ? 1 : 0;
  P.multiplicativeTrend = o.multiplicative_trend ? 1 : 0;
  P.minSeasons = o.min_seasons;
}

// The results of a successful pass, as the export packs them.
void Extract(const PegelsState& P, bool searched, Estimates& fit) {
  const int n = P.n;
  fit.model = {static_cast<ErrorForm>(P.modelType), static_cast<Trend>(P.trendType),
               static_cast<Season>(P.seasonalityType)};
  fit.searched = searched;
  fit.period = P.s;
  fit.multisteps = P.multisteps;
  fit.series.assign(P.y + 1, P.y + n + 1);
  fit.fitted.assign(P.F + 1, P.F + n + 1);
  fit.errors.assign(P.e + 1, P.e + n + 1);
  if (P.h >= 1) {
    fit.forecasts.assign(P.fc + 1, P.fc + P.h + 1);
    fit.lower.assign(P.lo + 1, P.lo + P.h + 1);
    fit.upper.assign(P.hi + 1, P.hi + P.h + 1);
  }
  fit.alpha = P.par[1];
  fit.beta = P.par[2];
  fit.gamma = P.par[3];
  fit.phi = P.par[4];
  fit.initial_level = P.l[0];
  fit.initial_trend = P.b[0];
  fit.initial_seasonal.assign(P.seasInit, P.seasInit + P.s);
  fit.amse = P.amse;
  fit.mse.assign(P.mse + 1, P.mse + P.multisteps + 1);
  fit.sigma = P.sigma;
  fit.log_likelihood = P.logLik;
  fit.information_criterion = P.icValue;
  fit.mape = P.mape;
}

void ExecuteInto(const Request& o, std::span<const double> y, Outcome& out) {
  for (double v : y) {
    if (!std::isfinite(v)) {
      out.status = Fail(true, "Data contain missing or non-finite values", kNonFiniteCode);
      return;
    }
  }
  if (!(o.confidence >= 0.0 && o.confidence <= 100.0)) {
    out.status = Fail(true, "Confidence level must be between 0 and 100", kConfidenceCode);
    return;
  }
  if (const int code = CheckZeros(o, y)) {
    out.status = code;
    return;
  }
  // The record is large: one per request, on the heap.
  auto state = std::make_unique<PegelsState>();
  PegelsState& P = *state;
  Fill(P, o, y);
  SetSeed(o.seed);
  if (Pegelsmain(P, 1, 1) == 0) {
    out.text = kFailureText;
    return;
  }
  Extract(P, o.search != Search::kNone, out.fit);
}

}  // namespace

Bounds SettleBounds(int requested, std::span<const double> values) {
  Bounds b;
  const long available = static_cast<long>(values.size());
  if (requested <= 0)
    b.count = 0;
  else if (requested >= 2 && available >= 8)
    b.count = 4;
  else if (available >= 2)
    b.count = 1;
  std::size_t k = 0;
  for (int i = 1; i <= b.count; ++i) {
    const double x = values[k++];
    if (x > 0.0 && x < 1.0) b.lower[i] = x;
  }
  for (int i = 1; i <= b.count; ++i) {
    const double x = values[k++];
    if (x >= b.lower[i] && x < 1.0) b.upper[i] = x;
  }
  return b;
}

int Check(Request& o, long n, bool showBox) {
  // A negative horizon asks for no forecasts.
  o.horizon = std::max(o.horizon, 0);
  if (const int code = Walk(kRulesBeforeSeason, o, n, showBox)) return code;
  if (n < 2L * o.period && o.season == Season::kChoose) {
    if (showBox) platform::ShowMessage(kCheckTitle, kInsufficientSeasonal, platform::kStyleWarning);
    o.season = Season::kNone;
    if (Code(o.search) > 2) {
      o.error = ErrorForm::kChoose;
      o.trend = Trend::kChoose;
      o.search = static_cast<Search>(Code(o.search) - 2);
    }
  } else if (const int code = Walk(kSeasonRules, o, n, showBox)) {
    return code;
  }
  // Zeros are judged once the observations are known (CheckZeros).
  if (const int code = Walk(kRulesAfterZeros, o, n, showBox)) return code;

  if (o.search == Search::kNone &&
      (o.error == ErrorForm::kChoose || o.trend == Trend::kChoose || o.season == Season::kChoose)) {
    o.search = Search::kAllForms;
  } else if (Code(o.search) > 2) {
    o.trend = Trend::kChoose;
    o.season = Season::kChoose;
    o.error = ErrorForm::kChoose;
    o.search = static_cast<Search>(Code(o.search) - 2);
  }
  return 0;
}

int CheckZeros(const Request& o, std::span<const double> y, bool showBox) {
  if (!MultiplicativePart(o)) return 0;
  // The scan reads x[1..n].
  std::vector<double> x(y.size() + 1, 0.0);
  std::copy(y.begin(), y.end(), x.begin() + 1);
  if (PegelsZeroScan(x.data(), static_cast<int>(y.size()), Code(o.transform)) == 0) return 0;
  return Fail(showBox, kZerosMessage, kZerosCode);
}

Outcome Execute(const Request& settings, std::span<const double> y) {
  Outcome out;
  platform::MessageRecorder recorder;
  ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  return out;
}

Outcome Run(Request settings, std::span<const double> y) {
  Outcome out;
  platform::MessageRecorder recorder;
  out.status = Check(settings, static_cast<long>(y.size()));
  if (out.status == 0) ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  return out;
}

}  // namespace vordex::smoothing
