// The result of a request of the evaluation room: a value, or the reason there is none.
#ifndef VORDEX_EVALUATE_OUTCOME_H
#define VORDEX_EVALUATE_OUTCOME_H

#include <string>
#include <utility>

namespace vordex::evaluate {

// Either a value (error empty) or a failure (error names the argument that was wrong; value then
// holds its default). Failures are kept for arguments that make a request meaningless (spans of
// different lengths, a lag below 1, a level outside (0, 100)); data that leave a measure undefined
// (too few values, a zero scale) give NaN in a successful outcome. Nothing in this room throws
// for bad input.
template <class T>
struct Outcome {
  T value{};
  std::string error;

  bool ok() const { return error.empty(); }
  static Outcome Success(T v) { return Outcome{std::move(v), {}}; }
  static Outcome Failure(std::string message) { return Outcome{T{}, std::move(message)}; }
};

}  // namespace vordex::evaluate

#endif  // VORDEX_EVALUATE_OUTCOME_H
