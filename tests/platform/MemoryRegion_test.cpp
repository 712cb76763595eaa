#include "platform/MemoryRegion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace platform {
namespace {

// Growth from a small region to one with large pages keeps what was
// written; a move hands the bytes over and leaves the source empty.
TEST(MemoryRegionTest, BufferKeepsItsBytesAcrossGrowthAndMoves) {
    RegionBuffer buffer;
    buffer.Resize(1000);
    for (size_t i = 0; i < buffer.size(); ++i) buffer.data()[i] = uint8_t(i % 251);
    buffer.Resize(3 << 20);
    buffer.data()[buffer.size() - 1] = 0xEE;
    buffer.Resize(10);  // shrinking keeps the room
    buffer.Resize(3 << 20);
    for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(buffer.data()[i], uint8_t(i % 251)) << i;
    EXPECT_EQ(buffer.data()[buffer.size() - 1], 0xEE);

    RegionBuffer moved = std::move(buffer);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(moved.data()[999], uint8_t(999 % 251));
    buffer = std::move(moved);
    EXPECT_EQ(buffer.size(), size_t(3) << 20);
}

// Vectors on either side of the threshold, and one growing across it.
TEST(MemoryRegionTest, AllocatorServesSmallAndLargeVectors) {
    for (size_t n : {size_t(10), kRegionThreshold / 8 - 1, kRegionThreshold / 8 * 3}) {
        SCOPED_TRACE(n);
        std::vector<uint64_t, RegionAllocator<uint64_t>> v(n, 7);
        for (size_t i = 0; i < n; ++i) v[i] += i;
        v.resize(2 * n, 1);
        EXPECT_EQ(v[n - 1], 7 + (n - 1));
        EXPECT_EQ(v[2 * n - 1], 1u);
    }
}

}  // namespace
}  // namespace platform
