#include "platform/messages.h"

#include <cstdio>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vordex::platform {
namespace {

thread_local vordex_message_handler tls_handler = nullptr;
thread_local void* tls_context = nullptr;

void DefaultMessage(const char* title, const char* text, unsigned style) {
#if defined(_WIN32)
  if (style == kStyleStop) MessageBeep(0);
  MessageBoxA(GetFocus(), text, title, style);
#else
  (void)style;
  std::fprintf(stderr, "%s: %s\n", title, text);
#endif
}

}  // namespace

void ShowMessage(const char* title, const char* text, unsigned style) {
  if (title == nullptr) title = "";
  if (text == nullptr) text = "";
  if (tls_handler != nullptr) {
    tls_handler(tls_context, title, text, style);
  } else {
    DefaultMessage(title, text, style);
  }
}

ScopedMessageHandler::ScopedMessageHandler(vordex_message_handler handler, void* context)
    : previous_(vordex_set_message_handler(handler, context, &previous_context_)) {}

ScopedMessageHandler::~ScopedMessageHandler() {
  vordex_set_message_handler(previous_, previous_context_, nullptr);
}

MessageRecorder::MessageRecorder()
    : previous_(vordex_set_message_handler(&MessageRecorder::Record, this, &previous_context_)) {}

MessageRecorder::~MessageRecorder() {
  vordex_set_message_handler(previous_, previous_context_, nullptr);
}

std::vector<Message> MessageRecorder::Take() {
  return std::exchange(messages_, {});
}

void MessageRecorder::Record(void* context, const char* title, const char* text, unsigned style) {
  auto* self = static_cast<MessageRecorder*>(context);
  self->messages_.push_back({title, text, style});
}

namespace {
void Drop(void*, const char*, const char*, unsigned) {}
}  // namespace

ScopedSilence::ScopedSilence() : scope_(&Drop, nullptr) {}

}  // namespace vordex::platform

extern "C" VORDEX_HANDLER_API vordex_message_handler
vordex_set_message_handler(vordex_message_handler handler, void* context, void** previous_context) {
  using vordex::platform::tls_context;
  using vordex::platform::tls_handler;
  vordex_message_handler previous = tls_handler;
  if (previous_context != nullptr) *previous_context = tls_context;
  tls_handler = handler;
  tls_context = handler != nullptr ? context : nullptr;
  return previous;
}
