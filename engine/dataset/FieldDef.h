// Field definitions: the columns a dataset has, by name, dataset type and
// size. A table built from definitions (load mode lmClear) takes its columns
// from them; an open dataset rebuilds them from its record store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/FieldType.h"

namespace ridov {

// The dataset-level type of a field. Several engine types may share one
// (SmallStr and String are both String); a Word definition is stored as
// SmallInt.
enum class DataType : uint8_t {
    Unknown,
    SmallInt,
    Word,
    Integer,
    LargeInt,
    Boolean,
    Float,
    Currency,
    Date,
    Time,
    DateTime,
    AutoInc,
    String,
    Blob,
    Memo,
    FmtMemo,
    Graphic,
};

// Dataset type of an engine field type.
DataType DataTypeOf(FieldType type);
// Engine type of a dataset type and size: a String of up to 35 characters is
// a SmallStr, a longer one a String; types without an engine counterpart are
// Unknown.
FieldType EngineTypeOf(DataType type, int size);
// BLOB, Memo, FmtMemo and Graphic.
inline bool IsBlobDataType(DataType t) {
    return t == DataType::Blob || t == DataType::Memo || t == DataType::FmtMemo ||
           t == DataType::Graphic;
}

struct FieldDef {
    std::string name;
    DataType type = DataType::Unknown;
    int size = 0;  // declared size of strings; 0 for the rest
    bool required = false;
};

class FieldDefs {
  public:
    FieldDef& Add(std::string name, DataType type, int size = 0, bool required = false) {
        defs_.push_back({std::move(name), type, size, required});
        return defs_.back();
    }
    void Clear() { defs_.clear(); }
    int Count() const { return static_cast<int>(defs_.size()); }
    bool Empty() const { return defs_.empty(); }
    const FieldDef& operator[](int i) const { return defs_[size_t(i)]; }
    // Case-insensitive; null when absent.
    const FieldDef* Find(std::string_view name) const;
    auto begin() const { return defs_.begin(); }
    auto end() const { return defs_.end(); }

  private:
    std::vector<FieldDef> defs_;
};

}  // namespace ridov
