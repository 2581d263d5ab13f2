#include "vordex/ets.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "support/bits.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "vordex/names.hpp"

namespace vordex::ets {
namespace {

// Monthly series with trend and a multiplicative season, four years (or n months).
std::vector<double> Monthly(int n = 48) {
  std::vector<double> y;
  for (int t = 1; t <= n; ++t)
    y.push_back((100.0 + 2.0 * t) * (1.0 + 0.2 * std::sin(2.0 * M_PI * t / 12.0)) +
                3.0 * std::cos(1.7 * t));
  return y;
}

void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
  EXPECT_TRUE(testing::SameBits(a, b));
}

TEST(EtsFit, SeedReproducesLimitsAndOtherSeedsMoveThem) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kAdditive;
  settings.season = Season::kAdditive;
  settings.horizon = 12;
  settings.paths = 2000;
  settings.seed = 123;
  const Result a = Fit(y, settings);
  const Result b = Fit(y, settings);
  ExpectSameBits(a.limits[1].lower, b.limits[1].lower);
  ExpectSameBits(a.limits[1].upper, b.limits[1].upper);
  // Without a seed of its own a request takes the documented default, not the clock.
  Settings unseeded = settings;
  unseeded.seed = Settings{}.seed;
  EXPECT_EQ(unseeded.seed, kDefaultSeed);
  ExpectSameBits(Fit(y, unseeded).limits[1].upper, Fit(y, unseeded).limits[1].upper);
  settings.seed = 124;
  const Result c = Fit(y, settings);
  ExpectSameBits(a.mean, c.mean);
  EXPECT_NE(a.limits[1].upper[5], c.limits[1].upper[5]);
  // Both levels come from the same paths: the 80% limits lie inside the 95% ones.
  for (std::size_t h = 0; h < 12; ++h) {
    EXPECT_LT(a.limits[1].lower[h], a.limits[0].lower[h]);
    EXPECT_GT(a.limits[1].upper[h], a.limits[0].upper[h]);
  }
  EXPECT_FALSE(a.searched);
  EXPECT_EQ(a.model.trend, Trend::kAdditive);
  ASSERT_TRUE(a.initial_trend.has_value());
  EXPECT_EQ(a.initial_seasonal.size(), 12u);
}

TEST(EtsFit, DecodesModelsWithoutTrendOrSeason) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kNone;
  settings.season = Season::kNone;
  settings.horizon = 0;
  settings.seed = 1;
  const Result r = Fit(y, settings);
  EXPECT_FALSE(r.initial_trend.has_value());
  EXPECT_TRUE(r.initial_seasonal.empty());
  EXPECT_TRUE(r.mean.empty());
  EXPECT_EQ(r.beta, 0.0);
  EXPECT_EQ(r.phi, 1.0);
  EXPECT_EQ(r.rmse.size(), 12u);
}

TEST(EtsFit, TooFewDataForSeasonsDropsTheSeasonWithAWarning) {
  testing::MessageCapture capture;
  const std::vector<double> all = Monthly();
  const std::vector<double> y(all.begin(), all.begin() + 20);
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kAdditive;
  settings.season = Season::kAuto;
  settings.horizon = 3;
  settings.seed = 2;
  const Result r = Fit(y, settings);
  EXPECT_FALSE(r.searched);
  EXPECT_EQ(r.model.season, Season::kNone);
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_EQ(r.warnings[0].text, "Insufficient data for estimation of seasonal models");
}

TEST(EtsFit, FailuresThrowWithCodeAndMessages) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.paths = 100;
  try {
    Fit(y, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEtsPathsOutOfRange);
    ASSERT_EQ(e.messages().size(), 1u);
    EXPECT_EQ(e.messages()[0].title, "Pegels Error");
  }
  settings.paths = 500;
  settings.bounds = {{0.1, 0.5}, {0.1, 0.5}};
  try {
    Fit(y, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kInvalidSettings);
  }
  settings.bounds.clear();
  settings.transform = Transform::kLog;
  std::vector<double> negative = y;
  negative[3] = -1.0;
  try {
    Fit(negative, settings);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.status(), Status::kEngineFailed);
    EXPECT_EQ(e.text(), "Failure in Pegelsmain:\nModel could not be estimated");
  }
}

TEST(EtsFit, InformationCriteriaCountParametersStatesAndSigmaAsR) {
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.horizon = 0;
  settings.information_criterion = InformationCriterion::kBic;
  const Result r = Fit(y, settings);
  const double k = 1 + r.initial_trend.has_value() + (r.model.trend == Trend::kDamped) +
                   !r.initial_seasonal.empty();
  // The criterion chosen by counts the smoothing parameters only (the settings' default).
  EXPECT_NEAR(r.information_criterion, -2.0 * r.log_likelihood + k * std::log(48.0),
              1e-9 * std::fabs(r.bic));
  EXPECT_DOUBLE_EQ(r.sigma2, r.sigma * r.sigma);
  // R 4.2.2, forecast 8.20: ets(AirPassengers, "MAM", damped = FALSE) has aic - (-2 loglik) =
  // 2 * 17 (alpha, beta, gamma, level, trend, 11 free seasonal indices, sigma).
  Settings mam{.error = ErrorForm::kMultiplicative,
               .trend = Trend::kAdditive,
               .season = Season::kMultiplicative};
  mam.horizon = 0;
  const Result air = Fit(testing::Airline(), mam);
  EXPECT_NEAR(air.aic + 2.0 * air.log_likelihood, 34.0, 1e-9);
  EXPECT_EQ(ModelName(air), "ETS(M,A,M)");
}

TEST(EtsFit, BoundsReachTheEngine) {
  testing::MessageCapture capture;
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.error = ErrorForm::kAdditive;
  settings.trend = Trend::kNone;
  settings.season = Season::kAdditive;
  settings.horizon = 0;
  settings.bounds = {{0.2, 0.3}};
  const Result r = Fit(y, settings);
  EXPECT_GE(r.alpha, 0.2);
  EXPECT_LE(r.alpha, 0.3);
  EXPECT_GE(r.gamma, 0.2);
  EXPECT_LE(r.gamma, 0.3);
}

TEST(EtsFit, RequestsOnSeveralThreadsDoNotInterfere) {
  // Engine state, generator and line-search context are per thread: concurrent seeded requests
  // give exactly what the same requests give one after another.
  const std::vector<double> y = Monthly();
  Settings settings;
  settings.horizon = 6;
  settings.paths = 1000;
  settings.multisteps = 4;
  std::vector<Result> alone(4);
  for (std::uint32_t i = 0; i < 4; ++i) {
    settings.seed = 40 + i;
    alone[i] = Fit(y, settings);
  }
  std::vector<Result> together(4);
  std::vector<std::thread> threads;
  for (std::uint32_t i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      Settings mine = settings;
      mine.seed = 40 + i;
      together[i] = Fit(y, mine);
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 4; ++i) {
    ExpectSameBits(alone[i].fitted, together[i].fitted);
    ExpectSameBits(alone[i].limits[0].lower, together[i].limits[0].lower);
    ExpectSameBits(alone[i].limits[1].upper, together[i].limits[1].upper);
  }
}

// One recursion computed twice (the engine on the series divided by its largest value, with the
// missing values' updates written out; below on the series itself, with the prediction put in
// for a missing value): rounding differences of a few ulps per step of a contracting recursion;
// max seen 5.3e-14.
constexpr double kSameRecursion = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Near(double a, double b, double tolerance = kSameRecursion) {
  return std::fabs(a - b) <= tolerance * std::max(1.0, std::fabs(b));
}

// The model of `r` run over y (on the transformed scale) from its initial states by the plain
// smoothing recursion, the prediction standing in for a missing value; and the Gaussian
// log-likelihood by the prediction-error decomposition over the observed values, each error with
// the variance sigma^2 (sigma^2 F^2 for relative errors), sigma^2 the mean squared error.
struct Plain {
  std::vector<double> fitted, errors;
  double level = 0.0, trend = 0.0;
  std::vector<double> seasonal;  // the last s values
  double log_likelihood = 0.0;
};

Plain RunPlain(const Result& r, const std::vector<double>& y) {
  const Trend tr = r.model.trend;
  const Season se = r.model.season;
  const bool relative = r.model.error == ErrorForm::kMultiplicative;
  double l = r.initial_level;
  double b = r.initial_trend.value_or(0.0);
  std::deque<double> seasons(r.initial_seasonal.begin(), r.initial_seasonal.end());
  Plain p;
  double ss = 0.0;
  int observed = 0;
  for (const double yt : y) {
    const double pred = tr == Trend::kNone ? l : tr == Trend::kMultiplicative ? l * b : l + b;
    const double sv = seasons.empty() ? 0.0 : seasons.front();
    const double F = se == Season::kAdditive         ? pred + sv
                     : se == Season::kMultiplicative ? pred * sv
                                                     : pred;
    const double x = std::isnan(yt) ? F : yt;
    p.fitted.push_back(F);
    p.errors.push_back(yt - F);
    const double deseasoned = se == Season::kAdditive         ? x - sv
                              : se == Season::kMultiplicative ? x / sv
                                                              : x;
    const double lnew = pred + r.alpha * (deseasoned - pred);
    if (tr == Trend::kMultiplicative)
      b += r.beta * (lnew / l - b);
    else if (tr != Trend::kNone)
      b = r.phi * b + r.beta * (lnew - l - b);
    if (se != Season::kNone) {
      const double z = se == Season::kAdditive ? x - pred : x / pred;
      seasons.pop_front();
      seasons.push_back(sv + r.gamma * (z - sv));
    }
    l = lnew;
    if (!std::isnan(yt)) {
      ++observed;
      const double u = relative ? (yt - F) / F : yt - F;
      ss += u * u;
    }
  }
  const double sigma2 = ss / observed;
  for (std::size_t t = 0; t < y.size(); ++t) {
    if (std::isnan(y[t])) continue;
    const double v = relative ? sigma2 * p.fitted[t] * p.fitted[t] : sigma2;
    p.log_likelihood -= 0.5 * (std::log(2.0 * M_PI * v) + p.errors[t] * p.errors[t] / v);
  }
  p.level = l;
  p.trend = b;
  p.seasonal.assign(seasons.begin(), seasons.end());
  return p;
}

// The fitted values, residuals and final states of `r` against the plain recursion over y.
void ExpectPlainRecursion(const Result& r, const std::vector<double>& y) {
  const Plain p = RunPlain(r, y);
  ASSERT_EQ(r.fitted.size(), y.size());
  for (std::size_t t = 0; t < y.size(); ++t) {
    const double fitted = r.transform == Transform::kLog ? std::log(r.fitted[t]) : r.fitted[t];
    EXPECT_TRUE(Near(fitted, p.fitted[t])) << t;
    EXPECT_EQ(std::isnan(r.residuals[t]), std::isnan(y[t])) << t;
    if (!std::isnan(y[t])) {  // an error carries the rounding of the fitted value it is taken from
      EXPECT_NEAR(r.residuals[t], p.errors[t], kSameRecursion * std::max(1.0, std::fabs(fitted)))
          << t;
    }
  }
  EXPECT_TRUE(Near(r.final_level, p.level));
  if (r.final_trend) {
    EXPECT_TRUE(Near(*r.final_trend, p.trend));
  }
  ASSERT_EQ(r.final_seasonal.size(), p.seasonal.size());
  // Additive seasonal values are updated by errors, and carry the level's rounding.
  const double scale = r.model.season == Season::kAdditive ? std::fabs(p.level) : 1.0;
  for (std::size_t k = 0; k < p.seasonal.size(); ++k)
    EXPECT_TRUE(Near(r.final_seasonal[k], p.seasonal[k], kSameRecursion * std::max(1.0, scale)))
        << k;
}

Settings Fixed(ErrorForm error, Trend trend, Season season, Initialization init) {
  Settings s;
  s.error = error;
  s.trend = trend;
  s.season = season;
  s.initialization = init;
  s.horizon = 6;
  s.paths = 1000;
  return s;
}

using enum ErrorForm;
using enum Initialization;

TEST(EtsMissing, LeaveEveryKthOutAgreesWithThePlainRecursionAndItsLikelihood) {
  testing::MessageCapture capture;
  // Beyond 1,000 values the estimation, the recursion's arithmetic and the likelihood's sum of
  // logarithms take other routes; the plain recursion checks them as well.
  const struct {
    Settings settings;
    int k;
    int n = 48;
  } cases[] = {
      {Fixed(kAdditive, Trend::kNone, Season::kNone, kHeuristic), 3},
      {Fixed(kAdditive, Trend::kDamped, Season::kAdditive, kEstimated), 5},
      {Fixed(kMultiplicative, Trend::kAdditive, Season::kMultiplicative, kHeuristic), 2},
      {Fixed(kMultiplicative, Trend::kMultiplicative, Season::kNone, kEstimated), 7},
      {Fixed(kAdditive, Trend::kDamped, Season::kAdditive, kEstimated), 5, 1500},
      {Fixed(kMultiplicative, Trend::kAdditive, Season::kNone, kHeuristic), 3, 1500},
      {Fixed(kMultiplicative, Trend::kNone, Season::kMultiplicative, kHeuristic), 4, 1500},
  };
  for (const auto& c : cases) {
    std::vector<double> y = Monthly(c.n);
    for (std::size_t t = 0; t < y.size(); t += c.k) y[t] = kNaN;
    const Result r = Fit(y, c.settings);
    SCOPED_TRACE(ModelName(r) + " k = " + std::to_string(c.k) + " n = " + std::to_string(c.n));
    const int missing = static_cast<int>((y.size() + c.k - 1) / c.k);
    EXPECT_EQ(r.missing, missing);
    ExpectPlainRecursion(r, y);
    const Plain p = RunPlain(r, y);
    EXPECT_TRUE(Near(r.log_likelihood, p.log_likelihood));
    // The small-sample correction counts the observed values.
    const double k = (r.aic + 2.0 * r.log_likelihood) / 2.0;
    const double n = static_cast<double>(y.size() - missing);
    EXPECT_NEAR(r.aicc - r.aic, 2.0 * k * (k + 1.0) / (n - k - 1.0), 1e-9);
  }
}

TEST(EtsMissing, AGapAtTheEndIsTheSeriesCutBeforeIt) {
  testing::MessageCapture capture;
  Settings automatic = AutoSettings(12, 7);
  Settings damped_log = Fixed(kAdditive, Trend::kDamped, Season::kNone, kEstimated);
  damped_log.transform = Transform::kLog;
  for (const Settings& settings :
       {automatic, damped_log,
        Fixed(kMultiplicative, Trend::kNone, Season::kAdditive, kHeuristic)}) {
    std::vector<double> cut = Monthly();
    cut.insert(cut.end(), cut.begin(), cut.begin() + 24);  // six years
    std::vector<double> gapped = cut;
    gapped.push_back(kNaN);
    const Result a = Fit(cut, settings);
    const Result g = Fit(gapped, settings);
    SCOPED_TRACE(ModelName(a));
    EXPECT_EQ(ModelName(g), ModelName(a));
    for (double Result::*p : std::initializer_list<double Result::*>{
             &Result::alpha, &Result::beta, &Result::gamma, &Result::phi, &Result::initial_level,
             &Result::log_likelihood, &Result::aic, &Result::sigma2})
      EXPECT_EQ(g.*p, a.*p);
    EXPECT_TRUE(testing::SameBits(g.rmse, a.rmse));
    EXPECT_TRUE(
        testing::SameBits(std::vector<double>(g.fitted.begin(), g.fitted.end() - 1), a.fitted));
    EXPECT_TRUE(std::isnan(g.residuals.back()));
    // The gap's fitted value is the cut series' first forecast; the gapped series' forecasts are
    // the cut one's one step further.
    EXPECT_TRUE(Near(g.fitted.back(), a.mean[0]));
    for (std::size_t h = 0; h + 1 < a.mean.size(); ++h) EXPECT_TRUE(Near(g.mean[h], a.mean[h + 1]));
  }
}

TEST(EtsMissing, TooFewObservedValuesOrTooManyValuesAreRefusedSayingSo) {
  testing::MessageCapture capture;
  std::vector<double> seasonal = Monthly();
  seasonal.resize(30);
  for (int t = 0; t < 10; ++t) seasonal[static_cast<std::size_t>(t)] = kNaN;
  const struct {
    std::vector<double> y;
    Season season;
    Status status;
    std::string text;
  } cases[] = {
      {std::vector<double>(10, kNaN), Season::kNone, Status::kTooFewObservations, "0 of 10"},
      {seasonal, Season::kAdditive, Status::kTooFewObservations, "20 of 30 (10 missing)"},
      {std::vector<double>(static_cast<std::size_t>(kMaxObservations) + 1, 1.0), Season::kNone,
       Status::kTooManyObservations, "limit of 10000000"},
      {{1.0, std::numeric_limits<double>::infinity(), 2.0},
       Season::kNone,
       Status::kEtsNonFiniteData,
       "non-finite"},
  };
  for (const auto& c : cases) {
    Settings settings = Fixed(kAdditive, Trend::kNone, c.season, kHeuristic);
    try {
      Fit(c.y, settings);
      ADD_FAILURE() << "no error: " << c.text;
    } catch (const Error& e) {
      EXPECT_EQ(e.status(), c.status) << c.text;
      EXPECT_NE(e.text().find(c.text), std::string::npos) << e.text();
    }
  }
  // An open seasonality is dropped with too few observed values, as with too few values.
  Settings open = Fixed(kAdditive, Trend::kNone, Season::kAuto, kHeuristic);
  EXPECT_EQ(Fit(seasonal, open).model.season, Season::kNone);
}

TEST(EtsFit, TakesSeriesAndHorizonsBeyondTheExportsLimits) {
  std::vector<double> y;
  for (int t = 0; t < 5000; ++t) y.push_back(100.0 + std::sin(0.1 * t) + 0.01 * t);
  Settings settings = Fixed(kAdditive, Trend::kAdditive, Season::kNone, kHeuristic);
  settings.horizon = 300;
  const Result r = Fit(y, settings);
  EXPECT_EQ(r.fitted.size(), 5000u);
  EXPECT_EQ(r.limits[1].upper.size(), 300u);
}

// Beyond 1,000 values the parameters are estimated by projected quasi-Newton descents. R 4.2.2,
// forecast 8.20, on Taylor's 4,032 half-hours as a non-seasonal series:
// ets(ts(y), model = M, damped = FALSE, opt.crit = "lik", lower = c(1e-4, 1e-4, 1e-4, 0.8),
// upper = c(0.9999, 0.9999, 0.9999, 0.98)) ends at the log-likelihoods below (R's $loglik plus
// its omitted constant n/2 (log n - log 2 pi - 1)), with alpha, and beta with a trend, on their
// upper bound 0.9999. With the same bounds and estimated initial states (R's are estimated too)
// ours reaches the same maxima or higher points.
TEST(EtsFit, LongSeriesReachRsMaxima) {
  testing::MessageCapture capture;
  const std::vector<double> y =
      testing::LoadCsvColumns(std::string(VORDEX_DECOMPOSE_DATA_DIR) + "/taylor.csv")[0];
  ASSERT_EQ(y.size(), 4032u);
  const struct {
    ErrorForm error;
    Trend trend;
    double log_likelihood;
  } cases[] = {{kAdditive, Trend::kNone, -33332.147751},
               {kAdditive, Trend::kAdditive, -30626.420405},
               {kMultiplicative, Trend::kNone, -33548.814909},
               {kMultiplicative, Trend::kAdditive, -30790.470481}};
  for (const auto& c : cases) {
    Settings settings = Fixed(c.error, c.trend, Season::kNone, kEstimated);
    settings.period = 1;
    settings.bounds = {{1e-4, 0.9999}};
    const Result r = Fit(y, settings);
    SCOPED_TRACE(ModelName(r));
    EXPECT_GE(r.log_likelihood, c.log_likelihood - 1e-6);
    EXPECT_NEAR(r.alpha, 0.9999, 1e-6);
    if (c.trend == Trend::kAdditive) {
      EXPECT_NEAR(r.beta, 0.9999, 1e-6);
    }
  }
}

// Forecasting again: the fit's own horizon, levels and seed give its numbers bit for bit, whatever
// the disturbances, transform or missing values; another horizon extends the same point forecasts.
TEST(EtsForecastFrom, TheFitsOwnSettingsGiveItsForecastsBitForBit) {
  testing::MessageCapture capture;
  Settings resampled = Fixed(kMultiplicative, Trend::kNone, Season::kMultiplicative, kHeuristic);
  resampled.disturbances = Disturbances::kResampled;
  resampled.transform = Transform::kSquareRoot;
  Settings box_cox = Fixed(kAdditive, Trend::kDamped, Season::kNone, kEstimated);
  box_cox.transform = Transform::kBoxCox;
  box_cox.box_cox = {.lambda = 0.3, .bias_adjusted = true};
  Settings automatic = AutoSettings(12, 9);
  automatic.disturbances = Disturbances::kResampled;
  std::vector<double> gapped = Monthly();
  gapped[7] = gapped[30] = kNaN;
  for (const Settings& settings :
       {Fixed(kAdditive, Trend::kAdditive, Season::kAdditive, kHeuristic), resampled, box_cox,
        automatic}) {
    const Result r = Fit(gapped, settings);
    SCOPED_TRACE(ModelName(r));
    const Result same = ForecastFrom(r, settings.horizon, settings.levels, settings.seed);
    EXPECT_TRUE(testing::SameBits(same.mean, r.mean));
    ASSERT_EQ(same.limits.size(), r.limits.size());
    for (std::size_t j = 0; j < r.limits.size(); ++j) {
      EXPECT_TRUE(testing::SameBits(same.limits[j].lower, r.limits[j].lower));
      EXPECT_TRUE(testing::SameBits(same.limits[j].upper, r.limits[j].upper));
    }
    const int h = settings.horizon + 5;
    const Result longer = ForecastFrom(r, h, {90.0}, settings.seed + 1);
    // (Bias-adjusted means read the variance off the limits, which other paths move.)
    if (!settings.box_cox.bias_adjusted) {
      EXPECT_TRUE(testing::SameBits(
          std::vector<double>(longer.mean.begin(), longer.mean.begin() + settings.horizon),
          r.mean));
    }
    EXPECT_EQ(longer.limits.at(0).level, 90.0);
    EXPECT_EQ(longer.limits[0].upper.size(), static_cast<std::size_t>(h));
    EXPECT_EQ(longer.settings.horizon, h);
  }
  EXPECT_THROW(ForecastFrom(Fit(gapped), 3, {100.0}, 1), Error);
}

// New observations filtered from the final states equal the whole series run from the initial
// states; two updates equal one.
TEST(EtsUpdate, EqualsTheWholeSeriesRunFromTheInitialStates) {
  testing::MessageCapture capture;
  Settings logged = Fixed(kAdditive, Trend::kAdditive, Season::kNone, kHeuristic);
  logged.transform = Transform::kLog;
  for (const Settings& settings :
       {Fixed(kAdditive, Trend::kDamped, Season::kAdditive, kEstimated),
        Fixed(kMultiplicative, Trend::kAdditive, Season::kMultiplicative, kHeuristic), logged}) {
    std::vector<double> y = Monthly();
    y[40] = kNaN;
    const std::vector<double> first(y.begin(), y.begin() + 36);
    const Result fit = Fit(first, settings);
    SCOPED_TRACE(ModelName(fit));
    const Result updated = Update(fit, std::span(y).subspan(36));
    EXPECT_EQ(updated.missing, 1);
    EXPECT_EQ(updated.log_likelihood, fit.log_likelihood);
    std::vector<double> transformed = y;
    if (settings.transform == Transform::kLog)
      for (double& v : transformed) v = std::log(v);
    ExpectPlainRecursion(updated, transformed);
    const Result twice = Update(Update(fit, std::span(y).subspan(36, 3)), std::span(y).subspan(39));
    EXPECT_TRUE(testing::SameBits(twice.fitted, updated.fitted));
    EXPECT_TRUE(testing::SameBits(twice.limits[0].lower, updated.limits[0].lower));
    EXPECT_TRUE(testing::SameBits(updated.mean,
                                  ForecastFrom(updated, 6, {80, 95}, fit.settings.seed).mean));
  }
}

}  // namespace
}  // namespace vordex::ets
