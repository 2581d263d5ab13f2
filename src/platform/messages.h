// Message reporting: every box the library raises goes through ShowMessage.
#ifndef VORDEX_PLATFORM_MESSAGES_H
#define VORDEX_PLATFORM_MESSAGES_H

#include <vector>

#include "vordex/outcome.hpp"
#include "vordex/vordex.h"

namespace vordex::platform {

inline constexpr unsigned kStyleWarning = VORDEX_STYLE_WARNING;  // OK button, exclamation icon
inline constexpr unsigned kStyleStop = VORDEX_STYLE_STOP;        // OK, stop icon, foreground

// Hands title, text and style to the calling thread's handler. Without a handler: on Windows a
// modal box owned by the focus window (with a beep first for the stop style); elsewhere one line
// "title: text" on stderr. Never fails in a way the caller sees.
void ShowMessage(const char* title, const char* text, unsigned style);

// Installs handler for the calling thread for the lifetime of this object and restores the
// previous one afterwards.
class ScopedMessageHandler {
 public:
  ScopedMessageHandler(vordex_message_handler handler, void* context);
  ~ScopedMessageHandler();
  ScopedMessageHandler(const ScopedMessageHandler&) = delete;
  ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

 private:
  vordex_message_handler previous_;
  void* previous_context_;
};

// Records every message raised on the calling thread while it lives, without showing it: a
// request hands its messages to its caller in its outcome (the exports show them afterwards).
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // The messages recorded so far, in the order they were raised; the recorder starts afresh.
  std::vector<Message> Take();

 private:
  static void Record(void* context, const char* title, const char* text, unsigned style);
  std::vector<Message> messages_;
  vordex_message_handler previous_;
  void* previous_context_;
};

// While alive, messages raised on the calling thread are dropped (after any recorder installed
// later has recorded them).
class ScopedSilence {
 public:
  ScopedSilence();

 private:
  ScopedMessageHandler scope_;
};

}  // namespace vordex::platform

#endif  // VORDEX_PLATFORM_MESSAGES_H
