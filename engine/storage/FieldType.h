// Engine field types: the type codes stored in every field descriptor, with
// their type names and letters in a table image and their slot sizes in an
// in-memory value buffer.
#pragma once

#include <cstdint>
#include <string_view>

namespace ridov {

enum FieldType : uint8_t {
    ftUnknown = 0,
    ftSmallInt = 1,
    ftInteger = 2,
    ftInt64 = 3,
    ftBoolean = 4,
    ftDouble = 5,
    ftCurrency = 6,
    ftDate = 7,
    ftTime = 8,
    ftDateTime = 9,
    ftAutoInc = 10,
    ftSmallStr = 11,
    ftString = 12,
    ftBlob = 13,
    ftMemo = 14,
    ftFmtMemo = 15,
    ftGraphic = 16,
};
constexpr int kFieldTypeCount = 17;

// The longest string kept inline in the record (letters "0"-"9", "A"-"Z").
constexpr int kMaxSmallStrSize = 35;
// A bare "s" in a field description declares a String of this size.
constexpr int kDefaultStringSize = 100;

// Slot layout of the reference types in a value buffer. A text slot holds a
// pointer to the characters (see ValueSlot.h); a byte-block slot holds the
// pointer followed by a signed 32-bit byte count.
constexpr uint16_t kTextSlotSize = 8;
constexpr uint16_t kBlockSlotSize = 12;

std::string_view FieldTypeName(FieldType type);

inline bool IsBlobType(FieldType t) {
    return t >= ftBlob && t <= ftGraphic;
}
inline bool IsTextType(FieldType t) {
    return t == ftSmallStr || t == ftString;
}
// Types whose value lives outside the slot (text or byte block).
inline bool IsReferenceType(FieldType t) {
    return t >= ftString && t <= ftGraphic;
}

// Slot size in a value buffer for a field of the given type and declared
// size (the declared size matters for SmallStr only).
uint16_t SlotSize(FieldType type, int declaredSize);

// Most bytes a fixed-size (code 1-11) value may occupy in a table image:
// the slot size, except that a SmallStr holds at most its declared size in
// characters. Its slot has one byte more for the terminator; a value that
// filled it would be cut when written again.
inline uint16_t MaxImageLength(FieldType type, int declaredSize) {
    return type == ftSmallStr ? static_cast<uint16_t>(declaredSize) : SlotSize(type, declaredSize);
}

// The letter that declares a type in a field description, for the fixed
// types (everything but SmallStr and String).
char FieldTypeLetter(FieldType type);

// Decodes a type letter. SmallStr letters also yield the size. Returns false
// for letters outside the table (and for "s", which the caller handles).
bool FieldTypeFromLetter(char letter, FieldType& type, int& declaredSize);

}  // namespace ridov
