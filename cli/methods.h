// The options of each forecasting method, defined once and added both to the method's own
// command (`vordex ets`) and to its batch command (`vordex batch ets`), and the settings they
// give for a series.
#ifndef VORDEX_CLI_METHODS_H
#define VORDEX_CLI_METHODS_H

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "common.h"
#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/ets.hpp"

namespace vordex::cli {

// In each XxxSettings, `period` is the series' own period (an embedded series' frequency or its
// times' calendar; 0 when unknown), used when --period is not given; without either the period
// is 1. A combination of options the method cannot take throws std::invalid_argument with the
// message for the user.

struct ArimaOptions {
  std::vector<int> order = {0, 1, 1};  // --order p,d,q
  std::vector<int> seasonal;           // --seasonal P,D,Q (default 0,1,1 with a period > 1)
  int period = 0;                      // --period s; 0: the series' own
  std::string transform = "log";       // --transform none|log|sqrt
  bool mean = false;                   // --mean
  double critical = 1.96;              // --critical z
  bool thorough = false;               // --thorough: several starting points
};
void AddArimaOptions(CLI::App* command, ArimaOptions& options);
arima::Settings ArimaSettings(const ArimaOptions& options, int horizon, int period);

struct EtsOptions {
  std::string error = "auto";
  std::string trend = "auto";
  std::string season = "auto";
  int period = 0;  // 0: the series' own
  std::string criterion = "likelihood";
  std::string init = "heuristic";
  std::string disturbances = "gaussian";
  int paths = 5000;
  int multisteps = 12;
  std::string ic = "aic";
  std::string transform = "none";
  double level = 95.0;
  std::vector<double> bounds;
  bool additive_only = false;
  bool admissible = false;
  std::uint32_t seed = ets::kDefaultSeed;
  int threads = 0;  // --search-threads of the model search (a batch fits its series one per thread)
  bool auto_preset = false;  // --auto: the recommended automatic smoothing (ets::AutoSettings)
};
void AddEtsOptions(CLI::App* command, EtsOptions& options);
ets::Settings EtsSettings(const EtsOptions& options, int horizon, int period);
// The short names the options use for a fitted model's components ("multiplicative", "damped").
std::string EtsErrorName(ets::ErrorForm form);
std::string EtsTrendName(ets::Trend trend);
std::string EtsSeasonName(ets::Season season);
// ETS(error,trend,season) with the letters of Hyndman et al. (2008): N, A, Ad, M.
std::string EtsModelName(const ets::Model& model);

struct ArmaxOptions {
  std::vector<int> order = {0, 1, 1};  // p d q
  std::vector<int> seasonal;           // P D Q; default (0,1,1) when the period exceeds 1
  int period = 0;                      // 0: the series' own
  bool constant = false;
  std::string transform = "log";
  double critical = 1.96;
  bool thorough = false;  // --thorough: several starting points
};
void AddArmaxOptions(CLI::App* command, ArmaxOptions& options);
armax::Settings ArmaxSettings(const ArmaxOptions& options, int horizon, int period);

struct AutoArimaOptions {
  int period = 0;  // 0: the series' own
  double level = 95.0;
  int d = -1, D = -1;  // -1: chosen by the tests
  int max_p = 5, max_q = 5, max_P = 2, max_Q = 2;
  bool exhaustive = false;    // --exhaustive: every model, not the stepwise search
  bool no_constant = false;   // --no-constant
  bool single_start = false;  // --single-start: no thorough estimation
};
void AddAutoArimaOptions(CLI::App* command, AutoArimaOptions& options);
auto_arima::Settings AutoArimaSettings(const AutoArimaOptions& options, int horizon, int period);

struct ThetaOptions {
  int period = 0;
  double level = 95.0;
};
void AddThetaOptions(CLI::App* command, ThetaOptions& options);
theta::Settings ThetaSettings(const ThetaOptions& options, int horizon, int period);

struct AutoOptions {
  int period = 0;
  double level = 95.0;
  std::uint32_t seed = ets::kDefaultSeed;
  int threads = 0;  // --search-threads of the smoothing member
};
void AddAutoOptions(CLI::App* command, AutoOptions& options);
auto_forecast::Settings AutoSettings(const AutoOptions& options, int horizon, int period);

// The coefficients of a fitted ARIMA model under their usual names (ar1.., ma1.., sar1.., sma1..).
Section ArimaCoefficients(const arima::Result& result);

}  // namespace vordex::cli

#endif  // VORDEX_CLI_METHODS_H
