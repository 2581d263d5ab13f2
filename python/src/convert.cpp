#include "convert.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <type_traits>

namespace vordex::python {
namespace {

[[noreturn]] void Refuse(std::string_view field, const std::string& what, py::handle value) {
  throw Error(Status::kInvalidSettings, std::string(field) + " must be " + what + "; got " +
                                            py::repr(value).cast<std::string>());
}

template <class Enum>
std::string Quoted() {
  std::string list;
  for (const auto& [value, name] : AllNames<Enum>()) {
    if (!list.empty()) list += ", ";
    list += '\'';
    list += name;
    list += '\'';
  }
  return list;
}

template <class Enum>
Enum Named(std::string_view field, py::handle value) {
  if (py::isinstance<py::str>(value))
    if (const std::optional<Enum> e = FromString<Enum>(value.cast<std::string>())) return *e;
  Refuse(field, "one of " + Quoted<Enum>(), value);
}

// What a value of type T must be, for a refusal's message.
template <class T>
std::string Expected() {
  if constexpr (std::is_same_v<T, bool>) return "True or False";
  if constexpr (std::is_same_v<T, int>) return "an integer";
  if constexpr (std::is_same_v<T, std::uint32_t>) return "an integer in 0..4294967295";
  if constexpr (std::is_same_v<T, std::vector<double>>) return "a sequence of numbers";
  return "a number";
}

// A scalar of type T, or nothing. True and False are integers to Python; here they are the
// booleans and nothing else.
template <class T>
std::optional<T> Scalar(py::handle value) {
  if (py::isinstance<py::bool_>(value) != std::is_same_v<T, bool>) return std::nullopt;
  try {
    return value.cast<T>();
  } catch (const py::cast_error&) {
    return std::nullopt;
  }
}

// A value of type T for the setting `field`: enumerations by name, booleans, integers and
// numbers from Python's, an optional number from None or a number, levels from a sequence of
// numbers.
template <class T>
T Read(std::string_view field, py::handle value) {
  if constexpr (std::is_enum_v<T>) {
    return Named<T>(field, value);
  } else if constexpr (std::is_same_v<T, std::optional<double>>) {
    if (value.is_none()) return std::nullopt;
    return Read<double>(field, value);
  } else if constexpr (std::is_same_v<T, std::vector<double>>) {
    if (!py::isinstance<py::str>(value) && py::isinstance<py::sequence>(value)) {
      T out;
      for (py::handle x : value.cast<py::sequence>()) {
        const std::optional<double> v = Scalar<double>(x);
        if (!v) Refuse(field, Expected<T>(), value);
        out.push_back(*v);
      }
      return out;
    }
    Refuse(field, Expected<T>(), value);
  } else {
    if (const std::optional<T> v = Scalar<T>(value)) return *v;
    Refuse(field, Expected<T>(), value);
  }
}

// One settable field of a Settings struct, by its C++ name.
template <class S>
struct Field {
  const char* name;
  std::function<void(S&, py::handle)> set;
};

template <class S, class T>
Field<S> Member(const char* name, T S::*member) {
  return {name, [name, member](S& s, py::handle value) { s.*member = Read<T>(name, value); }};
}

// The Box-Cox parameters, a dict {"lambda": None or a number, "bias_adjusted": bool}.
template <class S>
Field<S> BoxCoxField() {
  return {"box_cox", [](S& s, py::handle value) {
            if (!py::isinstance<py::dict>(value)) Refuse("box_cox", "a dict", value);
            const auto d = value.cast<py::dict>();
            if (d.contains("lambda"))
              s.box_cox.lambda = Read<std::optional<double>>("lambda", d["lambda"]);
            if (d.contains("bias_adjusted"))
              s.box_cox.bias_adjusted = Read<bool>("bias_adjusted", d["bias_adjusted"]);
          }};
}

// Regressors as (names, values by columns): a sequence of column names and a flat sequence of
// their values, column after column.
template <class S>
Field<S> RegressorField(const char* name, Regressors S::*member) {
  return {name, [name, member](S& s, py::handle value) {
            if (!py::isinstance<py::tuple>(value) || py::len(value) != 2)
              Refuse(name, "a pair (names, values by columns)", value);
            const auto pair = value.cast<py::tuple>();
            Regressors x;
            for (py::handle n : pair[0].cast<py::sequence>()) x.names.push_back(py::str(n));
            x.values = Read<std::vector<double>>(name, pair[1]);
            if (x.names.empty() ? !x.values.empty() : x.values.size() % x.names.size() != 0)
              Refuse(name, "as many values in each column", value);
            s.*member = std::move(x);
          }};
}

template <class S>
S ReadSettings(const py::dict& settings, const char* method, std::initializer_list<Field<S>> fields,
               S s = {}) {
  for (auto [key, value] : settings) {
    const auto name = py::cast<std::string>(key);
    const Field<S>* field = nullptr;
    for (const Field<S>& f : fields)
      if (name == f.name) field = &f;
    if (field == nullptr)
      throw Error(Status::kInvalidSettings, std::string(method) + " has no setting " + name);
    field->set(s, value);
  }
  return s;
}

// The enumerations that settings name, by the name of their kind.
struct Kind {
  const char* name;
  std::string (*canonical)(std::string_view field, py::handle value);
  py::tuple (*names)();
};

template <class Enum>
std::string CanonicalOf(std::string_view field, py::handle value) {
  return std::string(ToString(Named<Enum>(field, value)));
}

template <class Enum>
py::tuple NamesOf() {
  py::list names;
  for (const auto& [value, name] : AllNames<Enum>())
    names.append(py::str(name.data(), name.size()));
  return py::tuple(names);
}

template <class Enum>
Kind KindOf(const char* name) {
  return {name, &CanonicalOf<Enum>, &NamesOf<Enum>};
}

const Kind kKinds[] = {
    KindOf<Transform>("transform"),
    KindOf<Method>("method"),
    KindOf<ets::ErrorForm>("error"),
    KindOf<ets::Trend>("trend"),
    KindOf<ets::Season>("season"),
    KindOf<ets::Criterion>("criterion"),
    KindOf<ets::Initialization>("initialization"),
    KindOf<ets::Disturbances>("disturbances"),
    KindOf<ets::InformationCriterion>("information_criterion"),
    KindOf<ets::Search>("search"),
};

py::array_t<double> Array(const std::vector<double>& v) {
  return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
}

py::object Optional(const std::optional<double>& x) {
  return x ? py::object(py::float_(*x)) : py::object(py::none());
}

py::str Name(std::string_view name) {
  return {name.data(), name.size()};
}

// What every method's result shares (forecast.hpp).
void CommonFields(const Forecast& r, py::dict& d) {
  d["mean"] = Array(r.mean);
  py::list limits;
  for (const Limits& l : r.limits)
    limits.append(py::make_tuple(l.level, Array(l.lower), Array(l.upper)));
  d["limits"] = limits;
  d["fitted"] = Array(r.fitted);
  d["residuals"] = Array(r.residuals);
  d["sigma2"] = r.sigma2;
  d["log_likelihood"] = r.log_likelihood;
  d["aic"] = r.aic;
  d["aicc"] = r.aicc;
  d["bic"] = r.bic;
  d["status"] = Code(r.status);
  d["fallback"] = r.fallback;
  d["missing"] = r.missing;
  d["warnings"] = ToList(r.warnings);
}

// The coefficients and statistics that the seasonal ARMA methods share.
template <class R>
void ArmaFields(const R& r, py::dict& d) {
  CommonFields(r, d);
  d["period"] = r.period;
  d["orders"] = py::make_tuple(r.p, r.d, r.q, r.P, r.D, r.Q);
  d["transform"] = Name(ToString(r.transform));
  d["lost"] = r.lost;
  d["series"] = Array(r.series);
  d["ar"] = Array(r.ar);
  d["ma"] = Array(r.ma);
  d["seasonal_ar"] = Array(r.seasonal_ar);
  d["seasonal_ma"] = Array(r.seasonal_ma);
  d["constant"] = Optional(r.constant);
}

}  // namespace

arima::Settings ArimaSettings(const py::dict& settings) {
  using S = arima::Settings;
  return ReadSettings<S>(
      settings, "arima",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("p", &S::p),
       Member("d", &S::d), Member("q", &S::q), Member("P", &S::P), Member("D", &S::D),
       Member("Q", &S::Q), Member("constant", &S::constant), Member("transform", &S::transform),
       Member("levels", &S::levels), Member("critical_value", &S::critical_value),
       Member("thorough", &S::thorough), BoxCoxField<S>(),
       RegressorField("regressors", &S::regressors), RegressorField("future", &S::future),
       Member("drift", &S::drift)});
}

ets::Settings EtsSettings(const py::dict& settings) {
  using S = ets::Settings;
  // Bounds come as a sequence of (lower, upper) pairs.
  Field<S> bounds{"bounds", [](S& s, py::handle value) {
                    s.bounds.clear();
                    if (!py::isinstance<py::sequence>(value))
                      Refuse("bounds", "(lower, upper) pairs", value);
                    for (py::handle pair : value.cast<py::sequence>()) {
                      const std::vector<double> p = Read<std::vector<double>>("bounds", pair);
                      if (p.size() != 2) Refuse("bounds", "(lower, upper) pairs", value);
                      s.bounds.push_back({p[0], p[1]});
                    }
                  }};
  // "auto": the recommended automatic smoothing (ets::AutoSettings) for the period and horizon,
  // then the other keys on top of it.
  S base;
  if (settings.contains("auto") && Read<bool>("auto", settings["auto"])) {
    const auto value = [&](const char* key, int otherwise) {
      return settings.contains(key) ? Read<int>(key, settings[key]) : otherwise;
    };
    base = ets::AutoSettings(value("period", base.period), value("horizon", base.horizon));
  }
  const Field<S> preset{"auto", [](S&, py::handle) {}};
  return ReadSettings<S>(settings, "ets",
                         {preset,
                          Member("period", &S::period),
                          Member("horizon", &S::horizon),
                          Member("error", &S::error),
                          Member("trend", &S::trend),
                          Member("season", &S::season),
                          Member("criterion", &S::criterion),
                          Member("initialization", &S::initialization),
                          Member("disturbances", &S::disturbances),
                          Member("paths", &S::paths),
                          Member("multisteps", &S::multisteps),
                          Member("information_criterion", &S::information_criterion),
                          Member("transform", &S::transform),
                          Member("search", &S::search),
                          Member("admissible_region", &S::admissible_region),
                          Member("levels", &S::levels),
                          bounds,
                          Member("seed", &S::seed),
                          Member("threads", &S::threads),
                          BoxCoxField<S>()},
                         base);
}

armax::Settings ArmaxSettings(const py::dict& settings) {
  using S = armax::Settings;
  return ReadSettings<S>(
      settings, "armax",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("p", &S::p),
       Member("d", &S::d), Member("q", &S::q), Member("P", &S::P), Member("D", &S::D),
       Member("Q", &S::Q), Member("constant", &S::constant), Member("transform", &S::transform),
       Member("levels", &S::levels), Member("critical_value", &S::critical_value),
       Member("thorough", &S::thorough), BoxCoxField<S>()});
}

auto_arima::Settings AutoArimaSettings(const py::dict& settings) {
  using S = auto_arima::Settings;
  return ReadSettings<S>(settings, "auto_arima",
                         {Member("period", &S::period),
                          Member("horizon", &S::horizon),
                          Member("levels", &S::levels),
                          Member("d", &S::d),
                          Member("D", &S::D),
                          Member("max_p", &S::max_p),
                          Member("max_q", &S::max_q),
                          Member("max_P", &S::max_P),
                          Member("max_Q", &S::max_Q),
                          Member("max_order", &S::max_order),
                          Member("max_d", &S::max_d),
                          Member("max_D", &S::max_D),
                          Member("stepwise", &S::stepwise),
                          Member("allow_constant", &S::allow_constant),
                          Member("thorough", &S::thorough),
                          Member("approximation", &S::approximation),
                          Member("transform", &S::transform),
                          BoxCoxField<S>(),
                          RegressorField("regressors", &S::regressors),
                          RegressorField("future", &S::future)});
}

theta::Settings ThetaSettings(const py::dict& settings) {
  using S = theta::Settings;
  return ReadSettings<S>(
      settings, "theta",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("levels", &S::levels),
       Member("transform", &S::transform), BoxCoxField<S>()});
}

auto_forecast::Settings AutoForecastSettings(const py::dict& settings) {
  using S = auto_forecast::Settings;
  return ReadSettings<S>(
      settings, "auto",
      {Member("period", &S::period), Member("periods", &S::periods), Member("horizon", &S::horizon),
       Member("levels", &S::levels), Member("seed", &S::seed), Member("threads", &S::threads),
       Member("transform", &S::transform), BoxCoxField<S>()});
}

std::string CanonicalName(std::string_view kind, const py::handle& name) {
  for (const Kind& k : kKinds)
    if (kind == k.name) return k.canonical(kind, name);
  throw std::invalid_argument("no names of kind " + std::string(kind));
}

py::dict AllNamesByKind() {
  py::dict all;
  for (const Kind& k : kKinds) all[k.name] = k.names();
  return all;
}

py::dict ToDict(const arima::Result& r) {
  py::dict d;
  ArmaFields(r, d);
  d["model"] = ModelName(r);
  py::list regression;
  for (const arima::Coefficient& c : r.regression)
    regression.append(py::make_tuple(Name(c.name), c.estimate, c.standard_error));
  d["regression"] = regression;
  return d;
}

py::dict ToDict(const armax::Result& r) {
  py::dict d;
  ArmaFields(r, d);
  d["sum_of_squares"] = r.sum_of_squares;
  d["model"] = ModelName(r);
  return d;
}

py::dict ToDict(const ets::Result& r) {
  py::dict d;
  CommonFields(r, d);
  d["model"] = ModelName(r);
  d["period"] = r.period;
  d["transform"] = Name(ToString(r.transform));
  d["components"] = py::make_tuple(Name(ToString(r.model.error)), Name(ToString(r.model.trend)),
                                   Name(ToString(r.model.season)));
  d["searched"] = r.searched;
  d["series"] = Array(r.series);
  d["alpha"] = r.alpha;
  d["beta"] = r.beta;
  d["gamma"] = r.gamma;
  d["phi"] = r.phi;
  d["initial_level"] = r.initial_level;
  d["initial_trend"] = Optional(r.initial_trend);
  d["initial_seasonal"] = Array(r.initial_seasonal);
  d["rmse_average"] = r.rmse_average;
  d["rmse"] = Array(r.rmse);
  d["sigma"] = r.sigma;
  d["information_criterion"] = r.information_criterion;
  d["mape"] = r.mape;
  return d;
}

py::dict ToDict(const auto_arima::Result& r) {
  py::dict d = ToDict(static_cast<const arima::Result&>(r));
  py::list path;
  for (const auto_arima::Candidate& c : r.path)
    path.append(py::make_tuple(ModelName(c, r.period), c.aicc, c.note));
  d["path"] = path;
  return d;
}

py::dict ToDict(const theta::Result& r) {
  py::dict d;
  CommonFields(r, d);
  d["model"] = ModelName(r);
  d["period"] = r.period;
  d["transform"] = Name(ToString(Transform::kNone));
  d["seasonal"] = r.seasonal;
  d["seasonal_indices"] = Array(r.seasonal_indices);
  d["alpha"] = r.alpha;
  d["initial_level"] = r.initial_level;
  d["drift"] = r.drift;
  return d;
}

py::dict ToDict(const auto_forecast::Result& r) {
  py::dict d;
  CommonFields(r, d);
  d["model"] = ModelName(r);
  d["period"] = r.period;
  d["periods"] = Array(r.periods);
  d["transform"] = Name(ToString(Transform::kNone));
  py::dict members;
  if (r.smoothing) members["ets"] = ToDict(*r.smoothing);
  if (r.arima) members["auto_arima"] = ToDict(*r.arima);
  if (r.theta) members["theta"] = ToDict(*r.theta);
  d["members"] = members;
  py::list failures;
  for (const std::string& f : r.failures) failures.append(f);
  d["failures"] = failures;
  return d;
}

py::list ToList(const std::vector<Message>& messages) {
  py::list list;
  for (const Message& m : messages) list.append(py::make_tuple(m.title, m.text, m.style));
  return list;
}

std::vector<double> Observations(const DoubleArray& y) {
  if (y.ndim() != 1)
    throw Error(Status::kNotOneDimension, "The observations must be a one-dimensional array");
  std::vector<double> values(static_cast<std::size_t>(y.shape(0)));
  const auto view = y.unchecked<1>();
  for (py::ssize_t i = 0; i < y.shape(0); ++i) values[static_cast<std::size_t>(i)] = view(i);
  return values;
}

void RaiseError(const Error& error) {
  const py::object make = py::module_::import("vordex._errors").attr("engine_error");
  const py::object exception = make(Code(error.status()), error.text(), ToList(error.messages()));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
  throw py::error_already_set();
}

}  // namespace vordex::python
