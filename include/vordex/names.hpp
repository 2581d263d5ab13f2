// The library's names: the one table from which every surface (the command-line tool, the Python
// package, the documentation) takes the name of each setting's value, of each status and of each
// fitted model, and the seed of each series of a batch.
//
// Names are lower case with underscores ("average_mse", "estimated_for_winner"). FromString
// accepts them in any case, with '-' for '_', and a few well-known aliases (the letters of
// ETS(A,Ad,M), "amse", "bootstrap", "auto-arima"); ToString always gives the canonical name.
#ifndef VORDEX_NAMES_HPP
#define VORDEX_NAMES_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vordex/arima.hpp"
#include "vordex/armax.hpp"
#include "vordex/auto.hpp"
#include "vordex/ets.hpp"
#include "vordex/export.hpp"
#include "vordex/periods.hpp"
#include "vordex/status.hpp"
#include "vordex/transform.hpp"

namespace vordex {

// The forecasting methods, as the batch, the command-line tool and Python name them.
enum class Method : int { kArima, kEts, kArmax, kAutoArima, kTheta, kAuto };

// Canonical names; a value outside the enumeration gives "".
VORDEX_CPP_API std::string_view ToString(Transform value);
VORDEX_CPP_API std::string_view ToString(Method value);
VORDEX_CPP_API std::string_view ToString(Interval value);
VORDEX_CPP_API std::string_view ToString(mstl::AdjustedModel value);
VORDEX_CPP_API std::string_view ToString(ets::ErrorForm value);
VORDEX_CPP_API std::string_view ToString(ets::Trend value);
VORDEX_CPP_API std::string_view ToString(ets::Season value);
VORDEX_CPP_API std::string_view ToString(ets::Criterion value);
VORDEX_CPP_API std::string_view ToString(ets::Initialization value);
VORDEX_CPP_API std::string_view ToString(ets::Disturbances value);
VORDEX_CPP_API std::string_view ToString(ets::InformationCriterion value);
VORDEX_CPP_API std::string_view ToString(ets::Search value);

// The value named `name` (canonical or alias), or nothing.
template <class Enum>
std::optional<Enum> FromString(std::string_view name);

// Every value of Enum with its canonical name, in the enumeration's order (for help texts and
// other surfaces' own enumerations).
template <class Enum>
std::vector<std::pair<Enum, std::string_view>> AllNames();

// The status's name ("ok", "arima_too_few_for_seasonal", "engine_failed"); "" for a value
// outside the enumeration.
VORDEX_CPP_API std::string_view StatusName(Status status);

// A fitted model in the usual notation:
//   ARIMA(0,1,1)(0,1,1)[12], with " with constant" (" with drift" when d + D = 1, or for the
//   drift regressor); "Regression with ARIMA(1,0,1)(0,1,1)[12] errors" with regressors of its own;
//   ETS(M,Ad,N) (Hyndman et al. 2008: N none, A additive, Ad damped, M multiplicative);
//   "Theta" or "Theta (seasonally adjusted)";
//   MSTL forecasts as "MSTL(24,168) + ETS(A,Ad,N)" (the periods kept, then the adjusted series'
//   model, "AR(26)" for the autoregression), the model alone when no period was kept;
//   harmonic regression as "Harmonic regression [24: K=10, 168: K=5] with ARIMA(2,0,1) errors";
//   the combination as "mean of ETS(M,A,M) + ARIMA(2,1,1)(0,1,0)[12] + Theta", or with one
//   member only its name and " alone".
VORDEX_CPP_API std::string ModelName(const arima::Result& result);
VORDEX_CPP_API std::string ModelName(const armax::Result& result);
VORDEX_CPP_API std::string ModelName(const ets::Model& model);
VORDEX_CPP_API std::string ModelName(const ets::Result& result);
VORDEX_CPP_API std::string ModelName(const theta::Result& result);
VORDEX_CPP_API std::string ModelName(const mstl::Result& result);
VORDEX_CPP_API std::string ModelName(const harmonic::Result& result);
VORDEX_CPP_API std::string ModelName(const auto_forecast::Result& result);
// A candidate of automatic ARIMA's search, with the period of the chosen model.
VORDEX_CPP_API std::string ModelName(const auto_arima::Candidate& candidate, int period);

// A coverage level as the names of columns show it: the shortest decimal that reads back as the
// level ("80", "99.5", "95.00042097035496"): lower_80, upper_80, ...
VORDEX_CPP_API std::string LevelName(double level);

// The simulation seed of the series named `id` in a batch with seed `batch_seed`: a hash of the
// id's bytes (FNV-1a, 64 bits) mixed with the batch seed by Steele, Lea and Flood's SplitMix64
// finaliser, upper 32 bits. A series' numbers therefore depend on its id alone, not on the number
// of threads, its place in the input or the partition it travels in.
VORDEX_CPP_API std::uint32_t SeriesSeed(std::uint32_t batch_seed, std::string_view id);

#define VORDEX_NAMED_ENUM(Enum)                                               \
  template <>                                                                 \
  VORDEX_CPP_API std::optional<Enum> FromString<Enum>(std::string_view name); \
  template <>                                                                 \
  VORDEX_CPP_API std::vector<std::pair<Enum, std::string_view>> AllNames<Enum>();
VORDEX_NAMED_ENUM(Transform)
VORDEX_NAMED_ENUM(Method)
VORDEX_NAMED_ENUM(Interval)
VORDEX_NAMED_ENUM(mstl::AdjustedModel)
VORDEX_NAMED_ENUM(Status)
VORDEX_NAMED_ENUM(ets::ErrorForm)
VORDEX_NAMED_ENUM(ets::Trend)
VORDEX_NAMED_ENUM(ets::Season)
VORDEX_NAMED_ENUM(ets::Criterion)
VORDEX_NAMED_ENUM(ets::Initialization)
VORDEX_NAMED_ENUM(ets::Disturbances)
VORDEX_NAMED_ENUM(ets::InformationCriterion)
VORDEX_NAMED_ENUM(ets::Search)
#undef VORDEX_NAMED_ENUM

}  // namespace vordex

#endif  // VORDEX_NAMES_HPP
