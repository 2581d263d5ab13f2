#include "vordex/arima.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "api/request.h"
#include "vordex/vordex.h"

namespace vordex::arima {
namespace {

constexpr double kMarker = -99999.0;

short Option(long value, const char* name) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw Error(0, std::string("Arima: ") + name + " does not fit a 16-bit option", {});
  return static_cast<short>(value);
}

std::vector<double> Take(const std::vector<double>& cells, std::size_t& at, long count) {
  std::vector<double> block(cells.begin() + static_cast<long>(at),
                            cells.begin() + static_cast<long>(at) + count);
  at += static_cast<std::size_t>(count);
  return block;
}

// The export marks values lost to differencing with -99999.0 (compared bit for bit).
std::vector<double> Unmark(std::vector<double> block) {
  for (double& x : block)
    if (std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(kMarker))
      x = std::numeric_limits<double>::quiet_NaN();
  return block;
}

}  // namespace

Result Fit(std::span<const double> observations, const Settings& settings) {
  const long N = static_cast<long>(observations.size());
  const short options[] = {Option(N, "the number of observations"),
                           Option(settings.s, "s"),
                           Option(settings.h, "h"),
                           Option(settings.p, "p"),
                           Option(settings.d, "d"),
                           Option(settings.q, "q"),
                           Option(settings.P, "P"),
                           Option(settings.D, "D"),
                           Option(settings.Q, "Q"),
                           static_cast<short>(settings.mean ? 1 : 0),
                           Option(static_cast<int>(settings.transform), "transform")};
  std::vector<double> data;
  data.reserve(observations.size() + 1);
  data.push_back(settings.critical_value);
  data.insert(data.end(), observations.begin(), observations.end());

  Result result;
  const std::vector<double> cells = api::RunExport(&Arimadll, options, data, &result.warnings);

  const long h = settings.h;
  const long expected = 3 * N + 3 * h + settings.p + settings.q + settings.P + settings.Q + 4;
  if (static_cast<long>(cells.size()) != expected)
    throw Error(0, "Arima: unexpected result layout", result.warnings);

  std::size_t at = 0;
  result.missing = std::min<int>(settings.d + settings.D * settings.s, static_cast<int>(N));
  result.series = Unmark(Take(cells, at, N));
  result.fitted = Unmark(Take(cells, at, N));
  result.residuals = Unmark(Take(cells, at, N));
  result.forecasts = Take(cells, at, h);
  result.lower = Take(cells, at, h);
  result.upper = Take(cells, at, h);
  result.ar = Take(cells, at, settings.p);
  result.ma = Take(cells, at, settings.q);
  result.seasonal_ar = Take(cells, at, settings.P);
  result.seasonal_ma = Take(cells, at, settings.Q);
  result.sigma = cells[at++];
  result.log_likelihood = cells[at++];
  result.aic = cells[at++];
  result.constant = cells[at++];
  return result;
}

}  // namespace vordex::arima
