// The outcome of a request: its value, or why there is none, with every message the request
// raised. The engines, the automatic methods and the batch all answer in this one form.
#ifndef VORDEX_OUTCOME_HPP
#define VORDEX_OUTCOME_HPP

#include <string>
#include <utility>
#include <vector>

#include "vordex/status.hpp"

namespace vordex {

// One message raised during a request (a message box on Windows hosts).
struct Message {
  std::string title;
  std::string text;
  unsigned style = 0;  // 0x30 warning, 0x10010 stop
};

template <class T>
struct Outcome {
  Status status = Status::kOk;    // kOk, a warning (the value exists), or why it failed
  std::string text;               // when it failed: what the user is told (one reason)
  std::vector<Message> messages;  // every message raised, in order
  T value{};                      // meaningful when ok()

  bool ok() const { return Succeeded(status); }

  static Outcome Success(T v, std::vector<Message> messages = {}) {
    Outcome o;
    o.value = std::move(v);
    o.messages = std::move(messages);
    return o;
  }
  static Outcome Failure(Status status, std::string text, std::vector<Message> messages = {}) {
    Outcome o;
    o.status = status;
    o.text = std::move(text);
    o.messages = std::move(messages);
    return o;
  }
};

}  // namespace vordex

#endif  // VORDEX_OUTCOME_HPP
