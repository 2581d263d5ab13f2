// The options of each forecasting method, defined once and added both to the method's own
// command (`vordex ets`) and to its batch command (`vordex batch ets`), and the settings they
// give for a series.
#ifndef VORDEX_CLI_METHODS_H
#define VORDEX_CLI_METHODS_H

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common.h"
#include "regressor_options.h"
#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/ets.hpp"
#include "vordex/forecast.hpp"
#include "vordex/transform.hpp"

namespace vordex::cli {

// In each XxxSettings, `period` is the series' own period (an embedded series' frequency or its
// times' calendar; 0 when unknown), used when --period is not given; without either the period
// is 1. A combination of options the method cannot take throws std::invalid_argument with the
// message for the user. Every option named by a value (--transform, --error, ...) takes the
// library's names (names.hpp); every method takes --level, several levels in percent.

struct ArimaOptions {
  std::vector<int> order = {0, 1, 1};  // --order p,d,q
  std::vector<int> seasonal;           // --seasonal P,D,Q (default 0,1,1 with a period > 1)
  int period = 0;                      // --period s; 0: the series' own
  Transform transform = Transform::kLog;
  BoxCox box_cox;         // --lambda, --bias-adjusted
  bool constant = false;  // --constant (alias --mean)
  std::vector<double> levels = kDefaultLevels;
  std::optional<double> critical;  // --critical z: instead of the levels
  bool thorough = false;           // --thorough: several starting points
  RegressorOptions regressors;     // --xreg, --future, --fourier, --trend, --event, --drift
};
void AddArimaOptions(CLI::App* command, ArimaOptions& options);
arima::Settings ArimaSettings(const ArimaOptions& options, int horizon, int period);

struct EtsOptions {
  // The settings as given, --period and --bounds apart (the defaults are the library's).
  ets::Settings settings;
  int period = 0;  // 0: the series' own
  std::vector<double> bounds;
  bool additive_only = false;  // --additive-only: as --search additive_only
  bool auto_preset = false;    // --auto: the recommended automatic smoothing (ets::AutoSettings)
};
void AddEtsOptions(CLI::App* command, EtsOptions& options);
ets::Settings EtsSettings(const EtsOptions& options, int horizon, int period);

struct ArmaxOptions {
  std::vector<int> order = {0, 1, 1};  // p d q
  std::vector<int> seasonal;           // P D Q; default (0,1,1) when the period exceeds 1
  int period = 0;                      // 0: the series' own
  Transform transform = Transform::kLog;
  BoxCox box_cox;
  bool constant = false;
  std::vector<double> levels = kDefaultLevels;
  std::optional<double> critical;
  bool thorough = false;  // --thorough: several starting points
};
void AddArmaxOptions(CLI::App* command, ArmaxOptions& options);
armax::Settings ArmaxSettings(const ArmaxOptions& options, int horizon, int period);

struct AutoArimaOptions {
  int period = 0;  // 0: the series' own
  std::vector<double> levels = kDefaultLevels;
  int d = -1, D = -1;  // -1: chosen by the tests
  int max_p = 5, max_q = 5, max_P = 2, max_Q = 2;
  bool exhaustive = false;     // --exhaustive: every model, not the stepwise search
  bool no_constant = false;    // --no-constant
  bool single_start = false;   // --single-start: no thorough estimation
  bool approximation = false;  // --approximation: rank by conditional sums of squares
  Transform transform = Transform::kNone;
  BoxCox box_cox;
  RegressorOptions regressors;  // --xreg, --future, --fourier, --trend, --event
};
void AddAutoArimaOptions(CLI::App* command, AutoArimaOptions& options);
auto_arima::Settings AutoArimaSettings(const AutoArimaOptions& options, int horizon, int period);

struct ThetaOptions {
  int period = 0;
  std::vector<double> levels = kDefaultLevels;
  Transform transform = Transform::kNone;
  BoxCox box_cox;
};
void AddThetaOptions(CLI::App* command, ThetaOptions& options);
theta::Settings ThetaSettings(const ThetaOptions& options, int horizon, int period);

struct AutoOptions {
  // --period: one period, or several and non-integer ones (24,168; 52.18). None given: the
  // series' own, or the usual periods of its times' calendar (days: 7 and 365.25; weeks: 52.18).
  std::vector<double> periods = {};
  std::optional<Calendar> calendar = {};  // the series' times' calendar, when they have one
  std::vector<double> levels = kDefaultLevels;
  std::uint32_t seed = ets::kDefaultSeed;
  int threads = 0;  // --search-threads of the smoothing member
  Transform transform = Transform::kNone;
  BoxCox box_cox;
};
void AddAutoOptions(CLI::App* command, AutoOptions& options);
auto_forecast::Settings AutoSettings(const AutoOptions& options, int horizon, int period);

// The estimated parameters of a fitted model under their usual names: ar1.., ma1.., sar1..,
// sma1.. and the constant when there is one (ARIMA, automatic ARIMA, ARMAX); alpha, and beta,
// gamma, phi where the model has them (ETS); alpha and drift (Theta).
NamedValues Parameters(const arima::Result& result);
NamedValues Parameters(const armax::Result& result);
NamedValues Parameters(const ets::Result& result);
NamedValues Parameters(const theta::Result& result);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_METHODS_H
