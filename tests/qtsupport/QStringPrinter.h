// GoogleTest prints a QString as its text (UTF-8), not as a list of 2-byte
// objects. Put before every file of the program tests by the build, so
// that any comparison of two QStrings that fails shows both texts.
#pragma once

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
