// The local calendar time of a moment, as the system's time zone settings
// give it: the one place the C library's thread-safe but system-specific
// conversion (localtime_r, localtime_s) is called.
//
// Thread safety: may be called from any thread.
#pragma once

#include <ctime>

namespace platform {

// The broken-down local time of `moment`; all fields zero when the system
// cannot convert it.
std::tm LocalCalendarTime(std::time_t moment);

}  // namespace platform
