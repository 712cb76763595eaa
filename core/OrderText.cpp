#include "core/OrderText.h"

#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/FileExtension.h"
#include "core/OrderFiles.h"
#include "core/TextTable.h"
#include "core/WriteTarget.h"
#include "engine/dataset/RidovTable.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/TextRecords.h"
#include "engine/text/FormatSettings.h"
#include "engine/text/TabText.h"
#include "platform/MemoryRegion.h"
#include "platform/Platform.h"

namespace core {

namespace {

// "'<value>' is not a valid <kind> value for field '<name>'", built by
// appends (a chain of + here trips a false overlap warning of the compiler).
std::string NotValidValue(std::string_view value, const char* kind, const ridov::Field& field) {
    std::string message = "'";
    message.append(value);
    message.append("' is not a valid ").append(kind).append(" value for field '");
    message.append(field.FieldName()).append("'");
    return message;
}

// Assigns one text value to a field of the record being inserted. Returns
// an empty string on success, else the conversion's message.
std::string AssignText(ridov::Field& field, std::string_view value,
                       const text::FormatSettings& fs) {
    using ridov::DataType;
    switch (field.Type()) {
        case DataType::String: {
            // The text ends at a NUL byte and is cut to the field's size.
            if (const void* nul = std::memchr(value.data(), 0, value.size()))
                value = value.substr(0, size_t(static_cast<const char*>(nul) - value.data()));
            if (field.Size() > 0 && value.size() > size_t(field.Size()))
                value = value.substr(0, size_t(field.Size()));
            if (!value.empty()) field.SetAsString(value);
            return {};
        }
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::LargeInt: {
            if (value.empty()) return {};
            std::string_view t = text::TrimLeftBlanks(value);
            int64_t n = 0;
            bool ok = text::TryStrToInt64(t, n);
            if (ok && field.Type() == DataType::SmallInt) ok = n >= INT16_MIN && n <= INT16_MAX;
            if (ok && field.Type() == DataType::Integer) ok = n >= INT32_MIN && n <= INT32_MAX;
            if (!ok) return NotValidValue(value, "integer", field);
            field.SetAsLargeInt(n);
            return {};
        }
        case DataType::Float:
        case DataType::Currency: {
            if (value.empty()) return {};
            double d = 0;
            if (!text::TryStrToFloat(text::TrimBlanks(value), d, fs))
                return NotValidValue(value, "floating point", field);
            field.SetAsFloat(d);
            return {};
        }
        default:
            try {
                field.SetAsString(value);
            } catch (const ridov::DatabaseError& e) {
                return e.what();
            }
            return {};
    }
}

}  // namespace

void CopyFileDate(const std::string& source, const std::string& target) {
    platform::Platform& os = platform::CurrentPlatform();
    std::optional<int64_t> time = os.ModificationTime(source);
    if (!time || !os.FileExists(target)) return;
    os.SetModificationTime(target, *time);
}

namespace {

// The field that holds a record's code: "ID", else the first one.
ridov::Field* CodeField(const std::vector<ridov::Field*>& fields) {
    for (ridov::Field* f : fields)
        if (f->FieldName() == "ID") return f;
    return fields.empty() ? nullptr : fields.front();
}

// A price list of records without codes is no catalog.
TextFormatError NoCodedRecordError() {
    return TextFormatError("The price list holds no record with a code: Invalid text format");
}

// The questions of one import about values that do not convert, asked
// until the user answers All; No stops the import.
class IgnoreQuestions {
  public:
    explicit IgnoreQuestions(const AskIgnoreError& ask) : ask_(ask) {}
    void Ask(const std::string& message) {
        if (all_) return;
        const IgnoreAnswer answer =
            ask_ ? ask_("Error during insert value:\n" + message + "\n\nIgnore error?")
                 : IgnoreAnswer::No;
        if (answer == IgnoreAnswer::No) throw ImportStopped();
        all_ = answer == IgnoreAnswer::All;
    }

  private:
    const AskIgnoreError& ask_;
    bool all_ = false;
};

// The whole import without the dataset, when the table's fields are all
// of kinds ridov::MakeTextRecords fills and nothing of the dataset's acts
// on a new record (no defaults, no auto-increment): the text becomes the
// table image directly, in pieces side by side. The same file, questions
// and errors as record by record. False when the table does not qualify.
bool ImportDirectly(ridov::TRidovTable& table, const std::vector<ridov::Field*>& fields,
                    const ridov::Field* code, std::string_view text, const AskIgnoreError& ask,
                    const ImportProgress& progress, bool priceList) {
    ridov::TRidovCursor* store = table.Cursor();
    if (store == nullptr || int(fields.size()) != store->FieldCount() ||
        (table.saveOptions & ridov::savSortOnIndex))
        return false;
    std::vector<const ridov::TRidovField*> storeFields;
    int codeIndex = -1;
    for (size_t i = 0; i < fields.size(); ++i) {
        const ridov::TRidovField* f = fields[i]->StoreField();
        if (f == nullptr || f != store->FieldAt(int(i)) || !f->defaultExpr.empty() ||
            !fields[i]->defaultExpression.empty() || fields[i]->readOnly)
            return false;
        if (fields[i] == code) codeIndex = int(i);
        storeFields.push_back(f);
    }
    std::string message;
    if (!ridov::CanMakeTextRecords(storeFields) || !store->CanWriteImage(message) ||
        (codeIndex >= 0 && !ridov::IsTextType(storeFields[size_t(codeIndex)]->type)))
        return false;

    std::vector<uint8_t> head;
    ridov::TRidovCursor::ImageSeal seal;
    store->WriteImageHead(head, seal);
    ridov::TextRecords made;
    ridov::MakeTextRecords(text, storeFields, codeIndex, table.Format(), head, made, progress);
    IgnoreQuestions questions(ask);
    for (const std::string& refusal : made.refusals) questions.Ask(refusal);
    if (made.badLine != 0) throw LoneCrError(made.badLine);
    if (priceList && made.coded == 0) throw NoCodedRecordError();
    if (made.records > 0) {
        std::span<uint8_t> image(made.image.data(), made.imageSize);
        store->SealImage(image, seal, static_cast<int32_t>(made.records));
        if (!store->WriteImageFile(table.FullTableName(), table.saveOptions, image, message))
            throw ridov::DatabaseError(message, &table);
    }
    return true;
}

void ImportText(const std::string& tablePath, const std::string& textPath,
                const AskIgnoreError& ask, const ImportProgress& progress, bool priceList) {
    // The text is read whole before the table is written, but a table
    // written over its own text would still lose what the text was.
    core::CheckConversionTarget(textPath, tablePath);
    platform::RegionBuffer bytes;
    std::string error;
    ridov::TRidovTable table;
    table.SetTableName(tablePath);
    table.Open();
    table.EmptyTable();
    if (!platform::CurrentPlatform().ReadWholeFile(textPath, bytes, error))
        throw ridov::DatabaseError(error, nullptr);
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A price list is text: a NUL byte means a binary file (or a text in a
    // wide encoding), whose "records" would replace the catalog.
    if (priceList && text.find('\0') != std::string_view::npos)
        throw TextFormatError("The price list holds NUL bytes: Invalid text format");

    const std::vector<ridov::Field*>& all = table.Fields();
    std::vector<ridov::Field*> fields;
    for (ridov::Field* f : all)
        if (!f->IsCalculated()) fields.push_back(f);
    ridov::Field* code = CodeField(fields);
    if (ImportDirectly(table, fields, code, text, ask, progress, priceList)) {
        table.Close();
        CopyFileDate(textPath, tablePath);
        return;
    }
    long long coded = 0;
    const text::FormatSettings& fs = table.Format();
    IgnoreQuestions questions(ask);
    long long records = 0;
    ReadTextTable(text, [&](std::span<const std::string_view> values) {
        table.Append();
        size_t n = std::min(values.size(), fields.size());
        for (size_t i = 0; i < n; ++i) {
            const std::string message = AssignText(*fields[i], values[i], fs);
            if (!message.empty()) questions.Ask(message);
        }
        if (code != nullptr && !code->IsNull() && !code->AsString().empty()) ++coded;
        table.Post();
        if (progress && (++records & 0x3FFF) == 0)
            progress(
                static_cast<long long>(values.empty() ? 0 : values.back().data() - text.data()),
                static_cast<long long>(text.size()));
    });
    // Blank lines or a file of something else give records without codes;
    // a catalog made of them is no catalog.
    if (priceList && coded == 0) throw NoCodedRecordError();
    table.SaveChanges();
    table.Close();
    CopyFileDate(textPath, tablePath);
}

}  // namespace

void ImportTextIntoTable(const std::string& tablePath, const std::string& textPath,
                         const AskIgnoreError& ask, const ImportProgress& progress) {
    ImportText(tablePath, textPath, ask, progress, false);
}

void ImportPriceListIntoTable(const std::string& tablePath, const std::string& textPath,
                              const AskIgnoreError& ask, const ImportProgress& progress) {
    ImportText(tablePath, textPath, ask, progress, true);
}

std::string ImportOrderFromText(const std::string& textPath, const std::string& orderPath,
                                const std::string& settingsFile,
                                const std::string& catalogTableName, const AskIgnoreError& ask) {
    std::string path = orderPath.empty() ? ChangeFileExt(textPath, ".zv") : orderPath;
    // "-k Z.zv" names the order path the text path: the new, empty order
    // file would replace the text before it is read.
    core::CheckConversionTarget(textPath, path);
    CreateOrderFile(path, settingsFile, catalogTableName);
    ImportTextIntoTable(path, textPath, ask);
    return path;
}

void ExportTableToText(const std::string& tablePath, const std::string& textPath, char delimiter) {
    core::CheckConversionTarget(tablePath, textPath);
    ridov::TRidovTable table;
    table.SetTableName(tablePath);
    table.Open();
    table.ExportToText(textPath, delimiter);
    table.Close();
    CopyFileDate(tablePath, textPath);
}

}  // namespace core
