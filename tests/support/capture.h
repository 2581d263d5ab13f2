// Collects the message boxes raised on the calling thread while it lives.
#ifndef VORDEX_TESTS_SUPPORT_CAPTURE_H
#define VORDEX_TESTS_SUPPORT_CAPTURE_H

#include <ostream>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace vordex::testing {

struct Message {
  std::string title;
  std::string text;
  unsigned style;
  bool operator==(const Message&) const = default;
};

using Messages = std::vector<Message>;

inline void PrintTo(const Message& m, std::ostream* os) {
  *os << "{\"" << m.title << "\", \"" << m.text << "\", 0x" << std::hex << m.style << std::dec
      << "}";
}

class MessageCapture {
 public:
  MessageCapture() : scope_(&MessageCapture::Collect, this) {}
  const std::vector<Message>& messages() const { return messages_; }
  std::size_t size() const { return messages_.size(); }
  // The texts alone, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> texts;
    for (const Message& m : messages_) texts.push_back(m.text);
    return texts;
  }
  void clear() { messages_.clear(); }

 private:
  static void Collect(void* context, const char* title, const char* text, unsigned style) {
    static_cast<MessageCapture*>(context)->messages_.push_back({title, text, style});
  }
  std::vector<Message> messages_;
  platform::ScopedMessageHandler scope_;
};

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_CAPTURE_H
