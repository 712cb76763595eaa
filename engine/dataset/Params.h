// Query parameters and the ":Name" parser.
//
// ParseSQL replaces every ":Name" outside quoted text ('...' or "...",
// a doubled quote staying inside) with "?" and reports the names in order
// of appearance. A name is a run of letters, digits, "_" and bytes of
// 0x80 and above (Cyrillic letters in Windows-1251). "::" stands for one
// literal ":"; a ":" not followed by a name character is kept as it is.
//
// Thread safety: none needed; plain values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/FieldDef.h"
#include "engine/dataset/Variant.h"

namespace ridov {

struct Param {
    std::string name;
    DataType dataType = DataType::Unknown;
    Variant value;

    bool IsNull() const { return ridov::IsNull(value); }
    void Clear() { value = {}; }
    void SetAsString(std::string v) {
        value = std::move(v);
        dataType = DataType::String;
    }
    void SetAsInteger(int64_t v) {
        value = v;
        dataType = DataType::Integer;
    }
    void SetAsFloat(double v) {
        value = v;
        dataType = DataType::Float;
    }
    void SetAsBoolean(bool v) {
        value = v;
        dataType = DataType::Boolean;
    }
    // Engine date-time unit (see Variant.h).
    void SetAsDateTime(double v) {
        value = v;
        dataType = DataType::DateTime;
    }
};

class Params {
  public:
    // Adds a parameter (an existing one of that name is returned as is).
    Param& Add(std::string_view name);
    // Case-insensitive; null when absent.
    Param* FindParam(std::string_view name);
    const Param* FindParam(std::string_view name) const;
    // Throws DatabaseError "Parameter '%s' not found".
    Param& ParamByName(std::string_view name);
    int Count() const { return static_cast<int>(params_.size()); }
    Param& operator[](int i) { return params_[size_t(i)]; }
    const Param& operator[](int i) const { return params_[size_t(i)]; }
    void Clear() { params_.clear(); }
    auto begin() { return params_.begin(); }
    auto end() { return params_.end(); }

    // The statement with parameters replaced by "?"; `names` (if given)
    // receives each parameter name in order of appearance. With `create`
    // a parameter is added for every new name.
    std::string ParseSQL(std::string_view sql, bool create,
                         std::vector<std::string>* names = nullptr);

  private:
    std::vector<Param> params_;
};

}  // namespace ridov
