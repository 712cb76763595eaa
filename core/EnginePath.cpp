#include "core/EnginePath.h"

#include <QByteArray>
#include <QFile>

namespace core {

std::string EnginePath(const QString& path) {
#if defined(_WIN32)
    return path.toUtf8().toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString FromEnginePath(const std::string& path) {
#if defined(_WIN32)
    return QString::fromStdString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

}  // namespace core
