#include "platform/TempFileName.h"

#include <cstdint>

#include "platform/RandomBytes.h"

namespace platform {

std::string TempNameFor(const std::string& target) {
    uint8_t random[kTempDigits / 2];
    FillRandom(random, sizeof random);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = target + kTempInfix;
    for (uint8_t b : random) {
        name += kDigits[b >> 4];
        name += kDigits[b & 15];
    }
    return name;
}

}  // namespace platform
