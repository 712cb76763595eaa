#include "tools/zv/TableFile.h"

#include <vector>

#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "tools/zv/Command.h"

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

}  // namespace zv
