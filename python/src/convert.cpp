#include "convert.h"

#include <functional>
#include <initializer_list>
#include <type_traits>

namespace vordex::python {
namespace {

// One settable field of a Settings struct, by its C++ name.
template <class S>
struct Field {
  const char* name;
  std::function<void(S&, py::handle)> set;
};

template <class S, class T>
Field<S> Member(const char* name, T S::*member) {
  return {name, [member](S& s, py::handle value) {
            if constexpr (std::is_enum_v<T>) {
              s.*member = static_cast<T>(py::cast<int>(value));
            } else {
              s.*member = py::cast<T>(value);
            }
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
      throw py::type_error("unknown " + std::string(method) + " setting " + name);
    field->set(s, value);
  }
  return s;
}

py::array_t<double> Array(const std::vector<double>& v) {
  return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
}

py::object Optional(const std::optional<double>& x) {
  return x ? py::object(py::float_(*x)) : py::object(py::none());
}

// The coefficients and statistics that the seasonal ARMA methods share.
template <class R>
void ArmaFields(const R& r, py::dict& d) {
  d["series"] = Array(r.series);
  d["residuals"] = Array(r.residuals);
  d["forecasts"] = Array(r.forecasts);
  d["lower"] = Array(r.lower);
  d["upper"] = Array(r.upper);
  d["ar"] = Array(r.ar);
  d["ma"] = Array(r.ma);
  d["seasonal_ar"] = Array(r.seasonal_ar);
  d["seasonal_ma"] = Array(r.seasonal_ma);
  d["constant"] = Optional(r.constant);
  d["sigma2"] = r.sigma2;
  d["log_likelihood"] = r.log_likelihood;
  d["aic"] = r.aic;
  d["warnings"] = ToList(r.warnings);
}

}  // namespace

arima::Settings ArimaSettings(const py::dict& settings) {
  using S = arima::Settings;
  return ReadSettings<S>(
      settings, "arima",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("p", &S::p),
       Member("d", &S::d), Member("q", &S::q), Member("P", &S::P), Member("D", &S::D),
       Member("Q", &S::Q), Member("mean", &S::mean), Member("transform", &S::transform),
       Member("critical_value", &S::critical_value), Member("thorough", &S::thorough)});
}

ets::Settings EtsSettings(const py::dict& settings) {
  using S = ets::Settings;
  // Bounds come as a sequence of (lower, upper) pairs.
  Field<S> bounds{"bounds", [](S& s, py::handle value) {
                    s.bounds.clear();
                    for (py::handle pair : value.cast<py::sequence>()) {
                      const auto p = pair.cast<py::sequence>();
                      if (p.size() != 2) throw py::type_error("a bound is a (lower, upper) pair");
                      s.bounds.push_back({p[0].cast<double>(), p[1].cast<double>()});
                    }
                  }};
  // "auto": the recommended automatic smoothing (ets::AutoSettings) for the period and horizon,
  // then the other keys on top of it.
  S base;
  if (settings.contains("auto") && py::cast<bool>(settings["auto"])) {
    const auto value = [&](const char* key, int otherwise) {
      return settings.contains(key) ? py::cast<int>(settings[key]) : otherwise;
    };
    base = ets::AutoSettings(value("period", base.period), value("horizon", base.horizon));
  }
  const Field<S> preset{"auto", [](S&, py::handle) {}};
  return ReadSettings<S>(
      settings, "ets",
      {preset, Member("period", &S::period), Member("horizon", &S::horizon),
       Member("error", &S::error), Member("trend", &S::trend), Member("season", &S::season),
       Member("criterion", &S::criterion), Member("initialization", &S::initialization),
       Member("disturbances", &S::disturbances), Member("paths", &S::paths),
       Member("multisteps", &S::multisteps),
       Member("information_criterion", &S::information_criterion),
       Member("transform", &S::transform), Member("search", &S::search),
       Member("admissible_region", &S::admissible_region), Member("confidence", &S::confidence),
       bounds, Member("seed", &S::seed)},
      base);
}

armax::Settings ArmaxSettings(const py::dict& settings) {
  using S = armax::Settings;
  return ReadSettings<S>(
      settings, "armax",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("p", &S::p),
       Member("d", &S::d), Member("q", &S::q), Member("P", &S::P), Member("D", &S::D),
       Member("Q", &S::Q), Member("constant", &S::constant), Member("transform", &S::transform),
       Member("critical_value", &S::critical_value), Member("thorough", &S::thorough)});
}

auto_arima::Settings AutoArimaSettings(const py::dict& settings) {
  using S = auto_arima::Settings;
  return ReadSettings<S>(
      settings, "auto_arima",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("level", &S::level),
       Member("d", &S::d), Member("D", &S::D), Member("max_p", &S::max_p),
       Member("max_q", &S::max_q), Member("max_P", &S::max_P), Member("max_Q", &S::max_Q),
       Member("max_order", &S::max_order), Member("max_d", &S::max_d), Member("max_D", &S::max_D),
       Member("stepwise", &S::stepwise), Member("allow_constant", &S::allow_constant),
       Member("thorough", &S::thorough)});
}

theta::Settings ThetaSettings(const py::dict& settings) {
  using S = theta::Settings;
  return ReadSettings<S>(
      settings, "theta",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("level", &S::level)});
}

auto_forecast::Settings AutoForecastSettings(const py::dict& settings) {
  using S = auto_forecast::Settings;
  return ReadSettings<S>(
      settings, "auto",
      {Member("period", &S::period), Member("horizon", &S::horizon), Member("level", &S::level),
       Member("seed", &S::seed), Member("threads", &S::threads)});
}

py::dict ToDict(const arima::Result& r) {
  py::dict d;
  ArmaFields(r, d);
  d["missing"] = r.missing;
  d["fitted"] = Array(r.fitted);
  return d;
}

py::dict ToDict(const armax::Result& r) {
  py::dict d;
  ArmaFields(r, d);
  d["sum_of_squares"] = r.sum_of_squares;
  return d;
}

py::dict ToDict(const ets::Result& r) {
  py::dict d;
  d["error"] = static_cast<int>(r.model.error);
  d["trend"] = static_cast<int>(r.model.trend);
  d["season"] = static_cast<int>(r.model.season);
  d["searched"] = r.searched;
  d["series"] = Array(r.series);
  d["fitted"] = Array(r.fitted);
  d["residuals"] = Array(r.residuals);
  d["forecasts"] = Array(r.forecasts);
  d["lower"] = Array(r.lower);
  d["upper"] = Array(r.upper);
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
  d["sigma2"] = r.sigma2;
  d["log_likelihood"] = r.log_likelihood;
  d["aic"] = r.aic;
  d["bic"] = r.bic;
  d["information_criterion"] = r.information_criterion;
  d["mape"] = r.mape;
  d["warnings"] = ToList(r.warnings);
  return d;
}

py::dict ToDict(const auto_arima::Result& r) {
  py::dict d = ToDict(r.fit);
  d["orders"] = py::make_tuple(r.p, r.d, r.q, r.P, r.D, r.Q);
  d["model_period"] = r.period;
  d["has_constant"] = r.constant;
  d["aicc"] = r.aicc;
  d["bic"] = r.bic;
  d["name"] = auto_arima::Name(r);
  py::list path;
  for (const auto_arima::Candidate& c : r.path) {
    path.append(py::make_tuple(auto_arima::Name(c, r.period), c.aicc, c.note));
  }
  d["path"] = path;
  return d;
}

py::dict ToDict(const theta::Result& r) {
  py::dict d;
  d["seasonal"] = r.seasonal;
  d["seasonal_indices"] = Array(r.seasonal_indices);
  d["alpha"] = r.alpha;
  d["initial_level"] = r.initial_level;
  d["drift"] = r.drift;
  d["sigma2"] = r.sigma2;
  d["fitted"] = Array(r.fitted);
  d["residuals"] = Array(r.residuals);
  d["forecasts"] = Array(r.forecasts);
  d["lower"] = Array(r.lower);
  d["upper"] = Array(r.upper);
  return d;
}

py::dict ToDict(const auto_forecast::Result& r) {
  py::dict d;
  d["forecasts"] = Array(r.forecasts);
  d["lower"] = Array(r.lower);
  d["upper"] = Array(r.upper);
  d["ets"] = r.smoothing ? py::object(ToDict(*r.smoothing)) : py::object(py::none());
  d["auto_arima"] = r.arima ? py::object(ToDict(*r.arima)) : py::object(py::none());
  d["theta"] = r.theta ? py::object(ToDict(*r.theta)) : py::object(py::none());
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
  if (y.ndim() != 1) {
    RaiseError("", Error(Status::kNotOneDimension, "",
                         {{"Vordex", "The observations must be a one-dimensional array", 0x30}}));
  }
  std::vector<double> values(static_cast<std::size_t>(y.shape(0)));
  const auto view = y.unchecked<1>();
  for (py::ssize_t i = 0; i < y.shape(0); ++i) values[static_cast<std::size_t>(i)] = view(i);
  return values;
}

void RaiseError(const char* method, const Error& error) {
  const py::object make = py::module_::import("vordex._errors").attr("engine_error");
  const py::object exception =
      make(method, Code(error.status()), error.what(), error.host_text(), ToList(error.messages()));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
  throw py::error_already_set();
}

}  // namespace vordex::python
