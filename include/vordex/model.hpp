// Fitted models that last: saved to a small, versioned JSON document, loaded in another process
// or on another machine, updated with new observations without estimating again, and asked for
// forecasts of any horizon and levels. The format is described in docs/model_format.md.
//
// A model file holds the method, its settings, the estimates, the state the forecasts continue
// from (the ARIMA filter state after the last observation; the smoothing's final states and its
// simulation settings with the seed; Theta's final level; ARMAX's last values and one-step errors;
// each member's for the combination), the fit statistics, the period and, when known, the time of
// the last observation with its calendar. The observations themselves are written only when
// asked for. Loading checks every field and never runs anything the file names.
#ifndef VORDEX_MODEL_HPP
#define VORDEX_MODEL_HPP

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vordex/batch.hpp"
#include "vordex/export.hpp"
#include "vordex/forecast.hpp"

namespace vordex {

// The version of the model format this library writes; it reads this version and older ones.
inline constexpr int kModelFormatVersion = 2;

// Where the series' last observation lies in time, when the caller knows it.
struct SeriesTime {
  // The time of the last observation as the input wrote it ("1960-12", "2024-06-30", "144").
  std::string last = {};
  // The calendar of the times: "month", "quarter", "week", "day", "count", or "" when unknown.
  std::string calendar = {};
};

// A fitted model and what it was fitted to. Methods that can be saved: arima, auto_arima, ets,
// theta, armax and auto (the combination of one season).
struct Model {
  // The series' id in a collection (a line of a JSON Lines file); empty: none, not written.
  std::string id = {};
  // The fitted result (never std::monostate in a loaded model).
  batch::MethodResult result = {};
  // Values fitted and filtered so far, observed and missing (0 in a model made by the caller: the
  // length of the result's fitted values is taken).
  long observations = 0;
  // The time of the last observation; none when unknown.
  std::optional<SeriesTime> time = {};
  // The observations (all `observations` of them, NaN where missing), only when saved with data.
  std::vector<double> data = {};
  // The forecasts Update makes and the file records: `horizon` steps with limits at `levels`
  // (percent). -1: those of the result's own forecasts.
  int horizon = -1;
  std::vector<double> levels = {};
};

struct SaveOptions {
  // Write the observations (Model::data, or the result's series when data is empty and the
  // method keeps it on the observations' scale) into the file.
  bool data = false;
  // Write the ARIMA filter's covariances with entries below 1e-15 of the largest as zeros. A
  // fitted or updated state has none left (its residue is dropped when it is made, so that its
  // file is small and exact); this matters only for a state made by the caller.
  bool compact = false;
};

// The model as one line of JSON (no line break): a model file, or one line of a JSON Lines file
// of many. Throws vordex::Error kInvalidSettings, with the reason, for no result and for a result
// without the state to continue from: an ARIMA fit without its filter state, a fallback forecast,
// the combination's seasonal route (MSTL), an ARMAX fit through the state space route.
VORDEX_CPP_API std::string ToJson(const Model& model, const SaveOptions& options = {});

// The model of a JSON document written by ToJson. Throws vordex::Error kInvalidData, whose text
// names the field at fault ("model file: field 'estimates.ma': 2 values; the order q is 1"), for
// text that is not JSON, a format version newer than kModelFormatVersion, a method other than
// those saved or other than the fields describe, a missing or unknown field, a number that is not
// finite where a finite one is required, estimates outside the model's admissible region, or
// sizes that do not match the orders. Nothing in the text is executed or looked up elsewhere.
VORDEX_CPP_API Model FromJson(std::string_view text);

// Writes ToJson(model, options) and a line break to `out`: one model file, or, called once per
// model, a JSON Lines file. Throws as ToJson, and vordex::Error kInvalidData when the stream
// fails.
VORDEX_CPP_API void Save(const Model& model, std::ostream& out, const SaveOptions& options = {});
// As Save, for a result on its own (no time, no data).
VORDEX_CPP_API void Save(const batch::MethodResult& result, std::ostream& out);

// Reads one model file (the whole stream, one JSON document). Throws as FromJson.
VORDEX_CPP_API Model Load(std::istream& in);

// Reads a JSON Lines file of models, one a line (blank lines skipped). Throws as FromJson, the
// text beginning with the line's number ("line 3: model file: field ...").
VORDEX_CPP_API std::vector<Model> LoadMany(std::istream& in);

// The forecasts shared by every method's result (Common of batch.hpp); throws vordex::Error
// kInvalidSettings for a model without a result.
VORDEX_CPP_API const Forecast& Common(const Model& model);

// The model with forecasts `horizon` steps after its last observation and limits at `levels`
// (percent), from its state with its estimates: arima::Predict, ets::ForecastFrom with `seed`
// (none: the seed it was fitted with), theta::Predict, armax::Predict, or auto_forecast::Predict
// (its smoothing member with `seed`). A loaded model gives what the saved model gives, bit for
// bit. Throws vordex::Error as those functions.
VORDEX_CPP_API Model Predict(const Model& model, int horizon,
                             const std::vector<double>& levels = kDefaultLevels,
                             std::optional<std::uint32_t> seed = {});

// The model with new observations (the times after its last; NaN for a missing value) filtered
// through it with the same estimates (arima::Update, ets::Update): its state, fitted values and
// residuals of the new times, `observations` and the forecasts of its horizon and levels from the
// new end. The time of the last observation becomes unknown unless `last_time` gives it. Equals
// the state of filtering the whole series with the same estimates, to rounding. A model with
// regressors, and Theta, ARMAX and combination models (estimates of the whole series, no filter),
// cannot be updated here (kInvalidSettings). Throws vordex::Error as those functions.
VORDEX_CPP_API Model Update(const Model& model, std::span<const double> new_observations,
                            std::optional<std::string> last_time = {});

// Estimates the model's own form again on `observations` (the whole series): the same ARIMA
// orders, constant, drift and transform, the same smoothing model with its settings, or Theta
// with the same period and transform. The estimation starts as a fit of that form starts (the
// engines take no starting values). Throws
// vordex::Error as arima::Fit, ets::Fit and theta::Fit, and kInvalidSettings for a model with
// regressors, an ARMAX model or a combination.
VORDEX_CPP_API Model Refit(const Model& model, std::span<const double> observations);

}  // namespace vordex

#endif  // VORDEX_MODEL_HPP
