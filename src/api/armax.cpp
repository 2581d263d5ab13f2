#include "vordex/armax.hpp"

#include <cstdint>
#include <limits>
#include <string>

#include "api/request.h"
#include "vordex/vordex.h"

namespace vordex::armax {
namespace {

short Option(long value, const char* name) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw Error(0, std::string("Armax: ") + name + " does not fit a 16-bit option", {});
  return static_cast<short>(value);
}

std::vector<double> Take(const std::vector<double>& cells, std::size_t& at, long count) {
  std::vector<double> block(cells.begin() + static_cast<long>(at),
                            cells.begin() + static_cast<long>(at) + count);
  at += static_cast<std::size_t>(count);
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
                           static_cast<short>(settings.constant ? 1 : 0),
                           static_cast<short>(settings.transform)};
  std::vector<double> data;
  data.reserve(observations.size() + 1);
  data.push_back(settings.critical_value);
  data.insert(data.end(), observations.begin(), observations.end());

  Result result;
  const std::vector<double> cells = api::RunExport(&Armaxdll, options, data, &result.warnings);

  // The engine drops the seasonal orders when s < 2.
  const long P = settings.s < 2 ? 0 : settings.P;
  const long Q = settings.s < 2 ? 0 : settings.Q;
  const long h = settings.h;
  const long k = settings.constant ? 1 : 0;
  const long fixed = 3 * h + settings.p + settings.q + P + Q + k + 3;
  const long n = (static_cast<long>(cells.size()) - fixed) / 2;
  if (n < 0 || 2 * n + fixed != static_cast<long>(cells.size()))
    throw Error(0, "Armax: unexpected result layout", result.warnings);

  std::size_t at = 0;
  result.series = Take(cells, at, n);
  result.residuals = Take(cells, at, n);
  result.forecasts = Take(cells, at, h);
  result.lower = Take(cells, at, h);
  result.upper = Take(cells, at, h);
  result.ar = Take(cells, at, settings.p);
  result.ma = Take(cells, at, settings.q);
  result.seasonal_ar = Take(cells, at, P);
  result.seasonal_ma = Take(cells, at, Q);
  if (k == 1) result.constant = cells[at++];
  result.sum_of_squares = cells[at++];
  result.log_likelihood = cells[at++];
  result.sigma2 = cells[at++];
  return result;
}

}  // namespace vordex::armax
