#include "engine/storage/FieldType.h"

namespace ridov {

namespace {

constexpr std::string_view kTypeNames[kFieldTypeCount] = {
    "Unknown",  "SmallInt", "Integer",  "Int64",  "Boolean", "Double", "Currency", "Date",   "Time",
    "DateTime", "AutoInc",  "SmallStr", "String", "BLOB",    "Memo",   "FmtMemo",  "Graphic"};

// Letters of the fixed types, indexed by code; 0 where the letter is not
// fixed (Unknown and String are written "s", SmallStr by its size).
constexpr char kLetters[kFieldTypeCount] = {0,   'l', 'i', 'e', 'b', 'f', 'c', 'd', 'v',
                                            't', 'a', 0,   0,   'o', 'm', 'r', 'g'};

}  // namespace

std::string_view FieldTypeName(FieldType type) {
    return type < kFieldTypeCount ? kTypeNames[type] : kTypeNames[0];
}

uint16_t SlotSize(FieldType type, int declaredSize) {
    switch (type) {
        case ftSmallInt:
        case ftBoolean:
            return 2;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            return 4;
        case ftInt64:
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return 8;
        case ftSmallStr:
            return static_cast<uint16_t>(declaredSize + 1);
        case ftString:
            return kTextSlotSize;
        case ftBlob:
        case ftMemo:
        case ftFmtMemo:
        case ftGraphic:
            return kBlockSlotSize;
        case ftUnknown:
            break;
    }
    return 0;
}

char FieldTypeLetter(FieldType type) {
    return type < kFieldTypeCount ? kLetters[type] : 0;
}

bool FieldTypeFromLetter(char letter, FieldType& type, int& declaredSize) {
    declaredSize = 0;
    if (letter >= '0' && letter <= '9') {
        type = ftSmallStr;
        declaredSize = letter - '0';
        return true;
    }
    if (letter >= 'A' && letter <= 'Z') {
        type = ftSmallStr;
        declaredSize = letter - 'A' + 10;
        return true;
    }
    for (int code = 0; code < kFieldTypeCount; ++code) {
        if (kLetters[code] != 0 && kLetters[code] == letter) {
            type = static_cast<FieldType>(code);
            return true;
        }
    }
    return false;
}

}  // namespace ridov
