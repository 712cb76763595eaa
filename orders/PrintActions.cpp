#include "orders/PrintActions.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPrinter>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>

#include "core/ClientInfo.h"
#include "core/FileExtension.h"
#include "core/Settings.h"
#include "core/WriteTarget.h"
#include "engine/dataset/Field.h"
#include "engine/text/FormatSettings.h"
#include "orders/CatalogView.h"
#include "orders/GridXlsSheet.h"
#include "orders/OrderTabs.h"
#include "orders/Printout.h"
#include "platform/Platform.h"
#include "ui/BusyCursor.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

namespace {

using ui::BusyCursor;

QString NoPrinterText() {
    return QStringLiteral("Нет установленных принтеров.");
}

QString CannotOpenText(const QString& path) {
    return QStringLiteral("Не удается открыть файл '%1'.").arg(path);
}

// The user's short date and long time conventions.
text::FormatSettings UserDateTimeFormat() {
    text::FormatSettings fs = text::FormatSettings::Russian();
    const platform::Platform::LocaleFormats user = platform::CurrentPlatform().UserLocale();
    fs.dateSeparator = user.dateSeparator;
    fs.timeSeparator = user.timeSeparator;
    fs.shortDateFormat = user.shortDateFormat;
    fs.longTimeFormat = user.longTimeFormat;
    return fs;
}

// The local date and time of `secondsSinceEpoch` in the user's short date
// and long time format; the time is left out at exactly midnight.
QString DateTimeText(int64_t secondsSinceEpoch) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    const QDate date = local.date();
    int32_t day = 0;
    if (!text::TryEncodeDate(date.year(), date.month(), date.day(), day)) return {};
    const double value =
        double(day) * text::kMsPerDay + double(local.time().msecsSinceStartOfDay());
    return ui::FromWin1251(text::DateTimeToStr(value, UserDateTimeFormat()));
}

}  // namespace

QString PriceXlsFileName(int64_t secondsSinceEpoch) {
    const QDate date = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).date();
    return QStringLiteral("price%1.xls").arg(date.toString(QStringLiteral("yyyyMMdd")));
}

PrintActions::PrintActions(core::DataModule& dm, orders::OrderTabs& orders,
                           orders::CatalogView& catalog, QWidget* window)
    : dm_(dm), orders_(orders), catalog_(catalog), window_(window) {
    hasPrinter = [] { return PrinterInstalled(); };
    showPreview = [this](orders::Printout& printout, QPrinter& printer) {
        ShowPrintPreview(printout, printer, window_);
    };
}

bool PrintActions::ConfirmLargePrintout(int pages, int rows) const {
    if (pages <= largePrintoutPages) return true;
    return ui::CurrentPrompter().ConfirmYesNo(
        QStringLiteral("Распечатка займет около %1 страниц (строк: %2). Чтобы распечатать "
                       "часть каталога, сузьте его фильтром. Продолжить ?")
            .arg(pages)
            .arg(rows));
}

bool PrintActions::MayWrite(const QString& path) {
    return !platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(path)) ||
           ui::CurrentPrompter().ConfirmYesNo(
               QStringLiteral("Файл '%1' уже существует. Перезаписать его ?").arg(path));
}

// ---- printing ----

void PrintActions::SetOrderTexts() {
    const std::string settings = core::DataModule::EnginePath(dm_.SettingsFile);
    const auto line = [&settings](const char* format, const char* key) {
        return QString::fromUtf8(format).arg(
            ui::FromWin1251(core::ReadSetting(settings, core::kClientSection, key)));
    };
    print_.beforeGridText = {
        line("- Название организации: %1", core::kKeyKlient),
        line("- Адрес: %1", core::kKeyAdres),
        line("- Телефон: %1", core::kKeyTelefon),
        line("- Контактное лицо: %1", core::kKeyKontaktLico),
    };
    print_.headerLeft.clear();
    print_.title = QStringLiteral("Заказ '%1'").arg(orders_.TabCaption(orders_.ActiveIndex()));
    print_.footerRight.clear();
}

void PrintActions::SetPriceTexts(const QString& webText) {
    ui::DataGrid& grid = *catalog_.Grid();
    QStringList lines;
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        const QString condition = grid.FilterText(c);
        if (condition.trimmed().isEmpty()) continue;
        const ridov::Field* field = grid.ColumnField(c);
        const QString label = field != nullptr ? ui::FromWin1251(field->DisplayLabel())
                                               : ui::FromWin1251(grid.Column(c).fieldName);
        lines << QStringLiteral("- %1: %2").arg(label, condition);
    }
    print_.beforeGridText = lines;
    const std::optional<int64_t> time =
        platform::CurrentPlatform().ModificationTime(core::DataModule::EnginePath(dm_.CatalogFile));
    print_.title = QStringLiteral("Каталог %1 от %2").arg(webText, time ? DateTimeText(*time) : "");
    print_.footerRight.clear();
}

void PrintActions::ActionPrintOrderExecute() {
    if (!hasPrinter()) {
        ui::CurrentPrompter().Information(NoPrinterText());
        return;
    }
    if (orders_.Count() == 0) return;
    SetOrderTexts();
    Preview(*orders_.Grid());
}

void PrintActions::ActionPrintPriceExecute(const QString& webText) {
    if (!hasPrinter()) {
        ui::CurrentPrompter().Information(NoPrinterText());
        return;
    }
    SetPriceTexts(webText);
    Preview(*catalog_.Grid());
}

void PrintActions::Preview(ui::DataGrid& grid) {
    // The question about a large printout counts the pages of the very
    // layout the preview then shows.
    orders::Printout printout(print_, PrintTableOfGrid(grid));
    QPrinter printer(QPrinter::HighResolution);
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        BusyCursor busy;
        printout.LayOut(printer, largePrintoutPages);
    }
    if (ConfirmLargePrintout(printout.PageCount(), printout.Table().rowCount))
        showPreview(printout, printer);
}

void PrintActions::SavePdf(ui::DataGrid& grid, const QString& caption,
                           const QString& proposedName) {
    std::optional<TPdfPrintout> pdf;
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        BusyCursor busy;
        pdf.emplace(print_, PrintTableOfGrid(grid), largePrintoutPages);
    }
    if (!ConfirmLargePrintout(pdf->PageCount(), grid.Model().rowCount())) return;
    QString path = ui::CurrentPrompter().SaveFileName(caption, dm_.ProgramDir + proposedName,
                                                      QStringLiteral("Файлы PDF (*.pdf)"));
    if (path.isEmpty()) return;
    path = core::ChangeFileExt(path, QStringLiteral(".pdf"));
    if (!MayWrite(path)) return;
    try {
        core::CheckWriteTarget(core::DataModule::EnginePath(path));
    } catch (const core::WriteRefused& refused) {
        ui::CurrentPrompter().Error(refused.Text(), QString());
        return;
    }
    QByteArray bytes;
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        BusyCursor busy;
        bytes = pdf->Bytes();
    }
    std::string error;
    if (!platform::CurrentPlatform().WriteFileAtomically(
            core::DataModule::EnginePath(path),
            std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
            error))
        ui::CurrentPrompter().Error(QString::fromUtf8(error), QString());
}

void PrintActions::ActionSaveOrderPdfExecute() {
    if (orders_.Count() == 0) return;
    SetOrderTexts();
    const QString name = QFileInfo(orders_.ActivePath()).completeBaseName();
    SavePdf(*orders_.Grid(), QStringLiteral("Сохранить заказ в PDF"), name + ".pdf");
}

void PrintActions::ActionSavePricePdfExecute(const QString& webText) {
    SetPriceTexts(webText);
    const std::optional<int64_t> time =
        platform::CurrentPlatform().ModificationTime(core::DataModule::EnginePath(dm_.CatalogFile));
    SavePdf(*catalog_.Grid(), QStringLiteral("Сохранить каталог в PDF"),
            core::ChangeFileExt(PriceXlsFileName(time.value_or(0)), QStringLiteral(".pdf")));
}

// ---- spreadsheet export ----

void PrintActions::ExportAndOpen(ui::DataGrid& grid, const QString& path) {
    try {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        BusyCursor busy;
        ExportGridToXls(grid, path);
    } catch (const core::XlsRowLimitError& error) {
        ui::CurrentPrompter().Warning(QString::fromUtf8(error.what()));
        return;
    } catch (const std::runtime_error& error) {
        // The platform's reason, with the path as the user gave it.
        ui::CurrentPrompter().Error(QString::fromUtf8(error.what()), QString());
        return;
    }
    if (!platform::CurrentPlatform().OpenWithAssociatedProgram(core::DataModule::EnginePath(path)))
        ui::CurrentPrompter().Information(CannotOpenText(path));
}

void PrintActions::ActionExportPriceToExcelExecute(const QString& dialogTitle) {
    const std::optional<int64_t> time =
        platform::CurrentPlatform().ModificationTime(core::DataModule::EnginePath(dm_.CatalogFile));
    const QString proposed =
        dm_.ProgramDir + (time ? PriceXlsFileName(*time) : QStringLiteral("price.xls"));
    QString path = ui::CurrentPrompter().SaveFileName(dialogTitle, proposed,
                                                      QStringLiteral("Файлы MS Excel (*.xls)"));
    if (path.isEmpty()) return;
    path = core::ChangeFileExt(path, QStringLiteral(".xls"));
    if (!MayWrite(path)) return;
    ExportAndOpen(*catalog_.Grid(), path);
}

void PrintActions::ExportOrderToXls(const QString& path) {
    if (orders_.Count() == 0) return;
    ExportAndOpen(*orders_.Grid(), path);
}

}  // namespace orders
