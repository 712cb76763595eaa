#include "ui/Win1251Text.h"

#include "engine/text/Win1251.h"

namespace ui {

QString FromWin1251(std::string_view bytes) {
    std::u16string utf16 = text::Cp1251ToUtf16(bytes);
    return QString::fromUtf16(utf16.data(), qsizetype(utf16.size()));
}

std::string ToWin1251(const QString& text) {
    return text::Utf16ToCp1251(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

}  // namespace ui
