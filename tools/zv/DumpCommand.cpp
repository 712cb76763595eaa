// zv dump [-p PASSWORD] FILE: the field names, then every live record in
// store order, values as the engine renders them as text (ISO date forms)
// and byte fields in hexadecimal.
#include <ostream>

#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

int RunDump(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"-p"});
    if (a.positional.size() != 1) throw ToolError("usage: zv dump [-p PASSWORD] FILE");
    ridov::TRidovCursor store(ridov::TRidovSession::Instance(), text::FormatSettings::Machine());
    ReadTableFile(a.positional[0], a.Get("-p"), store);
    std::string line;
    for (int i = 0; i < store.FieldCount(); ++i) {
        if (i) line += '\t';
        line += Escape(store.FieldAt(i)->name);
    }
    io.out << ToTerminal(line) << "\n";
    std::string value;
    for (const ridov::RecordNode* node : store.Nodes()) {
        if (!node->IsLive()) continue;
        line.clear();
        for (int i = 0; i < store.FieldCount(); ++i) {
            const ridov::TRidovField& f = *store.FieldAt(i);
            if (i) line += '\t';
            if (ridov::IsBlobType(f.type)) {
                line += ToHex(ridov::slot::Block(node->values + f.offset));
            } else {
                store.FieldAsText(f, node, value, true, false);
                line += Escape(value);
            }
        }
        io.out << ToTerminal(line) << "\n";
    }
    return 0;
}

}  // namespace zv
