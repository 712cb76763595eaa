// The reflected CRC-16 with polynomial 0xA001, initial value 0xFFFF and no
// final XOR (CRC-16/MODBUS). It guards the enciphered password block of a
// table image: stored low byte first after the data, the CRC of data plus
// stored CRC comes out 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ridov {

// REQUIRES: `data` points to `n` bytes (may be null when `n` is 0).
uint16_t Crc16(const uint8_t* data, size_t n);

}  // namespace ridov
