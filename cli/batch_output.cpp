#include "batch_output.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "common.h"
#include "methods.h"
#include "vordex/names.hpp"

namespace vordex::cli {
namespace {

using Json = nlohmann::ordered_json;

Json JsonNumber(double x) {
  if (!std::isfinite(x)) return nullptr;
  return x;
}

std::string CsvNumber(double x) {
  return std::isfinite(x) ? ShortestNumber(x) : std::string();
}

// The forecast's time: a date as text, a count or position as a number.
Json TimeJson(const std::optional<Time>& start, std::size_t i) {
  if (!start) return static_cast<std::int64_t>(i + 1);
  const Time t{start->calendar, start->ordinal + static_cast<std::int64_t>(i)};
  if (t.calendar == Calendar::kCount) return t.ordinal;
  return FormatTime(t);
}

void Append(std::string& message, const std::string& text) {
  message += (message.empty() ? "" : "; ") + OneLine(text);
}

}  // namespace

std::vector<double> Levels(const batch::MethodSettings& settings) {
  return std::visit(
      [](const auto& s) -> std::vector<double> {
        if constexpr (requires { s.critical_value; }) return LevelsOf(s.levels, s.critical_value);
        return s.levels;
      },
      settings);
}

ForecastWriter::ForecastWriter(std::ostream& out, BatchFormat format,
                               const std::vector<double>& levels)
    : out_(out), format_(format) {
  if (format_ != BatchFormat::kCsv) return;
  out_ << "id,time,mean";
  for (const double level : levels)
    out_ << ",lower_" << LevelName(level) << ",upper_" << LevelName(level);
  out_ << '\n';
}

void ForecastWriter::Write(const std::string& id, const std::optional<Time>& start, std::size_t n,
                           const batch::MethodResult& result) {
  const Forecast* f = batch::Common(result);
  if (f == nullptr) return;
  for (std::size_t k = 0; k < f->mean.size(); ++k) {
    const Json time = TimeJson(start, n + k);
    if (format_ == BatchFormat::kJson) {
      Json row = Json::object();
      row["id"] = id;
      row["time"] = time;
      row["mean"] = JsonNumber(f->mean[k]);
      for (const Limits& l : f->limits) {
        row["lower_" + LevelName(l.level)] = JsonNumber(l.lower[k]);
        row["upper_" + LevelName(l.level)] = JsonNumber(l.upper[k]);
      }
      out_ << row.dump() << '\n';
    } else {
      out_ << CsvText(id) << ',' << (time.is_string() ? time.get<std::string>() : time.dump())
           << ',' << CsvNumber(f->mean[k]);
      for (const Limits& l : f->limits)
        out_ << ',' << CsvNumber(l.lower[k]) << ',' << CsvNumber(l.upper[k]);
      out_ << '\n';
    }
  }
}

SummaryRow Summarise(const batch::Outcome& outcome, std::size_t n) {
  SummaryRow row;
  row.id = outcome.id;
  row.n = n;
  row.status = outcome.status;
  row.code = Code(outcome.status);
  row.message = OneLine(outcome.text);
  row.model = batch::ModelName(outcome.value);
  if (!outcome.ok()) return row;
  // A fit that raised messages or left a member out says so.
  for (const Message& m : outcome.messages) Append(row.message, m.title + ": " + m.text);
  if (const auto* combination = std::get_if<auto_forecast::Result>(&outcome.value))
    for (const std::string& failure : combination->failures) Append(row.message, failure);
  std::visit(
      [&](const auto& r) {
        if constexpr (requires { Parameters(r); }) row.parameters = Parameters(r);
      },
      outcome.value);
  if (const Forecast* f = batch::Common(outcome.value)) {
    row.log_likelihood = f->log_likelihood;
    row.aic = f->aic;
    row.aicc = f->aicc;
    row.bic = f->bic;
    row.sigma2 = f->sigma2;
  }
  return row;
}

SummaryRow InputProblem(const std::string& id, const std::string& problem, std::size_t n) {
  SummaryRow row;
  row.id = id;
  row.status = Status::kInvalidData;
  row.message = problem;
  row.n = n;
  return row;
}

SummaryWriter::SummaryWriter(std::ostream& out, BatchFormat format) : out_(out), format_(format) {
  if (format_ == BatchFormat::kCsv)
    out_ << "id,status,code,message,model,parameters,log_likelihood,aic,aicc,bic,sigma2,n\n";
}

void SummaryWriter::Write(const SummaryRow& row) {
  const std::pair<const char*, double> statistics[] = {{"log_likelihood", row.log_likelihood},
                                                       {"aic", row.aic},
                                                       {"aicc", row.aicc},
                                                       {"bic", row.bic},
                                                       {"sigma2", row.sigma2}};
  if (format_ == BatchFormat::kJson) {
    Json line = Json::object();
    line["id"] = row.id;
    line["status"] = std::string(StatusName(row.status));
    line["code"] = row.code ? Json(*row.code) : Json(nullptr);
    line["message"] = row.message;
    line["model"] = row.model;
    Json parameters = Json::object();
    for (const auto& [name, value] : row.parameters) parameters[name] = JsonNumber(value);
    line["parameters"] = parameters;
    for (const auto& [name, value] : statistics) line[name] = JsonNumber(value);
    line["n"] = row.n;
    out_ << line.dump() << '\n';
    return;
  }
  std::string parameters;
  for (const auto& [name, value] : row.parameters)
    parameters += (parameters.empty() ? "" : " ") + name + "=" + ShortestNumber(value);
  out_ << CsvText(row.id) << ',' << StatusName(row.status) << ','
       << (row.code ? std::to_string(*row.code) : std::string()) << ',' << CsvText(row.message)
       << ',' << CsvText(row.model) << ',' << CsvText(parameters);
  for (const auto& [name, value] : statistics) out_ << ',' << CsvNumber(value);
  out_ << ',' << row.n << '\n';
}

void SummaryWriter::WriteInterrupted(const std::string& signal, std::size_t cancelled,
                                     std::size_t total) {
  if (format_ == BatchFormat::kJson) {
    Json line = Json::object();
    line["interrupted"] = signal;
    line["cancelled"] = cancelled;
    line["series"] = total;
    out_ << line.dump() << '\n';
    return;
  }
  out_ << "# interrupted by " << signal << ": " << cancelled << " of " << total
       << " series cancelled\n";
}

}  // namespace vordex::cli
