#include "engine/storage/Crc16.h"

namespace ridov {

// Bit by bit: the CRC only ever covers a few dozen bytes, so a table would
// buy nothing.
uint16_t Crc16(const uint8_t* data, size_t n) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace ridov
