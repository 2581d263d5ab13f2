// The exception thrown by the typed C++ API when a request fails.
#ifndef VORDEX_ERROR_HPP
#define VORDEX_ERROR_HPP

#include <stdexcept>
#include <string>
#include <vector>

namespace vordex {

// One message box raised during a request.
struct Message {
  std::string title;
  std::string text;
  unsigned style = 0;  // 0x30 warning, 0x10010 stop
};

// A failed request: the status code the host would receive (0 when it would receive a text
// instead), that text (empty for a status code), and every message raised during the request.
class Error : public std::runtime_error {
 public:
  Error(int status, std::string host_text, std::vector<Message> messages);
  int status() const noexcept { return status_; }
  const std::string& host_text() const noexcept { return host_text_; }
  const std::vector<Message>& messages() const noexcept { return messages_; }

 private:
  int status_;
  std::string host_text_;
  std::vector<Message> messages_;
};

}  // namespace vordex

#endif  // VORDEX_ERROR_HPP
