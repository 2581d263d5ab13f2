#include "platform/clock.h"

#include <ctime>

namespace vordex::platform {

std::int64_t CalendarSeconds() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace vordex::platform
