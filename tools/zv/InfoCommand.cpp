// zv info [-p PASSWORD] FILE: the table's record count, encipherment,
// comment and field list.
#include <ostream>

#include "engine/storage/RidovSession.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

int RunInfo(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"-p"});
    if (a.positional.size() != 1) throw ToolError("usage: zv info [-p PASSWORD] FILE");
    ridov::TRidovCursor store(ridov::TRidovSession::Instance(), text::FormatSettings::Machine());
    ReadTableFile(a.positional[0], a.Get("-p"), store);
    size_t live = 0;
    for (const ridov::RecordNode* node : store.Nodes()) live += node->IsLive();
    io.out << "records\t" << live << "\n";
    io.out << "encrypted\t" << (store.Enciphered() ? "yes" : "no") << "\n";
    io.out << "comment\t" << ToTerminal(Escape(store.Comment())) << "\n";
    for (int i = 0; i < store.FieldCount(); ++i) {
        const ridov::TRidovField& f = *store.FieldAt(i);
        io.out << "field\t" << ToTerminal(Escape(f.qualifier)) << '\t' << ToTerminal(Escape(f.name))
               << '\t' << ridov::FieldTypeName(f.type) << '\t' << f.declaredSize << '\t'
               << ToTerminal(Escape(f.defaultExpr)) << '\t' << ToTerminal(Escape(f.extra)) << "\n";
    }
    return 0;
}

}  // namespace zv
