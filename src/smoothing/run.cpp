#include "smoothing/run.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

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
  Status status;
};

// True when value is none of the enumeration's values from first to last.
template <class Enum>
bool Outside(Enum value, Enum first, Enum last) {
  return Code(value) < Code(first) || Code(value) > Code(last);
}

constexpr Rule kRulesBeforeSeason[] = {
    {[](const Request& o, long n) { return o.export_limits && n > MAXN; },
     "Number of data observations exceeds MAXN", Status::kEtsTooMuchData},
    {[](const Request& o, long) { return o.period > MAXS; }, "Seasonal frequency exceeds MAXS",
     Status::kEtsPeriodTooLarge},
    {[](const Request& o, long) { return o.export_limits && o.horizon > MAXH; },
     "Forecast horizon exceeds MAXH", Status::kEtsHorizonTooLarge},
    {[](const Request& o, long) { return o.period < 1; }, "Seasonal frequency zero or negative",
     Status::kEtsInvalidPeriod},
    {[](const Request&, long n) { return n < 1; }, "Number of observations zero or negative",
     Status::kEtsNoObservations},
    {[](const Request& o, long) {
       return Outside(o.error, ErrorForm::kMultiplicative, ErrorForm::kAuto);
     },
     "Unknown model type", Status::kEtsUnknownErrorForm},
    {[](const Request& o, long) { return Outside(o.trend, Trend::kAuto, Trend::kDamped); },
     "Unknown trend type", Status::kEtsUnknownTrend},
    {[](const Request& o, long) {
       return Outside(o.season, Season::kAuto, Season::kMultiplicative);
     },
     "Unknown seasonality type", Status::kEtsUnknownSeason},
    {[](const Request& o, long) {
       return Outside(o.transform, Transform::kNone, Transform::kSquareRoot);
     },
     "Unknown transform type", Status::kEtsUnknownTransform},
    {[](const Request& o, long) {
       return Outside(o.search, Search::kDefault, Search::kEverything);
     },
     "Unknown search type", Status::kEtsUnknownSearch},
};

constexpr const char* kInsufficientSeasonal = "Insufficient data for estimation of seasonal models";

constexpr Rule kSeasonRules[] = {
    {[](const Request& o, long n) { return n < 2L * o.period && HasSeason(o.season); },
     kInsufficientSeasonal, Status::kEtsTooFewForSeasonal},
    {[](const Request& o, long n) {
       return n >= 2L * o.period && HasSeason(o.season) && o.period == 1;
     },
     "Seasonal model requested for nonseasonal data", Status::kEtsSeasonalForNonSeasonal},
};

constexpr const char* kZerosMessage = "Data contains zeros: cannot specify multiplicative model";
constexpr Status kZerosStatus = Status::kEtsZerosInMultiplicative;

constexpr Rule kRulesAfterZeros[] = {
    {[](const Request& o, long) {
       return Outside(o.disturbances, Disturbances::kGaussian, Disturbances::kResampled);
     },
     "Unknown bootstrap type", Status::kEtsUnknownDisturbances},
    {[](const Request& o, long) {
       return Outside(o.criterion, Criterion::kMse, Criterion::kLikelihood);
     },
     "Unknown optimization criterion", Status::kEtsUnknownCriterion},
    {[](const Request& o, long) {
       return Outside(o.initialization, Initialization::kHeuristic,
                      Initialization::kEstimatedForWinner);
     },
     "Unknown initialization method", Status::kEtsUnknownInitialization},
    {[](const Request& o, long) {
       return Outside(o.information_criterion, InformationCriterion::kAic,
                      InformationCriterion::kAicc);
     },
     "Unknown information criterion", Status::kEtsUnknownInformationCriterion},
    {[](const Request& o, long) { return o.paths < 500 || o.paths > 50000; },
     "#Bootstrap samples must be between 500 & 50000", Status::kEtsPathsOutOfRange},
    {[](const Request& o, long) { return o.multisteps < 3 || o.multisteps > 24; },
     "#MSE multisteps must be between 3 & MAXS", Status::kEtsMultistepsOutOfRange},
};

Status Fail(bool showBox, const char* message, Status status) {
  if (showBox) platform::ShowMessage(kCheckTitle, message, platform::kStyleWarning);
  return status;
}

template <std::size_t N>
Status Walk(const Rule (&rules)[N], const Request& o, long n, bool showBox) {
  for (const Rule& rule : rules)
    if (rule.fails(o, n)) return Fail(showBox, rule.message, rule.status);
  return Status::kOk;
}

// The engine state of a request, filled from settled settings and the observations.
void Fill(PegelsState& P, const Request& o, std::span<const double> y) {
  P.n = static_cast<int>(y.size());
  P.s = o.period;
  P.h = o.horizon;
  P.modelType = o.error;
  P.trendType = o.trend;
  P.seasonalityType = o.season;
  P.bootstrapType = o.disturbances;
  P.optimizationCriterion = o.criterion;
  P.initializationMethod = o.initialization;
  P.bootstrapSamples = o.paths;
  P.multisteps = o.multisteps;
  P.informationCriterion = o.information_criterion;
  P.transformType = o.transform;
  P.searchType = o.search;
  P.boundsCount = o.bounds.count;
  P.admissibleRegion = o.admissible_region;
  P.confidenceLevels = o.confidence;
  for (int i = 1; i <= 4; ++i) {
    P.lower[i] = o.bounds.lower[i];
    P.upper[i] = o.bounds.upper[i];
  }
  Resize(P, P.n);
  std::copy(y.begin(), y.end(), P.y.begin() + 1);
  P.nobs =
      static_cast<int>(std::count_if(y.begin(), y.end(), [](double v) { return !std::isnan(v); }));
  P.scale = -1.0;
  P.threads = o.threads;
  P.countStates = o.count_states ? 1 : 0;
  P.restrictForms = o.restrict_forms ? 1 : 0;
  P.multiplicativeTrend = o.multiplicative_trend ? 1 : 0;
  P.minSeasons = o.min_seasons;
}

// The results of a successful pass, as the export packs them, and the continuation (the pool of
// resampled errors is moved out of the state).
void Extract(PegelsState& P, bool searched, Estimates& fit) {
  const int n = P.n;
  fit.model = {P.modelType, P.trendType, P.seasonalityType};
  fit.searched = searched;
  fit.period = P.s;
  fit.multisteps = P.multisteps;
  fit.series.assign(P.y.begin() + 1, P.y.end());
  fit.fitted.assign(P.F.begin() + 1, P.F.end());
  fit.errors.assign(P.e.begin() + 1, P.e.end());
  if (P.h >= 1) {
    fit.forecasts.assign(P.fc.begin() + 1, P.fc.begin() + P.h + 1);
    for (std::size_t j = 0; j < P.lo.size(); ++j) {
      Limits& limits = fit.limits.emplace_back();
      limits.level = P.confidenceLevels[j];
      limits.lower.assign(P.lo[j].begin() + 1, P.lo[j].begin() + P.h + 1);
      limits.upper.assign(P.hi[j].begin() + 1, P.hi[j].begin() + P.h + 1);
    }
    if (!fit.limits.empty()) {
      fit.lower = fit.limits.front().lower;
      fit.upper = fit.limits.front().upper;
    }
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
  ets::Continuation& end = fit.end;
  end.scale = P.scale;
  end.level = P.l[n];
  end.trend = HasTrend(P.trendType) ? P.b[n] : 0.0;
  if (HasSeason(P.seasonalityType))
    end.seasonal.assign(P.S.begin() + (n - P.s + 1), P.S.begin() + (n + 1));
  end.sigma = P.engineSigma;
  if (P.bootstrapType == Disturbances::kResampled) end.resampled_errors = std::move(P.pool);
}

void ExecuteInto(const Request& o, std::span<const double> y, Outcome& out) {
  // The export takes no missing values; other requests take NaN for one.
  for (double v : y) {
    if (o.export_limits ? !std::isfinite(v) : std::isinf(v)) {
      out.status =
          Fail(true, "Data contain missing or non-finite values", Status::kEtsNonFiniteData);
      return;
    }
  }
  for (const double c : o.confidence) {
    if (!(c >= 0.0 && c <= 100.0)) {
      out.status = Fail(true, "Confidence level must be between 0 and 100",
                        Status::kEtsConfidenceOutOfRange);
      return;
    }
  }
  if (const Status status = CheckZeros(o, y); status != Status::kOk) {
    out.status = status;
    return;
  }
  auto state = std::make_unique<PegelsState>();
  PegelsState& P = *state;
  Fill(P, o, y);
  SetSeed(o.seed);
  if (Pegelsmain(P, 1, 1) == 0) {
    out.status = Status::kEngineFailed;
    out.text = kFailureText;
    return;
  }
  Extract(P, o.search != Search::kDefault, out.value);
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

namespace {

// The search that kEverythingAdditive and kEverything settle into, once every component is open.
Search OpenedSearch(Search search) {
  return search == Search::kEverythingAdditive ? Search::kAdditiveOnly : Search::kAllForms;
}

bool OpensEverything(Search search) {
  return search == Search::kEverythingAdditive || search == Search::kEverything;
}

}  // namespace

Status Check(Request& o, long n, bool showBox) {
  // A negative horizon asks for no forecasts.
  o.horizon = std::max(o.horizon, 0);
  if (const Status s = Walk(kRulesBeforeSeason, o, n, showBox); s != Status::kOk) return s;
  if (n < 2L * o.period && o.season == Season::kAuto) {
    if (showBox) platform::ShowMessage(kCheckTitle, kInsufficientSeasonal, platform::kStyleWarning);
    o.season = Season::kNone;
    if (OpensEverything(o.search)) {
      o.error = ErrorForm::kAuto;
      o.trend = Trend::kAuto;
      o.search = OpenedSearch(o.search);
    }
  } else if (const Status s = Walk(kSeasonRules, o, n, showBox); s != Status::kOk) {
    return s;
  }
  // Zeros are judged once the observations are known (CheckZeros).
  if (const Status s = Walk(kRulesAfterZeros, o, n, showBox); s != Status::kOk) return s;

  if (o.search == Search::kDefault &&
      (o.error == ErrorForm::kAuto || o.trend == Trend::kAuto || o.season == Season::kAuto)) {
    o.search = Search::kAllForms;
  } else if (OpensEverything(o.search)) {
    o.trend = Trend::kAuto;
    o.season = Season::kAuto;
    o.error = ErrorForm::kAuto;
    o.search = OpenedSearch(o.search);
  }
  return Status::kOk;
}

Status CheckZeros(const Request& o, std::span<const double> y, bool showBox) {
  if (!MultiplicativePart(o)) return Status::kOk;
  if (PegelsZeroScan(y, o.transform) == 0) return Status::kOk;
  return Fail(showBox, kZerosMessage, kZerosStatus);
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
  const long n = static_cast<long>(y.size());
  long observed = n;
  if (!settings.export_limits) {
    if (n > kMaxObservations) {
      const std::string text = "Number of data observations (" + std::to_string(n) +
                               ") exceeds the limit of " + std::to_string(kMaxObservations);
      out.status = Fail(true, text.c_str(), Status::kTooManyObservations);
    }
    observed = static_cast<long>(
        std::count_if(y.begin(), y.end(), [](double v) { return !std::isnan(v); }));
  }
  if (out.status == Status::kOk) {
    out.status = Check(settings, observed);
    if (observed < n &&
        (out.status == Status::kEtsNoObservations || out.status == Status::kEtsTooFewForSeasonal)) {
      const std::string text =
          "Too few observed values: " + std::to_string(observed) + " of " + std::to_string(n) +
          " (" + std::to_string(n - observed) + " missing); " +
          (out.status == Status::kEtsNoObservations ? std::string("the model needs at least one")
                                                    : "a seasonal model needs two full seasons, " +
                                                          std::to_string(2L * settings.period));
      out.status = Fail(true, text.c_str(), Status::kTooFewObservations);
    }
  }
  if (out.status == Status::kOk) ExecuteInto(settings, y, out);
  out.messages = recorder.Take();
  // A refusal's text is the checker's message.
  if (!out.ok() && out.text.empty() && !out.messages.empty()) out.text = out.messages.back().text;
  return out;
}

}  // namespace vordex::smoothing
