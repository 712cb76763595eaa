// A path as the engine and the platform layer take it, and back. They work
// on the bytes of a name: on Linux those the file system holds (QFile's
// encoding of the locale, UTF-8 as a rule), on Windows UTF-8, which they
// turn into UTF-16 at each call. The ANSI code page that QFile's encoding
// means on Windows would lose every letter outside it.
#pragma once

#include <QString>
#include <string>

namespace core {

std::string EnginePath(const QString& path);
QString FromEnginePath(const std::string& path);

}  // namespace core
