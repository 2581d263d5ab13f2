// The typed C++ API of the VORDEX forecasting library.
//
//   vordex::arima::Fit  seasonal ARIMA by exact maximum likelihood
//   vordex::ets::Fit    exponential smoothing of the Pegels family, with model selection
//   vordex::armax::Fit  seasonal ARMA with a constant for a transformed, differenced series
//
// Each runs the same checks, engine and packing as the matching export of vordex.h and throws
// vordex::Error on failure. Requests on different threads run independently.
#ifndef VORDEX_VORDEX_HPP
#define VORDEX_VORDEX_HPP

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/error.hpp"
#include "vordex/ets.hpp"

#endif  // VORDEX_VORDEX_HPP
