// The calendar clock.
#ifndef VORDEX_PLATFORM_CLOCK_H
#define VORDEX_PLATFORM_CLOCK_H

#include <cstdint>

namespace vordex::platform {

// Calendar time in whole seconds since 1970-01-01 UTC.
std::int64_t CalendarSeconds();

}  // namespace vordex::platform

#endif  // VORDEX_PLATFORM_CLOCK_H
