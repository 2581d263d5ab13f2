// The ARIMA engine's estimates as the typed API's result, for every surface that fits an ARIMA
// model (the method itself and the automatic ARIMA).
#ifndef VORDEX_API_ARIMA_RESULT_H
#define VORDEX_API_ARIMA_RESULT_H

#include <vector>

#include "arima/run.h"
#include "vordex/arima.hpp"

namespace vordex::api {

// `missing` values at the start were lost to differencing; `mean` says whether the model has a
// constant; `messages` are those of the successful request.
arima::Result ToResult(arima::Estimates fit, int missing, bool mean, std::vector<Message> messages);

}  // namespace vordex::api

#endif  // VORDEX_API_ARIMA_RESULT_H
