#include "orders/BatchMode.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "app/WriteTarget.h"
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
    report = [](const QString& argument, const QString& reason) {
        QString text = BatchErrorText(argument);
        if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        ui::CurrentPrompter().Plain(QStringLiteral("Заявка по каталогу"), text);
    };
}

int EndWithoutCatalog(const QStringList& arguments, const QString& catalog) {
    const BatchSwitch kind = RecognizeBatchSwitch(arguments);
    if (kind == BatchSwitch::None) return 0;
    BatchRun run;
    const QString reason = QStringLiteral("Файл каталога '%1' не найден.").arg(catalog);
    // "-k" converts every file after it; the other switches the first.
    const qsizetype last = kind == BatchSwitch::K ? arguments.size() - 1 : 1;
    for (qsizetype i = 1; i <= last; ++i) run.report(arguments[i], reason);
    return 1;
}

bool BatchRun::Convert(const QString& argument, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const app::WriteRefused& refused) {
        failed_ = true;
        if (report) report(argument, refused.Text());
        return false;
    } catch (...) {
        failed_ = true;
        if (report) report(argument, QString());
        return false;
    }
}

}  // namespace orders
