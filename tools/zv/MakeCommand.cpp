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

#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"
#include "engine/util/ByteReader.h"
#include "platform/Platform.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

namespace {

// The image of an empty table whose description section lists `fields`.
std::vector<uint8_t> EmptyImage(const std::string& fieldsArg) {
    std::string section;
    int32_t count = 0;
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
        std::string name = FromTerminal(std::string(item.substr(0, colon)));
        for (char& c : name)
            if (c == ' ') c = '_';
        section += "XXX." + name + " " + FromTerminal(std::string(item.substr(colon + 1)));
        section += '\x12';
        ++count;
    }
    if (count == 0) throw ToolError("no fields given");
    section += '\x14';
    std::vector<uint8_t> image;
    util::PutLittle(image, static_cast<uint32_t>(section.size() + 17));
    util::PutU8(image, 'S');
    util::PutLittle(image, int32_t(0));
    util::PutLittle(image, count);
    util::PutLittle(image, static_cast<int32_t>(section.size()));
    image.insert(image.end(), section.begin(), section.end());
    return image;
}

}  // namespace

int RunMake(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"-p", "-c"});
    if (a.positional.size() != 2) {
        throw ToolError("usage: zv make [-p PASSWORD] [-c COMMENT_FILE] FILE FIELDS");
    }
    const std::string& file = a.positional[0];
    ridov::TRidovCursor store(ridov::TRidovSession::Instance(), text::FormatSettings::Machine());
    std::vector<uint8_t> image = EmptyImage(a.positional[1]);
    std::string message;
    if (!store.ReadImage(image, message)) throw ToolError(ToTerminal(message));

    if (a.Has("-c")) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!platform::CurrentPlatform().ReadWholeFile(a.Get("-c"), bytes, error)) {
            throw ToolError("Error opening file " + a.Get("-c"));
        }
        store.SetComment(std::string(bytes.begin(), bytes.end()));
    }
    store.SetPassword(FromTerminal(a.Get("-p")));

    auto buffer = store.NewBuffer();
    std::string line;
    while (std::getline(io.in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string record = FromTerminal(line);
        std::memset(buffer.get(), 0, store.RecordSize());
        std::string_view rest = record;
        for (int i = 0; i < store.FieldCount(); ++i) {
            size_t tab = rest.find('\t');
            std::string value = Unescape(rest.substr(0, tab));
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
            const ridov::TRidovField& f = *store.FieldAt(i);
            uint8_t* s = buffer.get() + f.offset;
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
        bool ok = store.PostRecord(buffer.get(), nullptr, message);
        store.FreeValues(buffer.get());
        if (!ok) throw ToolError(ToTerminal(message));
    }
    if (!store.WriteFile(file, 0, false, "", message)) throw ToolError(ToTerminal(message));
    return 0;
}

}  // namespace zv
