// Regressors on the command line: columns of the input file with a future file, and the
// ready-made ones, against R's Arima(xreg =); and the refusals that name what is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_fixture.h"
#include "support/temp_file.h"
#include "support/tolerances.h"

namespace vordex::cli {
namespace {

using testing::kPeerEstimate;

// R's Arima starts the differenced part's filter from a variance of 1e6 where ours is exactly
// diffuse: with a seasonal difference the estimates differ relatively by max seen 8.4e-6.
constexpr double kApproximateDiffuse = 5e-5;

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Data(const char* name) {
  return (std::filesystem::path(__FILE__).parent_path() / "data" / name).string();
}

nlohmann::json Json(std::vector<const char*> args) {
  args.push_back("--format");
  args.push_back("json");
  const Outcome o = RunTool(args);
  EXPECT_EQ(o.status, 0) << o.err;
  return o.status == 0 ? nlohmann::json::parse(o.out) : nlohmann::json();
}

double Ratio(const nlohmann::json& x, double expected) {
  return x.get<double>() / expected;
}

// R 4.2.2, stats, on Seatbelts to 1983-12 (tests/cli/data/seatbelts*.csv), yin the log drivers
// and Xin, Xf the columns law and PetrolPrice to 1983 and in 1984:
//   fit <- arima(yin, order = c(1,0,0), seasonal = list(order = c(0,1,1), period = 12),
//                xreg = Xin, method = "ML", optim.control = list(reltol = 1e-14, maxit = 1000))
//   p <- predict(fit, 12, newxreg = Xf); exp(p$pred); exp(p$pred + qnorm(0.975) * p$se)
TEST(RegressorOptions, FileColumnsAndFutureFileMatchRsArima) {
  const std::string in = Data("seatbelts.csv"), ahead = Data("seatbelts_future.csv");
  const auto j =
      Json({"arima", in.c_str(), "--column", "drivers", "--order", "1,0,0", "--seasonal", "0,1,1",
            "--xreg", "law,PetrolPrice", "--future", ahead.c_str(), "--level", "95"});
  ASSERT_FALSE(j.is_null());
  EXPECT_NEAR(Ratio(j["statistics"]["log_likelihood"], 179.839651854), 1.0, kApproximateDiffuse);
  EXPECT_NEAR(Ratio(j["coefficients"]["ar1"], 0.437011777992), 1.0, kApproximateDiffuse);
  ASSERT_EQ(j["regression"].size(), 2u);
  EXPECT_EQ(j["regression"][0]["name"], "law");
  EXPECT_NEAR(Ratio(j["regression"][0]["estimate"], -0.22532106815), 1.0, kApproximateDiffuse);
  EXPECT_NEAR(Ratio(j["regression"][1]["estimate"], -3.66917509049), 1.0, kApproximateDiffuse);
  ASSERT_EQ(j["forecasts"].size(), 12u);  // the future file's rows
  EXPECT_EQ(j["forecasts"][0]["time"], "1984-01");
  EXPECT_NEAR(Ratio(j["forecasts"][0]["mean"], 1193.33302212), 1.0, kApproximateDiffuse);
  EXPECT_NEAR(Ratio(j["forecasts"][11]["upper_95"], 1876.92430076), 1.0, kApproximateDiffuse);
}

// R 4.2.2, forecast 8.20 (fourier) and stats: X <- cbind(fourier(ldeaths, K = 2), trend = 1:72)
//   arima(ldeaths, order = c(1,0,0), xreg = X, method = "ML",
//         optim.control = list(reltol = 1e-14, maxit = 1000))   # loglik, coef(.)["trend"]
// The event at a date and at a position marks the same month.
TEST(RegressorOptions, ReadyMadeRegressorsMatchRsArima) {
  std::string csv = "month,deaths\n";
  const int deaths[] = {3035, 2552, 2704, 2554, 2014, 1655, 1721, 1524, 1596, 2074, 2199, 2512,
                        2933, 2889, 2938, 2497, 1870, 1726, 1607, 1545, 1396, 1787, 2076, 2837,
                        2787, 3891, 3179, 2011, 1636, 1580, 1489, 1300, 1356, 1653, 2013, 2823,
                        3102, 2294, 2385, 2444, 1748, 1554, 1498, 1361, 1346, 1564, 1640, 2293,
                        2815, 3137, 2679, 1969, 1870, 1633, 1529, 1366, 1357, 1570, 1535, 2491,
                        3084, 2605, 2573, 2143, 1693, 1504, 1461, 1354, 1333, 1492, 1781, 1915};
  for (int t = 0; t < 72; ++t)
    csv += std::to_string(1974 + t / 12) + "-" + (t % 12 < 9 ? "0" : "") +
           std::to_string(t % 12 + 1) + "," + std::to_string(deaths[t]) + "\n";
  const testing::TempFile file(csv);
  const std::string path = file.path();
  const auto j =
      Json({"arima", path.c_str(), "--order", "1,0,0", "--seasonal", "0,0,0", "--constant",
            "--transform", "none", "--fourier", "12:2", "--trend", "--horizon", "3"});
  ASSERT_FALSE(j.is_null());
  EXPECT_NEAR(Ratio(j["statistics"]["log_likelihood"], -488.885622042), 1.0, kPeerEstimate);
  ASSERT_EQ(j["regression"].size(), 6u);
  EXPECT_EQ(j["regression"][1]["name"], "S1-12");
  EXPECT_NEAR(Ratio(j["regression"][5]["estimate"], -5.02650676115), 1.0, kPeerEstimate);
  EXPECT_EQ(j["forecasts"].size(), 3u);

  const auto a =
      Json({"arima", path.c_str(), "--order", "1,0,0", "--seasonal", "0,0,0", "--transform", "none",
            "--event", "strike=1975-03-15,1981-01-01", "--horizon", "2"});
  // Each option takes one value: the file may follow it.
  const auto b = Json({"arima", "--order", "1,0,0", "--seasonal", "0,0,0", "--transform", "none",
                       "--event", "strike=15", "--horizon", "2", path.c_str()});
  ASSERT_FALSE(a.is_null() || b.is_null());
  EXPECT_EQ(a["regression"][0]["name"], "strike");
  EXPECT_EQ(a["regression"][0]["estimate"], b["regression"][0]["estimate"]);
}

TEST(RegressorOptions, BadRegressorsAreRefusedNamingWhatIsWrong) {
  const std::string in = Data("seatbelts.csv"), ahead = Data("seatbelts_future.csv");
  const testing::TempFile late("time,law,PetrolPrice\n1984-02,1,0.1\n");
  const std::string late_path = late.path();
  struct Case {
    std::vector<const char*> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--xreg", "law"}, "--xreg needs --future FILE"},
      {{"--xreg", "seats", "--future", ahead.c_str()}, "no column named \"seats\""},
      {{"--xreg", "PetrolPrice,law", "--future", late_path.c_str()},
       "the first time is 1984-02, but the series' next is 1984-01"},
      {{"--xreg", "drivers", "--future", ahead.c_str()}, "is the series itself"},
      {{"--fourier", "12"}, "\"12\" is not PERIOD:K"},
      {{"--fourier", "12:7"}, "greater than half its period"},
      {{"--fourier", "12:2"}, "differencing removes the regressor 'S1-12'"},
      {{"--event", "1984-W03"}, "is a week, the series' times months"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = {"arima", in.c_str(), "--column", "drivers"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome o = RunTool(args);
    EXPECT_NE(o.status, 0) << c.message;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
  }
}

// The batch reads the regressors as columns of its long file and their future values from a long
// future file; each series gets the single-series fit of its own columns (the second route), and
// a series without its future rows is refused on its summary line, the others fitted.
TEST(RegressorOptions, BatchTakesEachSeriesColumnsAndFutureRowsAsTheSingleSeriesCommand) {
  std::ifstream in(Data("seatbelts.csv")), ahead(Data("seatbelts_future.csv"));
  std::string line, input = "id,time,value,law,PetrolPrice\n", future = "id,time,law,PetrolPrice\n";
  std::getline(in, line);
  std::vector<std::string> rows;
  while (std::getline(in, line)) rows.push_back(line);
  for (const char* id : {"belts", "late", "absent"})
    for (const std::string& row : rows) {  // time,drivers,law,PetrolPrice
      input += std::string(id) + "," + row + "\n";
    }
  std::getline(ahead, line);
  while (std::getline(ahead, line)) future += "belts," + line + "\n";
  future += "late,1984-02,1,0.1\n";
  const testing::TempFile input_file(input), future_file(future), summary_file("");
  const std::string input_path = input_file.path(), future_path = future_file.path(),
                    summary_path = summary_file.path();

  struct Case {
    std::vector<const char*> regressors;
    std::size_t horizon;
  };
  const std::string single_input = Data("seatbelts.csv"),
                    single_future = Data("seatbelts_future.csv");
  const Case cases[] = {{{"--xreg", "law,PetrolPrice", "--future"}, 12},
                        {{"--trend", "--event", "strike=1975-03", "--horizon", "5"}, 5}};
  for (const Case& c : cases) {
    std::vector<const char*> batch = {"batch",
                                      "arima",
                                      input_path.c_str(),
                                      "--order",
                                      "1,0,0",
                                      "--seasonal",
                                      "0,1,1",
                                      "--format",
                                      "json",
                                      "--summary",
                                      summary_path.c_str()};
    std::vector<const char*> single = {
        "arima", single_input.c_str(), "--column", "drivers", "--order",
        "1,0,0", "--seasonal",         "0,1,1"};
    batch.insert(batch.end(), c.regressors.begin(), c.regressors.end());
    single.insert(single.end(), c.regressors.begin(), c.regressors.end());
    if (c.regressors.back() == std::string("--future")) {
      batch.push_back(future_path.c_str());
      single.push_back(single_future.c_str());
    }
    const Outcome b = RunTool(batch);
    const auto one = Json(single);
    ASSERT_FALSE(one.is_null());
    std::istringstream lines(b.out), summary(Slurp(summary_path));
    std::vector<nlohmann::json> belts, states;
    for (std::string l; std::getline(lines, l);) {
      const auto row = nlohmann::json::parse(l);
      if (row["id"] == "belts") belts.push_back(row);
    }
    for (std::string l; std::getline(summary, l);) states.push_back(nlohmann::json::parse(l));
    ASSERT_EQ(belts.size(), c.horizon) << b.out << b.err;
    for (std::size_t k = 0; k < c.horizon; ++k) {
      EXPECT_EQ(belts[k]["time"], one["forecasts"][k]["time"]);
      for (const char* cell : {"mean", "lower_95", "upper_80"})
        EXPECT_EQ(belts[k][cell].get<double>(), one["forecasts"][k][cell].get<double>()) << cell;
    }
    ASSERT_EQ(states.size(), 3u);
    if (c.horizon == 5) {  // generated regressors need no future rows
      EXPECT_EQ(b.status, 0) << b.err;
      continue;
    }
    EXPECT_EQ(b.status, 3);
    EXPECT_EQ(states[0]["status"], "ok");
    EXPECT_NE(states[1]["message"].get<std::string>().find(
                  "the series' first time there is 1984-02, but its next is 1984-01"),
              std::string::npos)
        << states[1];
    EXPECT_NE(states[2]["message"].get<std::string>().find("has no rows for the series"),
              std::string::npos)
        << states[2];
  }

  // Refused for the run before any series is fitted: status 1 for options, 2 for a file.
  const testing::TempFile gap(
      "id,time,law,PetrolPrice\nbelts,1984-01,1,0.1\nbelts,1984-03,1,0.1\n");
  const std::string gap_path = gap.path();
  const struct {
    std::vector<const char*> args;
    int status;
    const char* message;
  } refusals[] = {
      {{"--xreg", "law"}, 1, "--xreg needs --future FILE"},
      {{"--xreg", "seats", "--future", future_path.c_str()}, 2, "no column named \"seats\""},
      {{"--xreg", "law", "--future", gap_path.c_str()}, 2, "no observation for 1984-02"},
      {{"--fourier", "12:7"}, 1, "greater than half its period"},
      {{"--xreg", "law", "--future", future_path.c_str(), "--wide"}, 2, "not --wide"},
  };
  for (const auto& r : refusals) {
    std::vector<const char*> args = {"batch", "arima", input_path.c_str()};
    args.insert(args.end(), r.args.begin(), r.args.end());
    const Outcome o = RunTool(args);
    EXPECT_EQ(o.status, r.status) << r.message << ": " << o.err;
    EXPECT_NE(o.err.find(r.message), std::string::npos) << o.err;
    EXPECT_TRUE(o.out.empty());
  }
}

}  // namespace
}  // namespace vordex::cli
