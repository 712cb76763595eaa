#include "tools/zv/TableFile.h"

#include <ostream>
#include <vector>

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
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, error)) {
        throw ToolError("Error opening file " + path);
    }
    store.SetPassword(FromTerminal(password));
    std::string message;
    if (!store.ReadImage(bytes, message)) throw ToolError(ToTerminal(message));
}

void PrintRecords(const ridov::TRidovCursor& store, const std::vector<ridov::RecordNode*>& nodes,
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
