// Collects the message boxes raised on the calling thread while it lives.
#ifndef VORDEX_TESTS_SUPPORT_CAPTURE_H
#define VORDEX_TESTS_SUPPORT_CAPTURE_H

#include <string>
#include <vector>

#include "platform/messages.h"

namespace vordex::testing {

struct Message {
  std::string title;
  std::string text;
  unsigned style;
};

class MessageCapture {
 public:
  MessageCapture() : scope_(&MessageCapture::Collect, this) {}
  const std::vector<Message>& messages() const { return messages_; }
  std::size_t size() const { return messages_.size(); }
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
