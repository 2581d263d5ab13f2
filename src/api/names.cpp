#include "vordex/names.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace vordex {
namespace {

// One value of an enumeration: its canonical name first, then any aliases.
template <class Enum>
struct Entry {
  Enum value;
  std::string_view name;
  std::initializer_list<std::string_view> aliases = {};
};

// Names compare without regard to case, with '-' for '_'.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) {
      return c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

template <class Enum, std::size_t N>
std::string_view NameIn(const Entry<Enum> (&table)[N], Enum value) {
  for (const Entry<Enum>& e : table)
    if (e.value == value) return e.name;
  return {};
}

template <class Enum, std::size_t N>
std::optional<Enum> FindIn(const Entry<Enum> (&table)[N], std::string_view name) {
  for (const Entry<Enum>& e : table) {
    if (SameName(e.name, name)) return e.value;
    for (std::string_view alias : e.aliases)
      if (SameName(alias, name)) return e.value;
  }
  return std::nullopt;
}

template <class Enum, std::size_t N>
std::vector<std::pair<Enum, std::string_view>> AllIn(const Entry<Enum> (&table)[N]) {
  std::vector<std::pair<Enum, std::string_view>> all;
  for (const Entry<Enum>& e : table) all.emplace_back(e.value, e.name);
  return all;
}

const Entry<Transform> kTransforms[] = {
    {Transform::kNone, "none"},
    {Transform::kLog, "log"},
    {Transform::kSquareRoot, "sqrt", {"square_root"}},
    {Transform::kBoxCox, "boxcox", {"box_cox"}},
};

const Entry<Method> kMethods[] = {
    {Method::kArima, "arima"},          {Method::kEts, "ets"},     {Method::kArmax, "armax"},
    {Method::kAutoArima, "auto_arima"}, {Method::kTheta, "theta"}, {Method::kAuto, "auto"},
};

const Entry<Interval> kIntervals[] = {
    {Interval::kHalfHourly, "half_hourly", {"halfhourly", "30min"}},
    {Interval::kHourly, "hourly", {"h"}},
    {Interval::kDaily, "daily", {"d"}},
    {Interval::kWeekly, "weekly", {"w"}},
    {Interval::kMonthly, "monthly", {"m"}},
    {Interval::kQuarterly, "quarterly", {"q"}},
    {Interval::kYearly, "yearly", {"annual", "y"}},
};

const Entry<mstl::AdjustedModel> kAdjustedModels[] = {
    {mstl::AdjustedModel::kEts, "ets"},
    {mstl::AdjustedModel::kArima, "arima"},
    {mstl::AdjustedModel::kTheta, "theta"},
    {mstl::AdjustedModel::kAutoregression, "ar", {"autoregression"}},
};

const Entry<ets::ErrorForm> kErrorForms[] = {
    {ets::ErrorForm::kAdditive, "additive", {"a"}},
    {ets::ErrorForm::kMultiplicative, "multiplicative", {"m"}},
    {ets::ErrorForm::kAuto, "auto", {"z"}},
};

const Entry<ets::Trend> kTrends[] = {
    {ets::Trend::kNone, "none", {"n"}},
    {ets::Trend::kAdditive, "additive", {"a"}},
    {ets::Trend::kMultiplicative, "multiplicative", {"m"}},
    {ets::Trend::kDamped, "damped", {"ad", "damped_additive"}},
    {ets::Trend::kAuto, "auto", {"z"}},
};

const Entry<ets::Season> kSeasons[] = {
    {ets::Season::kNone, "none", {"n"}},
    {ets::Season::kAdditive, "additive", {"a"}},
    {ets::Season::kMultiplicative, "multiplicative", {"m"}},
    {ets::Season::kAuto, "auto", {"z"}},
};

const Entry<ets::Criterion> kCriteria[] = {
    {ets::Criterion::kMse, "mse"},
    {ets::Criterion::kAverageMse, "average_mse", {"amse"}},
    {ets::Criterion::kSigma, "sigma"},
    {ets::Criterion::kMape, "mape"},
    {ets::Criterion::kLikelihood, "likelihood", {"lik"}},
};

const Entry<ets::Initialization> kInitializations[] = {
    {ets::Initialization::kHeuristic, "heuristic"},
    {ets::Initialization::kEstimated, "estimated"},
    {ets::Initialization::kEstimatedForWinner, "estimated_for_winner", {"winner"}},
};

const Entry<ets::Disturbances> kDisturbances[] = {
    {ets::Disturbances::kGaussian, "gaussian", {"normal"}},
    {ets::Disturbances::kResampled, "resampled", {"bootstrap"}},
};

const Entry<ets::InformationCriterion> kInformationCriteria[] = {
    {ets::InformationCriterion::kAic, "aic"},
    {ets::InformationCriterion::kBic, "bic"},
    {ets::InformationCriterion::kAicc, "aicc"},
};

const Entry<ets::Search> kSearches[] = {
    {ets::Search::kDefault, "default"},
    {ets::Search::kAdditiveOnly, "additive_only"},
    {ets::Search::kAllForms, "all_forms"},
    {ets::Search::kEverythingAdditive, "everything_additive"},
    {ets::Search::kEverything, "everything"},
};

const Entry<Status> kStatuses[] = {
    {Status::kOk, "ok"},
    {Status::kNullArgument, "null_argument"},
    {Status::kNotOneDimension, "not_one_dimension"},
    {Status::kTooFewOptions, "too_few_options"},
    {Status::kTooFewData, "too_few_data"},
    {Status::kOptionBounds, "option_bounds"},
    {Status::kOptionRead, "option_read"},
    {Status::kDataBounds, "data_bounds"},
    {Status::kLeadRead, "lead_read"},
    {Status::kDataRead, "data_read"},
    {Status::kCreateResult, "create_result"},
    {Status::kStoreResult, "store_result"},
    {Status::kBufferAlloc, "buffer_alloc"},
    {Status::kNoResults, "no_results"},
    {Status::kArimaTooMuchData, "arima_too_much_data"},
    {Status::kArimaPeriodTooLarge, "arima_period_too_large"},
    {Status::kArimaHorizonTooLarge, "arima_horizon_too_large"},
    {Status::kArimaOrderTooHigh, "arima_order_too_high"},
    {Status::kArimaSeasonalOrderTooHigh, "arima_seasonal_order_too_high"},
    {Status::kArimaDifferencingTooLarge, "arima_differencing_too_large"},
    {Status::kArimaTotalOrderTooLarge, "arima_total_order_too_large"},
    {Status::kArimaInvalidPeriod, "arima_invalid_period"},
    {Status::kArimaNoObservations, "arima_no_observations"},
    {Status::kArimaNegativeHorizon, "arima_negative_horizon"},
    {Status::kArimaNegativeOrder, "arima_negative_order"},
    {Status::kArimaNegativeSeasonalOrder, "arima_negative_seasonal_order"},
    {Status::kArimaSeasonalForNonSeasonal, "arima_seasonal_for_non_seasonal"},
    {Status::kArimaTooFewForSeasonal, "arima_too_few_for_seasonal"},
    {Status::kArimaOrderNotBelowPeriod, "arima_order_not_below_period"},
    {Status::kEtsTooMuchData, "ets_too_much_data"},
    {Status::kEtsPeriodTooLarge, "ets_period_too_large"},
    {Status::kEtsHorizonTooLarge, "ets_horizon_too_large"},
    {Status::kEtsInvalidPeriod, "ets_invalid_period"},
    {Status::kEtsNoObservations, "ets_no_observations"},
    {Status::kEtsUnknownErrorForm, "ets_unknown_error_form"},
    {Status::kEtsUnknownTrend, "ets_unknown_trend"},
    {Status::kEtsUnknownSeason, "ets_unknown_season"},
    {Status::kEtsUnknownTransform, "ets_unknown_transform"},
    {Status::kEtsUnknownSearch, "ets_unknown_search"},
    {Status::kEtsTooFewForSeasonal, "ets_too_few_for_seasonal"},
    {Status::kEtsSeasonalForNonSeasonal, "ets_seasonal_for_non_seasonal"},
    {Status::kEtsZerosInMultiplicative, "ets_zeros_in_multiplicative"},
    {Status::kEtsUnknownDisturbances, "ets_unknown_disturbances"},
    {Status::kEtsUnknownCriterion, "ets_unknown_criterion"},
    {Status::kEtsUnknownInitialization, "ets_unknown_initialization"},
    {Status::kEtsUnknownInformationCriterion, "ets_unknown_information_criterion"},
    {Status::kEtsPathsOutOfRange, "ets_paths_out_of_range"},
    {Status::kEtsMultistepsOutOfRange, "ets_multisteps_out_of_range"},
    {Status::kEtsConfidenceOutOfRange, "ets_confidence_out_of_range"},
    {Status::kEtsNonFiniteData, "ets_non_finite_data"},
    {Status::kArmaxInvalidPeriod, "armax_invalid_period"},
    {Status::kArmaxTooFewForPeriod, "armax_too_few_for_period"},
    {Status::kArmaxNegativeHorizon, "armax_negative_horizon"},
    {Status::kArmaxNegativeOrder, "armax_negative_order"},
    {Status::kArmaxNegativeSeasonalOrder, "armax_negative_seasonal_order"},
    {Status::kArmaxOrderNotBelowPeriod, "armax_order_not_below_period"},
    {Status::kEngineFailed, "engine_failed"},
    {Status::kInvalidSettings, "invalid_settings"},
    {Status::kCancelled, "cancelled"},
    {Status::kInvalidData, "invalid_data"},
    {Status::kTooFewObservations, "too_few_observations"},
    {Status::kTooManyObservations, "too_many_observations"},
    {Status::kSingleMember, "single_member"},
    {Status::kFallback, "fallback"},
};

// The simple method of a fallback, as model names show it.
std::string FallbackName(const std::string& fallback) {
  if (fallback == "seasonal_naive") return "Seasonal naive";
  if (fallback == "naive") return "Naive";
  if (fallback == "mean") return "Mean";
  if (fallback == "constant") return "Constant";
  return fallback;
}

// Appended piece by piece: GCC 12 misreads the temporaries of "text" + std::to_string(...) under
// -O2 and warns of an overlapping copy.
std::string ArimaName(int p, int d, int q, int P, int D, int Q, int period, bool constant) {
  std::string name = "ARIMA(";
  const auto orders = [&name](int a, int b, int c) {
    name += std::to_string(a);
    name += ',';
    name += std::to_string(b);
    name += ',';
    name += std::to_string(c);
    name += ')';
  };
  orders(p, d, q);
  if (period > 1 && P + D + Q > 0) {
    name += '(';
    orders(P, D, Q);
    name += '[';
    name += std::to_string(period);
    name += ']';
  }
  if (constant) name += d + D == 1 ? " with drift" : " with constant";
  return name;
}

}  // namespace

#define VORDEX_NAME_TABLE(Enum, table)                              \
  std::string_view ToString(Enum value) {                           \
    return NameIn(table, value);                                    \
  }                                                                 \
  template <>                                                       \
  std::optional<Enum> FromString<Enum>(std::string_view name) {     \
    return FindIn(table, name);                                     \
  }                                                                 \
  template <>                                                       \
  std::vector<std::pair<Enum, std::string_view>> AllNames<Enum>() { \
    return AllIn(table);                                            \
  }
VORDEX_NAME_TABLE(Transform, kTransforms)
VORDEX_NAME_TABLE(Method, kMethods)
VORDEX_NAME_TABLE(Interval, kIntervals)
VORDEX_NAME_TABLE(mstl::AdjustedModel, kAdjustedModels)
VORDEX_NAME_TABLE(ets::ErrorForm, kErrorForms)
VORDEX_NAME_TABLE(ets::Trend, kTrends)
VORDEX_NAME_TABLE(ets::Season, kSeasons)
VORDEX_NAME_TABLE(ets::Criterion, kCriteria)
VORDEX_NAME_TABLE(ets::Initialization, kInitializations)
VORDEX_NAME_TABLE(ets::Disturbances, kDisturbances)
VORDEX_NAME_TABLE(ets::InformationCriterion, kInformationCriteria)
VORDEX_NAME_TABLE(ets::Search, kSearches)
#undef VORDEX_NAME_TABLE

std::string_view StatusName(Status status) {
  return NameIn(kStatuses, status);
}
template <>
std::optional<Status> FromString<Status>(std::string_view name) {
  return FindIn(kStatuses, name);
}
template <>
std::vector<std::pair<Status, std::string_view>> AllNames<Status>() {
  return AllIn(kStatuses);
}

std::string ModelName(const arima::Result& r) {
  // Regressors of the caller's own, beside the mean and the drift the model adds itself.
  const bool own = std::any_of(r.regression.begin(), r.regression.end(),
                               [](const auto& c) { return c.name != "mean" && c.name != "drift"; });
  if (own) {
    std::string name = "Regression with ";
    name += ArimaName(r.p, r.d, r.q, r.P, r.D, r.Q, r.period, false);
    name += " errors";
    return name;
  }
  if (!r.drift) return ArimaName(r.p, r.d, r.q, r.P, r.D, r.Q, r.period, r.constant.has_value());
  std::string name = ArimaName(r.p, r.d, r.q, r.P, r.D, r.Q, r.period, false);
  name += r.constant.has_value() ? " with constant and drift" : " with drift";
  return name;
}

std::string ModelName(const armax::Result& r) {
  return ArimaName(r.p, r.d, r.q, r.P, r.D, r.Q, r.period, r.constant.has_value());
}

std::string ModelName(const auto_arima::Candidate& c, int period) {
  return ArimaName(c.p, c.d, c.q, c.P, c.D, c.Q, period, c.constant);
}

std::string ModelName(const ets::Model& model) {
  const char* error = model.error == ets::ErrorForm::kMultiplicative ? "M"
                      : model.error == ets::ErrorForm::kAdditive     ? "A"
                                                                     : "Z";
  const char* trend = model.trend == ets::Trend::kNone             ? "N"
                      : model.trend == ets::Trend::kAdditive       ? "A"
                      : model.trend == ets::Trend::kMultiplicative ? "M"
                      : model.trend == ets::Trend::kDamped         ? "Ad"
                                                                   : "Z";
  const char* season = model.season == ets::Season::kNone             ? "N"
                       : model.season == ets::Season::kAdditive       ? "A"
                       : model.season == ets::Season::kMultiplicative ? "M"
                                                                      : "Z";
  std::string name = "ETS(";
  name += error;
  name += ',';
  name += trend;
  name += ',';
  name += season;
  name += ')';
  return name;
}

std::string ModelName(const ets::Result& r) {
  return ModelName(r.model);
}

std::string ModelName(const theta::Result& r) {
  if (!r.fallback.empty()) return FallbackName(r.fallback);
  return r.seasonal ? "Theta (seasonally adjusted)" : "Theta";
}

std::string ModelName(const mstl::Result& r) {
  if (!r.fallback.empty()) return FallbackName(r.fallback);
  std::string model = r.smoothing ? ModelName(*r.smoothing)
                      : r.arima   ? ModelName(static_cast<const arima::Result&>(*r.arima))
                      : r.theta   ? ModelName(*r.theta)
                                  : std::string();
  if (r.autoregression) {
    model = "AR(";
    model += std::to_string(r.autoregression->order);
    model += ')';
  }
  // Without a seasonal component the model forecasts the data themselves.
  if (r.periods.empty()) return model;
  std::string name = "MSTL(";
  for (std::size_t i = 0; i < r.periods.size(); ++i) {
    if (i > 0) name += ',';
    name += LevelName(r.periods[i]);
  }
  name += ") + ";
  name += model;
  return name;
}

std::string ModelName(const harmonic::Result& r) {
  if (!r.fallback.empty()) return FallbackName(r.fallback);
  std::string name = "Harmonic regression [";
  for (std::size_t i = 0; i < r.periods.size(); ++i) {
    if (i > 0) name += ", ";
    name += LevelName(r.periods[i]);
    name += ": K=";
    name += std::to_string(i < r.orders.size() ? r.orders[i] : 0);
  }
  name += "] with ";
  name += ArimaName(r.p, r.d, r.q, 0, 0, 0, 1, false);
  name += " errors";
  return name;
}

std::string ModelName(const auto_forecast::Result& r) {
  if (!r.fallback.empty()) return FallbackName(r.fallback);
  std::vector<std::string> members;
  if (r.smoothing) members.push_back(ModelName(*r.smoothing));
  if (r.arima) members.push_back(ModelName(static_cast<const arima::Result&>(*r.arima)));
  if (r.theta) members.push_back(ModelName(*r.theta));
  if (r.mstl) members.push_back(ModelName(*r.mstl));
  // The seasonal route's one method is the route, not a combination that lost members.
  if (members.size() == 1) return r.mstl ? members.front() : members.front() + " alone";
  std::string name = "mean of ";
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i > 0) name += " + ";
    name += members[i];
  }
  return name;
}

std::string LevelName(double level) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, level);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::uint32_t SeriesSeed(std::uint32_t batch_seed, std::string_view id) {
  // FNV-1a over the id's bytes.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : id) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  // SplitMix64's finaliser over the batch seed's increment and the hash.
  std::uint64_t z = hash + (static_cast<std::uint64_t>(batch_seed) + 1) * 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  z ^= z >> 31;
  return static_cast<std::uint32_t>(z >> 32);
}

}  // namespace vordex
