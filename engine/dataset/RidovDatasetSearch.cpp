// Searches over the view of a TRidovDataset: Locate and Lookup by key
// values, FindRecord by the filter predicate, FindByText for incremental
// search, and the key search that also re-finds the current record after a
// refresh.
//
// A key search without options converts the key values into the kiLookup
// buffer and compares stored values as the record store orders them. When
// the view is sorted case-sensitively by an index whose leading fields are
// exactly the key fields, equal keys are adjacent and in order, so a binary
// search finds the lowest match; otherwise the view is scanned from the
// first record.
#include <cmath>
#include <cstring>

#include "engine/dataset/RidovDataset.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

bool IsDateType(FieldType t) {
    return t == ftDate || t == ftTime || t == ftDateTime;
}

// Key fields `keys` are IndexFieldNames or a leading part of it ending at
// a ";", ignoring case.
bool LeadsIndex(std::string_view keys, std::string_view index) {
    if (keys.empty() || keys.size() > index.size()) return false;
    for (size_t i = 0; i < keys.size(); ++i)
        if (text::UpperChar(keys[i]) != text::UpperChar(index[i])) return false;
    return keys.size() == index.size() || index[keys.size()] == ';';
}

bool EqualUpper(std::string_view text, std::string_view upper) {
    for (size_t i = 0; i < upper.size(); ++i)
        if (text::UpperChar(text[i]) != upper[i]) return false;
    return true;
}

// `text` contains `upper` (already upper-cased), ignoring case; at its
// start only with prefixOnly.
bool ContainsUpper(std::string_view text, std::string_view upper, bool prefixOnly) {
    if (upper.size() > text.size()) return false;
    if (prefixOnly) return EqualUpper(text, upper);
    for (size_t at = 0; at + upper.size() <= text.size(); ++at)
        if (EqualUpper(text.substr(at), upper)) return true;
    return false;
}

// One key field of a by-value Locate: the record's field (read in the
// Filter state) against the search value, converted to the search value's
// type.
bool ValueMatches(const Field& f, const Variant& wanted, const std::string& wantedText,
                  TLocateOptions options) {
    if (IsNull(wanted) || f.IsNull()) return false;
    if (f.Type() == DataType::String) {
        std::string_view value = f.AsStringView();
        bool partial = (options & loPartialKey) != 0;
        if (partial ? value.size() < wantedText.size() : value.size() != wantedText.size())
            return false;
        if (options & loCaseInsensitive) return EqualUpper(value, wantedText);
        return value.substr(0, wantedText.size()) == wantedText;
    }
    FieldType t = f.StoreField()->type;
    switch (wanted.index()) {
        case 1:
            return f.AsBoolean() == std::get<bool>(wanted);
        case 2: {
            int64_t v = std::get<int64_t>(wanted);
            if (IsDateType(t)) return std::nearbyint(f.AsDateTime()) == double(v);
            if (t == ftDouble || t == ftCurrency) return std::nearbyint(f.AsFloat()) == double(v);
            return f.AsLargeInt() == v;
        }
        case 3: {
            double v = std::get<double>(wanted);
            return (IsDateType(t) ? f.AsDateTime() : f.AsFloat()) == v;
        }
        default:
            return f.AsStringView() == wantedText;
    }
}

}  // namespace

void TRidovDataset::MoveToFound(int index) {
    SetCurrentIndex(index);
    bof_ = eof_ = false;
    NotifyLinks(DataEvent::DataSetScroll);
    Fire(afterScroll);
}

int TRidovDataset::SearchLookupKey(std::string_view keyFieldNames) const {
    const TRidovKeyBuffer& key = keys_[kiLookup];
    const uint8_t* wanted = key.values.Data();
    if (wanted == nullptr || key.storeFields.empty()) return -1;
    bool binary = sorted_ && (sortOptions_ & vsoCaseInsensitive) == 0 &&
                  LeadsIndex(keyFieldNames, indexFieldNames_);
    if (binary) {
        bool descend = (sortOptions_ & vsoDescendSort) != 0;
        long low = 0, high = long(view_.size()) - 1, found = -1;
        while (low <= high) {
            long middle = (low + high) / 2;
            int r = TRidovCursor::CompareRecords(view_[size_t(middle)]->values, wanted,
                                                 key.storeFields);
            if (descend ? r > 0 : r < 0) {
                low = middle + 1;
            } else {
                high = middle - 1;
                if (r == 0) found = middle;
            }
        }
        return static_cast<int>(found);
    }
    for (size_t i = 0; i < view_.size(); ++i)
        if (TRidovCursor::CompareRecords(view_[i]->values, wanted, key.storeFields) == 0)
            return static_cast<int>(i);
    return -1;
}

void TRidovDataset::StoreKeyValue(TRidovKeyBuffer& key, size_t i, const Variant& value) {
    if (IsNull(value)) return;
    if (const std::string* s = std::get_if<std::string>(&value)) {
        if (s->empty()) return;
        const TRidovField& f = *key.storeFields[i];
        store_->TextToValue(key.values.Data() + f.offset, *s, f);
        return;
    }
    const TRidovField& f = *key.storeFields[i];
    if (IsDateType(f.type) && !std::holds_alternative<bool>(value)) {
        // Dates travel as numbers in the engine's date-time unit; their text
        // form would not read back as a date.
        double dateTime = std::holds_alternative<double>(value) ? std::get<double>(value)
                                                                : double(std::get<int64_t>(value));
        StateScope scope(*this, DataSetState::SetKey, key.values.Data(), nullptr);
        key.fields[i]->SetAsDateTime(dateTime);
        return;
    }
    store_->TextToValue(key.values.Data() + f.offset, VariantText(value, Format()), f);
}

int TRidovDataset::LocateIndex(std::string_view keyFields, const std::vector<Variant>& keyValues,
                               TLocateOptions options) {
    BuildKeyList(kiLookup, keyFields);
    TRidovKeyBuffer& key = keys_[kiLookup];
    size_t fieldCount = key.storeFields.size();
    if (fieldCount == 0) return -1;
    // A single value stands for every key field.
    auto valueFor = [&](size_t i) -> const Variant& {
        static const Variant kNull;
        if (keyValues.size() == 1) return keyValues[0];
        return i < keyValues.size() ? keyValues[i] : kNull;
    };

    if (options != 0) {
        std::vector<std::string> texts(fieldCount);
        for (size_t i = 0; i < fieldCount; ++i) {
            texts[i] = VariantText(valueFor(i), Format());
            if (options & loCaseInsensitive) text::UpperInPlace(texts[i]);
        }
        for (size_t r = 0; r < view_.size(); ++r) {
            StateScope scope(*this, DataSetState::Filter, view_[r]->values, nullptr);
            bool match = true;
            for (size_t i = 0; i < fieldCount && match; ++i)
                match = ValueMatches(*key.fields[i], valueFor(i), texts[i], options);
            if (match) return static_cast<int>(r);
        }
        return -1;
    }

    // Element i goes to key field i; fields without a value keep the empty
    // value and still take part in the comparison.
    size_t n = std::min(fieldCount, keyValues.size());
    for (size_t i = 0; i < n; ++i) StoreKeyValue(key, i, keyValues[i]);
    return SearchLookupKey(keyFields);
}

bool TRidovDataset::Locate(std::string_view keyFields, const std::vector<Variant>& keyValues,
                           TLocateOptions options) {
    if (!Active() || view_.empty() || keyFields.empty() || keyValues.empty() ||
        (keyValues.size() == 1 && IsNull(keyValues[0])))
        return false;
    CheckBrowseMode();
    Fire(beforeScroll);
    int index = LocateIndex(keyFields, keyValues, options);
    if (index < 0) return false;
    MoveToFound(index);
    return true;
}

bool TRidovDataset::Locate(std::string_view keyFields, const Variant& keyValue,
                           TLocateOptions options) {
    return Locate(keyFields, std::vector<Variant>{keyValue}, options);
}

std::vector<Variant> TRidovDataset::LookupValues(std::string_view keyFields,
                                                 const std::vector<Variant>& keyValues,
                                                 std::string_view resultFields) {
    std::vector<Field*> results;
    if (Active()) GetFieldList(resultFields, results);
    std::vector<Variant> out(results.size());
    if (!Active() || view_.empty() || keyFields.empty() || keyValues.empty() ||
        (keyValues.size() == 1 && IsNull(keyValues[0])))
        return out;
    int index = LocateIndex(keyFields, keyValues, 0);
    if (index < 0) return out;
    // Read without moving: the current record and the state stay.
    ForRecordAt(index, [&] {
        for (size_t i = 0; i < results.size(); ++i) out[i] = results[i]->AsVariant();
    });
    return out;
}

Variant TRidovDataset::Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues,
                              std::string_view resultField) {
    std::vector<Variant> values = LookupValues(keyFields, keyValues, resultField);
    return values.size() == 1 ? values[0] : Variant();
}

bool TRidovDataset::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    Fire(beforeScroll);
    found_ = false;
    const int count = static_cast<int>(view_.size());
    const int step = goForward ? 1 : -1;
    const int start = restart ? (goForward ? 0 : count - 1) : CurrentIndex() + step;
    int index = -1;
    if (filtered_) {
        // The view holds only passing records: a find is a move.
        if (start >= 0 && start < count) index = start;
    } else {
        bool useText = !filter_.empty();
        if (useText) PrepareFilter();
        for (int i = start; i >= 0 && i < count; i += step) {
            RecordNode* node = view_[size_t(i)];
            if (useText && !FilterConditionsHold(node)) continue;
            if (onFilterRecord) {
                bool accept = true;
                StateScope scope(*this, DataSetState::Filter, node->values, nullptr);
                onFilterRecord(*this, accept);
                if (!accept) continue;
            }
            index = i;
            break;
        }
    }
    if (index < 0) {
        if (goForward) {
            eof_ = true;
        } else {
            bof_ = true;
        }
        return false;
    }
    found_ = true;
    MoveToFound(index);
    return true;
}

bool TRidovDataset::FindByText(std::string_view fieldNames, std::string_view texts, bool fromStart,
                               bool prefixOnly) {
    if (fieldNames.empty() || texts.empty() || store_ == nullptr || !Active()) return false;
    std::vector<TRidovField*> fields;
    store_->FieldList(fieldNames, fields);
    std::vector<std::string> wanted;
    while (!texts.empty()) {
        size_t tab = texts.find('\t');
        wanted.push_back(text::Upper(texts.substr(0, tab)));
        texts = tab == std::string_view::npos ? std::string_view() : texts.substr(tab + 1);
    }
    if (wanted.empty() || wanted.size() != fields.size()) return false;
    for (const std::string& w : wanted)
        if (w.empty()) return false;  // an empty text never matches
    // Moving under a pending edit would post the edit buffer into the record
    // moved to; end it as every other move does.
    if (IsEditing(State())) CheckBrowseMode();
    std::string scratch;
    size_t from = fromStart ? 0 : size_t(std::max(CurrentIndex() + 1, 0));
    for (size_t r = from; r < view_.size(); ++r) {
        const uint8_t* values = view_[r]->values;
        bool match = true;
        for (size_t i = 0; i < fields.size() && match; ++i)
            match = ContainsUpper(store_->ValueText(*fields[i], values, scratch), wanted[i],
                                  prefixOnly);
        if (match) {
            Fire(beforeScroll);
            MoveToFound(static_cast<int>(r));
            return true;
        }
    }
    return false;
}

}  // namespace ridov
