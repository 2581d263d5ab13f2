#include "batch_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

namespace vordex::cli {
namespace {

batch::Outcome Fitted(batch::MethodResult result) {
  batch::Outcome o;
  o.id = "s1";
  o.result = std::move(result);
  return o;
}

TEST(BatchOutput, ModelsInTheirUsualNotation) {
  ets::Result e;
  e.model = {ets::ErrorForm::kMultiplicative, ets::Trend::kDamped, ets::Season::kNone};
  e.alpha = 0.5;
  e.beta = 0.25;
  e.phi = 0.875;
  ets::Settings bic;
  bic.information_criterion = ets::InformationCriterion::kBic;
  SummaryRow row = Summarise(Fitted(e), bic, 40);
  EXPECT_EQ(row.model, "ETS(M,Ad,N)");
  EXPECT_EQ(row.parameters, (std::vector<std::pair<std::string, double>>{
                                {"alpha", 0.5}, {"beta", 0.25}, {"phi", 0.875}}));
  EXPECT_EQ(CriterionName(bic), "bic");

  arima::Result a;
  a.ma = {0.4};
  a.seasonal_ma = {0.55};
  a.constant = 0.0;
  arima::Settings airline;
  airline.mean = true;
  row = Summarise(Fitted(a), airline, 144);
  EXPECT_EQ(row.model, "ARIMA(0,1,1)(0,1,1)[12] with mean");
  EXPECT_EQ(row.parameters.size(), 3u);
  EXPECT_EQ(row.parameters[1].first, "sma1");
  EXPECT_EQ(CriterionName(airline), "aic");

  armax::Settings plain;
  plain.period = 1;
  plain.P = plain.D = plain.Q = 0;
  plain.constant = true;
  EXPECT_EQ(Summarise(Fitted(armax::Result{}), plain, 10).model, "ARMAX(0,1,1) with constant");
}

TEST(BatchOutput, CsvAndJsonLinesCarryTheSameRows) {
  ets::Result r;
  r.forecasts = {10.5, 11};
  r.lower = {9, std::nan("")};
  r.upper = {12, 13};
  const Time start{Calendar::kMonth, 2020 * 12 + 10};  // 2020-11
  std::ostringstream csv, json;
  ForecastWriter(csv, BatchFormat::kCsv).Write("a,b", start, 2, r);
  ForecastWriter(json, BatchFormat::kJson).Write("a,b", start, 2, r);
  EXPECT_EQ(csv.str(),
            "id,time,forecast,lower,upper\n\"a,b\",2021-01,10.5,9,12\n\"a,b\",2021-02,11,,13\n");
  std::istringstream lines(json.str());
  std::string line;
  std::getline(lines, line);
  const auto first = nlohmann::json::parse(line);
  EXPECT_EQ(first["id"], "a,b");
  EXPECT_EQ(first["time"], "2021-01");
  EXPECT_EQ(first["forecast"], 10.5);
  std::getline(lines, line);
  EXPECT_TRUE(nlohmann::json::parse(line)["lower"].is_null());

  // Without a time column the forecasts continue the positions.
  std::ostringstream positions;
  ForecastWriter(positions, BatchFormat::kJson).Write("x", std::nullopt, 40, r);
  EXPECT_EQ(nlohmann::json::parse(positions.str().substr(0, positions.str().find('\n')))["time"],
            41);

  SummaryRow failed;
  failed.id = "z";
  failed.status = "failed";
  failed.message = "time 2001 appears twice";
  failed.n = 3;
  std::ostringstream summary_csv, summary_json;
  SummaryWriter(summary_csv, BatchFormat::kCsv, "aic").Write(failed);
  SummaryWriter(summary_json, BatchFormat::kJson, "aic").Write(failed);
  EXPECT_EQ(summary_csv.str(),
            "id,status,code,message,model,parameters,log_likelihood,aic,sigma2,n\n"
            "z,failed,,time 2001 appears twice,,,,,,3\n");
  const auto j = nlohmann::json::parse(summary_json.str());
  EXPECT_TRUE(j["code"].is_null());
  EXPECT_TRUE(j["parameters"].is_object());
  EXPECT_EQ(j["n"], 3);
}

}  // namespace
}  // namespace vordex::cli
