// The one crossing between the engine's Windows-1251 bytes and Qt's
// strings. Everything the engine stores or reads from files is Windows-1251;
// everything a widget shows is a QString. Characters the code page lacks
// become '?'.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui {

QString FromWin1251(std::string_view bytes);
std::string ToWin1251(const QString& text);

}  // namespace ui
