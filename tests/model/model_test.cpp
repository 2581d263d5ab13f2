#include "vordex/model.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "support/bits.h"
#include "support/datasets.h"
#include "support/tolerances.h"
#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/ets.hpp"

namespace vordex {
namespace {

using testing::SameBits;

// One model of each kind that files hold, fitted to the first `n` airline values.
struct Case {
  const char* name;
  std::function<batch::MethodResult(std::span<const double>)> fit;
  // Update filters new values through the model (Theta, ARMAX and the combination refit instead).
  bool updates = true;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"airline ARIMA on logs",
       [](std::span<const double> y) { return batch::MethodResult(arima::Fit(y)); }},
      {"ARIMA with constant and a gap",
       [](std::span<const double> y) {
         std::vector<double> v(y.begin(), y.end());
         v[20] = std::nan("");
         return batch::MethodResult(
             arima::Fit(v, {.p = 1, .d = 0, .q = 1, .P = 1, .D = 1, .Q = 0, .constant = true}));
       }},
      {"automatic ARIMA",
       [](std::span<const double> y) { return batch::MethodResult(auto_arima::Fit(y)); }},
      {"ETS(M,Ad,M)",
       [](std::span<const double> y) {
         return batch::MethodResult(ets::Fit(y, {.error = ets::ErrorForm::kMultiplicative,
                                                 .trend = ets::Trend::kDamped,
                                                 .season = ets::Season::kMultiplicative,
                                                 .paths = 1000}));
       }},
      {"automatic ETS with resampled errors",
       [](std::span<const double> y) {
         ets::Settings s = ets::AutoSettings();
         s.disturbances = ets::Disturbances::kResampled;
         s.paths = 600;
         s.seed = 7;
         s.threads = 1;
         return batch::MethodResult(ets::Fit(y, s));
       }},
      {"seasonal Theta with Box-Cox means",
       [](std::span<const double> y) {
         return batch::MethodResult(
             theta::Fit(y, {.transform = Transform::kBoxCox, .box_cox = {.bias_adjusted = true}}));
       },
       false},
      {"ARMAX on square roots with a constant",
       [](std::span<const double> y) {
         return batch::MethodResult(armax::Fit(
             y, {.p = 1, .d = 0, .P = 1, .constant = true, .transform = Transform::kSquareRoot}));
       },
       false},
      {"airline ARMAX on logs",
       [](std::span<const double> y) { return batch::MethodResult(armax::Fit(y)); }, false},
      {"combination of ETS, automatic ARIMA and Theta",
       [](std::span<const double> y) {
         return batch::MethodResult(auto_forecast::Fit(y, {.horizon = 6, .threads = 1}));
       },
       false},
  };
  return cases;
}

Model SavedAndLoaded(const Model& model) {
  std::stringstream file;
  Save(model, file);
  return Load(file);
}

void ExpectSameForecasts(const Model& a, const Model& b, const std::string& what) {
  const Forecast& x = Common(a);
  const Forecast& y = Common(b);
  EXPECT_TRUE(SameBits(x.mean, y.mean)) << what;
  ASSERT_EQ(x.limits.size(), y.limits.size()) << what;
  for (std::size_t i = 0; i < x.limits.size(); ++i) {
    EXPECT_TRUE(SameBits(x.limits[i].lower, y.limits[i].lower)) << what;
    EXPECT_TRUE(SameBits(x.limits[i].upper, y.limits[i].upper)) << what;
  }
}

TEST(ModelFile, LoadedModelForecastsAsTheSavedOneBitForBit) {
  const std::vector<double> y = testing::Airline();
  for (const Case& c : Cases()) {
    Model fitted{.result = c.fit(y), .time = SeriesTime{"1960-12", "monthly"}};
    const Model loaded = SavedAndLoaded(fitted);
    // The file of the loaded model is the file of the saved one.
    EXPECT_EQ(ToJson(loaded), ToJson(fitted)) << c.name;
    EXPECT_EQ(batch::ModelName(loaded.result), batch::ModelName(fitted.result)) << c.name;
    EXPECT_EQ(loaded.time->last, "1960-12");
    for (const int horizon : {1, 7, 30})
      ExpectSameForecasts(Predict(loaded, horizon, {50, 99.5}),
                          Predict(fitted, horizon, {50, 99.5}), c.name);
    // Theta's and ARMAX's continuation of the fit's own horizon and levels is the fit's
    // forecasts: a second route to the same numbers.
    if (!std::holds_alternative<theta::Result>(fitted.result) &&
        !std::holds_alternative<armax::Result>(fitted.result))
      continue;
    const Forecast& own = Common(fitted);
    std::vector<double> levels;
    for (const Limits& l : own.limits) levels.push_back(l.level);
    ExpectSameForecasts(Predict(loaded, static_cast<int>(own.mean.size()), levels), fitted,
                        std::string(c.name) + ", own horizon");
  }
}

TEST(ModelFile, MonthlyModelsTakeUnderFourKilobytes) {
  // The budget of a monthly model, exact files (resampled errors carry one value per observation
  // and the combination three models; both are left out here).
  const std::vector<double> y = testing::Airline();
  for (std::size_t i = 0; i < Cases().size(); ++i) {
    if (i == 4 || i == 8) continue;
    EXPECT_LT(ToJson({.result = Cases()[i].fit(y)}).size(), 4096u) << Cases()[i].name;
  }
}

TEST(ModelFile, UpdatedLoadedModelContinuesItsOneStepForecast) {
  // The fitted value of each new time is the one-step forecast the model made before seeing it,
  // and updating through a file at every step ends where one update of all values ends.
  const std::vector<double> y = testing::Airline();
  const std::size_t n = y.size() - 12;
  const std::span<const double> head(y.data(), n), tail(y.data() + n, 12);
  for (const Case& c : Cases()) {
    if (!c.updates) continue;
    const Model start = SavedAndLoaded({.result = c.fit(head)});
    Model stepwise = start;
    for (std::size_t t = 0; t < tail.size(); ++t) {
      const double before = Common(Predict(stepwise, 1, {80})).mean[0];
      const Model updated = Update(stepwise, tail.subspan(t, 1));
      ASSERT_EQ(Common(updated).fitted.size(), 1u) << c.name;
      EXPECT_NEAR(Common(updated).fitted[0], before, testing::kClosedForm * std::abs(before))
          << c.name;
      stepwise = SavedAndLoaded(updated);
    }
    const Model whole = Update(start, tail);
    EXPECT_EQ(stepwise.observations, static_cast<long>(y.size()));
    const std::vector<double> a = Common(Predict(stepwise, 12, {})).mean;
    const std::vector<double> b = Common(Predict(whole, 12, {})).mean;
    for (std::size_t h = 0; h < a.size(); ++h)
      EXPECT_NEAR(a[h], b[h], testing::kClosedForm * std::abs(b[h])) << c.name;
  }
}

// A valid airline file with one edit, and the field the refusal must name.
struct Corruption {
  const char* field;
  std::function<void(nlohmann::json&)> edit;
};

TEST(ModelFile, LoadRefusesCorruptFilesNamingTheField) {
  const std::vector<double> y = testing::Airline();
  const std::vector<std::string> files = {
      ToJson({.result = arima::Fit(y)}), ToJson({.result = Cases()[3].fit(y)}),
      ToJson({.result = Cases()[5].fit(y)}), ToJson({.result = Cases()[6].fit(y)}),
      ToJson({.result = Cases()[8].fit(y)})};
  const std::string& arima_text = files[0];
  enum File { kArima, kEts, kTheta, kArmax, kCombination };
  using J = nlohmann::json;
  const std::vector<std::pair<File, Corruption>> table = {
      {kArima, {"format_version", [](J& j) { j["format_version"] = kModelFormatVersion + 1; }}},
      {kArima, {"format'", [](J& j) { j["format"] = "other"; }}},
      {kArima, {"method", [](J& j) { j["method"] = "mstl"; }}},
      {kArima, {"settings.seed", [](J& j) { j["method"] = "ets"; }}},
      {kArima, {"estimates.ma'", [](J& j) { j["estimates"].erase("ma"); }}},
      {kArima, {"estimates.note", [](J& j) { j["estimates"]["note"] = 1; }}},
      {kArima, {"estimates.ma'", [](J& j) { j["estimates"]["ma"][0] = 1.5; }}},
      {kArima, {"estimates.ma'", [](J& j) { j["settings"]["q"] = 2; }}},
      {kArima, {"estimates.seasonal_ma", [](J& j) { j["estimates"]["seasonal_ma"][0] = -1.01; }}},
      {kArima, {"estimates.sigma2", [](J& j) { j["estimates"]["sigma2"] = -1.0; }}},
      {kArima, {"estimates.ma[0]", [](J& j) { j["estimates"]["ma"][0] = "0.3"; }}},
      {kArima, {"state.mean", [](J& j) { j["state"]["mean"].erase(0); }}},
      {kArima,
       {"state.covariance.values", [](J& j) { j["state"]["covariance"]["values"].erase(0); }}},
      {kArima, {"state.covariance.at[1]", [](J& j) { j["state"]["covariance"]["at"][1] = 0; }}},
      {kArima, {"state.covariance.at[0]", [](J& j) { j["state"]["covariance"]["at"][0] = 999; }}},
      {kArima, {"settings.levels", [](J& j) { j["settings"]["levels"][0] = 0.95; }}},
      {kArima, {"model", [](J& j) { j["model"] = "ARIMA(1,1,1)(0,1,1)[12]"; }}},
      {kArima, {"statistics.observations", [](J& j) { j["statistics"]["observations"] = 12; }}},
      {kEts, {"estimates.alpha", [](J& j) { j["estimates"]["alpha"] = 1.5; }}},
      {kEts, {"state.seasonal", [](J& j) { j["state"]["seasonal"].erase(0); }}},
      {kEts, {"state.level", [](J& j) { j["state"]["level"] = -1.0; }}},
      {kEts, {"settings.paths", [](J& j) { j["settings"]["paths"] = 10; }}},
      {kEts, {"estimates.trend", [](J& j) { j["estimates"]["trend"] = "auto"; }}},
      {kTheta, {"estimates.alpha", [](J& j) { j["estimates"]["alpha"] = 0.0; }}},
      {kTheta, {"estimates.seasonal_indices", [](J& j) { j["settings"]["period"] = 4; }}},
      {kTheta,
       {"estimates.seasonal_indices", [](J& j) { j["estimates"]["seasonal_indices"][3] = -1; }}},
      {kTheta, {"settings.transform", [](J& j) { j["settings"]["transform"] = "log"; }}},
      {kTheta, {"state.final_level'", [](J& j) { j["state"].erase("final_level"); }}},
      {kArmax, {"estimates.seasonal_ar", [](J& j) { j["estimates"]["seasonal_ar"][0] = -1.0; }}},
      {kArmax, {"state.history", [](J& j) { j["state"]["history"].push_back(1.0); }}},
      {kArmax,
       {"state.innovations",
        [](J& j) {
          j["settings"]["Q"] = 2;
          j["estimates"]["seasonal_ma"].push_back(0.0);
        }}},
      {kArmax, {"state.n", [](J& j) { j["state"]["n"] = 100; }}},
      {kArmax, {"estimates.sum_of_squares", [](J& j) { j["estimates"]["sum_of_squares"] = -1.0; }}},
      {kCombination,
       {"members.theta.estimates.alpha",
        [](J& j) { j["members"]["theta"]["estimates"]["alpha"] = 2.0; }}},
      {kCombination,
       {"members.ets.statistics", [](J& j) { j["members"]["ets"]["statistics"]["missing"] = 3; }}},
      {kCombination,
       {"members.auto_arima.state.mean",
        [](J& j) { j["members"]["auto_arima"]["state"]["mean"] = J::array(); }}},
      {kCombination, {"members.arima", [](J& j) { j["members"]["arima"] = nullptr; }}},
      {kCombination, {"model", [](J& j) { j["members"]["theta"] = nullptr; }}},
  };
  for (const auto& [file, c] : table) {
    J j = J::parse(files[file]);
    c.edit(j);
    try {
      FromJson(j.dump());
      ADD_FAILURE() << "accepted an edit of " << c.field;
    } catch (const Error& e) {
      EXPECT_EQ(e.status(), Status::kInvalidData);
      EXPECT_NE(e.text().find(c.field), std::string::npos) << c.field << ": " << e.text();
    }
  }
  // Text edits that JSON values cannot express: a number beyond the doubles, nesting, no JSON.
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"\"sigma2\":1e999", "'sigma2'"},
      {"[[[[[[[[[[[[0]]]]]]]]]]]]", "nested"},
      {"{\"format\":", "not JSON"},
  };
  for (const auto& [text, field] : texts) {
    std::string file = arima_text;
    const std::size_t at = file.find("\"sigma2\":");
    if (text.starts_with("\"sigma2\"")) {
      file.replace(at, file.find(',', at) - at, text);
    } else {
      file = text;
    }
    try {
      FromJson(file);
      ADD_FAILURE() << "accepted " << text;
    } catch (const Error& e) {
      EXPECT_NE(e.text().find(field), std::string::npos) << e.text();
    }
  }
}

TEST(ModelFile, ResultsWithoutAContinuationAreRefusedWithTheReason) {
  std::vector<double> y = testing::Airline();
  const std::vector<double> three(y.begin(), y.begin() + 3);
  std::vector<double> gap = y;
  gap[30] = std::nan("");
  const std::vector<std::pair<batch::MethodResult, const char*>> table = {
      {armax::Fit(gap), "state space route"},
      {theta::Fit(three), "fallback"},
      {auto_forecast::Fit(y, {.periods = {6.0, 12.0}, .horizon = 3, .threads = 1}), "MSTL"},
  };
  for (const auto& [result, reason] : table) {
    try {
      ToJson({.result = result});
      ADD_FAILURE() << "saved a result without a continuation: " << reason;
    } catch (const Error& e) {
      EXPECT_EQ(e.status(), Status::kInvalidSettings);
      EXPECT_NE(e.text().find(reason), std::string::npos) << e.text();
    }
  }
  const Model theta_model{.result = theta::Fit(y)};
  EXPECT_THROW(Update(theta_model, std::vector<double>{500.0}), Error);
}

TEST(ModelFile, ManyModelsTravelAsJsonLines) {
  const std::vector<double> y = testing::Airline();
  std::stringstream file;
  for (const Case& c : Cases()) Save(Model{.result = c.fit(y)}, file, {.data = false});
  file << "\n{}\n";
  try {
    LoadMany(file);
    ADD_FAILURE() << "accepted an empty object";
  } catch (const Error& e) {
    EXPECT_EQ(e.text().rfind("line 11: ", 0), 0u) << e.text();
  }
}

TEST(ModelFile, DataAreWrittenOnlyWhenAsked) {
  std::vector<double> y = testing::Airline();
  y[5] = std::nan("");
  const Model model{.result = arima::Fit(y), .data = y};
  EXPECT_EQ(ToJson(model).find("\"data\""), std::string::npos);
  const Model loaded = FromJson(ToJson(model, {.data = true}));
  EXPECT_TRUE(SameBits(loaded.data, y));
}

TEST(ModelFile, RefitEstimatesTheLoadedFormOnTheWholeSeries) {
  // The loaded model knows its form and transform only from the file: the refit must equal a
  // fit asked for that form directly.
  const std::vector<double> y = testing::Airline();
  const std::span<const double> head(y.data(), y.size() - 12);
  const arima::Settings airline{.p = 1, .constant = false, .transform = Transform::kLog};
  const Model arima_model = Refit(FromJson(ToJson({.result = arima::Fit(head, airline)})), y);
  EXPECT_TRUE(SameBits(Common(arima_model).log_likelihood, arima::Fit(y, airline).log_likelihood));
  const ets::Settings damped{.error = ets::ErrorForm::kMultiplicative,
                             .trend = ets::Trend::kDamped,
                             .season = ets::Season::kMultiplicative,
                             .paths = 500};
  const Model ets_model = Refit(FromJson(ToJson({.result = ets::Fit(head, damped)})), y);
  EXPECT_TRUE(SameBits(Common(ets_model).mean, ets::Fit(y, damped).mean));
  EXPECT_EQ(ets_model.observations, static_cast<long>(y.size()));
}

}  // namespace
}  // namespace vordex
