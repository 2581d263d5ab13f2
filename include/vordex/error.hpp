// The exception thrown by the typed C++ API when a request fails, and the messages a request
// raises.
#ifndef VORDEX_ERROR_HPP
#define VORDEX_ERROR_HPP

#include <stdexcept>
#include <string>
#include <vector>

#include "vordex/export.hpp"
#include "vordex/status.hpp"

namespace vordex {

// One message raised during a request (a message box on Windows hosts).
struct Message {
  std::string title;
  std::string text;
  unsigned style = 0;  // 0x30 warning, 0x10010 stop
};

// A failed request: its status (kEngineFailed when the engine ran and failed, the host then
// receiving host_text()), the text the host would receive (empty for a status code), and every
// message raised during the request. what() is the host text, else the last message's text.
class VORDEX_CPP_API Error : public std::runtime_error {
 public:
  Error(Status status, std::string host_text, std::vector<Message> messages);
  Status status() const noexcept { return status_; }
  const std::string& host_text() const noexcept { return host_text_; }
  const std::vector<Message>& messages() const noexcept { return messages_; }

 private:
  Status status_;
  std::string host_text_;
  std::vector<Message> messages_;
};

}  // namespace vordex

#endif  // VORDEX_ERROR_HPP
