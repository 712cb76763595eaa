// zv dump [-p PASSWORD] FILE: the field names, then every live record in
// store order, values as the engine renders them as text (ISO date forms)
// and byte fields in hexadecimal.
#include <ostream>

#include "engine/storage/RidovSession.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

int RunDump(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"-p"});
    if (a.positional.size() != 1) throw ToolError("usage: zv dump [-p PASSWORD] FILE");
    ridov::TRidovCursor store(ridov::TRidovSession::Instance(), text::FormatSettings::Machine());
    ReadTableFile(a.positional[0], a.Get("-p"), store);
    PrintRecords(store, store.Nodes(), io.out);
    return 0;
}

}  // namespace zv
