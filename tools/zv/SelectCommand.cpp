// zv select [-p PASSWORD] [--filter EXPR] [--ci] [--index FIELDS] [--sort-ci]
//           [--desc] [--range-fields FIELDS --range START END] FILE
// prints the table's view (filtered, sorted and ranged as asked) in view
// order, in the form of zv dump. START and END are TAB-separated value
// texts, written with the \t escape.
#include <algorithm>

#include "engine/dataset/RidovTable.h"
#include "engine/dataset/ViewSettings.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

int RunSelect(const Args& args, CommandIo& io) {
    // --range takes two values; the common parser takes one per option.
    Args rest;
    std::string rangeStart, rangeEnd;
    bool hasRange = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--range") {
            if (i + 2 >= args.size()) throw ToolError("option --range needs START and END");
            rangeStart = args[i + 1];
            rangeEnd = args[i + 2];
            hasRange = true;
            i += 2;
        } else {
            rest.push_back(args[i]);
        }
    }
    ParsedArgs a = ParseArgs(rest, {"-p", "--filter", "--index", "--range-fields"},
                             {"--ci", "--sort-ci", "--desc"});
    if (a.positional.size() != 1) {
        throw ToolError(
            "usage: zv select [-p PASSWORD] [--filter EXPR] [--ci] [--index FIELDS] [--sort-ci] "
            "[--desc] [--range-fields FIELDS --range START END] FILE");
    }
    if (hasRange != a.Has("--range-fields")) {
        throw ToolError("--range-fields and --range go together");
    }
    ridov::ViewSettings settings;
    settings.filter = FromTerminal(a.Get("--filter"));
    settings.caseInsensitiveFilter = a.Has("--ci");
    settings.indexFieldNames = FromTerminal(a.Get("--index"));
    if (a.Has("--sort-ci")) settings.sortOptions |= ridov::vsoCaseInsensitive;
    if (a.Has("--desc")) settings.sortOptions |= ridov::vsoDescendSort;
    settings.rangeFieldNames = FromTerminal(a.Get("--range-fields"));
    settings.rangeStart = FromTerminal(Unescape(rangeStart));
    settings.rangeEnd = FromTerminal(Unescape(rangeEnd));

    ridov::TRidovTable table;
    table.SetFormat(text::FormatSettings::Machine());
    table.SetTableName(a.positional[0]);
    table.SetPassword(FromTerminal(a.Get("-p")));
    table.Open();
    ridov::SelectView(table, settings, [](ridov::DataSet&) {});
    PrintRecords(*table.Cursor(), table.View(), io.out);
    return 0;
}

}  // namespace zv
