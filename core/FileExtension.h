// The one rule for a file name's extension, for every place that names a
// file after another (an order after its text, a PDF or spreadsheet after
// what the user typed).
//
// Thread safety: pure functions.
#pragma once

#include <QString>
#include <string>

namespace core {

// `path` with its extension (from the last dot of the file name on)
// replaced by `extension` (".zv"), or `extension` appended when the name
// has none. UTF-8 in the platform's form.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
QString ChangeFileExt(const QString& path, const QString& extension);
inline std::string ChangeFileExt(const char* path, const char* extension) {
    return ChangeFileExt(std::string(path), std::string(extension));
}

}  // namespace core
