#include "engine/storage/ContentHash.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace ridov {
namespace {

// Every byte counts, in every part of the input (the four lanes, the
// 8-byte and the single-byte tails), and so does the length: flipping any
// one bit of inputs of 0 to 100 bytes, or appending a zero, gives a hash
// for each different input.
TEST(ContentHash, EveryBitAndTheLengthCount) {
    std::set<uint64_t> seen;
    std::set<std::vector<uint8_t>> inputs;
    auto hash = [&](const std::vector<uint8_t>& bytes) {
        seen.insert(ContentHash64(bytes));
        inputs.insert(bytes);
    };
    for (size_t n = 0; n <= 100; ++n) {
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i * 37 + n);
        hash(bytes);
        for (size_t i = 0; i < n; ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                bytes[i] ^= uint8_t(1 << bit);
                hash(bytes);
                bytes[i] ^= uint8_t(1 << bit);
            }
        }
        bytes.push_back(0);
        hash(bytes);
    }
    EXPECT_EQ(seen.size(), inputs.size());
    EXPECT_NE(ContentHash64({}, 0), ContentHash64({}, 1)) << "the seed counts";
}

}  // namespace
}  // namespace ridov
