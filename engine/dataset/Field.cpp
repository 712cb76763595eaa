#include "engine/dataset/Field.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/dataset/DataSet.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// Boolean texts: true, false, or neither.
int ParseBoolean(std::string_view s) {
    std::string up = text::Upper(Trim(s));
    if (up == "TRUE" || up == "T" || up == "YES" || up == "Y" || up == "1" ||
        up == "\xC4\xC0" /* ДА */)
        return 1;
    if (up == "FALSE" || up == "F" || up == "NO" || up == "N" || up == "0" ||
        up == "\xCD\xC5\xD2" /* НЕТ */)
        return 0;
    return -1;
}

template <typename T>
void AssignNumber(std::string& out, T v) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    out.assign(buf, size_t(end - buf));
}

}  // namespace

Field::Field(DataType type, std::string name, FieldKind kind, int size)
    : name_(std::move(name)), type_(type), kind_(kind), size_(size) {
    if (type == DataType::SmallInt || type == DataType::Word || type == DataType::Integer ||
        type == DataType::LargeInt || type == DataType::Float || type == DataType::Currency ||
        type == DataType::AutoInc)
        alignment = Alignment::Right;
    currency = type == DataType::Currency;
}

Field::~Field() = default;

int Field::DisplayWidth() const {
    if (displayWidth_ > 0) return displayWidth_;
    switch (type_) {
        case DataType::String:
            return size_ > 0 ? size_ : 20;
        case DataType::Boolean:
            return 5;
        case DataType::Date:
        case DataType::Time:
            return 10;
        case DataType::DateTime:
            return 18;
        case DataType::SmallInt:
        case DataType::Word:
            return 6;
        case DataType::LargeInt:
            return 15;
        default:
            return 10;
    }
}

// ---- reading ----

const uint8_t* Field::ReadSlot() const {
    if (owner_ == nullptr || desc_ == nullptr) return nullptr;
    if (kind_ == FieldKind::Data) {
        const uint8_t* base = owner_->activeValues_;
        return base ? base + desc_->offset : nullptr;
    }
    const uint8_t* calc = owner_->activeCalc_;
    if (calc == nullptr || calc[desc_->offset - 1] == 0) return nullptr;
    return calc + desc_->offset;
}

bool Field::IsNull() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return true;
    // A calculated value is null only by its has-value byte: an empty text
    // assigned in OnCalcFields is a value.
    if (kind_ != FieldKind::Data) return false;
    switch (desc_->type) {
        case ftBlob:
        case ftMemo:
        case ftFmtMemo:
        case ftGraphic:
            return !slot::HasBlock(s);
        case ftString:
            return slot::TextPtr(s) == nullptr;
        case ftSmallStr:
        case ftDate:
        case ftDateTime:
        case ftInt64:
            return kind_ == FieldKind::Data && AllZero(s, desc_->slotSize);
        default:
            return false;
    }
}

std::string_view Field::AsBytes() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return {};
    if (IsBlobType(desc_->type)) return slot::Block(s);
    return AsStringView();
}

void Field::FormatInto(std::string& out) const {
    const uint8_t* s = ReadSlot();
    const text::FormatSettings& fs = owner_->Format();
    switch (desc_->type) {
        case ftSmallInt:
            AssignNumber(out, slot::Load<int16_t>(s));
            break;
        case ftInteger:
        case ftAutoInc:
            AssignNumber(out, slot::Load<int32_t>(s));
            break;
        case ftInt64:
            AssignNumber(out, slot::Load<int64_t>(s));
            break;
        case ftBoolean:
            out = slot::Load<int16_t>(s) != 0 ? "True" : "False";
            break;
        case ftDouble:
        case ftCurrency:
            out = text::FloatToStr(slot::Load<double>(s), fs);
            break;
        case ftDate:
            out = text::DateToStr(slot::Load<int32_t>(s), fs);
            break;
        case ftTime:
            out = text::TimeToStr(slot::Load<int32_t>(s), fs);
            break;
        case ftDateTime:
            out = text::DateTimeToStr(slot::Load<double>(s), fs);
            break;
        default:
            out.clear();
            break;
    }
}

std::string_view Field::AsStringView() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return {};
    switch (desc_->type) {
        case ftSmallStr: {
            const void* z = std::memchr(s, 0, size_t(desc_->declaredSize));
            size_t n = z ? size_t(static_cast<const uint8_t*>(z) - s) : size_t(desc_->declaredSize);
            return {reinterpret_cast<const char*>(s), n};
        }
        case ftString: {
            std::string_view t = slot::Text(s);
            if (desc_->declaredSize > 0 && t.size() > size_t(desc_->declaredSize))
                t = t.substr(0, size_t(desc_->declaredSize));
            return t;
        }
        case ftBlob:
        case ftMemo:
        case ftFmtMemo:
        case ftGraphic:
            return slot::Block(s);
        case ftDate:
        case ftDateTime:
        case ftInt64:
            if (IsNull()) return {};
            break;
        default:
            break;
    }
    FormatInto(scratch_);
    return scratch_;
}

std::string Field::AsString() const {
    return std::string(AsStringView());
}

void Field::ConvertError(std::string_view value, const char* what) const {
    throw DatabaseError("'" + std::string(value) + "' is not a valid " + what,
                        owner_ ? owner_->AsRidovDataset() : nullptr);
}

int64_t Field::AsLargeInt() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return 0;
    switch (desc_->type) {
        case ftSmallInt:
            return slot::Load<int16_t>(s);
        case ftBoolean:
            return slot::Load<int16_t>(s) != 0 ? 1 : 0;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
            return slot::Load<int32_t>(s);
        case ftInt64:
            return slot::Load<int64_t>(s);
        case ftDouble:
        case ftCurrency:
        case ftDateTime: {
            double d = slot::Load<double>(s);
            return std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<int64_t>(d) : 0;
        }
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            std::string_view t = Trim(AsStringView());
            int64_t v = 0;
            if (t.empty()) return 0;
            if (!text::TryStrToInt64(t, v)) ConvertError(t, "integer value");
            return v;
        }
        default:
            ConvertError(FieldName(), "integer value");
    }
}

double Field::AsFloat() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return 0;
    switch (desc_->type) {
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return slot::Load<double>(s);
        case ftDate:
            return double(slot::Load<int32_t>(s)) * text::kMsPerDay;
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            std::string_view t = Trim(AsStringView());
            double v = 0;
            if (t.empty()) return 0;
            if (!text::TryStrToFloat(t, v, owner_->Format()))
                ConvertError(t, "floating point value");
            return v;
        }
        default:
            return static_cast<double>(AsLargeInt());
    }
}

bool Field::AsBoolean() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return false;
    switch (desc_->type) {
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            std::string_view t = AsStringView();
            if (Trim(t).empty()) return false;
            int b = ParseBoolean(t);
            if (b < 0) ConvertError(t, "boolean value");
            return b == 1;
        }
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return slot::Load<double>(s) != 0;
        default:
            return AsLargeInt() != 0;
    }
}

double Field::AsDateTime() const {
    const uint8_t* s = ReadSlot();
    if (s == nullptr) return 0;
    switch (desc_->type) {
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            std::string_view t = Trim(AsStringView());
            double v = 0;
            if (t.empty()) return 0;
            if (!text::TryStrToDateTime(t, v, owner_->Format())) ConvertError(t, "date and time");
            return v;
        }
        case ftTime:
            return slot::Load<int32_t>(s);
        default:
            return AsFloat();
    }
}

Variant Field::AsVariant() const {
    if (IsNull()) return {};
    switch (desc_->type) {
        case ftBoolean:
            return AsBoolean();
        case ftSmallInt:
        case ftInteger:
        case ftInt64:
        case ftAutoInc:
            return AsLargeInt();
        case ftDouble:
        case ftCurrency:
            return AsFloat();
        case ftDate:
        case ftTime:
        case ftDateTime:
            return AsDateTime();
        default:
            return AsString();
    }
}

std::string Field::DisplayText() const {
    if (IsNull()) return {};
    if (displayFormat.empty()) return AsString();
    const text::FormatSettings& fs = owner_->Format();
    switch (desc_->type) {
        case ftSmallInt:
        case ftInteger:
        case ftInt64:
        case ftAutoInc:
        case ftDouble:
        case ftCurrency:
            return text::FormatFloat(displayFormat, AsFloat(), fs);
        case ftDate:
        case ftTime:
        case ftDateTime:
            return text::FormatDateTime(displayFormat, AsDateTime(), fs);
        case ftBoolean: {
            // "text for true;text for false"
            size_t semi = displayFormat.find(';');
            if (semi == std::string::npos) return AsString();
            return AsBoolean() ? displayFormat.substr(0, semi) : displayFormat.substr(semi + 1);
        }
        default:
            return AsString();
    }
}

Variant Field::OldValue() const {
    if (owner_ == nullptr || !owner_->Active()) return {};
    RecordNode* node = owner_->CurrentNode();
    // Reading only: the scope's values are writable for the states that edit.
    const uint8_t* before = node ? owner_->store_->BeforeImage(node) : nullptr;
    uint8_t* values = before ? const_cast<uint8_t*>(before) : node ? node->values : nullptr;
    DataSet::StateScope scope(*owner_, DataSetState::OldValue, values, owner_->activeCalc_);
    return AsVariant();
}

// ---- writing ----

uint8_t* Field::BeginWrite() {
    if (owner_ == nullptr || desc_ == nullptr)
        throw DatabaseError("Field '" + DisplayName() + "' is not bound to an open dataset");
    DataSet& ds = *owner_;
    DataSetState st = ds.state_;
    switch (st) {
        case DataSetState::Edit:
        case DataSetState::Insert:
        case DataSetState::SetKey:
        case DataSetState::CalcFields:
        case DataSetState::Filter:
        case DataSetState::NewValue:
        case DataSetState::InternalCalc:
            break;
        default:
            ds.Fail("Table is not in edit or insert mode");
    }
    if (kind_ != FieldKind::Data) {
        uint8_t* calc = ds.activeCalc_;
        if (calc == nullptr) ds.Fail("Table is not in edit or insert mode");
        calc[desc_->offset - 1] = 1;
        return calc + desc_->offset;
    }
    if (st == DataSetState::CalcFields) ds.Fail("Cannot edit CalcFields");
    bool internal = st == DataSetState::SetKey || st == DataSetState::Filter;
    if (!internal && readOnly && !ds.assigningDefaults_)
        ds.Fail("Field '" + DisplayName() + "' is read only!");
    // The store numbers auto-increment fields itself.
    if (!internal && desc_->type == ftAutoInc) return nullptr;
    if (ds.activeValues_ == nullptr) ds.Fail("Table is not in edit or insert mode");
    if (onValidate) onValidate(*this);
    return ds.activeValues_ + desc_->offset;
}

void Field::EndWrite() {
    DataSetState st = owner_->state_;
    if (st == DataSetState::SetKey || st == DataSetState::CalcFields || st == DataSetState::Filter)
        return;
    owner_->FieldChanged(*this);
}

void Field::StoreText(uint8_t* s, std::string_view value) {
    switch (desc_->type) {
        case ftSmallStr: {
            size_t n = std::min(value.size(), size_t(desc_->declaredSize));
            std::memset(s, 0, desc_->slotSize);
            std::memcpy(s, value.data(), n);
            break;
        }
        case ftString:
            slot::FreeText(s);
            if (desc_->declaredSize > 0 && value.size() > size_t(desc_->declaredSize))
                value = value.substr(0, size_t(desc_->declaredSize));
            if (!value.empty()) slot::SetHeapText(s, value);
            break;
        default:  // byte blocks
            slot::FreeBlock(s);
            slot::SetHeapBlock(s, value);
            break;
    }
}

void Field::Clear() {
    uint8_t* s = BeginWrite();
    if (s == nullptr) return;
    if (desc_->type == ftString) slot::FreeText(s);
    if (IsBlobType(desc_->type)) slot::FreeBlock(s);
    std::memset(s, 0, desc_->slotSize);
    if (kind_ != FieldKind::Data) s[-1] = 0;
    EndWrite();
}

void Field::SetAsLargeInt(int64_t v) {
    if (desc_ && (IsTextType(desc_->type) || desc_->type == ftMemo || desc_->type == ftFmtMemo)) {
        SetAsString(std::to_string(v));
        return;
    }
    if (desc_ && (desc_->type == ftBlob || desc_->type == ftGraphic))
        ConvertError(std::to_string(v), "BLOB value");
    uint8_t* s = BeginWrite();
    if (s == nullptr) return;
    switch (desc_->type) {
        case ftSmallInt:
            slot::Store<int16_t>(s, static_cast<int16_t>(v));
            break;
        case ftBoolean:
            slot::Store<int16_t>(s, v != 0 ? -1 : 0);
            break;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
            slot::Store<int32_t>(s, static_cast<int32_t>(v));
            break;
        case ftInt64:
            slot::Store<int64_t>(s, v);
            break;
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            slot::Store<double>(s, static_cast<double>(v));
            break;
        default:
            break;
    }
    EndWrite();
}

void Field::SetAsFloat(double v) {
    if (desc_ == nullptr) {
        BeginWrite();
        return;
    }
    switch (desc_->type) {
        case ftDouble:
        case ftCurrency:
        case ftDateTime: {
            uint8_t* s = BeginWrite();
            if (s == nullptr) return;
            slot::Store<double>(s, v);
            EndWrite();
            return;
        }
        case ftDate:
        case ftTime:
            SetAsDateTime(v);
            return;
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo:
            SetAsString(text::FloatToStr(v, owner_->Format()));
            return;
        default:
            if (!std::isfinite(v) || std::fabs(v) > 9.2e18)
                ConvertError(text::FloatToStr(v, owner_->Format()), "integer value");
            SetAsLargeInt(std::llround(v));
            return;
    }
}

void Field::SetAsBoolean(bool v) {
    if (desc_ && (IsTextType(desc_->type) || desc_->type == ftMemo || desc_->type == ftFmtMemo)) {
        SetAsString(v ? "True" : "False");
        return;
    }
    SetAsLargeInt(v ? 1 : 0);
}

void Field::SetAsDateTime(double v) {
    if (desc_ == nullptr) {
        BeginWrite();
        return;
    }
    switch (desc_->type) {
        case ftDate:
        case ftTime: {
            uint8_t* s = BeginWrite();
            if (s == nullptr) return;
            double day = std::floor(v / text::kMsPerDay);
            int32_t stored = desc_->type == ftDate
                                 ? static_cast<int32_t>(day)
                                 : static_cast<int32_t>(std::llround(v - day * text::kMsPerDay));
            slot::Store<int32_t>(s, stored);
            EndWrite();
            return;
        }
        case ftSmallStr:
        case ftString:
        case ftMemo:
        case ftFmtMemo:
            SetAsString(text::DateTimeToStr(v, owner_->Format()));
            return;
        default:
            SetAsFloat(v);
            return;
    }
}

void Field::SetAsBytes(std::string_view bytes) {
    if (desc_ && !IsBlobType(desc_->type)) {
        SetAsString(bytes);
        return;
    }
    uint8_t* s = BeginWrite();
    if (s == nullptr) return;
    StoreText(s, bytes);
    EndWrite();
}

void Field::SetAsString(std::string_view value) {
    if (desc_ == nullptr) {
        BeginWrite();
        return;
    }
    FieldType t = desc_->type;
    if (IsTextType(t) || IsBlobType(t)) {
        uint8_t* s = BeginWrite();
        if (s == nullptr) return;
        StoreText(s, value);
        EndWrite();
        return;
    }
    std::string_view v = Trim(value);
    if (v.empty()) {
        Clear();
        return;
    }
    const text::FormatSettings& fs = owner_->Format();
    switch (t) {
        case ftSmallInt:
        case ftInteger:
        case ftAutoInc: {
            int32_t n;
            if (!text::TryStrToInt(v, n) || (t == ftSmallInt && (n < INT16_MIN || n > INT16_MAX)))
                ConvertError(value, "integer value");
            SetAsLargeInt(n);
            return;
        }
        case ftInt64: {
            int64_t n;
            if (!text::TryStrToInt64(v, n)) ConvertError(value, "integer value");
            SetAsLargeInt(n);
            return;
        }
        case ftBoolean: {
            int b = ParseBoolean(v);
            if (b < 0) ConvertError(value, "boolean value");
            SetAsLargeInt(b);
            return;
        }
        case ftDouble:
        case ftCurrency: {
            double d;
            if (!text::TryStrToFloat(v, d, fs)) ConvertError(value, "floating point value");
            SetAsFloat(d);
            return;
        }
        case ftDate: {
            int32_t day;
            if (!text::TryStrToDate(v, day, fs)) ConvertError(value, "date");
            SetAsDateTime(double(day) * text::kMsPerDay);
            return;
        }
        case ftTime: {
            int32_t ms;
            if (!text::TryStrToTime(v, ms, fs)) ConvertError(value, "time");
            SetAsDateTime(ms);
            return;
        }
        case ftDateTime: {
            double d;
            if (!text::TryStrToDateTime(v, d, fs)) ConvertError(value, "date and time");
            SetAsFloat(d);
            return;
        }
        default:
            BeginWrite();
            return;
    }
}

void Field::SetAsVariant(const Variant& value) {
    switch (value.index()) {
        case 0:
            Clear();
            break;
        case 1:
            SetAsBoolean(std::get<bool>(value));
            break;
        case 2:
            SetAsLargeInt(std::get<int64_t>(value));
            break;
        case 3:
            SetAsFloat(std::get<double>(value));
            break;
        default:
            SetAsString(std::get<std::string>(value));
            break;
    }
}

std::unique_ptr<Field> CreateField(DataType type, std::string name, FieldKind kind, int size) {
    switch (type) {
        case DataType::SmallInt:
        case DataType::Word:
            return std::make_unique<SmallIntField>(std::move(name), kind);
        case DataType::Integer:
            return std::make_unique<IntegerField>(std::move(name), kind);
        case DataType::LargeInt:
            return std::make_unique<LargeIntField>(std::move(name), kind);
        case DataType::Boolean:
            return std::make_unique<BooleanField>(std::move(name), kind);
        case DataType::Float:
            return std::make_unique<FloatField>(std::move(name), kind);
        case DataType::Currency:
            return std::make_unique<CurrencyField>(std::move(name), kind);
        case DataType::Date:
            return std::make_unique<DateField>(std::move(name), kind);
        case DataType::Time:
            return std::make_unique<TimeField>(std::move(name), kind);
        case DataType::DateTime:
            return std::make_unique<DateTimeField>(std::move(name), kind);
        case DataType::AutoInc:
            return std::make_unique<AutoIncField>(std::move(name), kind);
        case DataType::String:
            return std::make_unique<StringField>(std::move(name), kind, size);
        case DataType::Blob:
            return std::make_unique<BlobField>(std::move(name), kind);
        case DataType::Memo:
            return std::make_unique<MemoField>(std::move(name), kind);
        case DataType::FmtMemo:
            return std::make_unique<FmtMemoField>(std::move(name), kind);
        case DataType::Graphic:
            return std::make_unique<GraphicField>(std::move(name), kind);
        case DataType::Unknown:
            break;
    }
    return std::make_unique<Field>(type, std::move(name), kind, size);
}

}  // namespace ridov
