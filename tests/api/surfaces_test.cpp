// The typed API and the exports run the same engine entry point: packing a typed result the way
// the export packs gives the export's cells bit for bit, for every embedded series and a grid of
// settings of each method.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/seed.h"
#include "host/arima_export.h"
#include "host/pegels_export.h"
#include "smoothing/random.h"
#include "support/automation.h"
#include "support/bits.h"
#include "support/capture.h"
#include "support/datasets.h"
#include "vordex/vordex.h"
#include "vordex/vordex.hpp"

namespace vordex {
namespace {

using testing::SameBits;

struct Series {
  const char* name;
  int period;
};
constexpr Series kSeries[] = {
    {"airline", 12}, {"lynx", 1}, {"nile", 1}, {"ukgas", 4}, {"usaccdeaths", 12}};

std::vector<double> ExportCells(decltype(&Arimadll) run, const std::vector<short>& options,
                                double lead, const std::vector<double>& y) {
  std::vector<double> data{lead};
  data.insert(data.end(), y.begin(), y.end());
  testing::HostArray opt(testing::OptionArray(options));
  testing::HostArray dat(testing::DataArray(data));
  return testing::CellsOf(run(&opt.array, &dat.array));
}

std::vector<double> NaNToMissing(std::vector<double> v, int missing) {
  for (int i = 0; i < missing && i < static_cast<int>(v.size()); ++i) v[i] = -99999.0;
  return v;
}

// The one-step predictions of the working series, as the engine forms them: series - residuals.
std::vector<double> WorkingFitted(const arima::Result& r) {
  std::vector<double> f(r.series.size());
  for (std::size_t t = 0; t < f.size(); ++t) f[t] = r.series[t] - r.residuals[t];
  return f;
}

short Code(Transform t) {
  return static_cast<short>(t);
}

struct Orders {
  int p, d, q, P, D, Q;
  bool mean;
  Transform transform;
};
constexpr Orders kOrders[] = {
    {0, 1, 1, 0, 1, 1, false, Transform::kLog}, {2, 1, 1, 0, 0, 0, false, Transform::kNone},
    {1, 0, 1, 1, 0, 0, true, Transform::kNone}, {1, 1, 0, 0, 0, 0, false, Transform::kSquareRoot},
    {0, 1, 1, 0, 0, 0, true, Transform::kLog},
};

TEST(Surfaces, ArimaResultsPackToTheExportCells) {
  testing::MessageCapture capture;
  for (const Series& s : kSeries) {
    const std::vector<double> y = testing::LoadDataset(s.name);
    for (const Orders& o : kOrders) {
      if (s.period == 1 && o.P + o.D + o.Q > 0) continue;
      arima::Settings settings{.period = s.period,
                               .horizon = 12,
                               .p = o.p,
                               .d = o.d,
                               .q = o.q,
                               .P = o.P,
                               .D = o.D,
                               .Q = o.Q,
                               .constant = o.mean,
                               .transform = o.transform,
                               .critical_value = 1.645};
      const arima::Result r = arima::Fit(y, settings);
      ASSERT_EQ(r.limits.size(), 1u);
      arima::Estimates e{.series = NaNToMissing(r.series, r.lost),
                         .fitted = NaNToMissing(WorkingFitted(r), r.lost),
                         .residuals = NaNToMissing(r.residuals, r.lost),
                         .forecasts = r.mean,
                         .lower = r.limits[0].lower,
                         .upper = r.limits[0].upper,
                         .phi = r.ar,
                         .theta = r.ma,
                         .Phi = r.seasonal_ar,
                         .Theta = r.seasonal_ma,
                         .sigma2 = r.sigma2,
                         .log_likelihood = r.log_likelihood,
                         // The export's AIC counts the coefficients and the constant only.
                         .aic = -2.0 * (r.log_likelihood -
                                        (o.mean + o.p + o.q + o.P + o.Q)),
                         .constant = r.constant.value_or(0.0)};
      std::vector<double> packed(static_cast<std::size_t>(host::ArimaCount(e)) + 1);
      host::ArimaPack(e, packed.data());
      packed.erase(packed.begin());
      const short transform = o.transform == Transform::kLog          ? 2
                              : o.transform == Transform::kSquareRoot ? 3
                                                                      : 1;
      const std::vector<short> options = {static_cast<short>(y.size()),
                                          static_cast<short>(s.period),
                                          12,
                                          static_cast<short>(o.p),
                                          static_cast<short>(o.d),
                                          static_cast<short>(o.q),
                                          static_cast<short>(o.P),
                                          static_cast<short>(o.D),
                                          static_cast<short>(o.Q),
                                          static_cast<short>(o.mean),
                                          transform};
      EXPECT_TRUE(SameBits(packed, ExportCells(&Arimadll, options, 1.645, y)))
          << s.name << " " << o.p << o.d << o.q << o.P << o.D << o.Q;
    }
  }
}

TEST(Surfaces, ArmaxResultsPackToTheExportCells) {
  testing::MessageCapture capture;
  for (const Series& s : kSeries) {
    const std::vector<double> y = testing::LoadDataset(s.name);
    for (const Orders& o : kOrders) {
      if (s.period == 1 && o.P + o.D + o.Q > 0) continue;
      armax::Settings settings{.period = s.period,
                               .horizon = 12,
                               .p = o.p,
                               .d = o.d,
                               .q = o.q,
                               .P = o.P,
                               .D = o.D,
                               .Q = o.Q,
                               .constant = o.mean,
                               .transform = o.transform,
                               .critical_value = 1.645};
      const armax::Result r = armax::Fit(y, settings);
      ASSERT_EQ(r.limits.size(), 1u);
      // The residuals follow the observations: the export's begin after the values lost.
      const std::vector<double> residuals(r.residuals.begin() + r.lost, r.residuals.end());
      std::vector<double> packed;
      for (const auto* block : {&r.series, &residuals, &r.mean, &r.limits[0].lower,
                                &r.limits[0].upper, &r.ar, &r.ma, &r.seasonal_ar, &r.seasonal_ma})
        packed.insert(packed.end(), block->begin(), block->end());
      if (r.constant) packed.push_back(*r.constant);
      packed.insert(packed.end(), {r.sum_of_squares, r.log_likelihood, r.sigma2});
      const std::vector<short> options = {static_cast<short>(y.size()),
                                          static_cast<short>(s.period),
                                          12,
                                          static_cast<short>(o.p),
                                          static_cast<short>(o.d),
                                          static_cast<short>(o.q),
                                          static_cast<short>(o.P),
                                          static_cast<short>(o.D),
                                          static_cast<short>(o.Q),
                                          static_cast<short>(o.mean),
                                          Code(o.transform)};
      EXPECT_TRUE(SameBits(packed, ExportCells(&Armaxdll, options, 1.645, y)))
          << s.name << " " << o.p << o.d << o.q << o.P << o.D << o.Q;
    }
  }
}

TEST(Surfaces, EtsResultsPackToTheExportCells) {
  testing::MessageCapture capture;
  using namespace ets;
  std::vector<Settings> grid(3);  // the first: every component chosen by AIC
  grid[0].horizon = 12;
  grid[1].horizon = 6;
  grid[1].error = ErrorForm::kAdditive;
  grid[1].trend = Trend::kDamped;
  grid[1].criterion = Criterion::kAverageMse;
  grid[1].initialization = Initialization::kEstimated;
  grid[1].paths = 700;
  grid[1].multisteps = 5;
  grid[1].information_criterion = InformationCriterion::kBic;
  grid[2].horizon = 8;
  grid[2].error = ErrorForm::kMultiplicative;
  grid[2].trend = Trend::kNone;
  grid[2].season = Season::kNone;
  grid[2].criterion = Criterion::kMape;
  grid[2].disturbances = Disturbances::kResampled;
  grid[2].paths = 500;
  grid[2].multisteps = 3;
  grid[2].transform = Transform::kSquareRoot;
  grid[2].bounds = {{0.2, 0.6}};
  for (Settings& g : grid) g.levels = {95.0};
  for (const Series& s : kSeries) {
    const std::vector<double> y = testing::LoadDataset(s.name);
    for (Settings settings : grid) {
      settings.period = s.period;
      const Result r = Fit(y, settings);
      smoothing::Estimates e;
      e.model = r.model;
      e.searched = r.searched;
      e.period = s.period;
      e.multisteps = settings.multisteps;
      e.series = r.series;
      // The fitted values on the transformed scale: the observations less the residuals.
      for (std::size_t t = 0; t < r.series.size(); ++t)
        e.fitted.push_back(settings.transform == Transform::kNone ? r.fitted[t]
                                                                  : r.series[t] - r.residuals[t]);
      e.errors = r.residuals;
      e.forecasts = r.mean;
      e.lower = r.limits[0].lower;
      e.upper = r.limits[0].upper;
      e.alpha = r.alpha;
      e.beta = r.beta;
      e.gamma = r.gamma;
      e.phi = r.phi;
      e.initial_level = r.initial_level;
      e.initial_trend = r.initial_trend.value_or(0.0);
      e.initial_seasonal = r.initial_seasonal;
      e.initial_seasonal.resize(static_cast<std::size_t>(s.period));
      e.amse = r.rmse_average * r.rmse_average;
      for (double v : r.rmse) e.mse.push_back(v * v);
      e.sigma = r.sigma;
      e.log_likelihood = r.log_likelihood;
      e.information_criterion = r.information_criterion;
      e.mape = r.mape;
      std::vector<double> packed(512);
      packed.resize(static_cast<std::size_t>(host::pegelspack(e, packed.data(), 511, 4)) + 1);
      packed.erase(packed.begin());

      std::vector<short> options = {static_cast<short>(y.size()),
                                    static_cast<short>(s.period),
                                    static_cast<short>(settings.horizon),
                                    static_cast<short>(settings.error),
                                    static_cast<short>(settings.trend),
                                    static_cast<short>(settings.season),
                                    static_cast<short>(settings.disturbances),
                                    static_cast<short>(settings.criterion),
                                    static_cast<short>(settings.initialization),
                                    static_cast<short>(settings.paths),
                                    static_cast<short>(settings.multisteps),
                                    static_cast<short>(settings.information_criterion),
                                    static_cast<short>(Code(settings.transform) + 1),
                                    0,
                                    static_cast<short>(settings.bounds.size())};
      std::vector<double> tail = y;
      for (const Bound& b : settings.bounds) tail.push_back(b.lower);
      for (const Bound& b : settings.bounds) tail.push_back(b.upper);
      host::ScopedSeedOverride seed(smoothing::CallerSeed(settings.seed));
      std::vector<double> cells = ExportCells(&Pegelsdll, options, 95.0, tail);
      // The squared roots are not the engine's mean squared errors bit for bit, but their roots
      // are: sqrt(fl(r * r)) = r in binary floating point. With a transform the fitted values
      // come back through the observations less the residuals, equal up to rounding.
      const std::size_t n = y.size();
      if (settings.transform != Transform::kNone) {
        ASSERT_GE(cells.size(), 2 * n);
        for (std::size_t t = n; t < 2 * n; ++t) {
          EXPECT_NEAR(packed[t], cells[t], 1e-12 * std::fabs(cells[t])) << s.name;
          packed[t] = cells[t];
        }
      }
      EXPECT_TRUE(SameBits(packed, cells)) << s.name;
    }
  }
}

}  // namespace
}  // namespace vordex
