// Value buffers that know their layout and free what they own.
//
// A ValueLayout is the slot plan of one record store at one moment: the
// record size and where the reference slots (texts and byte blocks) lie. A
// store builds a new layout whenever its fields change and never alters one
// it has handed out, so a buffer that holds its layout can always be freed
// correctly, even after its store was refilled with other fields or
// destroyed.
//
// A ValueBuffer is one record's worth of slots with such a layout. It owns
// the heap texts and blocks in its slots (those with the heap tag, see
// ValueSlot.h) and frees them when it is cleared, reassigned or destroyed;
// references into a store's arena are only dropped. It is move-only: two
// buffers never own the same text.
//
// Thread safety: a buffer is used by one thread at a time; a layout is
// immutable and may be shared freely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/FieldType.h"

namespace ridov {

struct ValueLayout {
    struct Slot {
        uint32_t offset;
        uint16_t size;
        FieldType type;
    };
    size_t recordSize = 0;
    std::vector<Slot> references;  // String and BLOB-like slots, in field order
};

// Frees the heap texts and blocks `buffer` owns and clears their slots.
// Other slots are left as they are.
void FreeReferences(const ValueLayout& layout, uint8_t* buffer);

// Makes `target` a deep copy of `source` (both laid out by `layout`): the
// target's own texts and blocks are freed first; the copies are on the
// heap and belong to the target. A source equal to the target is left
// alone.
void CopyRecord(const ValueLayout& layout, const uint8_t* source, uint8_t* target);

class ValueBuffer {
  public:
    // No buffer: Data() is null.
    ValueBuffer() = default;
    // A zeroed buffer of layout->recordSize bytes (at least one, so that
    // Data() is never null for a store without fields).
    explicit ValueBuffer(std::shared_ptr<const ValueLayout> layout);
    ~ValueBuffer() { Reset(); }
    ValueBuffer(ValueBuffer&& other) noexcept = default;
    ValueBuffer& operator=(ValueBuffer&& other) noexcept {
        if (this != &other) {
            Reset();
            bytes_ = std::move(other.bytes_);
            layout_ = std::move(other.layout_);
        }
        return *this;
    }
    ValueBuffer(const ValueBuffer&) = delete;
    ValueBuffer& operator=(const ValueBuffer&) = delete;

    uint8_t* Data() { return bytes_.get(); }
    const uint8_t* Data() const { return bytes_.get(); }
    explicit operator bool() const { return bytes_ != nullptr; }
    // Null when there is no buffer.
    const ValueLayout* Layout() const { return layout_.get(); }

    // Frees what the buffer owns and zeroes every slot; no value is left.
    void Clear();
    // A deep copy of `source`, which must have this buffer's layout.
    // REQUIRES: *this.
    void CopyFrom(const uint8_t* source) { CopyRecord(*layout_, source, bytes_.get()); }
    // Frees what the buffer owns and drops the buffer itself.
    void Reset();
    // A deep copy with the same layout; no buffer when this has none.
    ValueBuffer Clone() const;

  private:
    std::unique_ptr<uint8_t[]> bytes_;
    std::shared_ptr<const ValueLayout> layout_;
};

}  // namespace ridov
