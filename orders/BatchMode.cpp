#include "orders/BatchMode.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "ui/Prompter.h"

namespace orders {

BatchSwitch RecognizeBatchSwitch(const QStringList& arguments) {
    if (arguments.size() < 2) return BatchSwitch::None;
    const QString& first = arguments.front();
    if (first == QLatin1String("-zvconvert")) return BatchSwitch::ZvConvert;
    if (first == QLatin1String("-convert")) return BatchSwitch::Convert;
    if (first == QLatin1String("-pxls")) return BatchSwitch::Pxls;
    if (first == QLatin1String("-k")) return BatchSwitch::K;
    return BatchSwitch::None;
}

QString BatchErrorText(const QString& argument) {
    return QStringLiteral("Ошибка конвертации или файл '%1' не найден.").arg(argument);
}

std::string CommandLinePath(const QString& argument) {
    return QFile::encodeName(argument).toStdString();
}

BatchRun::BatchRun() {
    report = [](const QString& argument) {
        QString text = BatchErrorText(argument);
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        ui::CurrentPrompter().Plain(QStringLiteral("Заявка по каталогу"), text);
    };
}

bool BatchRun::Convert(const QString& argument, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (...) {
        failed_ = true;
        if (report) report(argument);
        return false;
    }
}

}  // namespace orders
