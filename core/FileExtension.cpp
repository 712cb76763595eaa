#include "core/FileExtension.h"

#include "platform/Platform.h"

namespace core {

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    size_t nameStart = path.size();
    while (nameStart > 0 && !platform::IsPathSeparator(path[nameStart - 1])) --nameStart;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return path + extension;
    return path.substr(0, dot) + extension;
}

QString ChangeFileExt(const QString& path, const QString& extension) {
    return QString::fromStdString(ChangeFileExt(path.toStdString(), extension.toStdString()));
}

}  // namespace core
