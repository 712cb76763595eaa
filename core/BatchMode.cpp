#include "core/BatchMode.h"

#include <QFile>
#include <cstdio>
#include <stdexcept>

#include "core/EnginePath.h"
#include "core/FileExtension.h"
#include "core/WriteTarget.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"

namespace core {

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
    return EnginePath(argument);
}

void BatchRun::Report(const QString& argument, const QString& reason) {
    QString text = BatchErrorText(argument);
    if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (environment_.showReport) environment_.showReport(text);
}

bool BatchRun::Convert(const QString& argument, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const WriteRefused& refused) {
        failed_ = true;
        Report(argument, refused.Text());
        return false;
    } catch (...) {
        failed_ = true;
        Report(argument, QString());
        return false;
    }
}

int RunBatchSwitch(const QStringList& arguments, const BatchEnvironment& environment) {
    const BatchSwitch kind = RecognizeBatchSwitch(arguments);
    BatchRun run(environment);
    // A declined value question stops that file and is reported like any
    // other failure.
    const AskIgnoreError ask = [&environment](const std::string& question) {
        if (environment.mayAsk && environment.ask) return environment.ask(question);
        std::fprintf(stderr, "%s\n", text::Cp1251ToUtf8(question).c_str());
        return IgnoreAnswer::No;
    };
    const std::string& catalog = environment.catalogFile;
    switch (kind) {
        case BatchSwitch::ZvConvert:
            run.Convert(arguments[1], [&] {
                const std::string table = CommandLinePath(arguments[1]);
                ExportTableToText(table, ChangeFileExt(table, ".txt"));
            });
            break;
        case BatchSwitch::Convert:
            run.Convert(arguments[1], [&] {
                if (!platform::CurrentPlatform().FileExists(catalog))
                    throw std::runtime_error("no catalog");
                ImportPriceListIntoTable(catalog, CommandLinePath(arguments[1]), ask);
            });
            break;
        case BatchSwitch::Pxls:
            run.Convert(arguments[1], [&] {
                if (!environment.exportCatalog) throw std::runtime_error("no catalog view");
                environment.exportCatalog(arguments[1]);
            });
            break;
        case BatchSwitch::K:
            for (qsizetype i = 1; i < arguments.size(); ++i) {
                run.Convert(arguments[i], [&] {
                    ImportOrderFromText(CommandLinePath(arguments[i]), {}, environment.settingsFile,
                                        catalog, ask);
                });
            }
            break;
        case BatchSwitch::None:
            break;
    }
    return run.ExitCode();
}

int EndWithoutCatalog(const QStringList& arguments, const QString& catalog,
                      const BatchEnvironment& environment) {
    const BatchSwitch kind = RecognizeBatchSwitch(arguments);
    if (kind == BatchSwitch::None) return 0;
    BatchRun run(environment);
    const QString reason = QStringLiteral("Файл каталога '%1' не найден.").arg(catalog);
    // "-k" converts every file after it; the other switches the first.
    const qsizetype last = kind == BatchSwitch::K ? arguments.size() - 1 : 1;
    for (qsizetype i = 1; i <= last; ++i) run.Report(arguments[i], reason);
    return 1;
}

}  // namespace core
