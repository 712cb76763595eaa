// zv export [-p PASSWORD] [-d DELIMITER] FILE OUT: writes FILE's records as
// delimited text (TAB unless another delimiter is given), Windows-1251
// with CR LF, through the table component's text export.
#include "engine/dataset/RidovTable.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

int RunExport(const Args& args, CommandIo&) {
    ParsedArgs a = ParseArgs(args, {"-p", "-d"});
    if (a.positional.size() != 2) {
        throw ToolError("usage: zv export [-p PASSWORD] [-d DELIMITER] FILE OUT");
    }
    char delimiter = '\t';
    if (a.Has("-d")) {
        std::string d = FromTerminal(Unescape(a.Get("-d")));
        if (d.size() != 1) throw ToolError("the delimiter must be one character");
        delimiter = d[0];
    }
    ridov::TRidovTable table;
    table.SetFormat(text::FormatSettings::Machine());
    table.SetTableName(a.positional[0]);
    table.SetPassword(FromTerminal(a.Get("-p")));
    table.Open();
    table.ExportToText(a.positional[1], delimiter);
    table.Close();
    return 0;
}

}  // namespace zv
