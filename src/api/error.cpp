#include "vordex/error.hpp"

namespace vordex {
namespace {

// The reason for the user: the text given, else the last message's, else the status.
std::string Reason(Status status, std::string text, const std::vector<Message>& messages) {
  if (!text.empty()) return text;
  if (!messages.empty()) return messages.back().text;
  return "request failed with status " + std::to_string(Code(status));
}

}  // namespace

Error::Error(Status status, std::string text, std::vector<Message> messages)
    : std::runtime_error(Reason(status, text, messages)),
      status_(status),
      text_(what()),
      messages_(std::move(messages)) {}

}  // namespace vordex
