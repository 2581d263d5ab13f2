// What the typed API's methods share: the levels asked for as the engines' bands, the information
// criteria counted as R's forecast package counts them, and the threads of a request.
#ifndef VORDEX_API_COMMON_H
#define VORDEX_API_COMMON_H

#include <optional>
#include <string_view>
#include <vector>

#include "arima/run.h"
#include "vordex/arima.hpp"
#include "vordex/forecast.hpp"

namespace vordex::api {

// One pair of limits: its coverage in percent and its distance from the forecast in standard
// errors of a Gaussian forecast distribution.
struct Band {
  double level = 0.0;
  double critical = 0.0;
};

// The bands of `levels` (each the normal quantile of (1 + level/100)/2), or, with a critical
// value, the one band at that distance (its level the normal coverage 100 erf(c / sqrt 2)).
// Throws vordex::Error kInvalidSettings, naming `method`, for a level outside (0, 100) or a
// critical value that is not a positive number.
std::vector<Band> Bands(std::string_view method, const std::vector<double>& levels,
                        std::optional<double> critical = std::nullopt);

// Throws vordex::Error kInvalidSettings, naming `method`, for a level outside (0, 100).
void CheckLevels(std::string_view method, const std::vector<double>& levels);

// aic, aicc and bic of `result` from its log-likelihood, k estimated parameters (sigma2 among
// them) and n observations: AIC = -2 log L + 2k, AICc = AIC + 2k(k + 1)/(n - k - 1) (+infinity
// when n <= k + 1), BIC = AIC + k (ln n - 2).
void SetInformationCriteria(Forecast& result, double k, double n);

// The request's worker threads: the count when positive, else every hardware thread.
int Threads(int requested);

// The ARIMA engine's estimates of a request on n observations as the typed result.
arima::Result ToResult(const arima::Request& request, arima::Estimates fit, std::size_t n,
                       std::vector<Message> messages);

}  // namespace vordex::api

#endif  // VORDEX_API_COMMON_H
