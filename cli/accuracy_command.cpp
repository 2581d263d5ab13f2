// vordex accuracy FORECASTS ACTUALS: the accuracy of forecasts (a table as `vordex batch` or a
// single-series command writes it: [id,]time,mean,lower_80,upper_80,...) against the actual
// values (id,time,value, or time,value), per series, with MASE, RMSSE and MSIS scaled by the
// series' training data when --training gives them.
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "common.h"
#include "csv.h"
#include "vordex/evaluate.hpp"

namespace vordex::cli {
namespace {

struct AccuracyOptions {
  std::string forecasts, actuals, training;
  int lag = 1;
};

// A table read whole: its header and rows of cells.
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::optional<std::size_t> Column(const std::string& name) const {
    for (std::size_t k = 0; k < header.size(); ++k)
      if (header[k] == name) return k;
    return std::nullopt;
  }
};

bool ReadTable(const std::string& path, Table& table, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  CsvReader reader(in, path);
  std::vector<std::string_view> cells;
  if (!reader.Next(cells)) {
    error = path + " is empty";
    return false;
  }
  table.header = Strings(cells);
  while (reader.Next(cells)) table.rows.push_back(Strings(cells));
  return true;
}

double Number(const std::string& cell) {
  if (IsMissingCell(cell)) return std::nan("");
  const auto x = ParseNumber(cell);
  return x ? *x : std::nan("");
}

// Values by series id ("" without an id column) and time ("" without a time column: the row's
// position within the series).
using Keyed = std::map<std::string, std::map<std::string, double>>;

bool Index(const Table& t, const std::string& value, const std::string& what, Keyed& out,
           std::string& error) {
  const auto v = t.Column(value);
  if (!v) {
    error = what + " has no column \"" + value + "\"";
    return false;
  }
  const auto id = t.Column("id");
  auto time = t.Column("time");
  if (!time) time = t.Column("t");
  std::map<std::string, long> count;
  for (const auto& row : t.rows) {
    const std::string key = id ? row[*id] : "";
    const std::string at = time ? row[*time] : std::to_string(count[key]++);
    out[key][at] = Number(row[*v]);
  }
  return true;
}

}  // namespace

void AddAccuracyCommand(CLI::App& app, CommandContext& context) {
  CLI::App* command = app.add_subcommand(
      "accuracy",
      "Accuracy of forecasts against actual values, per series: n,me,mae,rmse,mpe,mape,smape,"
      "mase,rmsse,acf1 and for each level coverage, interval score and MSIS. Rows pair by id and "
      "time (or by position without a time column); forecasts without an actual value are left "
      "out");
  auto o = std::make_shared<AccuracyOptions>();
  command->add_option("forecasts", o->forecasts, "CSV of forecasts: [id,]time,mean,lower_80,...")
      ->required();
  command->add_option("actuals", o->actuals, "CSV of actual values: [id,]time,value")->required();
  command->add_option("--training", o->training,
                      "CSV of the training data ([id,]time,value) for MASE, RMSSE and MSIS");
  command->add_option("--lag", o->lag, "Lag of the seasonal naive scale (default 1)")
      ->check(CLI::PositiveNumber);
  command->callback([&context, o] {
    const std::string name = "vordex accuracy";
    Table forecasts, actuals, training;
    std::string error;
    Keyed mean, actual, train;
    bool ok = ReadTable(o->forecasts, forecasts, error) && ReadTable(o->actuals, actuals, error) &&
              (o->training.empty() || ReadTable(o->training, training, error)) &&
              Index(forecasts, "mean", o->forecasts, mean, error) &&
              Index(actuals, actuals.Column("value") ? "value" : "y", o->actuals, actual, error) &&
              (o->training.empty() || Index(training, training.Column("value") ? "value" : "y",
                                            o->training, train, error));
    // The levels: every lower_L with its upper_L.
    std::vector<std::pair<double, std::string>> levels;
    for (const std::string& h : forecasts.header)
      if (h.rfind("lower_", 0) == 0 && forecasts.Column("upper_" + h.substr(6)))
        if (const auto l = ParseNumber(h.substr(6))) levels.push_back({*l, h.substr(6)});
    std::vector<Keyed> lower(levels.size()), upper(levels.size());
    for (std::size_t k = 0; ok && k < levels.size(); ++k)
      ok = Index(forecasts, "lower_" + levels[k].second, o->forecasts, lower[k], error) &&
           Index(forecasts, "upper_" + levels[k].second, o->forecasts, upper[k], error);
    if (!ok) {
      context.err << name << ": " << error << '\n';
      context.status = 2;
      return;
    }
    context.out << "id,n,me,mae,rmse,mpe,mape,smape,mase,rmsse,acf1";
    for (const auto& l : levels)
      context.out << ",coverage_" << l.second << ",interval_score_" << l.second << ",msis_"
                  << l.second;
    context.out << '\n';
    const auto cell = [](double x) { return std::isnan(x) ? std::string() : ShortestNumber(x); };
    try {
      for (const auto& [id, by_time] : mean) {
        // An id of the forecasts matches the actuals' id, or the actuals' one series without id.
        const auto a = actual.count(id) ? actual.find(id) : actual.find("");
        if (a == actual.end()) continue;
        std::vector<double> y, f;
        std::vector<std::vector<double>> lo(levels.size()), up(levels.size());
        for (const auto& [time, value] : by_time) {
          const auto v = a->second.find(time);
          if (v == a->second.end()) continue;
          y.push_back(v->second);
          f.push_back(value);
          for (std::size_t k = 0; k < levels.size(); ++k) {
            lo[k].push_back(lower[k][id][time]);
            up[k].push_back(upper[k][id][time]);
          }
        }
        std::vector<double> x;
        if (const auto t = train.count(id) ? train.find(id) : train.find(""); t != train.end())
          for (const auto& [time, value] : t->second) x.push_back(value);
        const PointAccuracy p = MeasureAccuracy(y, f, x, o->lag);
        context.out << CsvText(id) << ',' << p.n << ',' << cell(p.me) << ',' << cell(p.mae) << ','
                    << cell(p.rmse) << ',' << cell(p.mpe) << ',' << cell(p.mape) << ','
                    << cell(p.smape) << ',' << cell(p.mase) << ',' << cell(p.rmsse) << ','
                    << cell(p.acf1);
        for (std::size_t k = 0; k < levels.size(); ++k) {
          const IntervalAccuracy i = MeasureIntervals(y, lo[k], up[k], levels[k].first, x, o->lag);
          context.out << ',' << cell(i.coverage) << ',' << cell(i.interval_score) << ','
                      << cell(i.msis);
        }
        context.out << '\n';
      }
    } catch (const Error& e) {
      context.err << name << ": " << e.text() << '\n';
      context.status = 1;
    }
  });
}

}  // namespace vordex::cli
