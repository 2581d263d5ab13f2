// Status codes of the VORDEX library: the codes that the exports return to a host, as one typed
// enumeration for the C++ API, the batch layer and the Python module.
//
// The values are the exports' status codes. The three option checkers number their rules from
// 31 on independently, so one value can stand for different rules of different methods; each
// rule has its own name here. Negative values exist only above the exports: kEngineFailed (the
// engine ran and failed; the host would receive a text), kInvalidSettings (a setting that the
// exports' options cannot express) and kCancelled (a batch stopped before the series).
#ifndef VORDEX_STATUS_HPP
#define VORDEX_STATUS_HPP

#include "vordex/export.hpp"

namespace vordex {

enum class Status : int {
  kOk = 0,
  // The call frame of the exports.
  kNullArgument = 1,
  kNotOneDimension = 2,
  kTooFewOptions = 3,
  kTooFewData = 4,
  kOptionBounds = 11,
  kOptionRead = 12,
  kDataBounds = 13,
  kLeadRead = 14,
  kDataRead = 15,
  kCreateResult = 16,
  kStoreResult = 17,
  kBufferAlloc = 18,
  kNoResults = 19,
  // ARIMA option checker.
  kArimaTooMuchData = 31,
  kArimaPeriodTooLarge = 32,
  kArimaHorizonTooLarge = 33,
  kArimaOrderTooHigh = 34,
  kArimaSeasonalOrderTooHigh = 35,
  kArimaDifferencingTooLarge = 36,
  kArimaTotalOrderTooLarge = 37,
  kArimaInvalidPeriod = 38,
  kArimaNoObservations = 39,
  kArimaNegativeHorizon = 40,
  kArimaNegativeOrder = 41,
  kArimaNegativeSeasonalOrder = 42,
  kArimaSeasonalForNonSeasonal = 43,
  kArimaTooFewForSeasonal = 44,
  kArimaOrderNotBelowPeriod = 45,
  // Exponential smoothing option checker and data checks.
  kEtsTooMuchData = 31,
  kEtsPeriodTooLarge = 32,
  kEtsHorizonTooLarge = 33,
  kEtsInvalidPeriod = 34,
  kEtsNoObservations = 35,
  kEtsUnknownErrorForm = 41,
  kEtsUnknownTrend = 42,
  kEtsUnknownSeason = 43,
  kEtsUnknownTransform = 44,
  kEtsUnknownSearch = 45,
  kEtsTooFewForSeasonal = 61,
  kEtsSeasonalForNonSeasonal = 62,
  kEtsZerosInMultiplicative = 63,
  kEtsUnknownDisturbances = 64,
  kEtsUnknownCriterion = 65,
  kEtsUnknownInitialization = 66,
  kEtsUnknownInformationCriterion = 67,
  kEtsPathsOutOfRange = 68,
  kEtsMultistepsOutOfRange = 69,
  kEtsConfidenceOutOfRange = 70,
  kEtsNonFiniteData = 71,
  // ARMAX option checker.
  kArmaxInvalidPeriod = 31,
  kArmaxTooFewForPeriod = 32,
  kArmaxNegativeHorizon = 33,
  kArmaxNegativeOrder = 34,
  kArmaxNegativeSeasonalOrder = 35,
  kArmaxOrderNotBelowPeriod = 36,
  // Above the exports.
  kEngineFailed = -1,
  kInvalidSettings = -2,
  kCancelled = -3,  // a batch was cancelled before the series was started
};

// The status's code as an integer.
constexpr int Code(Status status) {
  return static_cast<int>(status);
}

}  // namespace vordex

#endif  // VORDEX_STATUS_HPP
