#include "api/outcome.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace vordex {

Error::Error(Status status, std::string host_text, std::vector<Message> messages)
    : std::runtime_error(!host_text.empty() ? host_text
                         : !messages.empty()
                             ? messages.back().text
                             : "request failed with status " + std::to_string(Code(status))),
      status_(status),
      host_text_(std::move(host_text)),
      messages_(std::move(messages)) {}

namespace api {

std::vector<double> MissingToNaN(std::vector<double> block) {
  const auto marker = std::bit_cast<std::uint64_t>(kMissing);
  for (double& v : block)
    if (std::bit_cast<std::uint64_t>(v) == marker) v = std::numeric_limits<double>::quiet_NaN();
  return block;
}

}  // namespace api
}  // namespace vordex
