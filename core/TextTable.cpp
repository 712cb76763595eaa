#include "core/TextTable.h"

#include <cstring>

#include "engine/text/TabText.h"

namespace core {

TextFormatError LoneCrError(long long line) {
    return TextFormatError("Line " + std::to_string(line) +
                           ": a CR without LF. Invalid text format");
}

void ReadTextTable(std::string_view text,
                   const std::function<void(std::span<const std::string_view> values)>& onRecord) {
    std::vector<std::string_view> values;
    const char* p = text.data();
    const char* end = p + text.size();
    long lineNumber = 0;
    while (p < end) {
        ++lineNumber;
        // The line runs to the next CR; TAB splits it into values. memchr
        // finds the CR at memory speed on long price lists.
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        const char* lineEnd = cr ? cr : end;
        if (cr && (cr + 1 == end || cr[1] != '\n')) throw LoneCrError(lineNumber);
        text::SplitTabValues(p, lineEnd, values);
        // An empty first line yields no record; any other line is a record,
        // an empty one without values.
        if (!(lineNumber == 1 && values.empty())) onRecord(values);
        p = cr ? cr + 2 : end;
    }
}

}  // namespace core
