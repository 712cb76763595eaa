// Access to the slots of a value buffer.
//
// Fixed types (codes 1-11) hold their bytes in the slot. The reference
// types hold a tagged pointer:
//   String (12):        8 bytes: pointer to the characters. The 4 bytes
//                       before the characters hold the length (uint32), and
//                       a zero byte follows them.
//   BLOB, Memo, FmtMemo, Graphic (13-16):
//                       8 bytes: pointer to the bytes, then int32 count.
// Bit 0 of a pointer set means the text or block was allocated on the heap
// and belongs to the buffer (freed by FreeText/FreeBlock); clear means it
// lives in a record store's arena and is freed with the store. Arena texts
// may be shared by several records (see TextInterner.h), so nothing ever
// writes through a text or block pointer. A null pointer means no value.
//
// Slots are not aligned; all access goes through memcpy.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "engine/storage/Arena.h"
#include "engine/storage/FieldType.h"

namespace ridov::slot {

inline uintptr_t LoadTagged(const uint8_t* slot) {
    uintptr_t v;
    std::memcpy(&v, slot, sizeof v);
    return v;
}
inline void StoreTagged(uint8_t* slot, uintptr_t v) {
    std::memcpy(slot, &v, sizeof v);
}
inline bool IsHeap(uintptr_t v) {
    return (v & 1) != 0;
}
inline const char* Untag(uintptr_t v) {
    return reinterpret_cast<const char*>(v & ~uintptr_t(1));
}

// ---- String (code 12) ----

inline const char* TextPtr(const uint8_t* slot) {
    return Untag(LoadTagged(slot));
}
inline uint32_t TextLength(const char* chars) {
    uint32_t n;
    std::memcpy(&n, chars - 4, sizeof n);
    return n;
}
// The text, or an empty view with a null data pointer when none is held.
inline std::string_view Text(const uint8_t* slot) {
    const char* p = TextPtr(slot);
    return p ? std::string_view(p, TextLength(p)) : std::string_view();
}

// Lays out length, characters and terminator at `base` and returns the
// pointer to the characters. `base` must have room for n + 5 bytes.
inline char* LayOutText(uint8_t* base, const void* data, uint32_t n) {
    std::memcpy(base, &n, sizeof n);
    if (n) std::memcpy(base + 4, data, n);
    base[4 + n] = 0;
    return reinterpret_cast<char*>(base + 4);
}

// Stores a new heap text in an empty slot (the caller frees the old one).
inline void SetHeapText(uint8_t* slot, std::string_view s) {
    auto* base = static_cast<uint8_t*>(std::malloc(s.size() + 5));
    if (!base) throw std::bad_alloc();
    char* chars = LayOutText(base, s.data(), static_cast<uint32_t>(s.size()));
    StoreTagged(slot, reinterpret_cast<uintptr_t>(chars) | 1);
}
// Stores a text allocated in `arena` in an empty slot.
inline void SetArenaText(uint8_t* slot, Arena& arena, const void* data, uint32_t n) {
    // Two-byte alignment keeps bit 0 of the character pointer free for the
    // tag; the length is read with memcpy and needs none.
    char* chars = LayOutText(arena.Allocate(size_t(n) + 5, 2), data, n);
    StoreTagged(slot, reinterpret_cast<uintptr_t>(chars));
}
// Frees a heap text and clears the slot.
inline void FreeText(uint8_t* slot) {
    uintptr_t v = LoadTagged(slot);
    if (IsHeap(v)) std::free(const_cast<char*>(Untag(v)) - 4);
    StoreTagged(slot, 0);
}

// ---- byte blocks (codes 13-16) ----

inline const uint8_t* BlockPtr(const uint8_t* slot) {
    return reinterpret_cast<const uint8_t*>(Untag(LoadTagged(slot)));
}
inline int32_t BlockCount(const uint8_t* slot) {
    int32_t n;
    std::memcpy(&n, slot + 8, sizeof n);
    return n;
}
inline bool HasBlock(const uint8_t* slot) {
    return BlockPtr(slot) != nullptr && BlockCount(slot) > 0;
}
inline std::string_view Block(const uint8_t* slot) {
    const uint8_t* p = BlockPtr(slot);
    int32_t n = BlockCount(slot);
    return p && n > 0 ? std::string_view(reinterpret_cast<const char*>(p), size_t(n))
                      : std::string_view();
}
inline void StoreBlock(uint8_t* slot, uintptr_t tagged, int32_t n) {
    StoreTagged(slot, tagged);
    std::memcpy(slot + 8, &n, sizeof n);
}
// Stores a copy of the bytes on the heap in an empty slot; an empty input
// stores no value.
inline void SetHeapBlock(uint8_t* slot, std::string_view bytes) {
    if (bytes.empty()) {
        StoreBlock(slot, 0, 0);
        return;
    }
    void* p = std::malloc(bytes.size());
    if (!p) throw std::bad_alloc();
    std::memcpy(p, bytes.data(), bytes.size());
    StoreBlock(slot, reinterpret_cast<uintptr_t>(p) | 1, static_cast<int32_t>(bytes.size()));
}
inline void SetArenaBlock(uint8_t* slot, Arena& arena, const void* data, int32_t n) {
    uint8_t* p = arena.Allocate(size_t(n), 2);
    std::memcpy(p, data, size_t(n));
    StoreBlock(slot, reinterpret_cast<uintptr_t>(p), n);
}
inline void FreeBlock(uint8_t* slot) {
    uintptr_t v = LoadTagged(slot);
    if (IsHeap(v)) std::free(const_cast<char*>(Untag(v)));
    StoreBlock(slot, 0, 0);
}

// ---- fixed types ----

template <typename T>
inline T Load(const uint8_t* slot) {
    T v;
    std::memcpy(&v, slot, sizeof v);
    return v;
}
template <typename T>
inline void Store(uint8_t* slot, T v) {
    std::memcpy(slot, &v, sizeof v);
}

// ---- any type ----

// Makes the slot `to` a copy of the slot `from`, both of `type` and `size`
// bytes. A text or block is duplicated on the heap and belongs to `to`,
// whose own is freed first; this is the one deep copy of a value.
inline void CopyValue(const uint8_t* from, uint8_t* to, FieldType type, size_t size) {
    if (from == to) return;
    if (type == ftString) {
        std::string_view s = Text(from);
        FreeText(to);
        if (!s.empty()) SetHeapText(to, s);
    } else if (IsBlobType(type)) {
        std::string_view bytes = Block(from);
        FreeBlock(to);
        SetHeapBlock(to, bytes);
    } else {
        std::memcpy(to, from, size);
    }
}

}  // namespace ridov::slot
