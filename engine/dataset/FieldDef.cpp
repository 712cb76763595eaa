#include "engine/dataset/FieldDef.h"

#include "engine/text/Win1251.h"

namespace ridov {

DataType DataTypeOf(FieldType type) {
    switch (type) {
        case ftSmallInt:
            return DataType::SmallInt;
        case ftInteger:
            return DataType::Integer;
        case ftInt64:
            return DataType::LargeInt;
        case ftBoolean:
            return DataType::Boolean;
        case ftDouble:
            return DataType::Float;
        case ftCurrency:
            return DataType::Currency;
        case ftDate:
            return DataType::Date;
        case ftTime:
            return DataType::Time;
        case ftDateTime:
            return DataType::DateTime;
        case ftAutoInc:
            return DataType::AutoInc;
        case ftSmallStr:
        case ftString:
            return DataType::String;
        case ftBlob:
            return DataType::Blob;
        case ftMemo:
            return DataType::Memo;
        case ftFmtMemo:
            return DataType::FmtMemo;
        case ftGraphic:
            return DataType::Graphic;
        case ftUnknown:
            break;
    }
    return DataType::Unknown;
}

FieldType EngineTypeOf(DataType type, int size) {
    switch (type) {
        case DataType::SmallInt:
        case DataType::Word:
            return ftSmallInt;
        case DataType::Integer:
            return ftInteger;
        case DataType::LargeInt:
            return ftInt64;
        case DataType::Boolean:
            return ftBoolean;
        case DataType::Float:
            return ftDouble;
        case DataType::Currency:
            return ftCurrency;
        case DataType::Date:
            return ftDate;
        case DataType::Time:
            return ftTime;
        case DataType::DateTime:
            return ftDateTime;
        case DataType::AutoInc:
            return ftAutoInc;
        case DataType::String:
            return size <= kMaxSmallStrSize ? ftSmallStr : ftString;
        case DataType::Blob:
            return ftBlob;
        case DataType::Memo:
            return ftMemo;
        case DataType::FmtMemo:
            return ftFmtMemo;
        case DataType::Graphic:
            return ftGraphic;
        case DataType::Unknown:
            break;
    }
    return ftUnknown;
}

const FieldDef* FieldDefs::Find(std::string_view name) const {
    for (const FieldDef& d : defs_)
        if (text::Upper(d.name) == text::Upper(name)) return &d;
    return nullptr;
}

}  // namespace ridov
