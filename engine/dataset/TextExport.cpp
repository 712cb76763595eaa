// ExportToText: the visible records of a dataset as delimited text.
//
//   file   := header CRLF (line CRLF)*
//   header := label (delimiter label)*      -- every non-BLOB field, in order
//   line   := value (delimiter value)*      -- the fields' plain text
// With a delimiter other than TAB every label and value is enclosed in
// double quotes and inner double quotes are doubled. Texts are written as
// the Windows-1251 bytes they are. The file is replaced atomically.
#include <string>
#include <vector>

#include "engine/dataset/RidovDataset.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

void AppendItem(std::string& line, std::string_view item, char delimiter) {
    if (delimiter == '\t') {
        line += item;
    } else {
        line += '"';
        for (char c : item) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    line += delimiter;
}

void EndLine(std::string& out, std::string& line) {
    if (!line.empty()) line.pop_back();  // the last delimiter
    out += line;
    out += "\r\n";
    line.clear();
}

}  // namespace

void TRidovDataset::ExportToText(const std::string& fileName, char delimiter) {
    CheckActive();
    CheckBrowseMode();
    std::vector<Field*> columns;
    for (Field* f : Fields())
        if (!f->IsBlob()) columns.push_back(f);
    std::string out, line;
    for (Field* f : columns) AppendItem(line, f->DisplayLabel(), delimiter);
    EndLine(out, line);
    // Records are read in place: the current record does not move and no
    // scroll events fire.
    for (int i = 0; i < RecordCount(); ++i) {
        ForRecordAt(i, [&] {
            for (Field* f : columns) AppendItem(line, f->AsStringView(), delimiter);
        });
        EndLine(out, line);
    }
    std::string error;
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(out.data()), out.size());
    if (!session_->Platform().WriteFileAtomically(fileName, bytes, error))
        Fail("Cannot create file \"" + fileName + "\". " + error);
}

}  // namespace ridov
