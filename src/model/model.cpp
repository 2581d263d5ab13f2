#include "vordex/model.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <istream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "model/admissible.h"
#include "vordex/arima.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"
#include "vordex/names.hpp"

namespace vordex {
namespace {

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kFormatName = "vordex-model";
// The library version written into every file (the project's version).
constexpr const char* kLibraryVersion = VORDEX_VERSION_STRING;
// Nesting deeper than this is no model file (the deepest field is four levels down); refused
// before parsing so that no input can exhaust the stack.
constexpr int kMaxDepth = 8;
// Compact files write covariance entries below this fraction of the largest as zeros: after the
// diffuse start is resolved, the states of the differencing carry rounding residue of about 1e-20
// (against variances near 1) that takes most of a file's size and moves no forecast beyond its
// last few bits.
constexpr double kNegligible = 1e-15;
// The longest series the methods take (ets::kMaxObservations, the ARIMA method's likewise).
constexpr long kMaxObservations = ets::kMaxObservations;
// The ARMAX engine's largest order of one lag polynomial (its root finder's degree range), and the
// largest period its orders are read with.
constexpr long kArmaxMaxOrder = 100;

[[noreturn]] void Refuse(const std::string& field, const std::string& reason) {
  throw Error(Status::kInvalidData, "model file: field '" + field + "': " + reason);
}

[[noreturn]] void RefuseSave(const std::string& reason) {
  throw Error(Status::kInvalidSettings, "model file: " + reason);
}

// ---------------------------------------------------------------------------------------------
// Writing.

// A double as JSON: the shortest decimal that reads back as the same double (nlohmann-json's
// Grisu2), or null for NaN and the infinities, which JSON cannot hold.
ordered Number(double x) {
  return std::isfinite(x) ? ordered(x) : ordered(nullptr);
}

ordered Numbers(const std::vector<double>& xs) {
  ordered a = ordered::array();
  for (const double x : xs) a.push_back(Number(x));
  return a;
}

ordered Optional(const std::optional<double>& x) {
  return x ? Number(*x) : ordered(nullptr);
}

// A symmetric m by m matrix (by columns), when it is symmetric bit for bit, as the nonzero entries
// of its upper triangle taken column by column: {"at": positions in that order, "values": the
// entries}. Otherwise whole by columns; all zeros (a resolved diffuse part) as []. `compact`:
// entries below kNegligible times the largest magnitude are written as 0 (a fitted state has
// none left; a state made by the caller may).
ordered Matrix(std::vector<double> a, std::size_t m, bool compact) {
  if (compact) {
    double largest = 0.0;
    for (const double x : a) largest = std::max(largest, std::abs(x));
    for (double& x : a)
      if (std::abs(x) < kNegligible * largest) x = 0.0;
  }
  bool zero = true, symmetric = a.size() == m * m;
  for (const double x : a) zero = zero && x == 0.0;
  if (zero) return ordered::array();
  for (std::size_t j = 0; symmetric && j < m; ++j)
    for (std::size_t i = 0; i < j; ++i)
      if (std::memcmp(&a[i + j * m], &a[j + i * m], sizeof(double)) != 0) symmetric = false;
  if (!symmetric) return Numbers(a);
  ordered at = ordered::array(), values = ordered::array();
  std::size_t k = 0;
  for (std::size_t j = 0; j < m; ++j) {
    for (std::size_t i = 0; i <= j; ++i, ++k) {
      const double x = a[i + j * m];
      // -0.0 is kept: the entry is written as the filter left it.
      if (x == 0.0 && !std::signbit(x)) continue;
      at.push_back(k);
      values.push_back(Number(x));
    }
  }
  return ordered{{"at", std::move(at)}, {"values", std::move(values)}};
}

std::string Name(std::string_view name) {
  return std::string(name);
}

ordered BoxCoxJson(const BoxCox& b) {
  return ordered{{"lambda", Optional(b.lambda)}, {"bias_adjusted", b.bias_adjusted}};
}

// The settings of an ARIMA or ARMAX model: its orders, the constant flag (and ARIMA's drift),
// the transform and the forecasts asked for.
template <class R>
ordered ArmaSettings(const R& r, int horizon, const std::vector<double>& levels) {
  ordered s{{"period", r.period}, {"p", r.p}, {"d", r.d}, {"q", r.q},
            {"P", r.P},           {"D", r.D}, {"Q", r.Q}, {"constant", r.constant.has_value()}};
  if constexpr (requires { r.drift; }) s["drift"] = r.drift;
  s["transform"] = Name(ToString(r.transform));
  s["lambda"] = Optional(r.lambda);
  s["bias_adjusted"] = r.bias_adjusted;
  s["horizon"] = horizon;
  s["levels"] = Numbers(levels);
  return s;
}

// The ARMA coefficients and the constant, with which an ARIMA or ARMAX model's estimates begin.
template <class R>
ordered ArmaCoefficients(const R& r) {
  return ordered{{"ar", Numbers(r.ar)},
                 {"ma", Numbers(r.ma)},
                 {"seasonal_ar", Numbers(r.seasonal_ar)},
                 {"seasonal_ma", Numbers(r.seasonal_ma)},
                 {"constant", Optional(r.constant)}};
}

ordered ArimaBody(const arima::Result& r, ordered& file, int horizon,
                  const std::vector<double>& levels, bool compact) {
  if (r.state.mean.empty()) RefuseSave("the ARIMA result carries no filter state");
  ordered regression = ordered::array();
  for (const arima::Coefficient& c : r.regression)
    regression.push_back(ordered{{"name", c.name},
                                 {"estimate", Number(c.estimate)},
                                 {"standard_error", Number(c.standard_error)}});
  file["settings"] = ArmaSettings(r, horizon, levels);
  ordered& estimates = file["estimates"] = ArmaCoefficients(r);
  estimates["regression"] = regression;
  estimates["sigma2"] = Number(r.sigma2);
  estimates["standard_errors"] = ordered{{"ar", Numbers(r.standard_errors.ar)},
                                         {"ma", Numbers(r.standard_errors.ma)},
                                         {"seasonal_ar", Numbers(r.standard_errors.seasonal_ar)},
                                         {"seasonal_ma", Numbers(r.standard_errors.seasonal_ma)}};
  const arima::FilterState& s = r.state;
  const std::size_t m = s.mean.size();
  file["state"] = ordered{{"mean", Numbers(s.mean)},
                          {"covariance", Matrix(s.covariance, m, compact)},
                          {"diffuse", Matrix(s.diffuse, m, compact)},
                          {"diffuse_left", s.diffuse_left},
                          {"quiet", s.quiet},
                          {"steady", s.steady},
                          {"times", s.times},
                          {"used", s.used},
                          {"sum_of_squares", Number(s.sum_of_squares)},
                          {"sum_log_ratios", Number(s.sum_log_ratios)}};
  return ordered{{"log_likelihood", Number(r.log_likelihood)},
                 {"aic", Number(r.aic)},
                 {"aicc", Number(r.aicc)},
                 {"bic", Number(r.bic)},
                 {"lost", r.lost}};
}

ordered EtsBody(const ets::Result& r, ordered& file) {
  const ets::Settings& s = r.settings;
  ordered bounds = ordered::array();
  for (const ets::Bound& b : s.bounds)
    bounds.push_back(ordered{{"lower", Number(b.lower)}, {"upper", Number(b.upper)}});
  file["settings"] = ordered{{"period", s.period},
                             {"horizon", s.horizon},
                             {"levels", Numbers(s.levels)},
                             {"seed", s.seed},
                             {"error", Name(ToString(s.error))},
                             {"trend", Name(ToString(s.trend))},
                             {"season", Name(ToString(s.season))},
                             {"criterion", Name(ToString(s.criterion))},
                             {"initialization", Name(ToString(s.initialization))},
                             {"disturbances", Name(ToString(s.disturbances))},
                             {"paths", s.paths},
                             {"multisteps", s.multisteps},
                             {"information_criterion", Name(ToString(s.information_criterion))},
                             {"transform", Name(ToString(s.transform))},
                             {"box_cox", BoxCoxJson(s.box_cox)},
                             {"search", Name(ToString(s.search))},
                             {"admissible_region", s.admissible_region},
                             {"bounds", bounds},
                             {"threads", s.threads},
                             {"count_states", s.count_states},
                             {"restrict_forms", s.restrict_forms},
                             {"multiplicative_trend", s.multiplicative_trend},
                             {"min_seasons", s.min_seasons}};
  file["estimates"] = ordered{{"error", Name(ToString(r.model.error))},
                              {"trend", Name(ToString(r.model.trend))},
                              {"season", Name(ToString(r.model.season))},
                              {"searched", r.searched},
                              {"period", r.period},
                              {"transform", Name(ToString(r.transform))},
                              {"lambda", Optional(r.lambda)},
                              {"alpha", Number(r.alpha)},
                              {"beta", Number(r.beta)},
                              {"gamma", Number(r.gamma)},
                              {"phi", Number(r.phi)},
                              {"initial_level", Number(r.initial_level)},
                              {"initial_trend", Optional(r.initial_trend)},
                              {"initial_seasonal", Numbers(r.initial_seasonal)},
                              {"sigma", Number(r.sigma)}};
  const ets::Continuation& c = r.continuation;
  file["state"] = ordered{{"final_level", Number(r.final_level)},
                          {"final_trend", Optional(r.final_trend)},
                          {"final_seasonal", Numbers(r.final_seasonal)},
                          {"scale", Number(c.scale)},
                          {"level", Number(c.level)},
                          {"trend", Number(c.trend)},
                          {"seasonal", Numbers(c.seasonal)},
                          {"sigma", Number(c.sigma)},
                          {"resampled_errors", Numbers(c.resampled_errors)}};
  ordered rmse = Numbers(r.rmse);
  return ordered{{"log_likelihood", Number(r.log_likelihood)},
                 {"aic", Number(r.aic)},
                 {"aicc", Number(r.aicc)},
                 {"bic", Number(r.bic)},
                 {"sigma2", Number(r.sigma2)},
                 {"information_criterion", Number(r.information_criterion)},
                 {"mape", Number(r.mape)},
                 {"rmse_average", Number(r.rmse_average)},
                 {"rmse", rmse}};
}

ordered ThetaBody(const theta::Result& r, ordered& file, int horizon,
                  const std::vector<double>& levels) {
  if (!r.fallback.empty())
    RefuseSave("a fallback forecast (" + r.fallback + ") has no model to save");
  file["settings"] =
      ordered{{"period", r.period},
              {"transform", Name(ToString(r.lambda ? Transform::kBoxCox : Transform::kNone))},
              {"lambda", Optional(r.lambda)},
              {"bias_adjusted", r.bias_adjusted},
              {"horizon", horizon},
              {"levels", Numbers(levels)}};
  file["estimates"] =
      ordered{{"seasonal", r.seasonal},   {"seasonal_indices", Numbers(r.seasonal_indices)},
              {"alpha", Number(r.alpha)}, {"initial_level", Number(r.initial_level)},
              {"drift", Number(r.drift)}, {"sigma2", Number(r.sigma2)}};
  file["state"] = ordered{{"final_level", Number(r.final_level)}};
  return ordered::object();
}

ordered ArmaxBody(const armax::Result& r, ordered& file, int horizon,
                  const std::vector<double>& levels) {
  if (r.continuation.n <= 0)
    RefuseSave(
        "an armax model fitted through the state space route (missing values, or a series "
        "beyond the engine's storage) has no continuation to save");
  file["settings"] = ArmaSettings(r, horizon, levels);
  ordered& estimates = file["estimates"] = ArmaCoefficients(r);
  estimates["sigma2"] = Number(r.sigma2);
  estimates["sum_of_squares"] = Number(r.sum_of_squares);
  file["state"] = ordered{{"history", Numbers(r.continuation.history)},
                          {"innovations", Numbers(r.continuation.innovations)},
                          {"n", r.continuation.n}};
  return ordered{{"log_likelihood", Number(r.log_likelihood)},
                 {"aic", Number(r.aic)},
                 {"aicc", Number(r.aicc)},
                 {"bic", Number(r.bic)},
                 {"lost", r.lost}};
}

// The horizon and levels of a result's own forecasts.
int HorizonOf(const Forecast& f) {
  return static_cast<int>(f.mean.size());
}
std::vector<double> LevelsOf(const Forecast& f) {
  std::vector<double> levels;
  for (const Limits& l : f.limits) levels.push_back(l.level);
  return levels;
}

// A member of a combination: its settings, estimates, state and statistics as a model file of its
// method has them (with the counts of the whole series).
template <class R, class Write>
ordered Member(const R& r, long observations, int missing, Write write) {
  ordered member;
  ordered statistics = write(r, member);
  statistics["observations"] = observations;
  statistics["missing"] = missing;
  member["statistics"] = std::move(statistics);
  return member;
}

ordered CombinationBody(const auto_forecast::Result& r, ordered& file, int horizon,
                        const std::vector<double>& levels, long observations, bool compact) {
  if (!r.fallback.empty())
    RefuseSave("a fallback forecast (" + r.fallback + ") has no model to save");
  if (r.mstl)
    RefuseSave(
        "a combination of the seasonal route (MSTL) cannot be saved; the single-season "
        "combination can");
  file["settings"] =
      ordered{{"period", r.period}, {"horizon", horizon}, {"levels", Numbers(levels)}};
  ordered members = ordered::object();
  members["ets"] = r.smoothing
                       ? Member(*r.smoothing, observations, r.missing,
                                [](const ets::Result& m, ordered& f) { return EtsBody(m, f); })
                       : ordered(nullptr);
  members["auto_arima"] =
      r.arima ? Member(static_cast<const arima::Result&>(*r.arima), observations, r.missing,
                       [&](const arima::Result& m, ordered& f) {
                         return ArimaBody(m, f, horizon, levels, compact);
                       })
              : ordered(nullptr);
  members["theta"] = r.theta ? Member(*r.theta, observations, r.missing,
                                      [&](const theta::Result& m, ordered& f) {
                                        return ThetaBody(m, f, horizon, levels);
                                      })
                             : ordered(nullptr);
  file["members"] = std::move(members);
  ordered failures = ordered::array();
  for (const std::string& f : r.failures) failures.push_back(f);
  file["failures"] = std::move(failures);
  return ordered::object();
}

// ---------------------------------------------------------------------------------------------
// Reading: every field is taken by name, and an object whose fields were not all taken is
// refused, so that a misspelt, extra or missing field never passes silently.

class Object {
 public:
  Object(const json& value, std::string path) : value_(value), path_(std::move(path)) {
    if (!value_.is_object()) Refuse(path_, "must be an object");
    taken_.reserve(value_.size());
  }
  Object(const Object&) = delete;

  std::string Path(std::string_view name) const {
    return path_.empty() ? std::string(name) : path_ + "." + std::string(name);
  }
  bool Has(std::string_view name) const { return value_.contains(name); }
  const json& Take(std::string_view name) {
    const auto it = value_.find(name);
    if (it == value_.end()) Refuse(Path(name), "is missing");
    // The keys live in the document: views of them, without copies (a load takes a hundred).
    const std::string& key = it.key();
    if (std::find(taken_.begin(), taken_.end(), key) == taken_.end()) taken_.push_back(key);
    return *it;
  }
  // A finite number; `allow_null`: null stands for NaN (none, or not finite when saved).
  double Real(std::string_view name, bool allow_null = false) {
    return RealOf(Take(name), Path(name), allow_null);
  }
  std::optional<double> OptionalReal(std::string_view name) {
    const json& v = Take(name);
    if (v.is_null()) return std::nullopt;
    return RealOf(v, Path(name), false);
  }
  long Integer(std::string_view name, long lo, long hi) {
    const json& v = Take(name);
    if (!v.is_number_integer()) Refuse(Path(name), "must be an integer");
    const bool too_large = v.is_number_unsigned()
                               ? v.get<std::uint64_t>() > static_cast<std::uint64_t>(hi)
                               : v.get<std::int64_t>() > hi;
    if (too_large || (!v.is_number_unsigned() && v.get<std::int64_t>() < lo) ||
        (v.is_number_unsigned() && lo > 0 &&
         v.get<std::uint64_t>() < static_cast<std::uint64_t>(lo)))
      Refuse(Path(name), "must lie in " + std::to_string(lo) + ".." + std::to_string(hi));
    return static_cast<long>(v.get<std::int64_t>());
  }
  bool Bool(std::string_view name) {
    const json& v = Take(name);
    if (!v.is_boolean()) Refuse(Path(name), "must be true or false");
    return v.get<bool>();
  }
  std::string String(std::string_view name) {
    const json& v = Take(name);
    if (!v.is_string()) Refuse(Path(name), "must be a string");
    return v.get<std::string>();
  }
  template <class Enum>
  Enum Named(std::string_view name) {
    const std::string text = String(name);
    const std::optional<Enum> e = FromString<Enum>(text);
    if (!e) Refuse(Path(name), "unknown value \"" + text + "\"");
    return *e;
  }
  std::vector<double> Reals(std::string_view name, bool allow_null = false) {
    const json& v = Take(name);
    if (!v.is_array()) Refuse(Path(name), "must be an array of numbers");
    std::vector<double> xs;
    xs.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
      const json& x = v[i];
      // The path is spelt only for a refusal: most of a file's time goes into its numbers.
      if (x.is_number_float() && std::isfinite(x.get<double>())) {
        xs.push_back(x.get<double>());
      } else {
        xs.push_back(RealOf(x, Path(name) + "[" + std::to_string(i) + "]", allow_null));
      }
    }
    return xs;
  }
  Object Child(std::string_view name) { return Object(Take(name), Path(name)); }
  const json& Array(std::string_view name) {
    const json& v = Take(name);
    if (!v.is_array()) Refuse(Path(name), "must be an array");
    return v;
  }
  // Refuses the first field that was not taken.
  void Done() const {
    if (taken_.size() == value_.size()) return;
    for (auto it = value_.begin(); it != value_.end(); ++it)
      if (std::find(taken_.begin(), taken_.end(), it.key()) == taken_.end())
        Refuse(Path(it.key()), "is not a field of this format");
  }

 private:
  static double RealOf(const json& v, const std::string& path, bool allow_null) {
    if (v.is_null() && allow_null) return kNaN;
    if (!v.is_number()) Refuse(path, allow_null ? "must be a number or null" : "must be a number");
    const double x = v.get<double>();
    if (!std::isfinite(x)) Refuse(path, "must be a finite number");
    return x;
  }

  const json& value_;
  std::string path_;
  std::vector<std::string_view> taken_;
};

void CheckSize(const std::string& field, std::size_t size, std::size_t expected,
               const std::string& why) {
  if (size != expected)
    Refuse(field, std::to_string(size) + " values; " + why + " gives " + std::to_string(expected));
}

void CheckLevels(const std::string& field, const std::vector<double>& levels) {
  for (const double level : levels) {
    const std::string problem = LevelProblem(level);
    if (!problem.empty()) Refuse(field, problem);
  }
}

// A symmetric matrix written by Matrix: [] for zeros, its nonzero upper-triangle entries, or
// whole; files of version 1 also hold the whole upper triangle as an array.
std::vector<double> Unpack(Object& parent, std::string_view name, std::size_t m) {
  const std::string field = parent.Path(name);
  const std::size_t triangle = m * (m + 1) / 2;
  std::vector<double> full(m * m, 0.0);
  if (parent.Has(name) && parent.Take(name).is_object()) {
    Object sparse = parent.Child(name);
    const json& at = sparse.Array("at");
    const std::vector<double> values = sparse.Reals("values");
    sparse.Done();
    CheckSize(sparse.Path("values"), values.size(), at.size(), "'at'");
    // Position k of the triangle taken column by column: column j, row i <= j.
    std::size_t k = 0, i = 0, j = 0;
    for (std::size_t e = 0; e < at.size(); ++e) {
      if (!at[e].is_number_unsigned() || at[e].get<std::uint64_t>() >= triangle ||
          (e > 0 && at[e].get<std::uint64_t>() <= at[e - 1].get<std::uint64_t>()))
        Refuse(sparse.Path("at") + "[" + std::to_string(e) + "]",
               "positions must ascend within the upper triangle (" + std::to_string(triangle) +
                   " entries)");
      for (const auto target = at[e].get<std::uint64_t>(); k < target; ++k)
        if (++i > j) i = 0, ++j;
      full[i + j * m] = full[j + i * m] = values[e];
    }
    return full;
  }
  const std::vector<double> a = parent.Reals(name);
  if (a.empty()) return full;
  if (a.size() == m * m) return a;
  if (a.size() != triangle)
    Refuse(field, std::to_string(a.size()) + " values; a state of dimension " + std::to_string(m) +
                      " gives " + std::to_string(triangle) + " (upper triangle) or " +
                      std::to_string(m * m));
  std::size_t k = 0;
  for (std::size_t j = 0; j < m; ++j)
    for (std::size_t i = 0; i <= j; ++i) full[i + j * m] = full[j + i * m] = a[k++];
  return full;
}

// The counts every method's statistics end with.
struct Counts {
  long observations = 0;
  long missing = 0;
};

void ReadCounts(Object& t, Counts& counts) {
  counts.observations = t.Integer("observations", 1, kMaxObservations);
  counts.missing = t.Integer("missing", 0, counts.observations - 1);
}

void ReadHorizonAndLevels(Object& s, int& horizon, std::vector<double>& levels) {
  horizon = static_cast<int>(s.Integer("horizon", 0, kMaxObservations));
  levels = s.Reals("levels");
  CheckLevels(s.Path("levels"), levels);
}

// The period and the orders (d and D at most 2), each within the method's bounds.
template <class R>
void ReadOrders(Object& s, R& r, int max_period, int max_order, int max_seasonal_order) {
  r.period = static_cast<int>(s.Integer("period", 1, max_period));
  r.p = static_cast<int>(s.Integer("p", 0, max_order));
  r.d = static_cast<int>(s.Integer("d", 0, 2));
  r.q = static_cast<int>(s.Integer("q", 0, max_order));
  r.P = static_cast<int>(s.Integer("P", 0, max_seasonal_order));
  r.D = static_cast<int>(s.Integer("D", 0, 2));
  r.Q = static_cast<int>(s.Integer("Q", 0, max_seasonal_order));
}

// A transform with its Box-Cox parameter, which only box_cox has.
template <class R>
void ReadTransform(Object& s, R& r) {
  r.transform = s.Named<Transform>("transform");
  r.lambda = s.OptionalReal("lambda");
  if (r.lambda.has_value() != (r.transform == Transform::kBoxCox))
    Refuse(s.Path("lambda"), "a number with the box_cox transform, null otherwise");
}

// The ARMA coefficients, as many as the orders say, and the constant when the model has one.
template <class R>
void ReadArmaCoefficients(Object& e, R& r, bool constant) {
  r.ar = e.Reals("ar");
  r.ma = e.Reals("ma");
  r.seasonal_ar = e.Reals("seasonal_ar");
  r.seasonal_ma = e.Reals("seasonal_ma");
  CheckSize(e.Path("ar"), r.ar.size(), r.p, "the order p");
  CheckSize(e.Path("ma"), r.ma.size(), r.q, "the order q");
  CheckSize(e.Path("seasonal_ar"), r.seasonal_ar.size(), r.P, "the order P");
  CheckSize(e.Path("seasonal_ma"), r.seasonal_ma.size(), r.Q, "the order Q");
  r.constant = e.OptionalReal("constant");
  if (r.constant.has_value() != constant)
    Refuse(e.Path("constant"), constant ? "is missing for a model with a constant"
                                        : "must be null for a model without a constant");
}

// The rest of an ARIMA or ARMAX model's settings after its constant flag (and drift).
template <class R>
void ReadArmaSettingsRest(Object& s, R& r, int& horizon, std::vector<double>& levels) {
  ReadTransform(s, r);
  r.bias_adjusted = s.Bool("bias_adjusted");
  ReadHorizonAndLevels(s, horizon, levels);
  s.Done();
  r.lost = r.d + r.D * r.period;
}

// Reads settings, estimates, state and statistics of an ARIMA model into r.
void ReadArima(Object& file, arima::Result& r, int& horizon, std::vector<double>& levels,
               Counts& counts) {
  {
    Object s = file.Child("settings");
    ReadOrders(s, r, 24, 12, 3);
    if (r.period == 1 && (r.P > 0 || r.Q > 0 || r.D > 0))
      Refuse(s.Path("period"), "seasonal orders need a period above 1");
    const bool constant = s.Bool("constant");
    r.drift = s.Bool("drift");
    ReadArmaSettingsRest(s, r, horizon, levels);
    Object e = file.Child("estimates");
    ReadArmaCoefficients(e, r, constant);
    const json& regression = e.Array("regression");
    for (std::size_t j = 0; j < regression.size(); ++j) {
      Object c(regression[j], e.Path("regression") + "[" + std::to_string(j) + "]");
      arima::Coefficient& k = r.regression.emplace_back();
      k.name = c.String("name");
      k.estimate = c.Real("estimate");
      k.standard_error = c.Real("standard_error", true);
      c.Done();
    }
    // The regression's own coefficients come first, as the fit orders them.
    std::size_t own = 0;
    if (constant) {
      if (regression.size() <= own || r.regression[own].name != "mean")
        Refuse(e.Path("regression"), "a model with a constant has \"mean\" first");
      ++own;
    }
    if (r.drift) {
      if (regression.size() <= own || r.regression[own].name != "drift")
        Refuse(e.Path("regression"), "a model with a drift has \"drift\" after the constant");
      ++own;
    }
    std::set<std::string> names;
    for (std::size_t j = own; j < r.regression.size(); ++j)
      if (r.regression[j].name.empty() || !names.insert(r.regression[j].name).second)
        Refuse(e.Path("regression"), "regressor names must be distinct and not empty");
    r.sigma2 = e.Real("sigma2");
    if (!(r.sigma2 > 0.0)) Refuse(e.Path("sigma2"), "must be positive");
    Object se = e.Child("standard_errors");
    r.standard_errors.ar = se.Reals("ar", true);
    r.standard_errors.ma = se.Reals("ma", true);
    r.standard_errors.seasonal_ar = se.Reals("seasonal_ar", true);
    r.standard_errors.seasonal_ma = se.Reals("seasonal_ma", true);
    CheckSize(se.Path("ar"), r.standard_errors.ar.size(), r.p, "the order p");
    CheckSize(se.Path("ma"), r.standard_errors.ma.size(), r.q, "the order q");
    CheckSize(se.Path("seasonal_ar"), r.standard_errors.seasonal_ar.size(), r.P, "the order P");
    CheckSize(se.Path("seasonal_ma"), r.standard_errors.seasonal_ma.size(), r.Q, "the order Q");
    se.Done();
    e.Done();
    const std::string problem = model::ArimaInadmissible(r);
    if (!problem.empty()) Refuse(e.Path(problem), "outside the admissible region");
  }
  {
    Object s = file.Child("state");
    arima::FilterState& f = r.state;
    // R's makeARIMA: r = max(p + s P, q + s Q + 1), then d + s D differencing states.
    const std::size_t dim = static_cast<std::size_t>(
        std::max(r.p + r.period * r.P, r.q + r.period * r.Q + 1) + r.d + r.period * r.D);
    f.mean = s.Reals("mean");
    CheckSize(s.Path("mean"), f.mean.size(), dim, "the orders");
    f.covariance = Unpack(s, "covariance", dim);
    f.diffuse = Unpack(s, "diffuse", dim);
    f.diffuse_left = static_cast<int>(s.Integer("diffuse_left", 0, static_cast<long>(dim)));
    f.quiet = static_cast<int>(s.Integer("quiet", 0, std::numeric_limits<int>::max()));
    f.steady = s.Bool("steady");
    f.times = s.Integer("times", 0, kMaxObservations);
    f.used = s.Integer("used", 0, f.times);
    f.sum_of_squares = s.Real("sum_of_squares");
    f.sum_log_ratios = s.Real("sum_log_ratios");
    s.Done();
  }
  Object t = file.Child("statistics");
  r.log_likelihood = t.Real("log_likelihood", true);
  r.aic = t.Real("aic", true);
  r.aicc = t.Real("aicc", true);
  r.bic = t.Real("bic", true);
  if (t.Integer("lost", 0, 2 + 2 * 24) != r.lost)
    Refuse(t.Path("lost"), "does not equal d + D s of the orders");
  ReadCounts(t, counts);
  if (r.state.times != counts.observations)
    Refuse(t.Path("observations"), "does not equal the filter state's times");
  t.Done();
}

ets::Bound BoundOf(const json& v, const std::string& path) {
  Object b(v, path);
  ets::Bound bound{.lower = b.Real("lower"), .upper = b.Real("upper")};
  b.Done();
  return bound;
}

void ReadEts(Object& file, ets::Result& r, Counts& counts) {
  {
    Object s = file.Child("settings");
    ets::Settings& g = r.settings;
    g.period = static_cast<int>(s.Integer("period", 1, 24));
    g.horizon = static_cast<int>(s.Integer("horizon", 0, ets::kMaxObservations));
    g.levels = s.Reals("levels");
    CheckLevels(s.Path("levels"), g.levels);
    g.seed = static_cast<std::uint32_t>(s.Integer("seed", 0, 0xFFFFFFFFL));
    g.error = s.Named<ets::ErrorForm>("error");
    g.trend = s.Named<ets::Trend>("trend");
    g.season = s.Named<ets::Season>("season");
    g.criterion = s.Named<ets::Criterion>("criterion");
    g.initialization = s.Named<ets::Initialization>("initialization");
    g.disturbances = s.Named<ets::Disturbances>("disturbances");
    g.paths = static_cast<int>(s.Integer("paths", 500, 50000));
    g.multisteps = static_cast<int>(s.Integer("multisteps", 3, 24));
    g.information_criterion = s.Named<ets::InformationCriterion>("information_criterion");
    g.transform = s.Named<Transform>("transform");
    {
      Object b = s.Child("box_cox");
      g.box_cox.lambda = b.OptionalReal("lambda");
      g.box_cox.bias_adjusted = b.Bool("bias_adjusted");
      b.Done();
    }
    g.search = s.Named<ets::Search>("search");
    g.admissible_region = s.Bool("admissible_region");
    const json& bounds = s.Array("bounds");
    for (std::size_t j = 0; j < bounds.size(); ++j)
      g.bounds.push_back(BoundOf(bounds[j], s.Path("bounds") + "[" + std::to_string(j) + "]"));
    if (g.bounds.size() != 0 && g.bounds.size() != 1 && g.bounds.size() != 4)
      Refuse(s.Path("bounds"), "none, one pair or four pairs");
    g.threads = static_cast<int>(s.Integer("threads", 0, 4096));
    g.count_states = s.Bool("count_states");
    g.restrict_forms = s.Bool("restrict_forms");
    g.multiplicative_trend = s.Bool("multiplicative_trend");
    g.min_seasons = static_cast<int>(s.Integer("min_seasons", 0, 1000));
    s.Done();
  }
  {
    Object e = file.Child("estimates");
    r.model.error = e.Named<ets::ErrorForm>("error");
    r.model.trend = e.Named<ets::Trend>("trend");
    r.model.season = e.Named<ets::Season>("season");
    if (r.model.error == ets::ErrorForm::kAuto) Refuse(e.Path("error"), "a fitted model's form");
    if (r.model.trend == ets::Trend::kAuto) Refuse(e.Path("trend"), "a fitted model's form");
    if (r.model.season == ets::Season::kAuto) Refuse(e.Path("season"), "a fitted model's form");
    r.searched = e.Bool("searched");
    r.period = static_cast<int>(e.Integer("period", 1, 24));
    ReadTransform(e, r);
    r.alpha = e.Real("alpha");
    r.beta = e.Real("beta");
    r.gamma = e.Real("gamma");
    r.phi = e.Real("phi");
    r.initial_level = e.Real("initial_level");
    r.initial_trend = e.OptionalReal("initial_trend");
    r.initial_seasonal = e.Reals("initial_seasonal");
    r.sigma = e.Real("sigma");
    const bool trend = r.model.trend != ets::Trend::kNone;
    const bool season = r.model.season != ets::Season::kNone;
    if (r.initial_trend.has_value() != trend)
      Refuse(e.Path("initial_trend"), "a number with a trend, null without");
    CheckSize(e.Path("initial_seasonal"), r.initial_seasonal.size(),
              season ? static_cast<std::size_t>(r.period) : 0, "the season and period");
    if (season && r.period < 2) Refuse(e.Path("period"), "a seasonal model needs a period above 1");
    e.Done();
    const std::string problem = model::EtsInadmissible(r);
    if (!problem.empty()) Refuse(e.Path(problem), "outside the admissible region");
  }
  {
    Object s = file.Child("state");
    ets::Continuation& c = r.continuation;
    r.final_level = s.Real("final_level");
    r.final_trend = s.OptionalReal("final_trend");
    r.final_seasonal = s.Reals("final_seasonal");
    c.scale = s.Real("scale");
    c.level = s.Real("level");
    c.trend = s.Real("trend");
    c.seasonal = s.Reals("seasonal");
    c.sigma = s.Real("sigma");
    c.resampled_errors = s.Reals("resampled_errors");
    const bool trend = r.model.trend != ets::Trend::kNone;
    const std::size_t seasons =
        r.model.season != ets::Season::kNone ? static_cast<std::size_t>(r.period) : 0;
    if (r.final_trend.has_value() != trend)
      Refuse(s.Path("final_trend"), "a number with a trend, null without");
    CheckSize(s.Path("final_seasonal"), r.final_seasonal.size(), seasons, "the season and period");
    CheckSize(s.Path("seasonal"), c.seasonal.size(), seasons, "the season and period");
    if (!(c.scale > 0.0)) Refuse(s.Path("scale"), "must be positive");
    if (!(c.sigma >= 0.0)) Refuse(s.Path("sigma"), "must not be negative");
    if (r.settings.disturbances == ets::Disturbances::kResampled && c.resampled_errors.empty())
      Refuse(s.Path("resampled_errors"), "resampled disturbances draw from them; none given");
    const std::string problem = model::EtsStatesInadmissible(r);
    if (!problem.empty()) Refuse(s.Path(problem), "must be positive in a multiplicative model");
    s.Done();
  }
  Object t = file.Child("statistics");
  r.log_likelihood = t.Real("log_likelihood", true);
  r.aic = t.Real("aic", true);
  r.aicc = t.Real("aicc", true);
  r.bic = t.Real("bic", true);
  r.sigma2 = t.Real("sigma2", true);
  r.information_criterion = t.Real("information_criterion", true);
  r.mape = t.Real("mape", true);
  r.rmse_average = t.Real("rmse_average", true);
  r.rmse = t.Reals("rmse", true);
  ReadCounts(t, counts);
  t.Done();
}

// The transform of a method that takes none or Box-Cox, with its lambda and bias adjustment.
void ReadBoxCoxOnly(Object& s, std::optional<double>& lambda, bool& bias_adjusted) {
  const Transform transform = s.Named<Transform>("transform");
  if (transform != Transform::kNone && transform != Transform::kBoxCox)
    Refuse(s.Path("transform"), "this method takes none or box_cox");
  lambda = s.OptionalReal("lambda");
  if (lambda.has_value() != (transform == Transform::kBoxCox))
    Refuse(s.Path("lambda"), "a number with the box_cox transform, null otherwise");
  bias_adjusted = s.Bool("bias_adjusted");
}

void ReadTheta(Object& file, theta::Result& r, int& horizon, std::vector<double>& levels,
               Counts& counts) {
  {
    Object s = file.Child("settings");
    r.period = static_cast<int>(s.Integer("period", 1, kMaxObservations));
    ReadBoxCoxOnly(s, r.lambda, r.bias_adjusted);
    ReadHorizonAndLevels(s, horizon, levels);
    s.Done();
  }
  {
    Object e = file.Child("estimates");
    r.seasonal = e.Bool("seasonal");
    r.seasonal_indices = e.Reals("seasonal_indices");
    r.alpha = e.Real("alpha");
    r.initial_level = e.Real("initial_level");
    r.drift = e.Real("drift");
    r.sigma2 = e.Real("sigma2");
    CheckSize(e.Path("seasonal_indices"), r.seasonal_indices.size(),
              r.seasonal ? static_cast<std::size_t>(r.period) : 0, "the season and period");
    if (r.seasonal && r.period < 2)
      Refuse(e.Path("seasonal"), "a seasonal adjustment needs a period above 1");
    // The seasonal adjustment divides by the indices, which the fit keeps positive.
    for (const double index : r.seasonal_indices)
      if (!(index > 0.0)) Refuse(e.Path("seasonal_indices"), "must be positive");
    // Simple exponential smoothing's region, as the fit bounds it.
    if (!(r.alpha > 0.0 && r.alpha <= 1.0))
      Refuse(e.Path("alpha"), "outside the admissible region");
    if (!(r.sigma2 >= 0.0)) Refuse(e.Path("sigma2"), "must not be negative");
    e.Done();
  }
  {
    Object s = file.Child("state");
    r.final_level = s.Real("final_level");
    s.Done();
  }
  Object t = file.Child("statistics");
  ReadCounts(t, counts);
  t.Done();
  r.observations = static_cast<int>(counts.observations);
}

void ReadArmax(Object& file, armax::Result& r, int& horizon, std::vector<double>& levels,
               Counts& counts) {
  {
    Object s = file.Child("settings");
    ReadOrders(s, r, kArmaxMaxOrder, kArmaxMaxOrder, kArmaxMaxOrder);
    if (r.period == 1 && (r.P > 0 || r.Q > 0))
      Refuse(s.Path("period"), "seasonal ARMA orders need a period above 1");
    const bool constant = s.Bool("constant");
    ReadArmaSettingsRest(s, r, horizon, levels);
    Object e = file.Child("estimates");
    ReadArmaCoefficients(e, r, constant);
    r.sigma2 = e.Real("sigma2");
    if (!(r.sigma2 >= 0.0)) Refuse(e.Path("sigma2"), "must not be negative");
    r.sum_of_squares = e.Real("sum_of_squares");
    if (!(r.sum_of_squares >= 0.0)) Refuse(e.Path("sum_of_squares"), "must not be negative");
    e.Done();
    const std::string problem = model::ArmaxInadmissible(r);
    if (!problem.empty()) Refuse(e.Path(problem), "outside the admissible region");
  }
  Object s = file.Child("state");
  armax::Result::Continuation& c = r.continuation;
  c.history = s.Reals("history");
  c.innovations = s.Reals("innovations");
  c.n = static_cast<int>(s.Integer("n", 2, kMaxObservations));
  s.Done();
  Object t = file.Child("statistics");
  r.log_likelihood = t.Real("log_likelihood", true);
  r.aic = t.Real("aic", true);
  r.aicc = t.Real("aicc", true);
  r.bic = t.Real("bic", true);
  if (t.Integer("lost", 0, 2 + 2 * kArmaxMaxOrder) != r.lost)
    Refuse(t.Path("lost"), "does not equal d + D s of the orders");
  ReadCounts(t, counts);
  t.Done();
  if (c.n != counts.observations - r.lost)
    Refuse(s.Path("n"), "does not equal statistics.observations less d + D s");
  const auto observations = static_cast<std::size_t>(counts.observations);
  const auto np = static_cast<std::size_t>(r.p + r.period * r.P + r.lost);
  const auto nq = static_cast<std::size_t>(r.q + r.period * r.Q);
  CheckSize(s.Path("history"), c.history.size(), std::min(np, observations),
            "p + s P + d + s D (at most the observations)");
  CheckSize(s.Path("innovations"), c.innovations.size(),
            std::min(nq, static_cast<std::size_t>(c.n)), "q + s Q (at most n)");
}

// A member of a combination: the fields of its method's model file, its counts those of the whole.
template <class R, class Read>
std::optional<R> ReadMember(Object& members, std::string_view name, const Counts& whole,
                            Read read) {
  const json& v = members.Take(name);
  if (v.is_null()) return std::nullopt;
  Object member(v, members.Path(name));
  R r;
  Counts counts;
  read(member, r, counts);
  if (counts.observations != whole.observations || counts.missing != whole.missing)
    Refuse(member.Path("statistics"), "the counts differ from the combination's");
  r.missing = static_cast<int>(counts.missing);
  member.Done();
  return r;
}

void ReadCombination(Object& file, auto_forecast::Result& r, int& horizon,
                     std::vector<double>& levels, Counts& counts) {
  {
    Object s = file.Child("settings");
    r.period = static_cast<int>(s.Integer("period", 1, 24));
    ReadHorizonAndLevels(s, horizon, levels);
    s.Done();
  }
  // The counts come first: the members must have them.
  {
    Object t = file.Child("statistics");
    ReadCounts(t, counts);
    t.Done();
  }
  Object members = file.Child("members");
  r.smoothing = ReadMember<ets::Result>(
      members, "ets", counts, [](Object& m, ets::Result& e, Counts& c) { ReadEts(m, e, c); });
  r.arima = ReadMember<auto_arima::Result>(members, "auto_arima", counts,
                                           [](Object& m, auto_arima::Result& a, Counts& c) {
                                             int h = 0;
                                             std::vector<double> l;
                                             ReadArima(m, a, h, l, c);
                                           });
  r.theta = ReadMember<theta::Result>(members, "theta", counts,
                                      [](Object& m, theta::Result& t, Counts& c) {
                                        int h = 0;
                                        std::vector<double> l;
                                        ReadTheta(m, t, h, l, c);
                                      });
  const int count = (r.smoothing ? 1 : 0) + (r.arima ? 1 : 0) + (r.theta ? 1 : 0);
  if (count == 0) Refuse(members.Path("ets"), "a combination needs at least one member");
  for (const auto* period :
       {r.smoothing && r.smoothing->model.season != ets::Season::kNone ? &r.smoothing->period
                                                                       : nullptr,
        r.arima && r.arima->P + r.arima->D + r.arima->Q > 0 ? &r.arima->period : nullptr,
        r.theta ? &r.theta->period : nullptr})
    if (period != nullptr && *period != r.period)
      Refuse(members.Path("ets"), "the members' periods differ from the combination's");
  members.Done();
  const json& failures = file.Array("failures");
  for (std::size_t j = 0; j < failures.size(); ++j) {
    if (!failures[j].is_string()) Refuse("failures[" + std::to_string(j) + "]", "must be a string");
    r.failures.push_back(failures[j].get<std::string>());
  }
  if (count == 1) r.status = Status::kSingleMember;
}

// The deepest nesting of arrays and objects in `text`, counted outside strings.
int Depth(std::string_view text) {
  int depth = 0, deepest = 0;
  bool in_string = false, escaped = false;
  for (const char ch : text) {
    if (in_string) {
      if (escaped)
        escaped = false;
      else if (ch == '\\')
        escaped = true;
      else if (ch == '"')
        in_string = false;
    } else if (ch == '"') {
      in_string = true;
    } else if (ch == '[' || ch == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (ch == ']' || ch == '}') {
      --depth;
    }
  }
  return deepest;
}

template <class R>
Method MethodOfResult() {
  if constexpr (std::is_same_v<R, arima::Result>) return Method::kArima;
  if constexpr (std::is_same_v<R, auto_arima::Result>) return Method::kAutoArima;
  if constexpr (std::is_same_v<R, ets::Result>) return Method::kEts;
  if constexpr (std::is_same_v<R, armax::Result>) return Method::kArmax;
  if constexpr (std::is_same_v<R, theta::Result>) return Method::kTheta;
  return Method::kAuto;
}

}  // namespace

std::string ToJson(const Model& model, const SaveOptions& options) {
  const Forecast* common = batch::Common(model.result);
  if (common == nullptr) RefuseSave("no fitted result to save");
  ordered file;
  file["format"] = kFormatName;
  file["format_version"] = kModelFormatVersion;
  file["library_version"] = kLibraryVersion;
  if (!model.id.empty()) file["id"] = model.id;
  const long n =
      model.observations > 0 ? model.observations : static_cast<long>(common->fitted.size());
  ordered statistics;
  std::visit(
      [&](const auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, std::monostate>) {
          RefuseSave("no fitted result to save");
        } else {
          file["method"] = ToString(MethodOfResult<R>());
          file["model"] = batch::ModelName(model.result);
          const int horizon = model.horizon >= 0 ? model.horizon : HorizonOf(r);
          const std::vector<double> levels = model.horizon >= 0 ? model.levels : LevelsOf(r);
          if constexpr (std::is_same_v<R, arima::Result> || std::is_same_v<R, auto_arima::Result>)
            statistics = ArimaBody(r, file, horizon, levels, options.compact);
          else if constexpr (std::is_same_v<R, ets::Result>)
            statistics = EtsBody(r, file);
          else if constexpr (std::is_same_v<R, theta::Result>)
            statistics = ThetaBody(r, file, horizon, levels);
          else if constexpr (std::is_same_v<R, armax::Result>)
            statistics = ArmaxBody(r, file, horizon, levels);
          else
            statistics = CombinationBody(r, file, horizon, levels, n, options.compact);
        }
      },
      model.result);
  statistics["observations"] = n;
  statistics["missing"] = common->missing;
  file["statistics"] = std::move(statistics);
  file["periods"] = ordered::array();
  std::visit(
      [&](const auto& r) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(r)>, std::monostate>)
          file["periods"].push_back(r.period);
      },
      model.result);
  file["time"] = model.time
                     ? ordered{{"last", model.time->last}, {"calendar", model.time->calendar}}
                     : ordered(nullptr);
  if (options.data) {
    if (!model.data.empty() && static_cast<long>(model.data.size()) != n)
      RefuseSave("the data have " + std::to_string(model.data.size()) + " values; the model " +
                 std::to_string(n) + " observations");
    if (model.data.empty()) RefuseSave("no data to save: the model's data are empty");
    // Missing values are written as null.
    file["data"] = Numbers(model.data);
  }
  return file.dump();
}

Model FromJson(std::string_view text) {
  if (Depth(text) > kMaxDepth) Refuse("", "nested deeper than a model file is");
  json document;
  try {
    document = json::parse(text.begin(), text.end());
  } catch (const json::out_of_range& e) {
    // A number beyond the doubles (1e999): named by the key before it.
    std::string field = "?";
    const std::string what = e.what();
    const std::size_t open = what.find('\''), close = what.rfind('\'');
    if (open != std::string::npos && close > open) {
      const std::size_t at = text.find(what.substr(open + 1, close - open - 1));
      const std::size_t colon = at == std::string_view::npos ? at : text.rfind(':', at);
      const std::size_t end = colon == std::string_view::npos ? colon : text.rfind('"', colon);
      const std::size_t begin = end == 0 || end == std::string_view::npos
                                    ? std::string_view::npos
                                    : text.rfind('"', end - 1);
      if (begin != std::string_view::npos)
        field = std::string(text.substr(begin + 1, end - begin - 1));
    }
    Refuse(field, "a number that is not finite (" + what + ")");
  } catch (const json::exception& e) {
    throw Error(Status::kInvalidData, std::string("model file: not JSON: ") + e.what());
  }
  Object file(document, "");
  if (file.String("format") != kFormatName)
    Refuse("format", std::string("must be \"") + kFormatName + "\"");
  const long version = file.Integer("format_version", 1, std::numeric_limits<int>::max());
  if (version > kModelFormatVersion)
    Refuse("format_version", "version " + std::to_string(version) +
                                 " is newer than this library reads (" +
                                 std::to_string(kModelFormatVersion) + "); upgrade the library");
  file.String("library_version");
  Model model;
  if (file.Has("id")) {
    model.id = file.String("id");
    if (model.id.empty()) Refuse("id", "must not be empty when present");
  }
  const std::string method_name = file.String("method");
  const std::optional<Method> method = FromString<Method>(method_name);
  Counts counts;
  if (method == Method::kArima || method == Method::kAutoArima) {
    arima::Result r;
    ReadArima(file, r, model.horizon, model.levels, counts);
    if (method == Method::kArima) {
      model.result = std::move(r);
    } else {
      auto_arima::Result a;
      static_cast<arima::Result&>(a) = std::move(r);
      model.result = std::move(a);
    }
  } else if (method == Method::kEts) {
    ets::Result r;
    ReadEts(file, r, counts);
    model.horizon = r.settings.horizon;
    model.levels = r.settings.levels;
    model.result = std::move(r);
  } else if (method == Method::kTheta) {
    theta::Result r;
    ReadTheta(file, r, model.horizon, model.levels, counts);
    model.result = std::move(r);
  } else if (method == Method::kArmax) {
    armax::Result r;
    ReadArmax(file, r, model.horizon, model.levels, counts);
    model.result = std::move(r);
  } else if (method == Method::kAuto) {
    auto_forecast::Result r;
    ReadCombination(file, r, model.horizon, model.levels, counts);
    model.result = std::move(r);
  } else {
    Refuse("method", "\"" + method_name + "\" is not a method saved in model files");
  }
  // The name is the method's notation of the fields read: a file whose fields describe another
  // model than it names is refused.
  const std::string name = file.String("model");
  if (name != batch::ModelName(model.result))
    Refuse("model",
           "names \"" + name + "\"; the fields describe " + batch::ModelName(model.result));
  const json& periods = file.Array("periods");
  std::visit(
      [&](auto& r) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(r)>, std::monostate>) {
          if (periods.size() != 1 || !periods[0].is_number_integer() ||
              periods[0].get<std::int64_t>() != r.period)
            Refuse("periods", "must be [" + std::to_string(r.period) + "], the model's period");
        }
      },
      model.result);
  model.observations = counts.observations;
  std::visit(
      [&](auto& r) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(r)>, std::monostate>)
          r.missing = static_cast<int>(counts.missing);
      },
      model.result);
  const json& time = file.Take("time");
  if (!time.is_null()) {
    Object t(time, "time");
    model.time = SeriesTime{.last = t.String("last"), .calendar = t.String("calendar")};
    t.Done();
  }
  if (file.Has("data")) {
    model.data = file.Reals("data", true);
    CheckSize("data", model.data.size(), static_cast<std::size_t>(model.observations),
              "statistics.observations");
  }
  file.Done();
  return model;
}

void Save(const Model& model, std::ostream& out, const SaveOptions& options) {
  out << ToJson(model, options) << '\n';
  if (!out) throw Error(Status::kInvalidData, "model file: the stream could not be written");
}

void Save(const batch::MethodResult& result, std::ostream& out) {
  Model model;
  model.result = result;
  Save(model, out);
}

Model Load(std::istream& in) {
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return FromJson(text);
}

std::vector<Model> LoadMany(std::istream& in) {
  std::vector<Model> models;
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    try {
      models.push_back(FromJson(line));
    } catch (const Error& e) {
      throw Error(e.status(), "line " + std::to_string(number) + ": " + e.text());
    }
  }
  return models;
}

const Forecast& Common(const Model& model) {
  const Forecast* f = batch::Common(model.result);
  if (f == nullptr) throw Error(Status::kInvalidSettings, "model: no fitted result");
  return *f;
}

Model Predict(const Model& model, int horizon, const std::vector<double>& levels,
              std::optional<std::uint32_t> seed) {
  Model out = model;
  std::visit(
      [&](auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, arima::Result>) {
          r = arima::Predict(r, horizon, levels);
        } else if constexpr (std::is_same_v<R, auto_arima::Result>) {
          static_cast<arima::Result&>(r) = arima::Predict(r, horizon, levels);
        } else if constexpr (std::is_same_v<R, ets::Result>) {
          r = ets::ForecastFrom(r, horizon, levels, seed.value_or(r.settings.seed));
        } else if constexpr (std::is_same_v<R, theta::Result>) {
          r = theta::Predict(r, horizon, levels);
        } else if constexpr (std::is_same_v<R, armax::Result>) {
          r = armax::Predict(r, horizon, levels);
        } else if constexpr (std::is_same_v<R, auto_forecast::Result>) {
          r = auto_forecast::Predict(r, horizon, levels, seed);
        } else {
          throw Error(Status::kInvalidSettings, "model: no fitted result");
        }
      },
      out.result);
  return out;
}

Model Update(const Model& model, std::span<const double> new_observations,
             std::optional<std::string> last_time) {
  Model out = model;
  if (out.observations <= 0) out.observations = static_cast<long>(Common(model).fitted.size());
  const int horizon = model.horizon >= 0 ? model.horizon : HorizonOf(Common(model));
  const std::vector<double> levels = model.horizon >= 0 ? model.levels : LevelsOf(Common(model));
  std::visit(
      [&](auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, arima::Result> || std::is_same_v<R, auto_arima::Result>) {
          const std::size_t own = (r.constant ? 1 : 0) + (r.drift ? 1 : 0);
          if (r.regression.size() > own)
            throw Error(Status::kInvalidSettings,
                        "model: a model with regressors is updated by arima::Update with the "
                        "regressors' new values");
          arima::Result u = arima::Update(r, new_observations);
          // The information criteria count the observed values of the whole series, which a
          // loaded model knows by number only.
          const double k = static_cast<double>(r.ar.size() + r.ma.size() + r.seasonal_ar.size() +
                                               r.seasonal_ma.size() + r.regression.size()) +
                           1.0;
          const double n = static_cast<double>(
              out.observations + static_cast<long>(new_observations.size()) - u.missing - u.lost);
          u.aic = -2.0 * u.log_likelihood + 2.0 * k;
          u.aicc = n - k - 1.0 > 0.0 ? u.aic + 2.0 * k * (k + 1.0) / (n - k - 1.0)
                                     : std::numeric_limits<double>::infinity();
          u.bic = u.aic + k * (std::log(n) - 2.0);
          static_cast<arima::Result&>(r) = arima::Predict(u, horizon, levels);
        } else if constexpr (std::is_same_v<R, ets::Result>) {
          r.settings.horizon = horizon;
          r.settings.levels = levels;
          r = ets::Update(r, new_observations);
        } else {
          // Theta's drift and seasonal indices, ARMAX's exact whitening and a combination's
          // members are estimates of the whole series, with no filter to continue.
          throw Error(Status::kInvalidSettings,
                      "model: updates are made for arima, auto_arima and ets models; refit a " +
                          std::string(ToString(MethodOfResult<R>())) + " model instead");
        }
      },
      out.result);
  out.observations += static_cast<long>(new_observations.size());
  if (!out.data.empty())
    out.data.insert(out.data.end(), new_observations.begin(), new_observations.end());
  out.time.reset();
  if (last_time)
    out.time = SeriesTime{.last = std::move(*last_time),
                          .calendar = model.time ? model.time->calendar : std::string()};
  return out;
}

Model Refit(const Model& model, std::span<const double> observations) {
  Model out;
  out.observations = static_cast<long>(observations.size());
  out.horizon = model.horizon;
  out.levels = model.levels;
  const int horizon = model.horizon >= 0 ? model.horizon : HorizonOf(Common(model));
  const std::vector<double> levels = model.horizon >= 0 ? model.levels : LevelsOf(Common(model));
  std::visit(
      [&](const auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, arima::Result> || std::is_same_v<R, auto_arima::Result>) {
          const std::size_t own = (r.constant ? 1 : 0) + (r.drift ? 1 : 0);
          if (r.regression.size() > own)
            throw Error(Status::kInvalidSettings,
                        "model: a model with regressors is refitted by arima::Fit with them");
          arima::Settings s;
          s.period = r.period;
          s.horizon = horizon;
          s.levels = levels;
          s.p = r.p, s.d = r.d, s.q = r.q, s.P = r.P, s.D = r.D, s.Q = r.Q;
          s.constant = r.constant.has_value();
          s.drift = r.drift;
          s.transform = r.transform;
          s.box_cox = {.lambda = r.lambda, .bias_adjusted = r.bias_adjusted};
          out.result = arima::Fit(observations, s);
        } else if constexpr (std::is_same_v<R, ets::Result>) {
          ets::Settings s = r.settings;
          s.error = r.model.error;
          s.trend = r.model.trend;
          s.season = r.model.season;
          s.horizon = horizon;
          s.levels = levels;
          if (r.lambda) s.box_cox.lambda = r.lambda;
          out.result = ets::Fit(observations, s);
        } else if constexpr (std::is_same_v<R, theta::Result>) {
          out.result = theta::Fit(
              observations, {.period = r.period,
                             .horizon = horizon,
                             .levels = levels,
                             .transform = r.lambda ? Transform::kBoxCox : Transform::kNone,
                             .box_cox = {.lambda = r.lambda, .bias_adjusted = r.bias_adjusted}});
        } else {
          throw Error(Status::kInvalidSettings,
                      "model: refits are made for arima, auto_arima, ets and theta models");
        }
      },
      model.result);
  out.time = model.time;
  if (!model.data.empty()) out.data.assign(observations.begin(), observations.end());
  return out;
}

}  // namespace vordex
