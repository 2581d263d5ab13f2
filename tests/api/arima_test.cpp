// The typed ARIMA interface against the export it wraps.
#include "vordex/arima.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "api/request.h"
#include "support/datasets.h"
#include "support/tolerances.h"
#include "vordex/vordex.h"

namespace vordex::arima {
namespace {

using vordex::testing::Airline;

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(ArimaFit, NamedFieldsHoldExactlyTheExportCells) {
  const auto y = Airline();
  Settings settings;  // the airline model
  settings.p = 1;
  settings.h = 6;
  settings.critical_value = 2.5;
  const Result r = Fit(y, settings);

  const short options[] = {144, 12, 6, 1, 1, 1, 0, 1, 1, 0, 2};
  std::vector<double> data{2.5};
  data.insert(data.end(), y.begin(), y.end());
  const auto cells = api::RunExport(&Arimadll, options, data);

  std::vector<double> rebuilt;
  for (const auto* block : {&r.series, &r.fitted, &r.residuals}) {
    for (double x : *block) rebuilt.push_back(std::isnan(x) ? -99999.0 : x);
  }
  for (const auto* block :
       {&r.forecasts, &r.lower, &r.upper, &r.ar, &r.ma, &r.seasonal_ar, &r.seasonal_ma})
    rebuilt.insert(rebuilt.end(), block->begin(), block->end());
  for (double x : {r.sigma, r.log_likelihood, r.aic, r.constant}) rebuilt.push_back(x);
  ASSERT_EQ(rebuilt.size(), cells.size());
  for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_TRUE(SameBits(rebuilt[i], cells[i])) << i;

  EXPECT_EQ(r.missing, 13);
  EXPECT_TRUE(std::isnan(r.series[12]));
  EXPECT_FALSE(std::isnan(r.series[13]));
  EXPECT_EQ(r.ar.size(), 1u);
  EXPECT_EQ(r.forecasts.size(), 6u);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(ArimaFit, DefaultsAreTheAirlineModel) {
  const Result r = Fit(Airline());
  // R 4.2.1, forecast 8.20, Arima(log(AirPassengers), c(0,1,1), c(0,1,1), method = "ML").
  EXPECT_NEAR(r.ma.at(0), 0.4018, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.seasonal_ma.at(0), 0.5569, vordex::testing::kPeerCoefficient);
  EXPECT_NEAR(r.log_likelihood, 244.70, vordex::testing::kPeerLogLik);
  EXPECT_EQ(r.forecasts.size(), 24u);
}

TEST(ArimaFit, RejectedSettingsThrowWithTheCodeAndMessage) {
  Settings settings;
  settings.P = 1;
  settings.s = 1;
  try {
    Fit(Airline(), settings);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), 43);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Arima Error");
    EXPECT_EQ(e.messages()[0].text, "Seasonal model requested for non-seasonal data");
  }
}

TEST(ArimaFit, EngineFailuresThrowWithTheHostText) {
  std::vector<double> y = Airline();
  y[10] = std::nan("");
  try {
    Fit(y);
    FAIL() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), 0);
    EXPECT_EQ(e.host_text(), "Failure in Arimamain:\nModel could not be estimated");
    ASSERT_FALSE(e.messages().empty());
    EXPECT_EQ(e.messages()[0].text, "Observations must be finite numbers (no NaN or infinity)");
  }
  Settings huge;
  huge.h = 40000;
  EXPECT_THROW(Fit(Airline(), huge), Error);
}

}  // namespace
}  // namespace vordex::arima
