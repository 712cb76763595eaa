#include "core/WriteTarget.h"

#include "core/EnginePath.h"
#include "platform/FileIdentity.h"

namespace core {

WriteRefused::WriteRefused(const QString& text)
    : std::runtime_error(text.toStdString()), text_(text) {}

QString NotRegularFileText(const QString& path) {
    return QStringLiteral("Файл '%1' не заменён: это не обычный файл.").arg(path);
}

QString OwnInputText(const QString& path) {
    return QStringLiteral("Файл '%1' не заменён: это исходный файл преобразования.").arg(path);
}

void CheckWriteTarget(const std::string& path) {
    if (platform::IsNonRegularFile(path))
        throw WriteRefused(NotRegularFileText(FromEnginePath(path)));
}

void CheckConversionTarget(const std::string& input, const std::string& output) {
    if (platform::IsSameFile(input, output))
        throw WriteRefused(OwnInputText(FromEnginePath(output)));
    CheckWriteTarget(output);
}

}  // namespace core
