// The exception thrown by the typed C++ API when a request fails.
#ifndef VORDEX_ERROR_HPP
#define VORDEX_ERROR_HPP

#include <stdexcept>
#include <string>
#include <vector>

#include "vordex/export.hpp"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex {

// A failed request: its status, the reason for the user (for kEngineFailed the text an export
// would return to its host; for a checker's refusal the checker's message), and every message
// raised during the request. what() is the text.
class VORDEX_CPP_API Error : public std::runtime_error {
 public:
  Error(Status status, std::string text, std::vector<Message> messages = {});
  Status status() const noexcept { return status_; }
  const std::string& text() const noexcept { return text_; }
  const std::vector<Message>& messages() const noexcept { return messages_; }

 private:
  Status status_;
  std::string text_;
  std::vector<Message> messages_;
};

// The value of a successful outcome; throws Error with its status, text and messages otherwise.
template <class T>
T ValueOrThrow(Outcome<T> outcome) {
  if (!outcome.ok())
    throw Error(outcome.status, std::move(outcome.text), std::move(outcome.messages));
  return std::move(outcome.value);
}

}  // namespace vordex

#endif  // VORDEX_ERROR_HPP
