// PreparedConditions: a filter's (or a table's part of a WHERE clause's)
// comparisons bound to one record store, ready to test records.
//
// Preparing resolves every field name, converts every constant once into a
// value of its left field's type (as TextToValue would on each test) and
// compiles the LIKE masks; testing a record then costs a few slot
// comparisons and no allocation for text fields, which is what lets a
// million-record catalog be filtered per keystroke.
//
// Usage:
//   PreparedConditions c;
//   c.Prepare(conditions, store, caseInsensitive);   // raises on bad names
//   bool ok = c.Passes(node->values);                // per record
//
// A prepared set refers to the store's field descriptors: re-prepare it
// after the store's fields change. Not thread-safe (one scratch buffer).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/query/RidovCField.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/ValueBuffer.h"

namespace ridov {

class PreparedConditions {
  public:
    PreparedConditions() = default;
    PreparedConditions(const PreparedConditions&) = delete;
    PreparedConditions& operator=(const PreparedConditions&) = delete;

    // Binds `conditions` to `store`. Fills each comparison's ConstValue and
    // Mask as the filter language defines them. Raises DatabaseError "Field
    // %s is not found" for an unknown left field or right identifier, and
    // the mask message for a bad LIKE pattern. Names are read as filters
    // read them: the qualifier of the left operand plays no part.
    // `caseInsensitive` makes string comparisons ignore case (LIKE always
    // does).
    void Prepare(std::vector<TRidovCField>& conditions, TRidovCursor& store, bool caseInsensitive);

    // True when the value buffer passes every comparison; stops at the
    // first that fails. Raises "Types of compared fields are not equal" when
    // a comparison of two incompatible fields is reached.
    bool Passes(const uint8_t* values) const;

    // The longest text that the text of `field` in every passing record
    // starts with when both are upper-cased, from the LIKE conditions on
    // `field`; empty when they require none.
    std::string RequiredPrefix(const TRidovField& field) const;

    // True when the conditions are one LIKE on `field` whose pattern is a
    // prefix alone ("бол*"): a record passes exactly when the text of
    // `field` starts with RequiredPrefix(field), both upper-cased.
    bool PrefixDecides(const TRidovField& field) const;

    bool Empty() const { return items_.empty(); }
    void Clear();

  private:
    struct Item {
        const TRidovField* left = nullptr;
        const TRidovField* right = nullptr;  // field operand, or null
        uint8_t op = 0;
        bool incompatible = false;  // raise when evaluated
        // A record whose slot of the left field holds the constant.
        ValueBuffer constant;
        std::optional<TRidovMask> mask;  // LIKE with a pattern
        std::string likeText;            // LIKE against a non-pattern operand
    };
    bool Holds(const Item& item, const uint8_t* values) const;

    TRidovCursor* store_ = nullptr;
    bool caseInsensitive_ = false;
    std::vector<Item> items_;
    mutable std::string scratch_;
};

// True when two fields may be compared in a filter: the same type code, or
// both among Integer, Date, Time and AutoInc, or both among Double, Currency
// and DateTime.
bool FieldTypesCompatible(FieldType a, FieldType b);

}  // namespace ridov
