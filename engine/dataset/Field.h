// Field objects: one per column of an open dataset (data fields) plus the
// calculated and lookup fields the application adds. A field reads and
// writes the slot of its column in the record its dataset's state selects
// (see DataSetState.h), so reading a field never copies a record.
//
// Ownership: the dataset owns its fields. Data fields the dataset creates
// automatically when it opens are destroyed when it closes; fields added by
// the application (AddField, AddCalculatedField, AddLookupField) live as
// long as the dataset. A Field pointer obtained from an open dataset is
// therefore valid until the dataset closes.
//
// Null rules (what IsNull reports for a data field):
//   BLOB, Memo, FmtMemo, Graphic   null unless a block of at least 1 byte
//   String (engine String)         null when no text is held
//   SmallStr, Date, DateTime, LargeInt   null when the slot is all zero
//   SmallInt, Integer, Boolean, Float, Currency, Time, AutoInc
//                                  never null: an all-zero slot is 0/false
//   calculated and lookup fields   their has-value flag
// Without an active record (closed, or an empty view while browsing) every
// field is null.
//
// Thread safety: single-threaded, like the dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/dataset/FieldDef.h"
#include "engine/dataset/Variant.h"
#include "engine/storage/RidovField.h"

namespace ridov {

class DataSet;

enum class FieldKind : uint8_t { Data, Calculated, Lookup };
enum class Alignment : uint8_t { Left, Right, Center };

class Field {
  public:
    Field(DataType type, std::string name, FieldKind kind = FieldKind::Data, int size = 0);
    virtual ~Field();
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    // ---- identity ----
    const std::string& FieldName() const { return name_; }
    DataType Type() const { return type_; }
    FieldKind Kind() const { return kind_; }
    bool IsCalculated() const { return kind_ != FieldKind::Data; }
    bool IsBlob() const { return IsBlobDataType(type_); }
    // Declared size of string fields; 0 for the rest.
    int Size() const { return size_; }
    // Position in the dataset's field list; -1 when not in one.
    int Index() const { return index_; }
    DataSet* Owner() const { return owner_; }
    // The record-store descriptor of a bound data field (null otherwise).
    const TRidovField* StoreField() const { return kind_ == FieldKind::Data ? desc_ : nullptr; }

    // ---- presentation ----
    // The label, or the field name when none is set.
    const std::string& DisplayLabel() const { return label_.empty() ? name_ : label_; }
    void SetDisplayLabel(std::string label) { label_ = std::move(label); }
    // DisplayLabel; used in messages.
    const std::string& DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    // A FormatFloat pattern for numeric fields, a FormatDateTime pattern for
    // dates and times; empty means the plain text.
    std::string displayFormat;
    Alignment alignment = Alignment::Left;
    bool visible = true;
    bool readOnly = false;
    bool required = false;
    intptr_t tag = 0;
    // Default for new records; when empty the store's default applies.
    std::string defaultExpression;
    std::string origin;
    // Currency fields format as money; set for Currency types.
    bool currency = false;

    // ---- lookup definition (Kind() == Lookup) ----
    // For each record, the record of lookupDataSet whose lookupKeyFields
    // equal this dataset's keyFields gives lookupResultField.
    DataSet* lookupDataSet = nullptr;
    std::string keyFields;
    std::string lookupKeyFields;
    std::string lookupResultField;

    // ---- events ----
    // Before a value is stored; may throw to refuse it.
    std::function<void(Field&)> onValidate;
    // After a value was stored (edit and insert states).
    std::function<void(Field&)> onChange;

    // ---- reading ----
    bool IsNull() const;
    // Plain text: decimal numbers, FloatToStr for floats, "True"/"False",
    // the locale's short date / time / date-time; empty for null.
    std::string AsString() const;
    // The same without allocating once warmed up: text fields point into the
    // record; other types are formatted into a buffer of the field. Valid
    // until the next call on this field or the next change of the record.
    std::string_view AsStringView() const;
    // Numbers of any numeric type (floats truncated toward zero, booleans
    // 1/0, texts parsed); null reads 0. A text that is no number throws.
    int32_t AsInteger() const { return static_cast<int32_t>(AsLargeInt()); }
    int64_t AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    // Engine date-time unit (day number * 86400000 + ms); a date field gives
    // its day at midnight, a time field its milliseconds.
    double AsDateTime() const;
    Variant AsVariant() const;
    // The text shown to the user: with displayFormat applied when set.
    std::string DisplayText() const;
    // The value the record had before its first change since the last
    // commit (the before-image), or the current value when unchanged.
    Variant OldValue() const;
    // Raw bytes of a BLOB-type field (empty when null).
    std::string_view AsBytes() const;

    // ---- writing (edit, insert and the internal states only) ----
    // Each setter converts to the field's type; a text that does not
    // convert throws DatabaseError naming the text. Empty text stores null.
    void SetAsString(std::string_view value);
    void SetAsInteger(int64_t value) { SetAsLargeInt(value); }
    void SetAsLargeInt(int64_t value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(double value);
    void SetAsVariant(const Variant& value);
    void SetAsBytes(std::string_view bytes);
    void Clear();  // null

  private:
    friend class DataSet;

    const uint8_t* ReadSlot() const;
    // Checks the state and rules, returns the slot to write or null when
    // the write is to be skipped silently.
    uint8_t* BeginWrite();
    void EndWrite();
    void StoreText(uint8_t* slot, std::string_view text);
    void FormatInto(std::string& out) const;
    [[noreturn]] void ConvertError(std::string_view text, const char* what) const;

    std::string name_;
    DataType type_;
    FieldKind kind_;
    int size_;
    int index_ = -1;
    DataSet* owner_ = nullptr;
    bool autoCreated_ = false;
    std::string label_;
    int displayWidth_ = 0;
    // Data fields: the store's descriptor. Calculated and lookup fields: a
    // descriptor of their own placing the value in the calculation area,
    // with the has-value byte just before the slot.
    const TRidovField* desc_ = nullptr;
    TRidovField calcDesc_;
    mutable std::string scratch_;
};

// Typed field classes: the type is fixed by the class, so code can test a
// field's kind with dynamic_cast and construct persistent fields by type.
#define RIDOV_TYPED_FIELD(ClassName, Type)                                                   \
    class ClassName : public Field {                                                         \
      public:                                                                                \
        explicit ClassName(std::string name, FieldKind kind = FieldKind::Data, int size = 0) \
            : Field(Type, std::move(name), kind, size) {}                                    \
    };
RIDOV_TYPED_FIELD(SmallIntField, DataType::SmallInt)
RIDOV_TYPED_FIELD(IntegerField, DataType::Integer)
RIDOV_TYPED_FIELD(LargeIntField, DataType::LargeInt)
RIDOV_TYPED_FIELD(BooleanField, DataType::Boolean)
RIDOV_TYPED_FIELD(FloatField, DataType::Float)
RIDOV_TYPED_FIELD(CurrencyField, DataType::Currency)
RIDOV_TYPED_FIELD(DateField, DataType::Date)
RIDOV_TYPED_FIELD(TimeField, DataType::Time)
RIDOV_TYPED_FIELD(DateTimeField, DataType::DateTime)
RIDOV_TYPED_FIELD(AutoIncField, DataType::AutoInc)
RIDOV_TYPED_FIELD(StringField, DataType::String)
RIDOV_TYPED_FIELD(BlobField, DataType::Blob)
RIDOV_TYPED_FIELD(MemoField, DataType::Memo)
RIDOV_TYPED_FIELD(FmtMemoField, DataType::FmtMemo)
RIDOV_TYPED_FIELD(GraphicField, DataType::Graphic)
#undef RIDOV_TYPED_FIELD

// A new field object of the class for `type`.
std::unique_ptr<Field> CreateField(DataType type, std::string name,
                                   FieldKind kind = FieldKind::Data, int size = 0);

}  // namespace ridov
