#include "engine/storage/Crc16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ridov {
namespace {

uint16_t CrcOf(const std::string& text) {
    return Crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(Crc16Test, KnownValues) {
    EXPECT_EQ(CrcOf("123456789"), 0x4B37);
    EXPECT_EQ(CrcOf(""), 0xFFFF);
    EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
}

// How the password block is checked: the CRC appended low byte first makes
// the CRC over everything 0; a flipped bit anywhere breaks that.
TEST(Crc16Test, AppendedCrcChecksToZeroAndCatchesDamage) {
    const std::string inputs[] = {
        "",
        "A",
        "123456789",
        "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}",
        std::string("\x00\xFF\x00\xFF\xC0\xDF", 6),
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        std::vector<uint8_t> block(input.begin(), input.end());
        const uint16_t crc = Crc16(block.data(), block.size());
        block.push_back(static_cast<uint8_t>(crc & 0xFF));
        block.push_back(static_cast<uint8_t>(crc >> 8));
        EXPECT_EQ(Crc16(block.data(), block.size()), 0);

        for (size_t i = 0; i < block.size(); ++i) {
            std::vector<uint8_t> damaged = block;
            damaged[i] ^= 0x10;
            EXPECT_NE(Crc16(damaged.data(), damaged.size()), 0) << "byte " << i;
        }
    }
}

}  // namespace
}  // namespace ridov
