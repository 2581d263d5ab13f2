#include "host/pegels_export.h"

#include <algorithm>
#include <cmath>

#include "host/frame.h"
#include "platform/messages.h"
#include "smoothing/driver.h"
#include "smoothing/random.h"
#include "smoothing/state.h"
#include "vordex/vordex.h"

namespace vordex::host {
namespace {

using smoothing::PegelsState;

constexpr int kRequiredOptions = 12;
constexpr double kMissing = -99999.0;

struct Rule {
  bool (*fails)(const PegelsState& P, int hasZeros);
  const char* message;
  int code;
};

bool MultiplicativePart(const PegelsState& P) {
  return P.modelType == 0 || P.trendType == 2 || P.seasonalityType == 2;
}

constexpr Rule kRulesBeforeSeason[] = {
    {[](const PegelsState& P, int) { return P.n > smoothing::MAXN; },
     "Number of data observations exceeds MAXN", 31},
    {[](const PegelsState& P, int) { return P.s > smoothing::MAXS; },
     "Seasonal frequency exceeds MAXS", 32},
    {[](const PegelsState& P, int) { return P.h > smoothing::MAXH; },
     "Forecast horizon exceeds MAXH", 33},
    {[](const PegelsState& P, int) { return P.s < 1; }, "Seasonal frequency zero or negative", 34},
    {[](const PegelsState& P, int) { return P.n < 1; }, "Number of observations zero or negative",
     35},
    {[](const PegelsState& P, int) { return P.modelType < 0 || P.modelType > 2; },
     "Unknown model type", 41},
    {[](const PegelsState& P, int) { return P.trendType < -1 || P.trendType > 3; },
     "Unknown trend type", 42},
    {[](const PegelsState& P, int) { return P.seasonalityType < -1 || P.seasonalityType > 2; },
     "Unknown seasonality type", 43},
    {[](const PegelsState& P, int) { return P.transformType < 0 || P.transformType > 2; },
     "Unknown transform type", 44},
    {[](const PegelsState& P, int) { return P.searchType < 0 || P.searchType > 4; },
     "Unknown search type", 45},
};

constexpr const char* kInsufficientSeasonal = "Insufficient data for estimation of seasonal models";

constexpr Rule kSeasonRules[] = {
    {[](const PegelsState& P, int) { return P.n < 2 * P.s && P.seasonalityType >= 1; },
     kInsufficientSeasonal, 61},
    {[](const PegelsState& P, int) { return P.n >= 2 * P.s && P.seasonalityType >= 1 && P.s == 1; },
     "Seasonal model requested for nonseasonal data", 62},
};

constexpr Rule kZerosRule = {
    [](const PegelsState& P, int hasZeros) { return hasZeros != 0 && MultiplicativePart(P); },
    "Data contains zeros: cannot specify multiplicative model", 63};

constexpr Rule kRulesAfterZeros[] = {
    {[](const PegelsState& P, int) { return P.bootstrapType < 0 || P.bootstrapType > 1; },
     "Unknown bootstrap type", 64},
    {[](const PegelsState& P, int) {
       return P.optimizationCriterion < 1 || P.optimizationCriterion > 5;
     },
     "Unknown optimization criterion", 65},
    {[](const PegelsState& P, int) {
       return P.initializationMethod < 1 || P.initializationMethod > 3;
     },
     "Unknown initialization method", 66},
    {[](const PegelsState& P, int) {
       return P.informationCriterion < 1 || P.informationCriterion > 2;
     },
     "Unknown information criterion", 67},
    {[](const PegelsState& P, int) {
       return P.bootstrapSamples < 500 || P.bootstrapSamples > 50000;
     },
     "#Bootstrap samples must be between 500 & 50000", 68},
    {[](const PegelsState& P, int) { return P.multisteps < 3 || P.multisteps > 24; },
     "#MSE multisteps must be between 3 & MAXS", 69},
};

int Fail(int showBox, const char* message, int code) {
  if (showBox) platform::ShowMessage(kPegelsCheckTitle, message, platform::kStyleWarning);
  return code;
}

template <std::size_t N>
int Walk(const Rule (&rules)[N], const PegelsState& P, int showBox, int hasZeros) {
  for (const Rule& rule : rules)
    if (rule.fails(P, hasZeros)) return Fail(showBox, rule.message, rule.code);
  return 0;
}

class PegelsMethod : public Method {
 public:
  FrameRules rules() const override {
    return {.required_options = kRequiredOptions,
            .unit_on_empty = true,
            .copy_all_options = true,
            .lead_separate = true,
            .failure_text = kPegelsFailureText};
  }

  int Check(std::span<const int> options) override { return PegelsReadOptions(options, 1); }

  long Observations() const override { return smoothing::Pegels().n; }

  int ReadTrailing(long available, const TrailingReader& read) override {
    return PegelsReadBounds(available, read);
  }

  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    PegelsState& P = smoothing::Pegels();
    const int n = P.n;
    for (int t = 1; t <= n; ++t) {
      if (!std::isfinite(data[static_cast<std::size_t>(t)]))
        return Packed{.status =
                          Fail(1, "Data contain missing or non-finite values", kPegelsNonFinite)};
      P.y[t] = data[static_cast<std::size_t>(t)];
    }
    P.confidenceLevel = data[0];
    if (!(P.confidenceLevel >= 0.0 && P.confidenceLevel <= 100.0))
      return Packed{.status =
                        Fail(1, "Confidence level must be between 0 and 100", kPegelsConfidence)};
    // Zeros are judged on this request's observations, now that they are known.
    if (const int code = PegelsCheckZeros(1, smoothing::PegelsZeroScan(P.y, n, P.transformType)))
      return Packed{.status = code};

    if (smoothing::Pegelsmain(1, 1) == 0) return Packed{.text = kPegelsFailureText};
    const long capacity = PegelsCapacity();
    if (!buffer.Allocate(capacity)) return Packed{.status = kBufferAlloc};
    const long count = pegelspack(buffer.cells(), capacity, 4, 1);
    if (count == 0) return Packed{.status = kNoResults};
    return Packed{.count = count};
  }
};

}  // namespace

int PegelsCheck(int showBox, int dataHasZeros) {
  PegelsState& P = smoothing::Pegels();
  if (const int code = Walk(kRulesBeforeSeason, P, showBox, dataHasZeros)) return code;
  if (P.n < 2 * P.s && P.seasonalityType == smoothing::kChoose) {
    if (showBox)
      platform::ShowMessage(kPegelsCheckTitle, kInsufficientSeasonal, platform::kStyleWarning);
    P.seasonalityType = smoothing::kNone;
    if (P.searchType > 2) {
      P.modelType = smoothing::kChooseErrors;
      P.trendType = smoothing::kChoose;
      P.searchType -= 2;
    }
  } else if (const int code = Walk(kSeasonRules, P, showBox, dataHasZeros)) {
    return code;
  }
  if (kZerosRule.fails(P, dataHasZeros)) return Fail(showBox, kZerosRule.message, kZerosRule.code);
  return Walk(kRulesAfterZeros, P, showBox, dataHasZeros);
}

int PegelsCheckZeros(int showBox, int dataHasZeros) {
  if (kZerosRule.fails(smoothing::Pegels(), dataHasZeros))
    return Fail(showBox, kZerosRule.message, kZerosRule.code);
  return 0;
}

int PegelsReadOptions(std::span<const int> options, int convert) {
  if (options.size() < kRequiredOptions) return kTooFewOptions;
  PegelsState& P = smoothing::Pegels();
  const auto at = [&](std::size_t k, int absent) {
    return options.size() >= k ? options[k - 1] : absent;
  };
  P.n = at(1, 0);
  P.s = at(2, 0);
  // A negative horizon asks for no forecasts.
  P.h = std::max(at(3, 0), 0);
  P.modelType = at(4, 0);
  P.trendType = at(5, 0);
  P.seasonalityType = at(6, 0);
  P.bootstrapType = at(7, 0);
  P.optimizationCriterion = at(8, 0);
  P.initializationMethod = at(9, 0);
  P.bootstrapSamples = at(10, 0);
  P.multisteps = at(11, 0);
  P.informationCriterion = at(12, 0);
  P.transformType = at(13, convert);
  P.searchType = at(14, 0);
  P.boundsCount = at(15, 0);
  P.parameterRegion = at(16, 1);
  if (convert) {
    P.trendType -= 1;
    P.seasonalityType -= 1;
    P.transformType -= 1;
  }
  // Rule 13 needs the observations; it is judged again once they are read.
  if (const int code = PegelsCheck(1, 0)) return code;

  if (P.searchType == 0 &&
      (P.modelType == smoothing::kChooseErrors || P.trendType == smoothing::kChoose ||
       P.seasonalityType == smoothing::kChoose)) {
    P.searchType = 2;
  } else if (P.searchType > 2) {
    P.trendType = smoothing::kChoose;
    P.seasonalityType = smoothing::kChoose;
    P.modelType = smoothing::kChooseErrors;
    P.searchType -= 2;
  }
  P.scale = -1.0;
  smoothing::SetSeed(smoothing::RequestSeed());
  return 0;
}

int PegelsReadBounds(long available, const TrailingReader& read) {
  PegelsState& P = smoothing::Pegels();
  for (int i = 1; i <= 4; ++i) {
    P.lower[i] = 0.0;
    P.upper[i] = 1.0;
  }
  int pairs = 0;
  if (P.boundsCount <= 0)
    pairs = 0;
  else if (P.boundsCount >= 2 && available >= 8)
    pairs = 4;
  else if (available >= 2)
    pairs = 1;
  P.boundsCount = pairs;
  long k = 0;
  for (int i = 1; i <= pairs; ++i) {
    double x = 0.0;
    if (!read(++k, &x)) return kDataRead;
    if (x > 0.0 && x < 1.0) P.lower[i] = x;
  }
  for (int i = 1; i <= pairs; ++i) {
    double x = 0.0;
    if (!read(++k, &x)) return kDataRead;
    if (x >= P.lower[i] && x < 1.0) P.upper[i] = x;
  }
  return 0;
}

long PegelsCapacity() {
  const PegelsState& P = smoothing::Pegels();
  return 3L * (P.n + P.h) + P.multisteps + P.s + 14;
}

long pegelspack(double* buffer, long capacity, int npar, int convert) {
  const PegelsState& P = smoothing::Pegels();
  const int n = P.n;
  const int h = P.h;
  const int s = P.s;
  const int m = P.multisteps;
  if (capacity < 3L * (n + h)) return 0;
  long idx = 0;
  for (int t = 1; t <= n; ++t) buffer[++idx] = P.y[t];
  for (int t = 1; t <= n; ++t) buffer[++idx] = P.F[t];
  for (int t = 1; t <= n; ++t) buffer[++idx] = P.e[t];
  if (h >= 1) {
    for (int k = 1; k <= h; ++k) buffer[++idx] = P.fc[k];
    for (int k = 1; k <= h; ++k) buffer[++idx] = P.lo[k];
    for (int k = 1; k <= h; ++k) buffer[++idx] = P.hi[k];
  }
  const auto shortOfRoom = [&]() {
    platform::ShowMessage(kPegelsCheckTitle,
                          "Allocation failure in pegelspack - not all results returned",
                          platform::kStyleWarning);
    return idx;
  };
  if (P.searchType != 0) {
    if (capacity < idx + 3) return shortOfRoom();
    buffer[++idx] = P.modelType;
    buffer[++idx] = P.trendType + (convert ? 1 : 0);
    buffer[++idx] = P.seasonalityType + (convert ? 1 : 0);
  }
  const bool trend = P.trendType > 0;
  const bool seasonal = P.seasonalityType >= 1;
  if (capacity < idx + (seasonal ? s : 0) + (trend ? 1 : 0) + npar + 1) return shortOfRoom();
  for (int i = 1; i <= npar; ++i) buffer[++idx] = P.par[i];
  buffer[++idx] = P.l[0];
  if (trend) buffer[++idx] = P.b[0];
  if (seasonal)
    for (int k = 0; k < s; ++k) buffer[++idx] = P.seasInit[k];
  if (capacity < idx + m + 5) return shortOfRoom();
  buffer[++idx] = std::sqrt(P.amse);
  for (int k = 1; k <= m; ++k) buffer[++idx] = k <= n ? std::sqrt(P.mse[k]) : kMissing;
  buffer[++idx] = P.sigma;
  buffer[++idx] = P.logLik;
  buffer[++idx] = P.icValue;
  buffer[++idx] = P.mape;
  return idx > capacity ? 0 : idx;
}

}  // namespace vordex::host

extern "C" VARIANT VORDEX_API Pegelsdll(SAFEARRAY** options, SAFEARRAY** data) {
  vordex::host::PegelsMethod method;
  return vordex::host::RunFrame(method, options, data);
}
