#include "tools/zv/TableFile.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "engine/storage/TableImage.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"

namespace zv {

std::string FromTerminal(const std::string& utf8) {
    return text::Utf8ToCp1251(utf8);
}
std::string ToTerminal(const std::string& cp1251) {
    return text::Cp1251ToUtf8(cp1251);
}

void ReadTableFile(const std::string& path, const std::string& password,
                   ridov::TRidovCursor& store) {
    // What cannot be a table is refused before a byte is read: a device
    // could hand out bytes without end, a pipe wait for a writer for ever.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) {
            throw ToolError("Error opening file " + path + ": not a regular file");
        }
        const uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec && size > ridov::kMaxImageSize) {
            throw ToolError("Error opening file " + path + ": " + std::to_string(size) +
                            " bytes, more than a table file can hold (" +
                            std::to_string(ridov::kMaxImageSize) + ")");
        }
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, error, ridov::kMaxImageSize)) {
        throw ToolError("Error opening file " + path);
    }
    store.SetPassword(FromTerminal(password));
    std::string message;
    if (!store.ReadImage(bytes, message)) {
        if (message.empty()) message = "The file is an error image without a text";
        throw ToolError(ToTerminal(message));
    }
}

void PrintRecords(const ridov::TRidovCursor& store, const ridov::NodeList& nodes,
                  std::ostream& out) {
    std::string line;
    for (int i = 0; i < store.FieldCount(); ++i) {
        if (i) line += '\t';
        line += Escape(const_cast<ridov::TRidovCursor&>(store).FieldAt(i)->name);
    }
    out << ToTerminal(line) << "\n";
    std::string value;
    for (const ridov::RecordNode* node : nodes) {
        if (!node->IsLive()) continue;
        line.clear();
        for (int i = 0; i < store.FieldCount(); ++i) {
            const ridov::TRidovField& f = *const_cast<ridov::TRidovCursor&>(store).FieldAt(i);
            if (i) line += '\t';
            if (ridov::IsBlobType(f.type)) {
                line += ToHex(ridov::slot::Block(node->values + f.offset));
            } else {
                store.FieldAsText(f, node, value, true, false);
                line += Escape(value);
            }
        }
        out << ToTerminal(line) << "\n";
    }
}

}  // namespace zv
