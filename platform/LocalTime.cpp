#include "platform/LocalTime.h"

namespace platform {

std::tm LocalCalendarTime(std::time_t moment) {
    std::tm tm{};
#if defined(_WIN32)
    if (localtime_s(&tm, &moment) != 0) tm = std::tm{};
#else
    if (localtime_r(&moment, &tm) == nullptr) tm = std::tm{};
#endif
    return tm;
}

}  // namespace platform
