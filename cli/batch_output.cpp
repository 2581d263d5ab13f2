#include "batch_output.h"

#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>

#include "common.h"
#include "methods.h"

namespace vordex::cli {
namespace {

using Json = nlohmann::ordered_json;

Json JsonNumber(double x) {
  if (!std::isfinite(x)) return nullptr;
  return x;
}

Json JsonNumber(const std::optional<double>& x) {
  return x ? JsonNumber(*x) : Json(nullptr);
}

std::string CsvNumber(const std::optional<double>& x) {
  return x && std::isfinite(*x) ? ShortestNumber(*x) : std::string();
}

// The forecast's time: a date as text, a count or position as a number.
Json TimeJson(const std::optional<Time>& start, std::size_t i) {
  if (!start) return static_cast<std::int64_t>(i + 1);
  const Time t{start->calendar, start->ordinal + static_cast<std::int64_t>(i)};
  if (t.calendar == Calendar::kCount) return t.ordinal;
  return FormatTime(t);
}

std::string Orders(int p, int d, int q) {
  return "(" + std::to_string(p) + "," + std::to_string(d) + "," + std::to_string(q) + ")";
}

using Parameters = std::vector<std::pair<std::string, double>>;

void AddNumbered(Parameters& parameters, const char* stem, const std::vector<double>& values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    parameters.emplace_back(stem + std::to_string(i + 1), values[i]);
}

// ARIMA(p,d,q)(P,D,Q)[s] in the usual notation; the seasonal part only when it has an order.
template <class Settings>
std::string ArimaModel(const char* name, const Settings& s, bool seasonal_part) {
  std::string model = name + Orders(s.p, s.d, s.q);
  if (seasonal_part) model += Orders(s.P, s.D, s.Q) + "[" + std::to_string(s.period) + "]";
  return model;
}

// The coefficients and statistics of a seasonal ARMA fit (ARIMA or ARMAX), AIC as criterion.
template <class Result>
void ArmaFigures(SummaryRow& row, const Result& r) {
  AddNumbered(row.parameters, "ar", r.ar);
  AddNumbered(row.parameters, "ma", r.ma);
  AddNumbered(row.parameters, "sar", r.seasonal_ar);
  AddNumbered(row.parameters, "sma", r.seasonal_ma);
  if (r.constant) row.parameters.emplace_back("constant", *r.constant);
  row.log_likelihood = r.log_likelihood;
  row.information_criterion = r.aic;
  row.sigma2 = r.sigma2;
}

void Describe(SummaryRow& row, const arima::Result& r, const arima::Settings& s) {
  row.model = ArimaModel("ARIMA", s, s.P + s.D + s.Q > 0) + (s.mean ? " with mean" : "");
  ArmaFigures(row, r);
}

void Describe(SummaryRow& row, const armax::Result& r, const armax::Settings& s) {
  row.model = ArimaModel("ARMAX", s, s.period > 1 && s.P + s.D + s.Q > 0) +
              (s.constant ? " with constant" : "");
  ArmaFigures(row, r);
}

void Describe(SummaryRow& row, const ets::Result& r, const ets::Settings&) {
  row.model = EtsModelName(r.model);
  row.parameters.emplace_back("alpha", r.alpha);
  if (r.model.trend != ets::Trend::kNone) row.parameters.emplace_back("beta", r.beta);
  if (r.model.season != ets::Season::kNone) row.parameters.emplace_back("gamma", r.gamma);
  if (r.model.trend == ets::Trend::kDamped) row.parameters.emplace_back("phi", r.phi);
  row.log_likelihood = r.log_likelihood;
  row.information_criterion = r.information_criterion;
  row.sigma2 = r.sigma2;
}

void Describe(SummaryRow& row, const auto_arima::Result& r, const auto_arima::Settings&) {
  row.model = auto_arima::Name(r);
  ArmaFigures(row, r.fit);
  row.information_criterion = r.aicc;
}

void Describe(SummaryRow& row, const theta::Result& r, const theta::Settings&) {
  row.model = r.seasonal ? "Theta (seasonally adjusted)" : "Theta";
  row.parameters.emplace_back("alpha", r.alpha);
  row.parameters.emplace_back("drift", r.drift);
  row.sigma2 = r.sigma2;
}

void Describe(SummaryRow& row, const auto_forecast::Result& r, const auto_forecast::Settings&) {
  // The members' models; a member left out is named with its reason in the message.
  std::string model;
  const auto add = [&](const std::string& name) { model += (model.empty() ? "" : " + ") + name; };
  if (r.smoothing) add(EtsModelName(r.smoothing->model));
  if (r.arima) add(auto_arima::Name(*r.arima));
  if (r.theta) add("Theta");
  row.model = "mean of " + model;
  for (const std::string& failure : r.failures)
    row.message += (row.message.empty() ? "" : "; ") + OneLine(failure);
}

}  // namespace

ForecastWriter::ForecastWriter(std::ostream& out, BatchFormat format) : out_(out), format_(format) {
  if (format_ == BatchFormat::kCsv) out_ << "id,time,forecast,lower,upper\n";
}

void ForecastWriter::Write(const std::string& id, const std::optional<Time>& start, std::size_t n,
                           const batch::MethodResult& result) {
  std::visit(
      [&](const auto& result) {
        // An automatic ARIMA result carries its forecasts in the chosen model's fit.
        const auto& r = [&]() -> const auto& {
          if constexpr (requires { result.fit.forecasts; }) {
            return result.fit;
          } else {
            return result;
          }
        }
        ();
        if constexpr (requires { r.forecasts; }) {
          for (std::size_t k = 0; k < r.forecasts.size(); ++k) {
            const Json time = TimeJson(start, n + k);
            if (format_ == BatchFormat::kJson) {
              Json row = Json::object();
              row["id"] = id;
              row["time"] = time;
              row["forecast"] = JsonNumber(r.forecasts[k]);
              row["lower"] = JsonNumber(r.lower[k]);
              row["upper"] = JsonNumber(r.upper[k]);
              out_ << row.dump() << '\n';
            } else {
              out_ << CsvText(id) << ','
                   << (time.is_string() ? time.get<std::string>() : time.dump()) << ','
                   << CsvNumber(r.forecasts[k]) << ',' << CsvNumber(r.lower[k]) << ','
                   << CsvNumber(r.upper[k]) << '\n';
            }
          }
        }
      },
      result);
}

SummaryRow Summarise(const batch::Outcome& outcome, const batch::MethodSettings& settings,
                     std::size_t n) {
  SummaryRow row;
  row.id = outcome.id;
  row.n = n;
  row.code = Code(outcome.status);
  row.status = outcome.ok() ? "ok" : outcome.status == Status::kCancelled ? "cancelled" : "failed";
  row.message = outcome.message;
  if (outcome.ok()) {
    for (const Message& m : outcome.messages)
      row.message += (row.message.empty() ? "" : "; ") + OneLine(m.title + ": " + m.text);
  }
  std::visit(
      [&](const auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (!std::is_same_v<R, std::monostate>) {
          // The settings alternative that gives this result.
          std::visit(
              [&](const auto& s) {
                if constexpr (requires { Describe(row, r, s); }) Describe(row, r, s);
              },
              settings);
        }
      },
      outcome.result);
  return row;
}

std::string CriterionName(const batch::MethodSettings& settings) {
  if (std::holds_alternative<auto_arima::Settings>(settings)) return "aicc";
  const auto* ets = std::get_if<ets::Settings>(&settings);
  return ets != nullptr && ets->information_criterion == ets::InformationCriterion::kBic ? "bic"
                                                                                         : "aic";
}

SummaryWriter::SummaryWriter(std::ostream& out, BatchFormat format, std::string criterion)
    : out_(out), format_(format), criterion_(std::move(criterion)) {
  if (format_ == BatchFormat::kCsv) {
    out_ << "id,status,code,message,model,parameters,log_likelihood," << criterion_
         << ",sigma2,n\n";
  }
}

void SummaryWriter::Write(const SummaryRow& row) {
  if (format_ == BatchFormat::kJson) {
    Json line = Json::object();
    line["id"] = row.id;
    line["status"] = row.status;
    line["code"] = row.code ? Json(*row.code) : Json(nullptr);
    line["message"] = row.message;
    line["model"] = row.model;
    Json parameters = Json::object();
    for (const auto& [name, value] : row.parameters) parameters[name] = JsonNumber(value);
    line["parameters"] = parameters;
    line["log_likelihood"] = JsonNumber(row.log_likelihood);
    line[criterion_] = JsonNumber(row.information_criterion);
    line["sigma2"] = JsonNumber(row.sigma2);
    line["n"] = row.n;
    out_ << line.dump() << '\n';
    return;
  }
  std::string parameters;
  for (const auto& [name, value] : row.parameters)
    parameters += (parameters.empty() ? "" : " ") + name + "=" + ShortestNumber(value);
  out_ << CsvText(row.id) << ',' << row.status << ','
       << (row.code ? std::to_string(*row.code) : std::string()) << ',' << CsvText(row.message)
       << ',' << CsvText(row.model) << ',' << CsvText(parameters) << ','
       << CsvNumber(row.log_likelihood) << ',' << CsvNumber(row.information_criterion) << ','
       << CsvNumber(row.sigma2) << ',' << row.n << '\n';
}

}  // namespace vordex::cli
