// What every method's result holds, under the same names on every surface: point forecasts and
// their limits at each coverage level asked for, fitted values and residuals, and the fit
// statistics. Each method's Result adds its own model on top (arima::Result, ets::Result, ...).
#ifndef VORDEX_FORECAST_HPP
#define VORDEX_FORECAST_HPP

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "vordex/export.hpp"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex {

// The horizon every method forecasts when none is given.
inline constexpr int kDefaultHorizon = 24;

// The coverages, in percent, of the limits every method gives when no level is asked for (as R's
// forecast package).
inline const std::vector<double> kDefaultLevels = {80.0, 95.0};

// The coverage in percent of limits `critical` standard errors from a Gaussian forecast:
// 100 erf(critical / sqrt 2) (1.959963984540054 gives 95).
VORDEX_CPP_API double CriticalLevel(double critical);

// The levels a method's settings give: the one level of a critical value when there is one, else
// the levels asked for.
VORDEX_CPP_API std::vector<double> LevelsOf(const std::vector<double>& levels,
                                            std::optional<double> critical_value);

// Empty when `level` is a coverage in percent the methods take, (0, 100) and at least 1; else the
// reason, which for a level below 1 suggests the percent meant ("level must be in percent (0,
// 100); got 0.95 - did you mean 95?"): every surface refuses levels with this text.
VORDEX_CPP_API std::string LevelProblem(double level);

// The prediction limits of one coverage level.
struct Limits {
  double level = 0.0;              // coverage in percent, in (0, 100)
  std::vector<double> lower = {};  // times n+1 .. n+h, on the observations' scale
  std::vector<double> upper = {};
};

struct Forecast {
  // Point forecasts for times n+1 .. n+h, on the observations' scale.
  std::vector<double> mean = {};
  // One entry per level asked for, in the order asked.
  std::vector<Limits> limits = {};
  // One-step predictions of times 1..n on the observations' scale (NaN where the model has none,
  // such as values lost to differencing).
  std::vector<double> fitted = {};
  // One-step prediction errors of times 1..n on the model's (transformed) scale, NaN where none.
  std::vector<double> residuals = {};
  // Fit statistics (NaN where a method has none, as Theta's likelihood): the innovation
  // variance on the model's scale, the maximised log-likelihood, and the information criteria
  // counting every estimated parameter, as R's forecast package counts them.
  double sigma2 = std::numeric_limits<double>::quiet_NaN();
  double log_likelihood = std::numeric_limits<double>::quiet_NaN();
  double aic = std::numeric_limits<double>::quiet_NaN();
  double aicc = std::numeric_limits<double>::quiet_NaN();
  double bic = std::numeric_limits<double>::quiet_NaN();
  // The number of observations that were missing (NaN) in the series fitted.
  int missing = 0;
  // The Box-Cox parameter the series was transformed with (Transform::kBoxCox only).
  std::optional<double> lambda = {};
  // With Status::kFallback: the simple method that produced the forecasts because the series was
  // too short for the model ("constant", "mean", "naive", "seasonal_naive"); empty otherwise.
  std::string fallback = {};
  // kOk, or a warning status saying that the result is less than what was asked for.
  Status status = Status::kOk;
  // Messages raised by the successful request.
  std::vector<Message> warnings = {};

  // The limits of `level` percent, or nullptr when they were not asked for.
  const Limits* LimitsAt(double level) const {
    for (const Limits& l : limits)
      if (l.level == level) return &l;
    return nullptr;
  }
};

}  // namespace vordex

#endif  // VORDEX_FORECAST_HPP
