// Status of a VORDEX request: why it failed, or that it succeeded (possibly with a warning), as one
// typed enumeration for the C++ API, the batch layer, the command-line tool and the Python module.
//
// Every value names one condition, whatever the method: a program can switch on it, and
// StatusName (names.hpp) gives its name. The values are stable. The exports return their own
// numeric codes for these conditions (the frame's codes 1..19 are the same numbers; the checker
// rules of each method are numbered from 31 there); that mapping belongs to the exports alone.
#ifndef VORDEX_STATUS_HPP
#define VORDEX_STATUS_HPP

#include "vordex/export.hpp"

namespace vordex {

enum class Status : int {
  kOk = 0,
  // The call frame of the exports (the exports return these numbers unchanged).
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
  // The ARIMA method's checker.
  kArimaTooMuchData = 131,
  kArimaPeriodTooLarge = 132,
  kArimaHorizonTooLarge = 133,
  kArimaOrderTooHigh = 134,
  kArimaSeasonalOrderTooHigh = 135,
  kArimaDifferencingTooLarge = 136,
  kArimaTotalOrderTooLarge = 137,
  kArimaInvalidPeriod = 138,
  kArimaNoObservations = 139,
  kArimaNegativeHorizon = 140,
  kArimaNegativeOrder = 141,
  kArimaNegativeSeasonalOrder = 142,
  kArimaSeasonalForNonSeasonal = 143,
  kArimaTooFewForSeasonal = 144,
  kArimaOrderNotBelowPeriod = 145,
  // The exponential smoothing method's checker and data checks.
  kEtsTooMuchData = 231,
  kEtsPeriodTooLarge = 232,
  kEtsHorizonTooLarge = 233,
  kEtsInvalidPeriod = 234,
  kEtsNoObservations = 235,
  kEtsUnknownErrorForm = 241,
  kEtsUnknownTrend = 242,
  kEtsUnknownSeason = 243,
  kEtsUnknownTransform = 244,
  kEtsUnknownSearch = 245,
  kEtsTooFewForSeasonal = 261,
  kEtsSeasonalForNonSeasonal = 262,
  kEtsZerosInMultiplicative = 263,
  kEtsUnknownDisturbances = 264,
  kEtsUnknownCriterion = 265,
  kEtsUnknownInitialization = 266,
  kEtsUnknownInformationCriterion = 267,
  kEtsPathsOutOfRange = 268,
  kEtsMultistepsOutOfRange = 269,
  kEtsConfidenceOutOfRange = 270,
  kEtsNonFiniteData = 271,
  // The ARMAX method's checker.
  kArmaxInvalidPeriod = 331,
  kArmaxTooFewForPeriod = 332,
  kArmaxNegativeHorizon = 333,
  kArmaxNegativeOrder = 334,
  kArmaxNegativeSeasonalOrder = 335,
  kArmaxOrderNotBelowPeriod = 336,
  // Above the exports.
  kEngineFailed = 501,        // the engine ran and failed; the text says where
  kInvalidSettings = 502,     // a setting out of range or a combination the method cannot take
  kCancelled = 503,           // a batch was cancelled before the series was started
  kInvalidData = 504,         // an observation or a regressor that cannot be used (not a number...)
  kTooFewObservations = 505,  // fewer observed values than the model needs
  kTooManyObservations = 506,  // beyond the library's largest series
  // Success with a warning: the result exists and says what it is.
  kSingleMember = 601,  // a combination that could use only one of its methods
  kFallback = 602,      // a simpler method than the one asked for produced the forecasts
};

// True for kOk and the warnings (600..699): the request produced a result.
constexpr bool Succeeded(Status status) {
  const int code = static_cast<int>(status);
  return code == 0 || (code >= 600 && code < 700);
}

// True for the warnings: a result that is less than what was asked for.
constexpr bool IsWarning(Status status) {
  const int code = static_cast<int>(status);
  return code >= 600 && code < 700;
}

// The status's value as an integer.
constexpr int Code(Status status) {
  return static_cast<int>(status);
}

}  // namespace vordex

#endif  // VORDEX_STATUS_HPP
