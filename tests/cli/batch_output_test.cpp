#include "batch_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/tolerances.h"

namespace vordex::cli {
namespace {

batch::Outcome Fitted(batch::MethodResult result, Status status = Status::kOk) {
  batch::Outcome o;
  o.id = "s1";
  o.status = status;
  o.value = std::move(result);
  return o;
}

std::string Csv(const SummaryRow& row) {
  std::ostringstream out;
  SummaryWriter(out, BatchFormat::kCsv).Write(row);
  const std::string text = out.str();
  return text.substr(text.find('\n') + 1);
}

TEST(BatchOutput, SummaryRowsNameTheStatusAndKeepTheFitsFigures) {
  ets::Result damped;
  damped.model = {ets::ErrorForm::kMultiplicative, ets::Trend::kDamped, ets::Season::kNone};
  damped.alpha = 0.5;
  damped.beta = 0.25;
  damped.phi = 0.875;
  damped.log_likelihood = -10;
  damped.aic = 30;
  damped.sigma2 = 0.125;
  arima::Result with_constant;
  with_constant.q = 1;
  with_constant.ma = {0.375};
  with_constant.constant = 2.5;
  auto_forecast::Result alone;  // the smoothing member only
  alone.smoothing = ets::Result{};
  alone.failures = {"theta: too short"};
  batch::Outcome failed;
  failed.id = "s1";
  failed.status = Status::kEngineFailed;
  failed.text = "Failure in Arimamain";

  struct Case {
    SummaryRow row;
    std::string csv;
  };
  const Case cases[] = {
      // Parameters as the model has them: no gamma without a season; missing statistics empty.
      {Summarise(Fitted(damped), 40),
       "s1,ok,0,,\"ETS(M,Ad,N)\",alpha=0.5 beta=0.25 phi=0.875,-10,30,,,0.125,40\n"},
      {Summarise(Fitted(with_constant), 9),
       "s1,ok,0,,\"ARIMA(0,0,1) with constant\","
       "ma1=0.375 constant=2.5,,,,,,9\n"},
      // A warning is a fit: its code, and the member left out as its message.
      {Summarise(Fitted(alone, Status::kSingleMember), 2),
       "s1,single_member,601,theta: too short,\"ETS(A,N,N) alone\",,,,,,,2\n"},
      {Summarise(failed, 5), "s1,engine_failed,501,Failure in Arimamain,,,,,,,,5\n"},
      // Input rows at fault: no code of the library's.
      {InputProblem("z", "time 2001 appears twice", 3),
       "z,invalid_data,,time 2001 appears twice,,,,,,,,3\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Csv(c.row), c.csv);

  std::ostringstream json;
  SummaryWriter(json, BatchFormat::kJson).Write(cases[4].row);
  const auto j = nlohmann::json::parse(json.str());
  EXPECT_EQ(j["status"], "invalid_data");
  EXPECT_TRUE(j["code"].is_null());
  EXPECT_TRUE(j["parameters"].is_object());
  EXPECT_TRUE(j["aicc"].is_null());
  EXPECT_EQ(j["n"], 3);
}

TEST(BatchOutput, LevelsOfTheSettingsNameTheColumns) {
  EXPECT_EQ(Levels(ets::Settings{}), kDefaultLevels);
  EXPECT_EQ(Levels(theta::Settings{.levels = {90}}), std::vector<double>{90});
  arima::Settings critical;
  critical.critical_value = 1.9599639845400536;  // R 4.2.2: qnorm(0.975)
  const std::vector<double> levels = Levels(critical);
  ASSERT_EQ(levels.size(), 1u);
  EXPECT_NEAR(levels[0], 95.0, testing::kClosedForm * 100);
}

TEST(BatchOutput, CsvAndJsonLinesCarryTheSameRows) {
  ets::Result r;
  r.mean = {10.5, 11};
  r.limits = {{80, {9, std::nan("")}, {12, 13}}, {99.5, {8, 7}, {14, 15}}};
  const std::vector<double> levels = {80, 99.5};
  const Time start{Calendar::kMonth, 2020 * 12 + 10};  // 2020-11
  std::ostringstream csv, json;
  ForecastWriter(csv, BatchFormat::kCsv, levels).Write("a,b", start, 2, r);
  ForecastWriter(json, BatchFormat::kJson, levels).Write("a,b", start, 2, r);
  EXPECT_EQ(csv.str(),
            "id,time,mean,lower_80,upper_80,lower_99.5,upper_99.5\n"
            "\"a,b\",2021-01,10.5,9,12,8,14\n\"a,b\",2021-02,11,,13,7,15\n");
  std::istringstream lines(json.str());
  std::string line;
  std::getline(lines, line);
  const auto first = nlohmann::json::parse(line);
  EXPECT_EQ(first["id"], "a,b");
  EXPECT_EQ(first["time"], "2021-01");
  EXPECT_EQ(first["mean"], 10.5);
  EXPECT_EQ(first["upper_99.5"], 14);
  std::getline(lines, line);
  EXPECT_TRUE(nlohmann::json::parse(line)["lower_80"].is_null());

  // Without a time column the forecasts continue the positions; a failed series writes nothing.
  std::ostringstream positions;
  ForecastWriter writer(positions, BatchFormat::kJson, levels);
  writer.Write("x", std::nullopt, 40, r);
  writer.Write("failed", std::nullopt, 40, batch::MethodResult{});
  EXPECT_EQ(nlohmann::json::parse(positions.str().substr(0, positions.str().find('\n')))["time"],
            41);
  EXPECT_EQ(positions.str().find("failed"), std::string::npos);
}

}  // namespace
}  // namespace vordex::cli
