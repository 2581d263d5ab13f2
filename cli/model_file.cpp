#include "model_file.h"

#include <cstdint>
#include <utility>

#include "output_file.h"
#include "vordex/error.hpp"

namespace vordex::cli {

std::optional<SeriesTime> LastTime(const std::optional<Time>& start, std::size_t n) {
  if (!start || n == 0) return std::nullopt;
  const Time last{start->calendar, start->ordinal + static_cast<std::int64_t>(n) - 1};
  return SeriesTime{.last = FormatTime(last), .calendar = CalendarName(last.calendar)};
}

Model ModelOf(batch::MethodResult result, const LoadedSeries& series) {
  Model model;
  model.result = std::move(result);
  model.observations = static_cast<long>(series.values.size());
  model.time = LastTime(series.start, series.values.size());
  return model;
}

bool SaveModelFile(const char* command, const std::string& path, const Model& model,
                   std::ostream& err) {
  std::string text;
  try {
    text = ToJson(model);
  } catch (const Error& e) {
    err << "vordex " << command << ": --save: " << e.text() << '\n';
    return false;
  }
  AtomicOutputFile file;
  std::string error;
  if (!file.Open(path, error)) {
    err << "vordex " << command << ": " << error << '\n';
    return false;
  }
  file.stream() << text << '\n';
  if (!file.Commit(error)) {
    err << "vordex " << command << ": " << error << '\n';
    return false;
  }
  return true;
}

bool SaveIfAsked(const char* command, const std::string& path, batch::MethodResult result,
                 const LoadedSeries& series, std::ostream& err) {
  if (path.empty()) return true;
  return SaveModelFile(command, path, ModelOf(std::move(result), series), err);
}

}  // namespace vordex::cli
