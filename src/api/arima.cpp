#include "vordex/arima.hpp"

#include <algorithm>

#include "api/request.h"
#include "vordex/vordex.h"

namespace vordex::arima {
namespace {

constexpr const char* kMethod = "Arima";

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

  api::CellReader reader(cells, kMethod, result.warnings);
  result.missing = std::min<int>(settings.d + settings.D * settings.s, static_cast<int>(N));
  // Values lost to differencing come marked; they become NaN here.
  result.series = api::MissingToNaN(reader.Take(N));
  result.fitted = api::MissingToNaN(reader.Take(N));
  result.residuals = api::MissingToNaN(reader.Take(N));
  result.forecasts = reader.Take(h);
  result.lower = reader.Take(h);
  result.upper = reader.Take(h);
  result.ar = reader.Take(settings.p);
  result.ma = reader.Take(settings.q);
  result.seasonal_ar = reader.Take(settings.P);
  result.seasonal_ma = reader.Take(settings.Q);
  result.sigma = reader.Next();
  result.log_likelihood = reader.Next();
  result.aic = reader.Next();
  result.constant = reader.Next();
  return result;
}

}  // namespace vordex::arima
