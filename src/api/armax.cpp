#include "vordex/armax.hpp"

#include "api/request.h"
#include "vordex/vordex.h"

namespace vordex::armax {
namespace {

constexpr const char* kMethod = "Armax";

short Option(long value, const char* name) {
  return api::Option(value, kMethod, name);
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

  api::CellReader reader(cells, kMethod, result.warnings);
  result.series = reader.Take(n);
  result.residuals = reader.Take(n);
  result.forecasts = reader.Take(h);
  result.lower = reader.Take(h);
  result.upper = reader.Take(h);
  result.ar = reader.Take(settings.p);
  result.ma = reader.Take(settings.q);
  result.seasonal_ar = reader.Take(P);
  result.seasonal_ma = reader.Take(Q);
  if (k == 1) result.constant = reader.Next();
  result.sum_of_squares = reader.Next();
  result.log_likelihood = reader.Next();
  result.sigma2 = reader.Next();
  return result;
}

}  // namespace vordex::armax
