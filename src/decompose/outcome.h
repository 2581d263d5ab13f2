// The result of a decomposition request: a value, or the reason there is none.
#ifndef VORDEX_DECOMPOSE_OUTCOME_H
#define VORDEX_DECOMPOSE_OUTCOME_H

#include <string>
#include <utility>

namespace vordex::decompose {

// Either a value (error empty) or a failure (error names what was wrong with the request; value
// then holds its default). Nothing in this room throws for bad input.
template <class T>
struct Outcome {
  T value{};
  std::string error;

  bool ok() const { return error.empty(); }
  static Outcome Success(T v) { return Outcome{std::move(v), {}}; }
  static Outcome Failure(std::string message) { return Outcome{T{}, std::move(message)}; }
};

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_OUTCOME_H
