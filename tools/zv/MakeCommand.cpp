// zv make [-p PASSWORD] [-c COMMENT_FILE] FILE FIELDS: builds a table from a
// field list and records read from standard input, and writes FILE.
//
// FIELDS is "NAME:TYPE;NAME:TYPE;..." where TYPE is the type part of a
// field description entry (letter, size digits, optional ~default~extra).
// Each input line is one record: values separated by TAB, with the tool's
// escapes; byte fields are given in hexadecimal.
#include <cstring>
#include <istream>
#include <ostream>

#include "engine/dataset/RidovTable.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "engine/storage/ValueBuffer.h"
#include "engine/storage/ValueSlot.h"
#include "platform/Platform.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

namespace {

struct FieldSpec {
    std::string name;  // Windows-1251, spaces already turned into '_'
    std::string type;  // the type part of a description entry
};

std::vector<FieldSpec> ParseFields(const std::string& fieldsArg) {
    std::vector<FieldSpec> out;
    std::string_view rest = fieldsArg;
    while (!rest.empty()) {
        size_t semi = rest.find(';');
        std::string_view item = rest.substr(0, semi);
        rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
        if (item.empty()) continue;
        size_t colon = item.find(':');
        if (colon == std::string_view::npos || colon == 0 || colon + 1 == item.size()) {
            throw ToolError("bad field \"" + std::string(item) + "\": expected NAME:TYPE");
        }
        FieldSpec f{FromTerminal(std::string(item.substr(0, colon))),
                    FromTerminal(std::string(item.substr(colon + 1)))};
        for (char& c : f.name)
            if (c == ' ') c = '_';
        out.push_back(std::move(f));
    }
    if (out.empty()) throw ToolError("no fields given");
    return out;
}

// The field definition that a table built from definitions turns back into
// exactly this type text, if there is one: no default or extra text, and a
// string whose letter is the one its size gets (a size letter up to 35,
// "s" and digits above).
bool AsDefinition(const std::string& type, ridov::DataType& dataType, int& size) {
    if (type.find('~') != std::string::npos) return false;
    ridov::FieldType engineType;
    if (type[0] == 's') {
        if (type.size() == 1 || type.find_first_not_of("0123456789", 1) != std::string::npos)
            return false;
        size = std::stoi(type.substr(1, 6));
        if (size <= ridov::kMaxSmallStrSize || type != std::string("s") + std::to_string(size))
            return false;
        dataType = ridov::DataType::String;
        return true;
    }
    if (type.size() != 1 || !ridov::FieldTypeFromLetter(type[0], engineType, size)) return false;
    dataType = ridov::DataTypeOf(engineType);
    return true;
}

// The image of an empty table whose fields are declared by `fields`, for
// field lists that definitions cannot express.
std::vector<uint8_t> EmptyImage(const std::vector<FieldSpec>& fields) {
    std::vector<ridov::TRidovField> declared(fields.size());
    std::string message;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!ridov::ParseDescriptionEntry("XXX." + fields[i].name + " " + fields[i].type,
                                          declared[i], message)) {
            throw ToolError("bad field type \"" + ToTerminal(fields[i].type) + "\" for field " +
                            ToTerminal(fields[i].name) + ": " + message);
        }
    }
    std::vector<uint8_t> image;
    if (!ridov::EmptyTableImage(declared, image, message)) throw ToolError(ToTerminal(message));
    return image;
}

// Reads records from `in` into the store, one per line.
void PostRecords(ridov::TRidovCursor& store, std::istream& in) {
    ridov::ValueBuffer buffer(store.Layout());
    std::string line, message;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string record = FromTerminal(line);
        buffer.Clear();
        std::string_view rest = record;
        for (int i = 0; i < store.FieldCount(); ++i) {
            size_t tab = rest.find('\t');
            std::string value = Unescape(rest.substr(0, tab));
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
            const ridov::TRidovField& f = *store.FieldAt(i);
            uint8_t* s = buffer.Data() + f.offset;
            if (ridov::IsBlobType(f.type)) {
                std::string bytes;
                if (!FromHex(value, bytes)) {
                    throw ToolError("bad hexadecimal value for field " + ToTerminal(f.name));
                }
                ridov::slot::FreeBlock(s);
                ridov::slot::SetHeapBlock(s, bytes);
            } else {
                store.TextToValue(s, value, f);
            }
        }
        if (!store.PostRecord(buffer.Data(), nullptr, message))
            throw ToolError(ToTerminal(message));
    }
}

}  // namespace

int RunMake(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"-p", "-c"});
    if (a.positional.size() != 2) {
        throw ToolError("usage: zv make [-p PASSWORD] [-c COMMENT_FILE] FILE FIELDS");
    }
    const std::string& file = a.positional[0];
    std::vector<FieldSpec> fields = ParseFields(a.positional[1]);

    // A new table is built from field definitions, as the program builds
    // its order files. Types that definitions cannot express exactly
    // (defaults, extra texts, a string letter other than the one its size
    // gets) come from an empty image with the description as given.
    ridov::TRidovTable table;
    table.SetFormat(text::FormatSettings::Machine());
    bool fromDefinitions = true;
    for (const FieldSpec& f : fields) {
        ridov::DataType type;
        int size = 0;
        if (!AsDefinition(f.type, type, size)) fromDefinitions = false;
        if (fromDefinitions) table.Defs().Add(f.name, type, size);
    }
    ridov::ByteStream stream;
    if (!fromDefinitions) {
        stream.bytes = EmptyImage(fields);
        table.loadStream = &stream;
        table.SetLoadMode(ridov::lmStream);
    }
    table.Open();
    ridov::TRidovCursor& store = *table.Cursor();

    if (a.Has("-c")) {
        std::vector<uint8_t> bytes;
        std::string error;
        // A longer comment would be cut when the table is written.
        if (!platform::CurrentPlatform().ReadWholeFile(a.Get("-c"), bytes, error,
                                                       ridov::kMaxCommentLength)) {
            throw ToolError(error);
        }
        table.SetComment(std::string(bytes.begin(), bytes.end()));
    }
    table.SetPassword(FromTerminal(a.Get("-p")));
    PostRecords(store, io.in);
    table.SaveToFile(file);
    return 0;
}

}  // namespace zv
