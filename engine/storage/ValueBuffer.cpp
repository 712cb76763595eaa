#include "engine/storage/ValueBuffer.h"

#include <cstring>

#include "engine/storage/ValueSlot.h"

namespace ridov {

void FreeReferences(const ValueLayout& layout, uint8_t* buffer) {
    for (const ValueLayout::Slot& r : layout.references) {
        if (r.type == ftString) {
            slot::FreeText(buffer + r.offset);
        } else {
            slot::FreeBlock(buffer + r.offset);
        }
    }
}

void CopyRecord(const ValueLayout& layout, const uint8_t* source, uint8_t* target) {
    if (source == target) return;
    FreeReferences(layout, target);
    // The fixed slots in one go; the reference slots are emptied before any
    // copy is made, so that a failed allocation leaves no borrowed pointer
    // for the target to free.
    std::memcpy(target, source, layout.recordSize);
    for (const ValueLayout::Slot& r : layout.references) std::memset(target + r.offset, 0, r.size);
    for (const ValueLayout::Slot& r : layout.references)
        slot::CopyValue(source + r.offset, target + r.offset, r.type, r.size);
}

ValueBuffer::ValueBuffer(std::shared_ptr<const ValueLayout> layout)
    : bytes_(std::make_unique<uint8_t[]>(layout->recordSize ? layout->recordSize : 1)),
      layout_(std::move(layout)) {}

void ValueBuffer::Clear() {
    if (!bytes_) return;
    FreeReferences(*layout_, bytes_.get());
    std::memset(bytes_.get(), 0, layout_->recordSize);
}

ValueBuffer ValueBuffer::Clone() const {
    if (!bytes_) return {};
    ValueBuffer copy(layout_);
    copy.CopyFrom(bytes_.get());
    return copy;
}

void ValueBuffer::Reset() {
    if (!bytes_) return;
    FreeReferences(*layout_, bytes_.get());
    bytes_.reset();
    layout_.reset();
}

}  // namespace ridov
