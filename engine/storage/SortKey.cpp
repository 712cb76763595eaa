#include "engine/storage/SortKey.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

uint64_t DoubleKey(double d) {
    if (std::isnan(d)) return 0;
    if (d == 0) d = 0.0;
    uint64_t bits = std::bit_cast<uint64_t>(d);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

}  // namespace

SortKeyWriter::SortKeyWriter(size_t expected) : capacity_(std::max<size_t>(expected, 64)) {
    bytes_ = std::make_unique<unsigned char[]>(capacity_);
}

void SortKeyWriter::Grow(size_t n) {
    size_t capacity = std::max(capacity_ * 2, size_ + n);
    auto bigger = std::make_unique<unsigned char[]>(capacity);
    std::memcpy(bigger.get(), bytes_.get(), size_);
    bytes_ = std::move(bigger);
    capacity_ = capacity;
}

void PutSortKeyField(SortKeyWriter& out, const uint8_t* values, const TRidovField& f,
                     const unsigned char* ranks) {
    const uint8_t* s = values + f.offset;
    switch (f.type) {
        case ftSmallInt:
            out.PutBigEndian(uint16_t(slot::Load<int16_t>(s)) ^ 0x8000u, 2);
            return;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            out.PutBigEndian(uint32_t(slot::Load<int32_t>(s)) ^ 0x80000000u, 4);
            return;
        case ftInt64:
            out.PutBigEndian(uint64_t(slot::Load<int64_t>(s)) ^ (uint64_t(1) << 63), 8);
            return;
        case ftBoolean:
            out.PutByte(slot::Load<int16_t>(s) != 0 ? 0 : 1);
            return;
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            out.PutBigEndian(DoubleKey(slot::Load<double>(s)), 8);
            return;
        case ftSmallStr: {
            const void* z = std::memchr(s, 0, size_t(f.declaredSize) + 1);
            size_t n = z ? size_t(static_cast<const uint8_t*>(z) - s) : size_t(f.declaredSize);
            if (f.rightAligned) out.PutByte(static_cast<unsigned char>(std::min<size_t>(n, 255)));
            out.PutText({reinterpret_cast<const char*>(s), n}, ranks);
            return;
        }
        case ftString: {
            const char* p = slot::TextPtr(s);
            out.PutByte(p ? 1 : 0);
            if (p) out.PutText({p, slot::TextLength(p)}, ranks);
            return;
        }
        case ftMemo:
        case ftFmtMemo: {
            bool held = slot::BlockPtr(s) != nullptr;
            out.PutByte(held ? 1 : 0);
            if (held) out.PutText(slot::Block(s), ranks);
            return;
        }
        case ftUnknown:
        case ftBlob:
        case ftGraphic:
            return;
    }
}

}  // namespace ridov
