#include "engine/query/PreparedConditions.h"

#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

bool IntegerGroup(FieldType t) {
    return t == ftInteger || t == ftDate || t == ftTime || t == ftAutoInc;
}
bool FloatGroup(FieldType t) {
    return t == ftDouble || t == ftCurrency || t == ftDateTime;
}

bool ResultHolds(uint8_t op, int r) {
    switch (op) {
        case opEqual:
            return r == 0;
        case opGreater:
            return r > 0;
        case opLess:
            return r < 0;
        case opGreaterEqual:
            return r >= 0;
        case opLessEqual:
            return r <= 0;
        case opNotEqual:
            return r != 0;
        default:
            return true;  // *= restricts nothing in a filter
    }
}

}  // namespace

bool FieldTypesCompatible(FieldType a, FieldType b) {
    return a == b || (IntegerGroup(a) && IntegerGroup(b)) || (FloatGroup(a) && FloatGroup(b));
}

void PreparedConditions::Clear() {
    items_.clear();
}

void PreparedConditions::Prepare(std::vector<TRidovCField>& conditions, TRidovCursor& store,
                                 bool caseInsensitive) {
    Clear();
    store_ = &store;
    caseInsensitive_ = caseInsensitive;
    for (TRidovCField& c : conditions) {
        Item item;
        item.op = c.Operator;
        item.left = store.FindField(c.LeftField);
        if (!item.left) throw DatabaseError("Field " + c.LeftField + " is not found");
        c.ConstValue.clear();
        c.Mask.reset();
        bool constant = true;
        switch (c.RightKind) {
            case tkIdentifier:
            case tkString:
                item.right = store.FindField(c.RightValue);
                if (item.right) {
                    constant = false;
                } else if (c.RightKind == tkIdentifier) {
                    throw DatabaseError("Field " + c.RightValue + " is not found");
                } else {
                    c.ConstValue = c.RightValue;
                    if (c.Operator == opLike) c.Mask.emplace(c.RightValue);
                }
                break;
            case tkNumber:
            case tkTrue:
            case tkFalse:
                c.ConstValue = c.RightValue;
                break;
            default:  // NULL: the empty value
                break;
        }
        if (!constant) {
            item.incompatible = !FieldTypesCompatible(item.left->type, item.right->type);
        } else if (c.Operator == opLike) {
            // A pattern comes only from a string; any other constant must
            // equal the text exactly (ignoring case).
            if (c.Mask) {
                item.mask = c.Mask;
            } else {
                item.likeText = c.ConstValue;
            }
        } else {
            // The slot sits at the field's own offset so that CompareValues
            // can read both buffers alike.
            item.constant = ValueBuffer(store.Layout());
            store.TextToValue(item.constant.Data() + item.left->offset, c.ConstValue, *item.left);
        }
        items_.push_back(std::move(item));
    }
}

bool PreparedConditions::Holds(const Item& item, const uint8_t* values) const {
    const TRidovField& left = *item.left;
    if (item.op == opLike) {
        std::string_view text = store_->ValueText(left, values, scratch_);
        if (item.mask) return item.mask->Matches(text);
        if (item.right) {
            std::string other;
            std::string_view rightText = store_->ValueText(*item.right, values, other);
            return text::EqualNoCase(text, rightText);
        }
        return text::EqualNoCase(text, item.likeText);
    }
    int r;
    if (item.right) {
        if (item.incompatible) throw DatabaseError("Types of compared fields are not equal");
        r = TRidovCursor::CompareSlots(values + left.offset, left, values + item.right->offset,
                                       *item.right, caseInsensitive_);
    } else {
        r = TRidovCursor::CompareValues(values, item.constant.Data(), left, caseInsensitive_);
    }
    return ResultHolds(item.op, r);
}

std::string PreparedConditions::RequiredPrefix(const TRidovField& field) const {
    std::string longest;
    for (const Item& item : items_) {
        if (item.left != &field || item.op != opLike || !item.mask) continue;
        std::string prefix = item.mask->LiteralPrefix();
        if (prefix.size() > longest.size()) longest = std::move(prefix);
    }
    return longest;
}

bool PreparedConditions::PrefixDecides(const TRidovField& field) const {
    if (items_.size() != 1) return false;
    const Item& item = items_.front();
    return item.left == &field && item.op == opLike && item.mask && item.mask->PrefixOnly();
}

bool PreparedConditions::Passes(const uint8_t* values) const {
    for (const Item& item : items_) {
        if (!Holds(item, values)) return false;
    }
    return true;
}

}  // namespace ridov
