// Message reporting: every box the library raises goes through ShowMessage.
#ifndef VORDEX_PLATFORM_MESSAGES_H
#define VORDEX_PLATFORM_MESSAGES_H

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

}  // namespace vordex::platform

#endif  // VORDEX_PLATFORM_MESSAGES_H
