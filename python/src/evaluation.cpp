#include "evaluation.h"

#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert.h"
#include "many.h"
#include "vordex/cross_validation.hpp"
#include "vordex/evaluate.hpp"

namespace vordex::python {
namespace {

py::dict ToDict(const PointAccuracy& a) {
  py::dict d;
  d["n"] = a.n;
  d["me"] = a.me;
  d["mae"] = a.mae;
  d["rmse"] = a.rmse;
  d["mpe"] = a.mpe;
  d["mape"] = a.mape;
  d["smape"] = a.smape;
  d["mase"] = a.mase;
  d["rmsse"] = a.rmsse;
  d["acf1"] = a.acf1;
  return d;
}

py::dict ToDict(const IntervalAccuracy& a) {
  py::dict d;
  d["level"] = a.level;
  d["n"] = a.n;
  d["coverage"] = a.coverage;
  d["interval_score"] = a.interval_score;
  d["msis"] = a.msis;
  d["mean_width"] = a.mean_width;
  return d;
}

template <class T>
py::list ToList(const std::vector<T>& records) {
  py::list l;
  for (const T& r : records) l.append(ToDict(r));
  return l;
}

py::list LimitsList(const std::vector<Limits>& limits) {
  py::list l;
  for (const Limits& x : limits) l.append(py::make_tuple(x.level, x.lower, x.upper));
  return l;
}

std::vector<double> Values(const std::optional<DoubleArray>& x) {
  return x ? Observations(*x) : std::vector<double>{};
}

}  // namespace

void RegisterEvaluation(py::module_& m) {
  m.def(
      "measure_accuracy",
      [](const DoubleArray& actual, const DoubleArray& forecast,
         const std::optional<DoubleArray>& training, int lag) {
        try {
          return ToDict(
              MeasureAccuracy(Observations(actual), Observations(forecast), Values(training), lag));
        } catch (const Error& e) {
          RaiseError(e);
        }
      },
      py::arg("actual"), py::arg("forecast"), py::arg("training"), py::arg("lag"));
  m.def(
      "measure_intervals",
      [](const DoubleArray& actual, const DoubleArray& lower, const DoubleArray& upper,
         double level, const std::optional<DoubleArray>& training, int lag) {
        try {
          return ToDict(MeasureIntervals(Observations(actual), Observations(lower),
                                         Observations(upper), level, Values(training), lag));
        } catch (const Error& e) {
          RaiseError(e);
        }
      },
      py::arg("actual"), py::arg("lower"), py::arg("upper"), py::arg("level"), py::arg("training"),
      py::arg("lag"));
  m.def(
      "diagnose_residuals",
      [](const DoubleArray& residuals, int period, int fitdf) {
        try {
          const ResidualDiagnostics d = DiagnoseResiduals(Observations(residuals), period, fitdf);
          py::dict out;
          out["period"] = d.period;
          out["fitdf"] = d.fitdf;
          out["n"] = d.n;
          out["missing"] = d.missing;
          out["mean"] = d.mean;
          out["sd"] = d.sd;
          out["acf"] = d.acf.acf;
          out["acf_bound"] = d.acf.bound;
          out["ljung_box"] = py::dict(
              py::arg("statistic") = d.ljung_box.statistic, py::arg("lag") = d.ljung_box.lag,
              py::arg("df") = d.ljung_box.df, py::arg("p_value") = d.ljung_box.p_value);
          out["normality"] = py::dict(py::arg("statistic") = d.normality.statistic,
                                      py::arg("p_value") = d.normality.p_value,
                                      py::arg("skewness") = d.normality.skewness,
                                      py::arg("kurtosis") = d.normality.kurtosis);
          return out;
        } catch (const Error& e) {
          RaiseError(e);
        }
      },
      py::arg("residuals"), py::arg("period"), py::arg("fitdf"));
  m.def(
      "cross_validate",
      [](const std::string& method, const std::vector<std::string>& ids, const py::list& values,
         const py::list& settings, const py::dict& validation, std::uint32_t seed, int threads) {
        try {
          const std::optional<Method> by = FromString<Method>(method);
          if (!by) throw Error(Status::kInvalidSettings, "unknown method " + method);
          std::vector<std::vector<double>> data;
          std::vector<batch::MethodSettings> each;
          for (std::size_t i = 0; i < ids.size(); ++i) {
            data.push_back(Observations(values[i].cast<DoubleArray>()));
            each.push_back(ReadSettings(*by, settings[i].cast<py::dict>()));
          }
          std::vector<batch::Series> series;
          for (std::size_t i = 0; i < ids.size(); ++i) series.push_back({ids[i], data[i]});
          batch::CrossValidationSettings v;
          v.horizon = validation["horizon"].cast<int>();
          v.windows = validation["windows"].cast<int>();
          v.step = validation["step"].cast<int>();
          v.initial = validation["initial"].cast<int>();
          v.refit = validation["refit"].cast<int>();
          v.conformal = validation["conformal"].cast<bool>();
          v.conformal_windows = validation["conformal_windows"].cast<int>();
          v.conformal_step = validation["conformal_step"].cast<int>();
          v.lag = validation["lag"].cast<int>();
          batch::Options options;
          options.seed = seed;
          options.threads = threads;
          batch::CrossValidationResult r;
          {
            py::gil_scoped_release release;
            r = batch::CrossValidate(series, each, v, options);
          }
          py::list out;
          for (const batch::SeriesValidation& s : r.series) {
            py::dict d;
            d["id"] = s.id;
            d["code"] = Code(s.status);
            d["text"] = s.text;
            d["steps"] = s.steps;
            d["origins"] = s.origins;
            d["refitted"] = s.refitted;
            d["models"] = s.models;
            d["actual"] = s.actual;
            d["mean"] = s.mean;
            d["limits"] = LimitsList(s.limits);
            d["conformal"] = LimitsList(s.conformal);
            d["accuracy"] = ToDict(s.accuracy);
            d["by_step"] = ToList(s.by_step);
            d["intervals"] = ToList(s.intervals);
            d["conformal_intervals"] = ToList(s.conformal_intervals);
            out.append(d);
          }
          py::dict all;
          all["accuracy"] = ToDict(r.accuracy);
          all["by_step"] = ToList(r.by_step);
          all["intervals"] = ToList(r.intervals);
          all["conformal_intervals"] = ToList(r.conformal_intervals);
          return py::make_tuple(out, all);
        } catch (const Error& e) {
          RaiseError(e);
        }
      },
      py::arg("method"), py::arg("ids"), py::arg("values"), py::arg("settings"),
      py::arg("validation"), py::arg("seed"), py::arg("threads"),
      "Cross-validates each series with its settings: (a dict per series, the means).");
}

}  // namespace vordex::python
