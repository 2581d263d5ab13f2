#include "api/common.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "numerics/boxcox.h"
#include "numerics/distributions.h"
#include "numerics/missing.h"
#include "vordex/error.hpp"
#include "vordex/names.hpp"

namespace vordex {

double CriticalLevel(double critical) {
  return 100.0 * std::erf(critical / std::sqrt(2.0));
}

std::vector<double> LevelsOf(const std::vector<double>& levels,
                             std::optional<double> critical_value) {
  if (critical_value) return {CriticalLevel(*critical_value)};
  return levels;
}

std::string LevelProblem(double level) {
  if (level > 0.0 && level < 1.0)
    return "level must be in percent (0, 100); got " + LevelName(level) + " - did you mean " +
           LevelName(100.0 * level) + "?";
  if (!(level >= 1.0 && level < 100.0))
    return "level must be in percent (0, 100); got " + LevelName(level);
  return {};
}

namespace api {

void CheckLevels(std::string_view method, const std::vector<double>& levels) {
  for (const double level : levels)
    if (const std::string problem = LevelProblem(level); !problem.empty())
      throw Error(Status::kInvalidSettings, std::string(method) + ": " + problem);
}

std::vector<Band> Bands(std::string_view method, const std::vector<double>& levels,
                        std::optional<double> critical) {
  if (critical) {
    if (!(std::isfinite(*critical) && *critical > 0.0))
      throw Error(Status::kInvalidSettings,
                  std::string(method) + ": the critical value must be a positive number");
    return {{CriticalLevel(*critical), *critical}};
  }
  CheckLevels(method, levels);
  std::vector<Band> bands;
  for (const double level : levels)
    bands.push_back({level, numerics::NormalQuantile(0.5 + level / 200.0)});
  return bands;
}

void SetInformationCriteria(Forecast& r, double k, double n) {
  r.aic = -2.0 * r.log_likelihood + 2.0 * k;
  r.aicc = n - k - 1.0 > 0.0 ? r.aic + 2.0 * k * (k + 1.0) / (n - k - 1.0)
                             : std::numeric_limits<double>::infinity();
  r.bic = r.aic + k * (std::log(n) - 2.0);
}

int Threads(int requested) {
  if (requested > 0) return requested;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

Prepared Prepare(std::string_view method, std::span<const double> y, Transform transform,
                 const BoxCox& box_cox, int period, bool engine_transforms) {
  Prepared p;
  p.values = y;
  p.engine_transform = transform;
  std::optional<double> given = box_cox.lambda;
  if (!engine_transforms && transform == Transform::kLog) given = 0.0;
  if (!engine_transforms && transform == Transform::kSquareRoot) given = 0.5;
  if (transform == Transform::kNone || (engine_transforms && transform != Transform::kBoxCox))
    return p;
  p.engine_transform = Transform::kNone;
  const double lambda = given ? *given : numerics::GuerreroLambda(y, std::max(period, 1));
  if (!std::isfinite(lambda))
    throw Error(Status::kInvalidSettings,
                std::string(method) + ": the Box-Cox parameter must be a finite number");
  if (lambda <= 0.0)
    for (const double v : y)
      if (v <= 0.0)
        throw Error(Status::kInvalidData, std::string(method) +
                                              ": a Box-Cox transform with lambda <= 0 needs " +
                                              "positive observations");
  p.transformed = numerics::BoxCox(y, lambda);
  p.values = p.transformed;
  p.lambda = lambda;
  return p;
}

void Restore(Forecast& r, const Prepared& p, const BoxCox& box_cox) {
  if (!p.lambda) return;
  const double lambda = *p.lambda;
  r.lambda = lambda;
  // The variance of each transformed forecast, from the half-width of the first level's limits.
  std::vector<double> variance(r.mean.size(), 0.0);
  if (box_cox.bias_adjusted && !r.limits.empty()) {
    const Limits& first = r.limits.front();
    const double z = numerics::NormalQuantile(0.5 + first.level / 200.0);
    for (std::size_t h = 0; h < variance.size(); ++h) {
      const double half = (first.upper[h] - first.lower[h]) / (2.0 * z);
      variance[h] = half * half;
    }
  }
  for (std::size_t h = 0; h < r.mean.size(); ++h)
    r.mean[h] = box_cox.bias_adjusted
                    ? numerics::InvBoxCoxBiasAdjusted(r.mean[h], variance[h], lambda)
                    : numerics::InvBoxCox(r.mean[h], lambda);
  for (Limits& l : r.limits) {
    for (double& v : l.lower) v = numerics::InvBoxCox(v, lambda);
    for (double& v : l.upper) v = numerics::InvBoxCox(v, lambda);
  }
  for (double& f : r.fitted)
    f = box_cox.bias_adjusted && std::isfinite(r.sigma2)
            ? numerics::InvBoxCoxBiasAdjusted(f, r.sigma2, lambda)
            : numerics::InvBoxCox(f, lambda);
}

int CountMissing(std::span<const double> y) {
  return static_cast<int>(
      std::count_if(y.begin(), y.end(), [](double v) { return std::isnan(v); }));
}

arima::Result ToResult(const arima::Request& request, arima::Estimates fit, std::size_t n,
                       std::vector<Message> messages) {
  arima::Result r;
  r.period = request.period;
  r.p = request.p;
  r.d = request.d;
  r.q = request.q;
  r.P = request.P;
  r.D = request.D;
  r.Q = request.Q;
  r.transform = request.transform;
  r.lost = static_cast<int>(
      std::min<std::size_t>(static_cast<std::size_t>(request.d + request.D * request.period), n));
  r.missing = fit.missing;
  // Values lost to differencing come marked; they become NaN here.
  r.series = numerics::MissingToNaN(std::move(fit.series));
  r.fitted = numerics::MissingToNaN(std::move(fit.predictions));
  r.residuals = numerics::MissingToNaN(std::move(fit.residuals));
  r.mean = std::move(fit.forecasts);
  r.limits = std::move(fit.bands);
  r.ar = std::move(fit.phi);
  r.ma = std::move(fit.theta);
  r.seasonal_ar = std::move(fit.Phi);
  r.seasonal_ma = std::move(fit.Theta);
  r.sigma2 = fit.sigma2;
  r.log_likelihood = fit.log_likelihood;
  if (request.mean != 0) r.constant = fit.constant;
  r.drift = request.drift;
  // Standard errors: NaN where the fit has none (a fit without its model state).
  auto errors = [](std::vector<double> se, std::size_t size) {
    if (se.size() != size) se.assign(size, std::numeric_limits<double>::quiet_NaN());
    return se;
  };
  r.standard_errors = {errors(std::move(fit.phi_se), r.ar.size()),
                       errors(std::move(fit.theta_se), r.ma.size()),
                       errors(std::move(fit.Phi_se), r.seasonal_ar.size()),
                       errors(std::move(fit.Theta_se), r.seasonal_ma.size())};
  const std::vector<double> beta_se = errors(std::move(fit.beta_se), fit.beta.size());
  for (std::size_t j = 0; j < fit.beta.size(); ++j)
    r.regression.push_back({fit.names[j], fit.beta[j], beta_se[j]});
  if (fit.has_state) r.state = ToPublic(std::move(fit.state));
  // The coefficients, b (the constant's mean among them) and sigma2, over the observed values
  // the differenced model explains.
  const double k = static_cast<double>(r.ar.size() + r.ma.size() + r.seasonal_ar.size() +
                                       r.seasonal_ma.size() + r.regression.size()) +
                   1.0;
  SetInformationCriteria(r, k, static_cast<double>(n) - r.missing - r.lost);
  r.warnings = std::move(messages);
  return r;
}

namespace {

// Entries of a filter covariance below this fraction of its largest magnitude are rounding
// residue: once the diffuse start is resolved, the states of the differencing carry values near
// 1e-20 against variances near 1, which move no forecast beyond its last bits.
constexpr double kNegligibleCovariance = 1e-15;

// The residue set to exact zeros, so that the state a result keeps (and a model file holds
// sparsely) is the one its own Predict and Update continue from.
void DropResidue(std::vector<double>& a) {
  double largest = 0.0;
  for (const double x : a) largest = std::max(largest, std::abs(x));
  for (double& x : a)
    if (std::abs(x) < kNegligibleCovariance * largest) x = 0.0;
}

}  // namespace

arima::FilterState ToPublic(arma::FilterState s) {
  DropResidue(s.P);
  DropResidue(s.P_inf);
  arima::FilterState p;
  p.mean = std::move(s.a);
  p.covariance = std::move(s.P);
  p.diffuse = std::move(s.P_inf);
  p.diffuse_left = s.diffuse_left;
  p.quiet = s.quiet;
  p.steady = s.steady;
  p.times = s.times;
  p.used = s.used;
  p.sum_of_squares = s.ssq;
  p.sum_log_ratios = s.sumlog;
  return p;
}

arma::FilterState ToKernel(const arima::FilterState& p) {
  arma::FilterState s;
  s.m = static_cast<int>(p.mean.size());
  s.a = p.mean;
  s.P = p.covariance;
  s.P_inf = p.diffuse;
  s.diffuse_left = p.diffuse_left;
  s.quiet = p.quiet;
  s.steady = p.steady;
  s.times = p.times;
  s.used = p.used;
  s.ssq = p.sum_of_squares;
  s.sumlog = p.sum_log_ratios;
  return s;
}

}  // namespace api
}  // namespace vordex
