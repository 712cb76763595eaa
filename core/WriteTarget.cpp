#include "core/WriteTarget.h"

#include <QFile>

#include "core/EnginePath.h"
#include "platform/FileIdentity.h"

namespace core {

namespace {

QString PathText(const std::string& path) {
    return FromEnginePath(path);
}

}  // namespace

WriteRefused::WriteRefused(const QString& text)
    : std::runtime_error(text.toStdString()), text_(text) {}

QString NotRegularFileText(const QString& path) {
    return QStringLiteral("Файл '%1' не заменён: это не обычный файл.").arg(path);
}

QString OwnInputText(const QString& path) {
    return QStringLiteral("Файл '%1' не заменён: это исходный файл преобразования.").arg(path);
}

void CheckWriteTarget(const std::string& path) {
    if (platform::IsNonRegularFile(path)) throw WriteRefused(NotRegularFileText(PathText(path)));
}

void CheckConversionTarget(const std::string& input, const std::string& output) {
    if (platform::IsSameFile(input, output)) throw WriteRefused(OwnInputText(PathText(output)));
    CheckWriteTarget(output);
}

}  // namespace core
